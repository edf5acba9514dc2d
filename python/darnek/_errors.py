"""The errors the package raises."""


class InputError(ValueError):
    """An input the engine rejects, as `darnek run` reports it.

    ``message`` is the tool's message ("line 8, column 14: stage 1, increments: ...");
    ``line`` and ``column`` give the place in the TOML text (0 when the error names
    no place), ``item`` the key path ("stage 1, soil_layer 2, friction_angle_deg"),
    ``detail`` what is wrong without the place, and ``file`` the file the line is
    counted in (None for a model's own TOML, ``Model.to_toml()``).
    """

    def __init__(self, message, line=0, column=0, item="", detail="", file=None):
        super().__init__(message, line, column, item, detail, file)
        self.message = message
        self.line = line
        self.column = column
        self.item = item
        self.detail = detail or message
        self.file = file

    # Equal when they say the same, so that results compare equal after pickling.
    def __eq__(self, other):
        return isinstance(other, InputError) and self.args == other.args

    def __hash__(self):
        return hash(self.args)

    def __str__(self):
        return f"{self.file}, {self.message}" if self.file else self.message

    @classmethod
    def _from_core(cls, error, file=None):
        return cls(error["message"], error["line"], error["column"], error["item"], error["detail"], file)
