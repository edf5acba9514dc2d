import json

import pytest

import darnek
from conftest import EXAMPLES, run_tool

ANCHORED = EXAMPLES / "reliability_anchored_clay.toml"


def test_same_seed_same_figures_on_one_thread_two_dask_workers_and_the_tool(tmp_path):
    distributed = pytest.importorskip("distributed")
    here = darnek.reliability(ANCHORED, samples=60, jobs=1)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        remote = darnek.reliability(ANCHORED, samples=60, client=client, chunk_size=7, progress=False)
    assert remote.same_figures(here)
    tool = run_tool("reliability", ANCHORED, "--samples", 60, "--jobs", 2, "--json", tmp_path / "r.json")
    assert tool.returncode == 0, tool.stderr
    assert here.same_figures(darnek.Reliability((tmp_path / "r.json").read_text(), ""))
    # Every stage reports every check it makes, and the system.
    checks = [c["check"] for c in here.stages[0]["checks"]]
    assert checks == ["section", "embedment", "tie_backs", "deflection", "system"]
    assert here.check(1, "system")["pf"] >= max(c["pf"] for c in here.stages[0]["checks"])


def test_uncertain_inputs_ride_with_the_model_and_are_checked():
    model = darnek.load(EXAMPLES / "cantilever_sand.toml")
    model.reliability = {"strength_reduction": False, "variable": [
        {"target": "soil_layer 1, friction_angle_deg", "distribution": "normal", "cov": 0.1}]}
    with pytest.raises(darnek.InputError, match="reliability, variable 1, distribution.*can be below 0"):
        darnek.reliability(model, samples=10)
    model.reliability.variable[0].distribution = "truncated_normal"
    model.reliability.variable[0].lower = 20.0
    model.reliability.variable[0].upper = 45.0
    form = darnek.reliability(darnek.loads(model.to_toml()), method="form")
    assert form.method == "form" and form.check(1, "embedment")["alpha"]["soil_layer 1, friction_angle_deg"] < -0.99
