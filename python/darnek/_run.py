"""Running models: one at a time, on threads, or on a Dask cluster."""

import math
import os
from concurrent.futures import ThreadPoolExecutor, as_completed
from dataclasses import dataclass, field, fields

import numpy as np

from . import _core
from ._errors import InputError
from ._model import Model, load

# The engine's statuses (include/darnek/darnek.h).
OK = 0
INPUT_REJECTED = 3
INTERNAL_ERROR = 4


# The columns of a stage's station table, as StageResult attributes.
STATION_COLUMNS = ("station", "depth", "deflection", "slope", "moment", "shear", "soil_reaction", "net_force",
                   "ei")
PRESSURE_COLUMNS = ("depth", "load_per_station", "active_with_water", "surcharge", "passive", "at_rest",
                    "active", "water", "surface_share", "surcharge_loads", "apparent", "total")


def _same(a, b):
    if isinstance(a, np.ndarray) or isinstance(b, np.ndarray):
        return (isinstance(a, np.ndarray) and isinstance(b, np.ndarray) and a.dtype == b.dtype
                and np.array_equal(a, b))
    if isinstance(a, dict) and isinstance(b, dict):
        return a.keys() == b.keys() and all(_same(a[k], b[k]) for k in a)
    if isinstance(a, list) and isinstance(b, list):
        return len(a) == len(b) and all(_same(x, y) for x, y in zip(a, b))
    # NaN (a force of a stage not solved) is the same as NaN.
    return a == b or (isinstance(a, float) and isinstance(b, float) and a != a and b != b)


class _Values:
    """Equality field by field, numpy arrays by their values (a dataclass's
    own equality cannot compare arrays)."""

    def __eq__(self, other):
        if type(other) is not type(self):
            return NotImplemented
        return all(_same(getattr(self, f.name), getattr(other, f.name)) for f in fields(self))


def _pandas():
    try:
        import pandas
    except ImportError:
        raise ImportError("to_dataframe() needs pandas, which is not installed "
                          "(Debian: apt-get install python3-pandas; or pip install pandas)") from None
    return pandas


def _empty(dtype=float):
    return np.empty(0, dtype=dtype)


@dataclass(eq=False)
class TieBack(_Values):
    number: int
    station: int
    depth: float  # as input
    force_per_tie_back: float
    # NaN when the stage was not solved.
    horizontal_force_per_station: float = math.nan
    force_per_station: float = math.nan  # along the tie-back


@dataclass(eq=False)
class Pressure(_Values):
    """The earth-pressure diagram as the solver loads it, one array per column
    (docs/results-json.md); every array is empty without earth pressure."""

    COLUMNS = PRESSURE_COLUMNS

    depth: np.ndarray = field(default_factory=_empty)
    load_per_station: np.ndarray = field(default_factory=_empty)
    active_with_water: np.ndarray = field(default_factory=_empty)
    surcharge: np.ndarray = field(default_factory=_empty)
    passive: np.ndarray = field(default_factory=_empty)
    at_rest: np.ndarray = field(default_factory=_empty)
    active: np.ndarray = field(default_factory=_empty)
    water: np.ndarray = field(default_factory=_empty)
    surface_share: np.ndarray = field(default_factory=_empty)
    surcharge_loads: np.ndarray = field(default_factory=_empty)
    apparent: np.ndarray = field(default_factory=_empty)
    total: np.ndarray = field(default_factory=_empty)

    def __len__(self):
        return len(self.depth)

    def __repr__(self):
        return f"Pressure({len(self)} rows)"

    def to_dataframe(self):
        return _pandas().DataFrame({c: getattr(self, c) for c in PRESSURE_COLUMNS})


@dataclass(eq=False)
class PyCurve(_Values):
    source: str  # "user" or "generated"
    station: int
    depth: float
    y: np.ndarray
    p: np.ndarray

    def __repr__(self):
        return f"PyCurve({self.source}, station {self.station}, {len(self.y)} points)"


@dataclass
class Iteration:
    iteration: int
    changed_stations: int  # whose deflection changed by more than the tolerance
    max_change: float
    deflections: tuple  # of stations 1 to 4


@dataclass(eq=False)
class StageResult(_Values):
    """A stage's outcome, what `darnek run` prints for it, and its results as
    arrays. The summary's lengths and depths are in the analysis's length unit
    (inches for English units, metres for SI); the arrays' depths are in feet
    or metres and every other array in the units that ``units`` names."""

    STATION_COLUMNS = STATION_COLUMNS

    stage: int
    outcome: str  # "closed", "single solution", "deflection exceeded", "iteration limit reached", ...
    solved: bool
    iterations: int
    unit_flag: int  # +1 English, -1 SI
    max_deflection: float  # signed value of largest magnitude
    max_deflection_depth: float
    max_moment: float
    max_moment_depth: float
    excavation_depth: float
    tie_backs: list = field(default_factory=list)
    unit_system: str = ""  # "English" or "SI"
    units: dict = field(default_factory=dict, repr=False)  # the unit of each quantity
    # One value per station, 0 (the top of the wall) to N; empty when not solved.
    station: np.ndarray = field(default_factory=lambda: _empty(np.int32), repr=False)
    depth: np.ndarray = field(default_factory=_empty, repr=False)
    deflection: np.ndarray = field(default_factory=_empty, repr=False)
    slope: np.ndarray = field(default_factory=_empty, repr=False)
    moment: np.ndarray = field(default_factory=_empty, repr=False)
    shear: np.ndarray = field(default_factory=_empty, repr=False)
    soil_reaction: np.ndarray = field(default_factory=_empty, repr=False)
    net_force: np.ndarray = field(default_factory=_empty, repr=False)
    ei: np.ndarray = field(default_factory=_empty, repr=False)
    pressure: Pressure = field(default_factory=Pressure, repr=False)
    py_curves: list = field(default_factory=list, repr=False)
    history: list = field(default_factory=list, repr=False)

    def to_dataframe(self):
        """The station table as a pandas DataFrame, one row per station;
        ``attrs["units"]`` holds the units."""
        frame = _pandas().DataFrame({c: getattr(self, c) for c in STATION_COLUMNS})
        frame.attrs["units"] = dict(self.units)
        return frame


@dataclass(eq=False)
class Check(_Values):
    """One design check (docs/design-checks.md): ``demand`` against
    ``resistance`` in ``unit``, their ratio ``utilisation``, and the depth
    where it governs (in the stage's depth unit). The factor-of-safety checks
    (``embedment``, ``strength``) also give ``factor_of_safety``,
    ``required_factor`` and what the factor is on (``definition``). A check
    that was not made has ``checked`` False and ``note`` says why."""

    name: str  # "bending", "shear", "embedment", "strength", "tie-back", "deflection"
    checked: bool
    demand: float = math.nan
    resistance: float = math.nan
    utilisation: float = math.nan
    unit: str = ""
    depth: float = math.nan
    note: str = ""
    number: int = 0  # of a tie-back
    factor_of_safety: float = math.nan
    required_factor: float = math.nan
    definition: str = ""  # "on passive", "on net pressure", "on strength"
    method: str = ""  # "fixed earth support", "free earth support", "strength reduction"
    combination: str = ""  # eurocode7: "DA1-1", "DA1-2", "DA2", "DA2*", "DA3" or "SLS"
    extra: dict = field(default_factory=dict, repr=False)

    @property
    def passes(self):
        return not self.checked or self.utilisation <= 1


@dataclass(eq=False)
class StageChecks(_Values):
    """The design checks of a stage: ``verdict`` ("passes", "fails" or "not
    checked"), the largest ``utilisation`` and the check that ``governing``
    names, the tool's ``verdict_line``, and every ``Check`` in ``checks``
    (also by name: ``c.bending``, ``c.embedment``, ``c.tie_backs``). With the
    method "eurocode7" each check is the worst over the combinations (its
    ``combination`` names which), and ``combinations`` holds each
    combination's own StageChecks with the ``analysis`` it ran on."""

    stage: int
    verdict: str
    utilisation: float = math.nan
    governing: str = ""
    note: str = ""
    depth_unit: str = ""
    verdict_line: str = ""
    checks: list = field(default_factory=list)
    combination: str = ""
    analysis: str = ""
    combinations: list = field(default_factory=list)

    def _named(self, name):
        return next((c for c in self.checks if c.name == name), None)

    bending = property(lambda self: self._named("bending"))
    shear = property(lambda self: self._named("shear"))
    embedment = property(lambda self: self._named("embedment"))
    strength = property(lambda self: self._named("strength"))
    deflection = property(lambda self: self._named("deflection"))
    tie_backs = property(lambda self: [c for c in self.checks if c.name == "tie-back"])


@dataclass(eq=False)
class Result(_Values):
    """The outcome of one run. ``status`` is the tool's exit status (0 complete,
    3 input rejected, 6 a stage not solved, 10 and above a fatal soil or
    pressure condition, ...); ``message`` says why when it is not 0;
    ``messages`` holds what the engine wrote to the console; ``error`` is the
    InputError of a rejected input (run_many reports it here, run raises it)."""

    status: int
    message: str = ""
    stages: list = field(default_factory=list)
    stop_code: int = 0
    messages: str = ""
    error: InputError = None
    # With design data: a StageChecks per stage, and the method applied with
    # the governing checks over the stages (None without design data).
    checks: list = field(default_factory=list)
    design: dict = None

    @property
    def ok(self):
        return self.status == OK

    def summary(self):
        """One flat dict for a table of many runs: status, outcome of every
        stage, and with design checks the verdict, the largest utilisation of
        each check over the stages and where it is."""
        row = {"status": self.status, "message": self.message,
               "solved": all(s.solved for s in self.stages) if self.stages else False}
        if self.design is not None:
            row["verdict"] = self.design["verdict"]
            row["utilisation"] = max((g["utilisation"] for g in self.design["governing"]), default=math.nan)
            for g in self.design["governing"]:
                name = g["check"].replace("-", "_")
                row[f"{name}_utilisation"] = g["utilisation"]
                row[f"{name}_stage"] = g["stage"]
            for c in self.checks:
                for name in ("embedment", "strength"):
                    check = c._named(name)
                    if check is not None and check.checked:
                        key = f"{name}_factor_of_safety"
                        row[key] = min(row.get(key, math.inf), check.factor_of_safety)
        return row

    def to_dataframe(self):
        """The station tables of every stage as one pandas DataFrame, one row
        per station, with a ``stage`` column first."""
        pandas = _pandas()
        frames = []
        for s in self.stages:
            frame = s.to_dataframe()
            frame.insert(0, "stage", np.full(len(frame), s.stage, dtype=np.int32))
            frames.append(frame)
        if not frames:
            return pandas.DataFrame(columns=["stage", *STATION_COLUMNS])
        frame = pandas.concat(frames, ignore_index=True)
        frame.attrs["units"] = dict(self.stages[0].units)  # each stage's own are in stages[i].units
        return frame


def _as_model(model):
    if isinstance(model, Model):
        return model
    if isinstance(model, dict):
        return Model.from_dict(model)
    if isinstance(model, (str, os.PathLike)):
        return load(model)
    raise TypeError(f"a darnek.Model, a dict or a file name is needed, not {type(model).__name__}")


def _result(raw, file):
    error = InputError._from_core(raw["input_error"], file) if raw["input_error"] else None
    stages = []
    for s in raw["stages"]:
        s = dict(s)
        s["tie_backs"] = [TieBack(**t) for t in s["tie_backs"]]
        s.update(s.pop("stations", {}))
        if "pressure" in s:
            s["pressure"] = Pressure(**s["pressure"])
        s["py_curves"] = [PyCurve(**c) for c in s.get("py_curves", ())]
        s["history"] = [Iteration(**h) for h in s.get("history", ())]
        stages.append(StageResult(**s))
    def stage_checks(c):
        return StageChecks(**{**c, "checks": [Check(**k) for k in c["checks"]],
                              "combinations": [stage_checks(k) for k in c.get("combinations", ())]})

    checks = [stage_checks(c) for c in raw.get("checks", ())]
    return Result(raw["status"], raw["message"], stages, raw["stop_code"], raw["console"], error, checks,
                  raw.get("design"))


def _run(model, name, outputs, raise_input_error):
    model = _as_model(model)
    text, file = model._run_text()
    if name is None:
        name = os.path.basename(file) if file else "model.toml"
    outputs = {k: os.fspath(v) for k, v in outputs.items() if v is not None}
    raw = _core.run_toml(text, file if file and os.path.isfile(file) else "", name, outputs)
    result = _result(raw, file)
    if result.error is not None and raise_input_error:
        raise result.error
    return result


def run(model, report=None, plot=None, log=None, py_scratch=None, pressure_scratch=None, name=None):
    """Analyses a model (a Model, a dict, or a file name) in this process.

    No file is written unless named: ``report``, ``plot``, ``log``,
    ``py_scratch`` and ``pressure_scratch`` keep those outputs. ``name`` names
    the input in the report (the model's file name by default). An input the
    engine rejects raises InputError; every other outcome is in the Result.
    """
    outputs = {"report": report, "plot": plot, "log": log, "py_scratch": py_scratch,
               "pressure_scratch": pressure_scratch}
    return _run(model, name, outputs, raise_input_error=True)


def _run_one(model):
    """A run that never raises: failures become the result's status."""
    try:
        return _run(model, None, {}, raise_input_error=False)
    except InputError as e:
        return Result(INPUT_REJECTED, str(e), error=e)
    except Exception as e:  # a model that cannot be run must not stop the others
        return Result(INTERNAL_ERROR, f"{type(e).__name__}: {e}")


def _run_chunk(models):
    return [_run_one(m) for m in models]


def _progress(total, progress, unit="run"):
    if progress is False:
        return None
    try:
        from tqdm import tqdm
    except ImportError:
        return None
    # None: a bar only on a terminal.
    return tqdm(total=total, unit=unit, disable=None if progress is None else False)


def run_many(models, jobs=None, client=None, progress=None, chunk_size=None):
    """Analyses many models; the results come in the order of the models.

    A model that fails is reported in its Result (status and message) and
    never stops the others. ``jobs`` threads run in this process (all cores by
    default); with ``client`` (a dask.distributed Client) the models go to the
    cluster's workers in chunks of ``chunk_size`` instead. ``progress``: a
    tqdm progress bar (True always, None on a terminal, False never).
    """
    models = list(models)
    if not models:
        return []
    bar = _progress(len(models), progress)
    try:
        if client is not None:
            return _run_on_cluster(models, client, chunk_size, bar)
        jobs = jobs or os.cpu_count() or 1
        if jobs == 1:
            results = []
            for m in models:
                results.append(_run_one(m))
                if bar is not None:
                    bar.update(1)
            return results
        with ThreadPoolExecutor(max_workers=jobs) as pool:
            futures = [pool.submit(_run_one, m) for m in models]
            if bar is not None:
                for f in as_completed(futures):
                    bar.update(1)
            return [f.result() for f in futures]
    finally:
        if bar is not None:
            bar.close()


def summaries(results, frame=False):
    """The ``summary()`` of every result of ``run_many``, in order: a list of
    dicts, or with ``frame=True`` a pandas DataFrame with a row per result."""
    rows = [r.summary() for r in results]
    return _pandas().DataFrame(rows) if frame else rows


def _run_on_cluster(models, client, chunk_size, bar):
    from distributed import as_completed as dask_completed

    if chunk_size is None:
        # A few chunks per worker thread balance the load without a task per wall.
        threads = sum(client.nthreads().values()) or 1
        chunk_size = max(1, math.ceil(len(models) / (4 * threads)))
    chunks = [models[i:i + chunk_size] for i in range(0, len(models), chunk_size)]
    futures = client.map(_run_chunk, chunks, pure=False)
    if bar is not None:
        for f in dask_completed(futures):
            bar.update(len(chunks[futures.index(f)]))
    results = []
    for chunk in client.gather(futures):
        results.extend(chunk)
    return results
