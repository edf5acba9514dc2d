"""Models: the TOML input as objects whose values a script changes by name."""

import difflib
import os
import tomllib

from . import _core
from ._errors import InputError

# Every table of the input and its keys: "value", "rows", "tables" (an array of
# tables) or "table" (a sub-table), as the engine's field table has them.
_SCHEMA = _core.schema()

# An array of tables also answers to its plural ("soil_layers" for
# "soil_layer"), unless the plural is a key of its own ("py_curves").
_ALIASES = {
    path: {k + "s": k for k, kind in keys.items() if kind == "tables" and k + "s" not in keys}
    for path, keys in _SCHEMA.items()
}


def _child(path, key):
    return f"{path}.{key}" if path else key


def _wrap(value, path, kind=None, strict=True):
    if isinstance(value, Table):
        return value if value._path == path else Table(value.to_dict(), path, strict)
    if isinstance(value, dict):
        return Table(value, path, strict)
    if isinstance(value, (list, tuple)):
        if kind == "tables" or (value and all(isinstance(v, (dict, Table)) for v in value)):
            if isinstance(value, TableList) and value._path == path:
                return value
            return TableList(value, path, strict)
        return list(value)
    return value


def _plain(value):
    if isinstance(value, (Table, TableList)):
        return value.to_dict() if isinstance(value, Table) else [v.to_dict() for v in value]
    if isinstance(value, (list, tuple)):
        return [_plain(v) for v in value]
    return value


class Table:
    """One TOML table of the input: its keys are attributes (and items).

    Reading a key that the table may hold but does not gives None (the key's
    default applies); an array of tables or a sub-table read that way is
    created empty, so ``t.soil_layers.append({...})`` works. Setting None
    removes a key. Setting a name the table cannot hold, as an attribute, an
    item or a key of a dict put into the model, raises AttributeError (KeyError
    for an item) with the nearest names, at once rather than when the model
    runs. Only a model read from a file keeps such a key, so that the run names
    its line.
    """

    __slots__ = ("_path", "_data")

    def __init__(self, data=None, _path="", _strict=True):
        object.__setattr__(self, "_path", _path)
        object.__setattr__(self, "_data", {})
        for key, value in (data or {}).items():
            self._set(self._key(key, KeyError) if _strict else key, value, _strict)

    def _key(self, name, error=AttributeError):
        keys = _SCHEMA.get(self._path)
        if keys is None or name in keys or name in self._data:
            return name
        alias = _ALIASES[self._path].get(name)
        if alias:
            return alias
        known = sorted(set(keys) | set(_ALIASES[self._path]))
        # No key is near a name this long, and the message shows its start only.
        close = difflib.get_close_matches(name, known, n=3) if len(str(name)) <= 64 else []
        where = f"[{self._path}]" if self._path else "the top level"
        hint = f"; did you mean {', '.join(close)}?" if close else ""
        shown = repr(name) if len(str(name)) <= 40 else f"{str(name)[:40]!r}... ({len(str(name))} characters)"
        raise error(f"{where} has no key {shown}{hint}")

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        key = self._key(name)
        if key in self._data:
            return self._data[key]
        kind = _SCHEMA.get(self._path, {}).get(key)
        if kind == "tables":
            self._data[key] = TableList([], _child(self._path, key))
            return self._data[key]
        if kind == "table":
            self._data[key] = Table({}, _child(self._path, key))
            return self._data[key]
        return None

    def __setattr__(self, name, value):
        if name.startswith("_"):
            raise AttributeError(f"{name!r} cannot be set")
        self[self._key(name)] = value

    def __delattr__(self, name):
        self._data.pop(self._key(name), None)

    def __getitem__(self, key):
        return self._data[key]

    def __setitem__(self, key, value):
        self._set(self._key(key, KeyError), value, True)

    def _set(self, key, value, strict):
        if value is None:
            self._data.pop(key, None)
            return
        kind = _SCHEMA.get(self._path, {}).get(key)
        self._data[key] = _wrap(value, _child(self._path, key), kind, strict)

    def __delitem__(self, key):
        del self._data[key]

    def __contains__(self, key):
        return key in self._data

    def __iter__(self):
        return iter(self._data)

    def __len__(self):
        return len(self._data)

    def keys(self):
        return self._data.keys()

    def items(self):
        return self._data.items()

    def get(self, key, default=None):
        return self._data.get(key, default)

    def to_dict(self):
        """The table as plain dicts and lists with the TOML's key names."""
        out = {}
        for key, value in self._data.items():
            # Tables created empty by reading them are not part of the input.
            if isinstance(value, (Table, TableList)) and len(value) == 0:
                continue
            out[key] = _plain(value)
        return out

    def copy(self):
        return type(self)._rebuild(self._path, self.to_dict())

    @classmethod
    def _rebuild(cls, path, data):
        # A copy or an unpickled model is the model it was, read keys and all.
        return cls(data, path, False) if cls is Table else cls._read(data)

    def __reduce__(self):
        return (type(self)._rebuild, (self._path, self.to_dict()))

    def __eq__(self, other):
        if isinstance(other, Table):
            return self.to_dict() == other.to_dict()
        if isinstance(other, dict):
            return self.to_dict() == other
        return NotImplemented

    __hash__ = None

    def __dir__(self):
        keys = set(_SCHEMA.get(self._path, {})) | set(_ALIASES.get(self._path, {})) | set(self._data)
        return sorted(keys | set(dir(type(self))))

    def __repr__(self):
        return f"{type(self).__name__}({self.to_dict()!r})"


class TableList(list):
    """An array of tables (``[[stage]]``, ``[[stage.soil_layer]]``, ...):
    a list whose elements are Tables; dicts put into it become Tables."""

    __slots__ = ("_path",)

    def __init__(self, items=(), _path="", _strict=True):
        self._path = _path
        super().__init__(_wrap(dict(v) if isinstance(v, dict) else v, _path, strict=_strict) for v in items)

    def _element(self, value):
        if not isinstance(value, (dict, Table)):
            raise TypeError(f"[[{self._path}]] holds tables (dicts), not {type(value).__name__}")
        return _wrap(value, self._path)

    def append(self, value):
        super().append(self._element(value))

    def insert(self, index, value):
        super().insert(index, self._element(value))

    def extend(self, values):
        super().extend(self._element(v) for v in values)

    def __iadd__(self, values):
        self.extend(values)
        return self

    def __setitem__(self, index, value):
        if isinstance(index, slice):
            super().__setitem__(index, [self._element(v) for v in value])
        else:
            super().__setitem__(index, self._element(value))

    def to_dict(self):
        return [v.to_dict() for v in self]

    def __reduce__(self):
        return (TableList, (self.to_dict(), self._path, False))


class Model(Table):
    """A whole input: ``units`` and the stages (``m.stages`` or ``m.stage``).

    Build one with ``darnek.load("wall.toml")``, ``darnek.load_records("wall.dat")``,
    ``darnek.loads(text)`` or ``Model.from_dict({...})``.
    """

    __slots__ = ("_source",)

    def __init__(self, data=None, _strict=True):
        object.__setattr__(self, "_source", None)
        super().__init__(data, "", _strict)

    @classmethod
    def from_dict(cls, data):
        """A model from nested dicts and lists with the TOML's key names; a key
        that the input cannot hold raises KeyError naming the nearest."""
        return cls(data)

    @classmethod
    def _read(cls, data):
        return cls(data, False)

    @classmethod
    def _rebuild(cls, path, data):
        return cls._read(data)

    def to_toml(self):
        """The model as TOML text (keys in alphabetical order, no comments)."""
        try:
            return _core.dict_to_toml(self.to_dict())
        except (TypeError, ValueError) as e:
            raise InputError(str(e)) from None

    def _run_text(self):
        """The TOML text to analyse and the file its lines are counted in: the
        file the model was read from while the model still says the same."""
        data = self.to_dict()
        if self._source is not None and data == self._source[2]:
            return self._source[0], self._source[1]
        try:
            return _core.dict_to_toml(data), None
        except (TypeError, ValueError) as e:
            raise InputError(str(e)) from None

    def _remember(self, text, file):
        object.__setattr__(self, "_source", (text, file, self.to_dict()))
        return self


def loads(text, file=None):
    """A model from a TOML text. A syntax error raises InputError."""
    try:
        data = tomllib.loads(text)
    except tomllib.TOMLDecodeError as e:
        _, error = _core.toml_to_records(text)
        if error is not None:
            raise InputError._from_core(error, file) from None
        raise InputError(str(e), file=file) from None
    return Model._read(data)._remember(text, file)


def _read(path):
    # Through the engine's checked reader: a pipe or a device is refused at
    # once instead of read without end.
    data, problem = _core.read_input(os.fspath(path))
    if problem is not None:
        raise InputError(problem, file=os.fspath(path))
    return data


def load(path):
    """A model from a TOML file, or from a record file when the name does not end in .toml."""
    path = os.fspath(path)
    if not path.lower().endswith(".toml"):
        return load_records(path)
    data = _read(path)
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        raise InputError(f"the file is not UTF-8 text (byte {e.start + 1})", file=path) from None
    return loads(text, path)


def load_records(path):
    """A model from a record file (as `darnek convert wall.dat -o wall.toml` reads it)."""
    path = os.fspath(path)
    text, error = _core.records_to_toml(_read(path), os.path.basename(path))
    if error is not None:
        raise InputError._from_core(error, path)
    # Not remembered as the source: error lines then count in m.to_toml().
    return Model._read(tomllib.loads(text))
