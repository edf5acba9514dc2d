"""Reliability: the probability that each design check fails, from the spread
of the model's uncertain inputs (its ``[reliability]`` table; docs/reliability.md)."""

import json
import math
import os
import time

import numpy as np

from . import _core
from ._errors import InputError
from ._run import _as_model, _progress


class Reliability:
    """A study's answers, as ``darnek reliability --json`` writes them.

    ``data`` is the whole JSON document; ``stages`` its stages, each with its
    checks (``pf``, ``pf_low``, ``pf_high``, ``beta``, ``alpha`` by variable,
    ``samples``, ``failures``, ``not_closed``); ``text`` the console summary.
    """

    def __init__(self, json_text, text):
        self.data = json.loads(json_text)
        self.text = text

    def __getattr__(self, name):
        try:
            return self.__dict__["data"][name]
        except KeyError:
            raise AttributeError(name) from None

    def check(self, stage, name):
        """The figures of one check ("section", "embedment", "strength",
        "tie_backs", "deflection" or "system") of stage ``stage`` (1, 2, ...)."""
        for s in self.data["stages"]:
            if s["stage"] == stage:
                for c in s["checks"]:
                    if c["check"] == name:
                        return c
        raise KeyError(f"stage {stage} has no check {name!r}")

    def same_figures(self, other):
        """Whether two studies give the same numbers (their timings apart)."""
        strip = ("seconds", "seconds_per_analysis", "model")
        return ({k: v for k, v in self.data.items() if k not in strip}
                == {k: v for k, v in other.data.items() if k not in strip})

    def to_dataframe(self):
        """One row per stage and check (pandas)."""
        import pandas as pd

        rows = []
        for s in self.data["stages"]:
            for c in s["checks"]:
                row = {"stage": s["stage"], **{k: v for k, v in c.items() if k not in ("alpha", "design_point",
                                                                                        "utilisation_histogram")}}
                row.update({f"alpha_{k}": v for k, v in c["alpha"].items()})
                rows.append(row)
        return pd.DataFrame(rows)

    def __repr__(self):
        return self.text


def _sample_chunk(text, options, first, count):
    return first, _core.reliability_samples(text, options, first, count)


def reliability(model, samples=None, method=None, seed=None, strength_reduction=None, jobs=None, client=None,
                chunk_size=None, progress=None):
    """The reliability of a model (a Model, a dict or a file name) with a
    ``[reliability]`` table: Pf, its interval, β and α of every check of every
    stage. ``samples``, ``method`` ("mc", "lhs", "form"), ``seed`` and
    ``strength_reduction`` replace the table's. The samples run on ``jobs``
    threads here, or on a dask.distributed ``client``'s workers in chunks of
    ``chunk_size``: sample i depends only on the seed and i, so the figures
    are the same however many workers draw them.
    """
    model = _as_model(model)
    text, file = model._run_text()
    name = os.path.basename(file) if file else "model.toml"
    options = {"method": method, "samples": samples, "seed": seed, "strength_reduction": strength_reduction,
               "jobs": jobs or os.cpu_count() or 1}
    plan, error = _core.reliability_plan(text, options)
    if error is not None:
        raise InputError._from_core(error, file)
    if client is None or plan["method"] == "form":
        return Reliability(*_core.reliability_run(text, options, name))
    from distributed import as_completed as dask_completed

    total = plan["samples"]
    if chunk_size is None:
        threads = sum(client.nthreads().values()) or 1
        chunk_size = max(1, math.ceil(total / (4 * threads)))
    options = {**options, "jobs": 1}
    start = time.perf_counter()
    bar = _progress(total, progress, unit="sample")
    futures = [client.submit(_sample_chunk, text, options, first, min(chunk_size, total - first), pure=False)
               for first in range(0, total, chunk_size)]
    parts = {}
    try:
        for f in dask_completed(futures):
            first, outcomes = f.result()
            parts[first] = outcomes
            if bar is not None:
                bar.update(min(chunk_size, total - first))
    finally:
        if bar is not None:
            bar.close()
    outcomes = np.concatenate([parts[k] for k in sorted(parts)])
    workers = len(client.nthreads())
    return Reliability(*_core.reliability_summary(text, options, outcomes, name, time.perf_counter() - start,
                                                  workers))
