import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("DARNEK_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = SOURCE / "examples"
TOOL = os.environ.get("DARNEK_TOOL", str(SOURCE / "build" / "darnek"))


def run_tool(*args, cwd=None):
    return subprocess.run([TOOL, *map(str, args)], capture_output=True, text=True, cwd=cwd)


@pytest.fixture
def cantilever():
    import darnek

    return darnek.load(EXAMPLES / "cantilever_sand.toml")
