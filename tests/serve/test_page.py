"""The page of `darnek serve` in Chromium, used as a person would: the tests
run in order on one page, each starting from where the one before left it."""

import json
import pathlib
import subprocess
import time

import pytest
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from conftest import SOURCE, TOOL


def analysed(driver):
    return int(driver.execute_script("return document.body.dataset.analysed || 0"))


def wait_for(predicate, what, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"waited {seconds} s for {what}")


def settle(driver, before):
    """Waits until an analysis newer than `before` has been drawn."""
    wait_for(lambda: analysed(driver) > before, "the page to analyse the change")
    return analysed(driver)


def type_into(driver, keys, text):
    field = driver.find_element(By.CSS_SELECTOR, f"[data-keys='{json.dumps(keys, separators=(',', ':'))}']"
                                                 ":is(input,select,textarea)")
    section = field.find_element(By.XPATH, "ancestor::details")
    if not section.get_attribute("open"):
        section.find_element(By.TAG_NAME, "summary").click()
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", field)
    before = analysed(driver)
    field.send_keys(Keys.CONTROL, "a")
    field.send_keys(text, Keys.TAB)
    settle(driver, before)
    return field


def summary(driver, cls, stage=1):
    cell = driver.find_element(By.CSS_SELECTOR, f"#summary tr[data-stage='{stage}'] td.{cls}")
    return float(cell.get_attribute("data-value"))


def picture(driver):
    return driver.find_element(By.ID, "picture").get_attribute("data-digest")


def open_section(driver, title):
    section = driver.find_element(By.CSS_SELECTOR, f"details[data-section='{title}']")
    if not section.get_attribute("open"):
        section.find_element(By.TAG_NAME, "summary").click()
    return section


@pytest.fixture(scope="module")
def page(server, browser):
    browser.get(server.url)
    wait_for(lambda: analysed(browser) > 0, "the first analysis")
    return browser


def test_the_cantilever_example_shows_its_largest_moment(page, server):
    _, _, example = server.request("/api/examples/cantilever_sand")
    _, _, answer = server.request("/api/analyse", {"model": example["model"], "pictures": False})
    expected = answer["results"]["stages"][0]["largest"]["moment"]
    assert summary(page, "max-moment") == expected
    assert "lbs-in" in page.find_element(By.CSS_SELECTOR, "#summary td.max-moment").text
    assert picture(page)


def test_a_deeper_excavation_changes_the_moment_and_the_diagram(page):
    moment, drawn = summary(page, "max-moment"), picture(page)
    type_into(page, ["stage", 0, "ground", "excavation_depth"], "180")
    type_into(page, ["stage", 0, "dividing_depth"], "180")
    assert summary(page, "max-moment") > moment * 1.1
    assert picture(page) != drawn


def test_an_invalid_friction_angle_is_marked_and_the_last_diagram_kept(page):
    moment, drawn = summary(page, "max-moment"), picture(page)
    field = type_into(page, ["stage", 0, "soil_layer", 0, "friction_angle_deg"], "95")
    assert field.get_attribute("aria-invalid") == "true"
    assert "60 degrees" in page.find_element(By.ID, "status").text
    assert "stale" in page.find_element(By.ID, "view").get_attribute("class")
    assert picture(page) == drawn and summary(page, "max-moment") == moment
    field = type_into(page, ["stage", 0, "soil_layer", 0, "friction_angle_deg"], "32")
    assert field.get_attribute("aria-invalid") is None
    assert "stale" not in page.find_element(By.ID, "view").get_attribute("class")


def test_a_soil_layer_and_a_tie_back_are_added(page):
    layers = open_section(page, "Soil layers")
    before = analysed(page)
    layers.find_element(By.XPATH, ".//button[normalize-space()='Add soil layer']").click()
    settle(page, before)
    type_into(page, ["stage", 0, "soil_layer", 0, "bottom_depth"], "240")
    type_into(page, ["stage", 0, "soil_layer", 1, "friction_angle_deg"], "36")
    ties = open_section(page, "Tie-backs")
    before = analysed(page)
    ties.find_element(By.XPATH, ".//button[normalize-space()='Add tie back']").click()
    settle(page, before)
    for key, value in (("depth", "4"), ("area", "1.5"), ("elastic_modulus", "29000000"),
                       ("unbonded_length", "20"), ("angle_deg", "15"), ("spacing", "8"), ("prestress", "20000")):
        type_into(page, ["stage", 0, "tie_back", 0, key], value)
    assert page.find_element(By.ID, "status").get_attribute("class") == "status ok"
    ties_text = page.find_element(By.CSS_SELECTOR, "#summary tr[data-stage='1'] td.tie-backs").text
    assert ties_text.startswith("1: ") and "lbs" in ties_text
    model = page.execute_script("return window.darnek.state.model")
    assert len(model["stage"][0]["soil_layer"]) == 2 and len(model["stage"][0]["tie_back"]) == 1


def test_the_saved_toml_runs_to_the_numbers_on_the_page(page, tmp_path):
    downloads = pathlib.Path(page.downloads)
    page.find_element(By.ID, "save-toml").click()
    saved = wait_for(lambda: next(iter(downloads.glob("*.toml")), None), "the TOML download")
    wait_for(lambda: saved.stat().st_size > 0, "the download to finish")
    out = tmp_path / "saved.json"
    run = subprocess.run([TOOL, "run", str(saved), "--out", str(tmp_path), "--json", str(out)],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stdout + run.stderr
    stage = json.loads(out.read_text())["stages"][0]
    assert stage["largest"]["moment"] == summary(page, "max-moment")
    assert stage["largest"]["deflection"] == summary(page, "max-deflection")
    assert len(stage["tie_backs"]) == 1


def test_the_report_and_the_pictures_page_download(page):
    from selenium.webdriver.support.ui import Select
    downloads = pathlib.Path(page.downloads)
    for value, name in (("report", "*.out.txt"), ("page", "report.html")):
        Select(page.find_element(By.ID, "download")).select_by_value(value)
        saved = wait_for(lambda: next(iter(downloads.glob(name)), None), f"the {value} download")
        wait_for(lambda: saved.stat().st_size > 0, "the download to finish")
    assert "END OF ANALYSIS" in next(downloads.glob("*.out.txt")).read_text()
    assert (downloads / "report.html").read_text().count("<svg") >= 4


def test_a_hostile_title_stays_text(page):
    hostile = '<script>document.body.dataset.pwned = 1</script><img src=x onerror="document.body.dataset.pwned = 2">'
    type_into(page, ["stage", 0, "title"], hostile)
    page.find_element(By.CSS_SELECTOR, ".view-bar [data-view='toml']").click()
    wait_for(lambda: hostile.replace('"', '\\"') in page.find_element(By.ID, "toml-view").text, "the TOML view")
    assert page.execute_script("return document.body.dataset.pwned") is None
    assert len(page.find_elements(By.TAG_NAME, "script")) == 1
    assert page.find_element(By.CSS_SELECTOR, "#stage-tabs [role=tab]").get_attribute("title") == hostile
    page.find_element(By.CSS_SELECTOR, ".view-bar [data-view='wall']").click()


def test_a_record_file_from_disk_opens_and_runs_as_darnek_run_does(page, tmp_path):
    dat = (pathlib.Path(SOURCE) / "examples" / "anchored_two_tiebacks_si.dat").resolve()
    before = analysed(page)
    page.find_element(By.ID, "open-file").send_keys(str(dat))
    settle(page, before)
    assert page.find_element(By.ID, "file-name").text == "anchored_two_tiebacks_si.toml"
    out = tmp_path / "run.json"
    subprocess.run([TOOL, "run", str(dat), "--out", str(tmp_path), "--json", str(out)], check=True,
                   capture_output=True)
    stage = json.loads(out.read_text())["stages"][0]
    assert summary(page, "max-moment") == stage["largest"]["moment"]
    assert page.find_element(By.CSS_SELECTOR, "#summary td.tie-backs").text.count("kN") == 2
