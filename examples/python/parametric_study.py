"""A parametric study of the cantilever example (examples/cantilever_sand.toml):
the embedment below the 14 ft cut against the sand's friction angle, 20 x 20 walls.

Writes OUT/parametric_study.csv (largest moment and deflection of every wall) and, when
matplotlib is installed, OUT/parametric_study.png (moment against embedment per friction
angle).

    PYTHONPATH=build/python /usr/bin/python3 examples/python/parametric_study.py [--out DIR] [--jobs N]
"""

import argparse
import csv
import pathlib
import time

import darnek

HERE = pathlib.Path(__file__).resolve().parent
EXCAVATION_FT = 14.0


def wall(base, embedment_ft, friction_angle_deg):
    """The cantilever with another embedment and friction angle. The wall keeps
    its 6 in increments, so a longer wall has more stations."""
    m = base.copy()
    stage = m.stages[0]
    length_ft = EXCAVATION_FT + embedment_ft
    stage.increments = round(length_ft * 12 / stage.increment_length)
    stage.wall_height = length_ft * 12
    stage.wall_sections[0].bottom = length_ft
    stage.soil_layers[0].friction_angle_deg = friction_angle_deg
    return m


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default="parametric-study", help="folder for the CSV and the PNG")
    parser.add_argument("--jobs", type=int, default=None, help="threads (default: every core)")
    args = parser.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)

    base = darnek.load(HERE.parent / "cantilever_sand.toml")
    embedments = [10.0 + i for i in range(20)]  # ft below the cut: 24 to 43 ft walls
    angles = [28.0 + 0.6 * i for i in range(20)]
    grid = [(e, phi) for phi in angles for e in embedments]
    models = [wall(base, e, phi) for e, phi in grid]

    start = time.perf_counter()
    results = darnek.run_many(models, jobs=args.jobs)
    seconds = time.perf_counter() - start
    print(f"{len(models)} walls in {seconds:.2f} s: {len(models) / seconds:.0f} runs per second")

    rows = []
    for (e, phi), r in zip(grid, results):
        s = r.stages[0] if r.stages else None
        solved = r.ok and s is not None and s.solved
        rows.append({
            "embedment_ft": e,
            "friction_angle_deg": round(phi, 1),
            "status": r.status,
            "outcome": s.outcome if s else r.message,
            # per foot of wall (result_width = 12 in): lb-in and in
            "max_moment_lb_in": s.max_moment if solved else "",
            "max_moment_depth_ft": s.max_moment_depth / 12 if solved else "",
            "max_deflection_in": s.max_deflection if solved else "",
        })
    with open(out / "parametric_study.csv", "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=list(rows[0]))
        writer.writeheader()
        writer.writerows(rows)
    print(f"wrote {out / 'parametric_study.csv'}")
    unsolved = [r for r in rows if r["max_moment_lb_in"] == ""]
    if unsolved:
        print(f"{len(unsolved)} walls without a solution (too short an embedment), e.g. "
              f"{unsolved[0]['embedment_ft']} ft at {unsolved[0]['friction_angle_deg']} deg: {unsolved[0]['outcome']}")

    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib is not installed: no plot")
        return
    fig, ax = plt.subplots(figsize=(8, 5.5))
    colours = plt.cm.viridis([i / (len(angles) - 1) for i in range(len(angles))])
    for phi, colour in zip(angles, colours):
        points = [(r["embedment_ft"], r["max_moment_lb_in"] / 12000)
                  for r in rows if r["friction_angle_deg"] == round(phi, 1) and r["max_moment_lb_in"] != ""]
        if points:
            ax.plot(*zip(*points), color=colour, lw=1.2)
    bar = fig.colorbar(plt.cm.ScalarMappable(cmap="viridis", norm=plt.Normalize(angles[0], angles[-1])), ax=ax)
    bar.set_label("friction angle (deg)")
    ax.set_xlabel("embedment below the 14 ft cut (ft)")
    ax.set_ylabel("largest moment (kip-ft per ft of wall)")
    ax.set_title("Cantilever sheet-pile wall in sand: largest moment")
    ax.grid(alpha=0.3)
    fig.tight_layout()
    fig.savefig(out / "parametric_study.png", dpi=120)
    print(f"wrote {out / 'parametric_study.png'}")


if __name__ == "__main__":
    main()
