import math

import pytest

import darnek
from conftest import EXAMPLES, run_tool


def test_checks_of_a_study_and_their_summaries(cantilever, tmp_path):
    # The example's top moves 2.83 in: a 2 in limit fails, the example's 3 in passes.
    models = []
    for limit in (2.0, 3.0):
        m = cantilever.copy()
        m.design.deflection_limit = limit
        models.append(m)
    results = darnek.run_many(models, jobs=2, progress=False)
    rows = darnek.summaries(results)
    assert [r["verdict"] for r in rows] == ["fails", "passes"]
    top = abs(results[1].stages[0].max_deflection)
    assert rows[1]["deflection_utilisation"] == pytest.approx(top / 3.0, rel=1e-12)
    c = results[1].checks[0]
    assert c.embedment.definition == "on passive" and c.embedment.factor_of_safety > 1.5
    assert c.bending.passes and c.bending.extra["cross_section"] == 1
    # The line the tool prints for the same wall.
    tool = run_tool("run", EXAMPLES / "cantilever_sand.toml", "--out", tmp_path)
    assert c.verdict_line in tool.stdout.splitlines()


def test_a_model_without_design_data_has_no_checks(cantilever):
    del cantilever.design
    result = darnek.run(cantilever)
    assert result.checks == [] and result.design is None
    assert "verdict" not in result.summary() and math.isclose(result.stages[0].max_deflection, 2.8274815637, rel_tol=1e-9)


def test_bad_design_data_names_the_key(cantilever):
    cantilever.design.factors.bending_fraction = -1.0
    with pytest.raises(darnek.InputError) as e:
        darnek.run(cantilever)
    assert e.value.item == "design, factors, bending_fraction"
