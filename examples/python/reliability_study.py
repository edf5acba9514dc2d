"""A reliability study of the cantilever example (examples/cantilever_sand.toml): the
sand's friction angle and subgrade modulus drawn from lognormal distributions, 10,000
walls run on a local Dask cluster of 2 worker processes, and the probability that the
top of the wall deflects more than a limit.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/reliability_study.py [--walls N] [--limit IN]
"""

import argparse
import math
import pathlib
import time

import numpy as np
from distributed import Client, LocalCluster

import darnek

HERE = pathlib.Path(__file__).resolve().parent


def lognormal(rng, mean, cov, size):
    sigma2 = math.log(1 + cov * cov)
    return rng.lognormal(math.log(mean) - sigma2 / 2, math.sqrt(sigma2), size)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--walls", type=int, default=10_000)
    parser.add_argument("--limit", type=float, default=3.5, help="allowed top deflection, in")
    parser.add_argument("--seed", type=int, default=19)
    args = parser.parse_args()

    base = darnek.load(HERE.parent / "cantilever_sand.toml")
    rng = np.random.default_rng(args.seed)
    phi = lognormal(rng, 32.0, 0.10, args.walls)  # degrees
    k = lognormal(rng, 90.0, 0.30, args.walls)  # lb/in³
    models = []
    for p, s in zip(phi, k):
        m = base.copy()
        layer = m.stages[0].soil_layers[0]
        layer.friction_angle_deg = float(p)
        layer.subgrade_modulus = float(s)
        models.append(m)

    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        start = time.perf_counter()
        results = darnek.run_many(models, client=client)
        seconds = time.perf_counter() - start
    print(f"{args.walls} walls in {seconds:.1f} s on 2 worker processes: {args.walls / seconds:.0f} runs per second")

    failed = exceed = 0
    for r in results:
        s = r.stages[0] if r.stages else None
        if not (r.ok and s and s.solved):
            failed += 1
            exceed += 1  # no solution: the deflection limit of the analysis itself was passed
        elif abs(s.deflection[0]) > args.limit:  # station 0 is the top of the wall
            exceed += 1
    p = exceed / args.walls
    print(f"P(top deflection > {args.limit} in) = {p:.4f} ± {math.sqrt(p * (1 - p) / args.walls):.4f}"
          f" ({exceed} walls, {failed} of them without a solution)")


if __name__ == "__main__":
    main()
