"""The package's doors: files it loads, what a failure reads as, and the
pictures every example draws, each parsed as XML."""
import os
import pathlib
import threading
import xml.etree.ElementTree as ET

import pytest

import darnek
from conftest import EXAMPLES, run_tool


def test_loaders_refuse_devices_and_pipes_at_once(tmp_path):
    fifo = tmp_path / "wall.toml"
    os.mkfifo(fifo)
    # Were the FIFO opened for reading, nobody would ever write to it: a
    # watchdog writer ends the wait so that the test fails instead of hanging.
    def unblock():
        with open(fifo, "w"):
            pass
    watchdog = threading.Timer(10, unblock)
    watchdog.start()
    try:
        for path in ("/dev/zero", fifo):
            for load in (darnek.run, darnek.load, darnek.load_records):
                with pytest.raises(darnek.InputError, match="is not a regular file"):
                    load(path)
    finally:
        watchdog.cancel()


def test_a_run_without_an_answer_is_not_ok():
    model = darnek.load(EXAMPLES / "cantilever_sand.toml")
    stage = model.stages[0]
    stage.increments = 34  # a wall 17 ft long in a 14 ft cut
    stage.wall_height = 204.0
    stage.wall_section[0].bottom = 17.0
    for memory in (False, True):
        model.stage_memory = memory
        result = darnek.run(model)
        assert not result.ok
        assert result.status == 6
        assert result.message.startswith("stage 1: maximum allowable deflection exceeded")

    # A tie-back below the tip: a data error that the report alone names.
    anchored = darnek.load(EXAMPLES / "anchored_soft_clay_si.toml")
    anchored.stages[0].tie_back[0].depth = 20.0
    [result] = darnek.run_many([anchored], jobs=1)
    assert (result.ok, result.status) == (False, 3)
    # Named in the TOML's words: the tie-back's table, not the records' line.
    assert result.message.endswith(": stage 1, tie_back 1: ERROR -- NON-ZERO TABLE 4 DATA BEYOND END "
                                   "(the report ends there)"), result.message
    with pytest.raises(darnek.InputError, match="NON-ZERO TABLE 4 DATA BEYOND END"):
        darnek.run(anchored)


# The title's 70th byte falls inside "ß"; a record file's title in Latin-1;
# control characters in a record file's title.
TITLES = {
    "umlaut.toml": ("toml", "Baugrube Müller" + "x" * 53 + "ße, Sand"),
    "latin1.dat": ("dat", "Baugrube M\xfcllerstra\xdfe".encode("latin-1")),
    "bell.dat": ("dat", b"BELL\x07\x1b[31m WALL"),
}


def _inputs(tmp_path):
    yield from sorted(EXAMPLES.glob("*.dat"))
    yield from sorted(EXAMPLES.glob("*.toml"))
    for name, (kind, title) in TITLES.items():
        path = tmp_path / name
        if kind == "toml":
            text = (EXAMPLES / "cantilever_sand.toml").read_text(encoding="utf-8")
            start = text.index('title = "') + 9
            path.write_text(text[:start] + title + text[text.index('"', start):], encoding="utf-8")
        else:
            lines = (EXAMPLES / "cantilever_sand.dat").read_bytes().split(b"\n")
            path.write_bytes(b"\n".join([title, *lines[1:]]))
        yield path


def test_every_picture_and_page_is_well_formed_xml(tmp_path):
    parsed = 0
    for source in _inputs(tmp_path):
        out = tmp_path / ("out-" + source.name)
        done = run_tool("run", source, "--out", out, "--plot")
        assert done.returncode == 0, (source, done.stdout, done.stderr)
        pictures = sorted((out / (source.stem + "-pictures")).iterdir())
        assert "report.html" in {p.name for p in pictures}
        for picture in pictures:
            # expat, strict: one stray byte or control character fails it.
            ET.fromstring(picture.read_bytes())
            parsed += 1
        if source.suffix == ".toml":
            # convert reads back what it wrote, whatever the title.
            dat, back = tmp_path / "c.dat", tmp_path / "c.toml"
            assert run_tool("convert", source, "-o", dat).returncode == 0
            assert run_tool("convert", dat, "-o", back).returncode == 0, source
            assert run_tool("convert", back, "-o", tmp_path / "d.dat").returncode == 0, source
    assert parsed > 100
