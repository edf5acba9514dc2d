"""darnek: analysis of flexible retaining walls, in-process from Python.

    import darnek
    m = darnek.load("wall.toml")
    m.stages[0].soil_layers[0].friction_angle_deg = 30
    result = darnek.run(m)
    print(result.stages[0].max_moment)

See docs/python.md.
"""

from . import _core
from ._errors import InputError
from ._model import Model, Table, TableList, load, load_records, loads
from ._reliability import Reliability, reliability
from ._run import (Check, Iteration, Pressure, PyCurve, Result, StageChecks, StageResult, TieBack, run, run_many,
                   summaries)

__version__ = _core.version()

__all__ = [
    "Check",
    "InputError",
    "Iteration",
    "Model",
    "Pressure",
    "PyCurve",
    "Reliability",
    "Result",
    "StageChecks",
    "StageResult",
    "Table",
    "TableList",
    "TieBack",
    "load",
    "load_records",
    "loads",
    "reliability",
    "run",
    "run_many",
    "summaries",
]
