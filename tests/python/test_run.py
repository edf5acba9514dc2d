import importlib.util
import json
import pickle
import sys

import numpy as np
import pytest

import darnek
from conftest import EXAMPLES, run_tool


def assert_same_as_json(result, doc):
    """The result equals the tool's --json document of the same input."""
    def same(got, expected):
        np.testing.assert_allclose(got, np.asarray(expected, dtype=float), rtol=1e-12, atol=0)

    assert (result.status, result.stop_code, result.message) == (doc["status"], doc["stop_code"], doc["message"])
    assert len(result.stages) == len(doc["stages"])
    for s, j in zip(result.stages, doc["stages"]):
        assert (s.stage, s.outcome, s.solved, s.iterations, s.unit_system, s.units) == (
            j["stage"], j["outcome"], j["solved"], j["iterations"], j["unit_system"], j["units"])
        for column in darnek.StageResult.STATION_COLUMNS:
            same(getattr(s, column), j["stations"][column])
        for column in darnek.Pressure.COLUMNS:
            same(getattr(s.pressure, column), j["pressure"][column])
        if s.solved:
            feet = 1 / 12 if s.unit_system == "English" else 1
            same([s.max_deflection, s.max_deflection_depth * feet, s.max_moment, s.max_moment_depth * feet],
                 [j["largest"][k] for k in ("deflection", "deflection_depth", "moment", "moment_depth")])
            keys = ("number", "station", "depth", "horizontal_force_per_station", "force_per_station",
                    "force_per_tie_back")
            same([[getattr(t, k) for k in keys] for t in s.tie_backs], [[t[k] for k in keys] for t in j["tie_backs"]])
        assert [(c.source, c.station) for c in s.py_curves] == [(c["source"], c["station"]) for c in j["py_curves"]]
        for c, e in zip(s.py_curves, j["py_curves"]):
            same([c.depth], [e["depth"]])
            same(c.y, e["y"])
            same(c.p, e["p"])
        assert [(h.iteration, h.changed_stations) for h in s.history] == [
            (h["iteration"], h["changed_stations"]) for h in j["history"]]
        same([[h.max_change, *h.deflections] for h in s.history],
             [[h["max_change"], *h["deflections"]] for h in j["history"]])
    # The design checks, check by check.
    checks = {c.stage: c for c in result.checks}
    assert sorted(checks) == [j["stage"] for j in doc["stages"] if "checks" in j]
    for j in doc["stages"]:
        if j["stage"] not in checks:
            continue
        c, e = checks[j["stage"]], j["checks"]
        assert c.verdict == e["verdict"]
        named = [e[k] for k in ("bending", "shear", "embedment", "strength")] + e["tie_backs"] + [e["deflection"]]
        assert [k.checked for k in c.checks] == [k["checked"] for k in named]
        same([k.utilisation for k in c.checks], [k["utilisation"] if k["checked"] else np.nan for k in named])


@pytest.mark.parametrize("toml", sorted(EXAMPLES.glob("*.toml")), ids=lambda p: p.stem)
def test_model_round_trip_runs_as_the_record_file(toml, tmp_path):
    model = darnek.load(toml)
    again = darnek.loads(model.to_toml())
    assert again == model
    result = darnek.run(again, plot=tmp_path / "model.plt")
    # The record example's design file holds the TOML's design table.
    design = EXAMPLES / "design" / toml.name
    tool = run_tool("run", toml.with_suffix(".dat"), "--out", tmp_path, "--json", tmp_path / "tool.json",
                    "--design", design)
    assert result.status == tool.returncode
    assert_same_as_json(result, json.loads((tmp_path / "tool.json").read_text()))
    assert (tmp_path / "model.plt").read_bytes() == (tmp_path / (toml.stem + ".plt")).read_bytes()


def test_results_as_dataframes(monkeypatch):
    result = darnek.run(EXAMPLES / "all_records_si.toml")
    solved = [s for s in result.stages if s.solved]
    assert len(solved) == 2 and all(len(s.depth) > 1 for s in solved)
    if importlib.util.find_spec("pandas"):
        frame = result.to_dataframe()
        assert list(frame.columns) == ["stage", *darnek.StageResult.STATION_COLUMNS]
        assert len(frame) == sum(len(s.depth) for s in result.stages)
        assert frame[frame.stage == 2].moment.tolist() == result.stages[1].moment.tolist()
        assert solved[0].to_dataframe().shape == (len(solved[0].depth), 9)
        assert frame.attrs["units"]["moment"] == "kN-m"
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError, match="needs pandas"):
        result.to_dataframe()


def test_run_touches_no_file_unless_asked(cantilever, tmp_path, monkeypatch):
    (tmp_path / "cwd").mkdir()
    (tmp_path / "tmp").mkdir()
    monkeypatch.chdir(tmp_path / "cwd")
    monkeypatch.setenv("TMPDIR", str(tmp_path / "tmp"))
    result = darnek.run(cantilever)
    assert result.ok and result.stages[0].outcome == "closed"
    assert list((tmp_path / "cwd").iterdir()) == [] and list((tmp_path / "tmp").iterdir()) == []
    darnek.run(cantilever, report="wall.out")
    assert [p.name for p in (tmp_path / "cwd").iterdir()] == ["wall.out"]


def study(cantilever, n):
    models = []
    for i in range(n):
        m = cantilever.copy()
        m.stages[0].soil_layers[0].friction_angle_deg = 28 + i
        models.append(m)
    return models


def test_run_many_keeps_order_and_isolates_failures(cantilever):
    models = study(cantilever, 6)
    bad = cantilever.copy()
    bad.stages[0].increments = 0
    models[2:2] = [bad, "no-such-file.toml", 42]
    results = darnek.run_many(models, jobs=2, progress=False)
    assert pickle.loads(pickle.dumps(results)) == results
    assert [r.status for r in results] == [0, 0, 3, 3, 4, 0, 0, 0, 0]
    assert results[2].error.item == "stage 1, increments"
    assert "no-such-file.toml" in results[3].message and "int" in results[4].message
    good = [r for r in results if r.ok]
    assert good == [darnek.run(m) for m in models if not isinstance(m, (str, int)) and m is not bad]
    moments = [r.stages[0].max_moment for r in good]
    assert len(set(moments)) == len(moments) and good[0] != good[1]


def test_dask_local_cluster_equals_local_run(cantilever):
    distributed = pytest.importorskip("distributed")
    models = study(cantilever, 8)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        remote = darnek.run_many(models, client=client, chunk_size=3, progress=False)
    assert remote == darnek.run_many(models, jobs=1, progress=False)
    assert all(r.ok for r in remote)


def test_stage_memory_rides_with_the_model(tmp_path):
    model = darnek.load(EXAMPLES / "all_records_si.toml")
    alone = darnek.run(model)
    model.stage_memory = True
    model.unload_factor = 0.5
    text = model.to_toml()
    assert "stage_memory = true" in text and "unload_factor = 0.5" in text
    sequence = darnek.run(darnek.loads(text))
    tool = run_tool("run", EXAMPLES / "all_records_si.toml", "--out", tmp_path, "--stage-memory",
                    "--unload-factor", "0.5", "--json", tmp_path / "tool.json")
    doc = json.loads((tmp_path / "tool.json").read_text())
    assert [s.max_deflection for s in sequence.stages] == [s["largest"]["deflection"] for s in doc["stages"]]
    # The prestressed tie-backs are held forces with memory: stage 1 moves too.
    assert [s.max_deflection for s in sequence.stages] != [s.max_deflection for s in alone.stages]


def test_curve_spacing_rides_with_the_model_and_the_tool(cantilever, tmp_path):
    five = darnek.run(cantilever).stages[0].max_moment
    cantilever.curve_spacing = 6.0
    assert "curve_spacing = 6.0" in cantilever.to_toml()
    spaced = darnek.run(cantilever).stages[0]
    assert spaced.max_moment != five
    run_tool("run", EXAMPLES / "cantilever_sand.dat", "--out", tmp_path, "--curve-spacing", "6",
             "--json", tmp_path / "tool.json")
    doc = json.loads((tmp_path / "tool.json").read_text())
    assert doc["stages"][0]["largest"]["moment"] == spaced.max_moment
    run_tool("batch", EXAMPLES / "cantilever_sand.dat", "--out", tmp_path / "b", "--curve-spacing", "6",
             "--summary", tmp_path / "b.csv")
    assert repr(spaced.max_moment) in (tmp_path / "b.csv").read_text()


def test_rounding_refusals_name_the_toml_key(cantilever):
    fine = cantilever.copy()
    fine.stages[0].increments = 50000
    fine.stages[0].increment_length = 0.0084
    stiff = cantilever.copy()
    stiff.stages[0].cross_sections[0].moment_of_inertia = 1.842e18
    for model, key in ((fine, "stage 1, increments"), (stiff, "stage 1, cross_section 1, moment_of_inertia")):
        with pytest.raises(darnek.InputError) as refused:
            darnek.run(model)
        assert refused.value.item == key and "rounding" in refused.value.detail
