import pickle
import tomllib

import pytest

import darnek
from conftest import EXAMPLES, run_tool


def test_values_by_name_mirror_the_toml_keys(cantilever):
    m = cantilever
    assert m.stages is m.stage and m.stages[0].soil_layers is m.stage[0].soil_layer
    m.stages[0].soil_layers[0].friction_angle_deg = 30
    m.stages[0].ground.water_depth_backfill = 120.0
    data = tomllib.loads(m.to_toml())
    assert data["stage"][0]["soil_layer"][0]["friction_angle_deg"] == 30
    assert data["stage"][0]["ground"]["water_depth_backfill"] == 120.0
    # A key the table may hold but does not is None; setting None removes one.
    assert m.stages[0].soil_layers[0].e50 is None
    m.stages[0].cross_sections[0].thickness = None
    assert "thickness" not in m.to_dict()["stage"][0]["cross_section"][0]
    with pytest.raises(AttributeError, match="friction_angle_deg"):
        m.stages[0].soil_layers[0].friction_angel_deg = 30
    # An unknown key is refused when it is set, however it is set.
    for set_it in (lambda: m.stages[0].__setitem__("wall_hieght", 420.0),
                   lambda: setattr(m.stages[0], "ground", {"excavation_dept": 168.0}),
                   lambda: m.stages[0].tie_backs.append({"depht": 2.0})):
        with pytest.raises(KeyError, match="did you mean"):
            set_it()
    assert "tie_back" not in m.to_dict()["stage"][0] and "wall_hieght" not in m.stages[0]
    # Dicts put into an array of tables become tables; the model pickles.
    m.stages[0].soil_layers.append({"type": "sand", "bottom_depth": 900.0, "unit_weight": 0.07})
    assert m.stages[0].soil_layers[1].bottom_depth == 900.0
    assert pickle.loads(pickle.dumps(m)) == m
    assert darnek.Model.from_dict(m.to_dict()) == m


def test_load_records_equals_the_toml_example():
    records = darnek.load_records(EXAMPLES / "cantilever_sand.dat")
    toml = darnek.load(EXAMPLES / "cantilever_sand.toml")
    # The records keep the 70 columns of the title that the engine reads.
    assert records.stages[0].title == toml.stages[0].title[:70]
    records.stages[0].title = toml.stages[0].title
    # The records have no place for the design table: the record example has it in a design file.
    assert records.design.to_dict() == {}
    records.design = tomllib.loads((EXAMPLES / "design" / "cantilever_sand.toml").read_text())["design"]
    assert records == toml


def test_input_errors_carry_the_tools_message_line_and_item(tmp_path):
    text = (EXAMPLES / "cantilever_sand.toml").read_text()
    cases = {
        # rejected by the engine in the records made from the TOML
        "increments.toml": (text.replace("increments = 70 ", "increments = 0  "), "stage 1, increments"),
        # a value of the wrong kind
        "kind.toml": (text.replace("friction_angle_deg = 32.0", 'friction_angle_deg = "x"'),
                      "stage 1, soil_layer 1, friction_angle_deg"),
    }
    for name, (bad, item) in cases.items():
        path = tmp_path / name
        path.write_text(bad)
        with pytest.raises(darnek.InputError) as caught:
            darnek.run(darnek.load(path))
        e = caught.value
        assert e.item == item and e.file == str(path)
        line = next(i for i, t in enumerate(bad.splitlines(), 1) if t.startswith(item.split(", ")[-1] + " "))
        assert e.line == line and e.column > 0
        tool = run_tool("run", path, "--out", tmp_path / "out")
        assert tool.returncode == 3
        assert f"{path.name}, {e.message}\n" in tool.stdout + tool.stderr
        assert str(e) == f"{path}, {e.message}"
    # A syntax error stops load() with the place.
    (tmp_path / "syntax.toml").write_text('units = "si"\n[[stage]\n')
    with pytest.raises(darnek.InputError) as caught:
        darnek.load(tmp_path / "syntax.toml")
    assert caught.value.line == 2


def test_a_changed_loaded_model_runs_the_change(cantilever, tmp_path):
    as_read = darnek.run(cantilever).stages[0]
    cantilever.stages[0].soil_layers[0].friction_angle_deg = 36.0
    changed = darnek.run(cantilever).stages[0]
    (tmp_path / "changed.toml").write_text(cantilever.to_toml())
    assert changed == darnek.run(tmp_path / "changed.toml").stages[0]
    assert abs(changed.max_moment) < 0.9 * abs(as_read.max_moment)
    # Back to what the file says: the file's own result again.
    cantilever.stages[0].soil_layers[0].friction_angle_deg = 32.0
    assert darnek.run(cantilever).stages[0] == as_read


def test_a_misspelt_key_in_a_file_is_named_with_its_line_when_run(tmp_path):
    path = tmp_path / "typo.toml"
    path.write_text((EXAMPLES / "cantilever_sand.toml").read_text().replace("friction_angle_deg", "friction_angle"))
    model = darnek.load(path)
    with pytest.raises(darnek.InputError, match="did you mean `friction_angle_deg`") as caught:
        darnek.run(model)
    assert caught.value.line > 0
