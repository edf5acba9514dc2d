"""Timings of the Python package.

1. The largest example (examples/largest_si.toml) through darnek.run against the
   engine call alone (darnek._core.run_toml on the model's TOML text): what the Python
   layer adds to a run (building the TOML text, the result objects).
2. run_many on 400 cantilever walls with jobs=2 against jobs=1: how far the threads
   scale with the global lock released during each run.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--repeat N]
"""

import argparse
import os
import pathlib
import statistics
import time

import darnek
from darnek import _core

EXAMPLES = pathlib.Path(__file__).resolve().parents[1] / "examples"


def best(fn, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times), statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeat", type=int, default=20)
    parser.add_argument("--walls", type=int, default=400)
    args = parser.parse_args()

    # Built from a dict, as a study's models are: run() writes its TOML text each time.
    largest = darnek.Model.from_dict(darnek.load(EXAMPLES / "largest_si.toml").to_dict())
    text = largest.to_toml()
    engine, engine_median = best(lambda: _core.run_toml(text, "", "largest_si.toml", {}), args.repeat)
    python, python_median = best(lambda: darnek.run(largest), args.repeat)
    print(f"largest_si: engine call {engine * 1e3:.2f} ms (median {engine_median * 1e3:.2f}), "
          f"darnek.run {python * 1e3:.2f} ms (median {python_median * 1e3:.2f}): ratio {python / engine:.3f}")

    base = darnek.load(EXAMPLES / "cantilever_sand.toml")
    models = []
    for i in range(args.walls):
        m = base.copy()
        m.stages[0].soil_layers[0].friction_angle_deg = 28 + 12 * i / args.walls
        models.append(m)
    one, _ = best(lambda: darnek.run_many(models, jobs=1, progress=False), 1)
    two, _ = best(lambda: darnek.run_many(models, jobs=2, progress=False), 1)
    print(f"run_many of {args.walls} walls: jobs=1 {one:.2f} s ({args.walls / one:.0f}/s), "
          f"jobs=2 {two:.2f} s ({args.walls / two:.0f}/s): speed-up {one / two:.2f} on {os.cpu_count()} cores")


if __name__ == "__main__":
    main()
