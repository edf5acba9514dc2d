"""Timings of the Python package.

1. The largest example through darnek.run (examples/largest_si.toml, results as numpy
   arrays) against the same run made in a C++ process (build/run_timer --inprocess
   examples/largest_si.dat, results kept, outputs written to a temporary folder of the
   same file system as darnek.run's): what Python adds to a run, with the outputs named
   as run_timer names them, and with none kept. They alternate in blocks so that a busy
   machine slows all alike; the figures are medians.
2. run_many on 400 cantilever walls with jobs=2 against jobs=1: how far the threads
   scale with the global lock released during each run.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--build build] [--blocks N]
"""

import argparse
import os
import pathlib
import statistics
import subprocess
import tempfile
import time

import darnek

ROOT = pathlib.Path(__file__).resolve().parents[1]
EXAMPLES = ROOT / "examples"


def times(fn, repeat):
    out = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        out.append(time.perf_counter() - start)
    return out


def without_design(model):
    """The model without its [design] table: the examples carry one, and its
    strength-reduction analyses would make darnek.run several analyses
    against run_timer's one."""
    data = model.to_dict()
    data.pop("design", None)
    return darnek.Model.from_dict(data)


def cpp_median_ms(run_timer, work, rounds):
    line = subprocess.run([str(run_timer), "--inprocess", str(EXAMPLES / "largest_si.dat"), "--work", work,
                           "--rounds", str(rounds), "--keep-results", "1"],
                          check=True, capture_output=True, text=True).stdout
    return float(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=str(ROOT / "build"), help="the build folder holding run_timer")
    parser.add_argument("--blocks", type=int, default=10, help="alternating blocks of each measurement")
    parser.add_argument("--rounds", type=int, default=10, help="runs per block")
    parser.add_argument("--walls", type=int, default=400)
    args = parser.parse_args()

    largest = without_design(darnek.load(EXAMPLES / "largest_si.toml"))
    if not darnek.run(largest).ok:
        raise SystemExit("largest_si does not run")
    python_ms, named_ms, cpp_ms = [], [], []
    with tempfile.TemporaryDirectory(prefix="darnek-bench-") as work:
        # The outputs named, overwritten run after run as run_timer's are: the same setting.
        named = {k: os.path.join(work, "python." + k)
                 for k in ("report", "plot", "log", "py_scratch", "pressure_scratch")}
        for _ in range(args.blocks):
            cpp_ms.append(cpp_median_ms(pathlib.Path(args.build) / "run_timer", work, args.rounds))
            python_ms.append(statistics.median(times(lambda: darnek.run(largest), args.rounds)) * 1e3)
            named_ms.append(statistics.median(times(lambda: darnek.run(largest, **named), args.rounds)) * 1e3)
    cpp, python, same = statistics.median(cpp_ms), statistics.median(python_ms), statistics.median(named_ms)
    print(f"largest_si, medians of {args.blocks} blocks of {args.rounds} runs: C++ in-process run {cpp:.2f} ms")
    print(f"  darnek.run, outputs named as run_timer's {same:.2f} ms: ratio {same / cpp:.3f} (target <= 1.2)")
    print(f"  darnek.run, no output kept (outputs discarded) {python:.2f} ms: "
          f"ratio {python / cpp:.3f}")

    base = without_design(darnek.load(EXAMPLES / "cantilever_sand.toml"))
    models = []
    for i in range(args.walls):
        m = base.copy()
        m.stages[0].soil_layers[0].friction_angle_deg = 28 + 12 * i / args.walls
        models.append(m)
    # Alternated, so that a busy machine slows both alike.
    ones, twos = [], []
    for _ in range(3):
        ones += times(lambda: darnek.run_many(models, jobs=1, progress=False), 1)
        twos += times(lambda: darnek.run_many(models, jobs=2, progress=False), 1)
    one, two = statistics.median(ones), statistics.median(twos)
    print(f"run_many of {args.walls} walls: jobs=1 {one:.2f} s ({args.walls / one:.0f}/s), "
          f"jobs=2 {two:.2f} s ({args.walls / two:.0f}/s), medians of 3 alternating: speed-up {one / two:.2f} (target >= 1.8) "
          f"on {os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
