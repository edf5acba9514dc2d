import pickle

import pytest

import darnek
from conftest import EXAMPLES, parse_summary, run_tool


def summary(result):
    return [
        {
            "outcome": s.outcome,
            "iterations": s.iterations,
            "values": ([s.max_deflection, s.max_deflection_depth * (1 / 12 if s.unit_flag > 0 else 1),
                        s.max_moment, s.max_moment_depth * (1 / 12 if s.unit_flag > 0 else 1)]
                       if s.solved else []) + [t.force_per_tie_back for t in s.tie_backs if s.solved],
        }
        for s in result.stages
    ]


@pytest.mark.parametrize("toml", sorted(EXAMPLES.glob("*.toml")), ids=lambda p: p.stem)
def test_model_round_trip_runs_as_the_record_file(toml, tmp_path):
    model = darnek.load(toml)
    again = darnek.loads(model.to_toml())
    assert again == model
    result = darnek.run(again, plot=tmp_path / "model.plt")
    tool = run_tool("run", toml.with_suffix(".dat"), "--out", tmp_path)
    assert result.status == tool.returncode
    expected = parse_summary(tool.stdout)
    got = summary(result)
    assert [(s["outcome"], s["iterations"]) for s in got] == [(s["outcome"], s["iterations"]) for s in expected]
    for g, e in zip(got, expected):
        assert g["values"] == pytest.approx(e["values"], rel=6e-5, abs=1e-12)
    assert (tmp_path / "model.plt").read_bytes() == (tmp_path / (toml.stem + ".plt")).read_bytes()


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
    assert len(set(moments)) == len(moments)


def test_dask_local_cluster_equals_local_run(cantilever):
    distributed = pytest.importorskip("distributed")
    models = study(cantilever, 8)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        remote = darnek.run_many(models, client=client, chunk_size=3, progress=False)
    assert remote == darnek.run_many(models, jobs=1, progress=False)
    assert all(r.ok for r in remote)
