"""The API of `darnek serve`, as a script or the page uses it (docs/serve.md)."""

import json
import pathlib
import subprocess
import threading

from conftest import SOURCE, TOOL, Server

EXAMPLES = pathlib.Path(SOURCE) / "examples"


def example(server, name):
    status, _, answer = server.request(f"/api/examples/{name}")
    assert status == 200
    return answer["model"]


def tool_json(tmp_path, toml_path):
    out = tmp_path / "run.json"
    run = subprocess.run([TOOL, "run", str(toml_path), "--out", str(tmp_path), "--json", str(out)],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    return json.loads(out.read_text())


def test_every_key_of_every_example_is_in_the_schema(server):
    status, _, schema = server.request("/api/schema")
    assert status == 200
    tables = schema["tables"]

    def walk(table, path):
        fields = {f["key"]: f for f in tables[path]["fields"]}
        for key, value in table.items():
            assert key in fields, f"{path}: {key}"
            if isinstance(value, dict):
                walk(value, f"{path}.{key}" if path else key)
            elif isinstance(value, list) and value and isinstance(value[0], dict):
                assert fields[key]["type"] == "tables"
                for element in value:
                    walk(element, f"{path}.{key}" if path else key)

    _, _, listing = server.request("/api/examples")
    assert len(listing["examples"]) == len(list(EXAMPLES.glob("*.toml")))
    for e in listing["examples"]:
        walk(example(server, e["name"]), "")
    phi = next(f for f in tables["stage.soil_layer"]["fields"] if f["key"] == "friction_angle_deg")
    assert phi["unit"] == {"english": "degrees", "si": "degrees"} and phi["default"] == {"value": 0.0}
    rock = next(f for f in tables["stage.soil_layer"]["fields"] if f["key"] == "compressive_strength")
    assert rock["instead_of"] == "shear_strength" and rock["applies"]["values"] == ["rock", "weak_rock"]


def test_an_analysed_model_gives_what_darnek_run_writes(server, tmp_path):
    for name in ("cantilever_sand", "anchored_two_tiebacks_si", "all_records_si"):
        status, head, answer = server.request("/api/analyse", {"model": example(server, name)})
        assert status == 200 and answer["ok"], answer.get("error")
        assert answer["results"] == tool_json(tmp_path, EXAMPLES / f"{name}.toml")
        assert head["Server-Timing"].startswith("engine;dur=")
        stage = answer["pictures"][0]
        assert stage["wall"].lstrip().startswith("<?xml") and "<svg" in stage["pressure"]


def test_an_input_error_names_its_key_path(server):
    model = example(server, "cantilever_sand")
    model["stage"][0]["soil_layer"][0]["friction_angle_deg"] = 95
    status, _, answer = server.request("/api/analyse", {"model": model})
    assert status == 422 and not answer["ok"]
    assert answer["error"]["keys"] == ["stage", 0, "soil_layer", 0, "friction_angle_deg"]
    assert "from 0 to 60 degrees" in answer["error"]["detail"]
    model["stage"][0]["soil_layer"][0]["friction_angle_deg"] = 32
    model["stage"][0]["ground"]["excavation_depth"] = "deep"
    status, _, answer = server.request("/api/analyse", {"model": model})
    assert status == 422 and answer["error"]["keys"] == ["stage", 0, "ground", "excavation_depth"]


def test_requests_that_are_not_models_are_refused(server):
    assert server.request("/api/analyse", b"{not json")[0] == 400
    assert server.request("/api/analyse", {"neither": 1})[0] == 400
    deep = b"[" * 100 + b"]" * 100
    assert server.request("/api/analyse", b'{"model": ' + deep + b"}")[0] == 400
    assert server.request("/api/analyse", b" " * (3 << 20))[0] == 413
    assert server.request("/api/examples/..%2Fexamples%2Fcantilever_sand")[0] == 404
    assert server.request("/web/..%2F..%2FCMakeLists.txt")[0] == 404
    status, _, answer = server.request("/api/examples", headers={"Host": "darnek.example:80"})
    assert status == 403


def test_every_answer_carries_the_content_security_policy(server):
    for path in ("/", "/web/app.js", "/api/schema", "/api/nothing"):
        _, head, _ = server.request(path)
        assert "script-src 'self'" in head["Content-Security-Policy"]
        assert head["X-Content-Type-Options"] == "nosniff"


def test_records_toml_and_models_convert_as_darnek_convert_does(server, tmp_path):
    dat = EXAMPLES / "anchored_two_tiebacks_si.dat"
    status, _, answer = server.request("/api/convert", {"from": "records", "text": dat.read_text(),
                                                        "name": dat.name})
    assert status == 200 and answer["error"] is None
    converted = tmp_path / "converted.toml"
    subprocess.run([TOOL, "convert", str(dat), "-o", str(converted)], check=True, capture_output=True)
    assert answer["toml"] == converted.read_text()
    # Model to TOML and back to records: the records the tool reads.
    status, _, back = server.request("/api/convert", {"from": "model", "model": answer["model"]})
    assert status == 200 and back["records"] == answer["records"]
    status, _, bad = server.request("/api/convert", {"from": "toml", "text": "units = \n"})
    assert status == 422 and bad["error"]["line"] == 1


def test_every_example_comes_back_from_the_toml_its_model_is_written_as(server):
    # The tables the analysis does not read (a reliability study's) included.
    _, _, listing = server.request("/api/examples")
    for e in listing["examples"]:
        model = example(server, e["name"])
        status, _, back = server.request("/api/convert", {"from": "model", "model": model})
        assert status == 200 and back["error"] is None, (e["name"], back["error"])
        assert back["model"] == model, e["name"]


def test_a_hostile_title_is_escaped_in_every_picture(server):
    model = example(server, "cantilever_sand")
    model["stage"][0]["title"] = '<script>alert(1)</script><img src=x onerror="alert(2)">'
    status, _, answer = server.request("/api/analyse", {"model": model, "outputs": ["page"]})
    assert status == 200
    for text in [*answer["pictures"][0].values(), answer["page"]]:
        if isinstance(text, str):
            assert "<script>alert" not in text and "<img src=x" not in text
    assert "&lt;script&gt;" in answer["pictures"][0]["wall"]


def test_pages_at_once_each_get_their_own_results(server):
    base = example(server, "cantilever_sand")
    depths = [120.0, 132.0, 144.0, 156.0, 168.0, 180.0]
    moments = {}

    def analyse(depth):
        model = json.loads(json.dumps(base))
        model["stage"][0]["ground"]["excavation_depth"] = depth
        model["stage"][0]["dividing_depth"] = depth
        found = set()
        for _ in range(3):
            _, _, answer = server.request("/api/analyse", {"model": model, "pictures": False})
            found.add(answer["results"]["stages"][0]["largest"]["moment"])
        moments[depth] = found

    threads = [threading.Thread(target=analyse, args=(d,)) for d in depths]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(len(m) == 1 for m in moments.values())
    values = [next(iter(moments[d])) for d in depths]
    assert values == sorted(values) and len(set(values)) == len(values)


def test_an_analysis_past_the_time_limit_is_answered_as_such():
    slow = Server("--time-limit", "0.001")
    try:
        _, _, model = slow.request("/api/examples/largest_si")
        model = model["model"]
        model["stage"] = model["stage"] * 20
        status, _, answer = slow.request("/api/analyse", {"model": model})
        assert status == 503 and "time limit" in answer["error"]["message"]
    finally:
        slow.stop()
