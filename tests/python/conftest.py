import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("DARNEK_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = SOURCE / "examples"
TOOL = os.environ.get("DARNEK_TOOL", str(SOURCE / "build" / "darnek"))


def run_tool(*args, cwd=None):
    return subprocess.run([TOOL, *map(str, args)], capture_output=True, text=True, cwd=cwd)


def parse_summary(stdout):
    """The per-stage lines `darnek run` prints, as tuples of their values."""
    stages = []
    for line in stdout.splitlines():
        words = line.split()
        if line.startswith("stage "):
            iterations = int(words[-2]) if "iteration" in line else 0
            outcome = line.split(": ", 1)[1].split(",")[0]
            stages.append({"outcome": outcome, "iterations": iterations, "values": []})
        elif line.startswith("  largest"):
            stages[-1]["values"] += [float(words[2]), float(words[-2])]
        elif line.startswith("  tie-back"):
            stages[-1]["values"].append(float(line.split("tie-back ")[-1].split()[0]))
    return stages


@pytest.fixture
def cantilever():
    import darnek

    return darnek.load(EXAMPLES / "cantilever_sand.toml")
