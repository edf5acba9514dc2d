"""`darnek serve` on a free port of 127.0.0.1, and Chromium driving its page."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import urllib.error
import urllib.request

import pytest

TOOL = os.environ.get("DARNEK_TOOL", "build/darnek")
SOURCE = os.environ.get("DARNEK_SOURCE_DIR", ".")


class Server:
    def __init__(self, *args):
        self.process = subprocess.Popen([TOOL, "serve", "--port", "0", *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        match = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        if not match:
            self.process.kill()
            raise RuntimeError(f"darnek serve did not say where it listens: {line!r} "
                               f"{self.process.stderr.read()!r}")
        self.url = match.group(0)

    def request(self, path, body=None, method=None, headers=None):
        """(status, headers, parsed JSON or text) of one request."""
        data = None if body is None else (body if isinstance(body, bytes) else json.dumps(body).encode())
        req = urllib.request.Request(self.url + path.lstrip("/"), data=data, method=method,
                                     headers={"Content-Type": "application/json", **(headers or {})})
        try:
            with urllib.request.urlopen(req, timeout=30) as r:
                status, head, raw = r.status, dict(r.headers), r.read()
        except urllib.error.HTTPError as e:
            status, head, raw = e.code, dict(e.headers), e.read()
        text = raw.decode("utf-8", "replace")
        return status, head, json.loads(text) if head.get("Content-Type", "").startswith("application/json") else text

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


@pytest.fixture(scope="session")
def server():
    s = Server()
    yield s
    s.stop()


def chromium_options():
    from selenium.webdriver.chrome.options import Options
    options = Options()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--window-size=1280,800"):
        options.add_argument(flag)
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    return options


@pytest.fixture(scope="session")
def browser():
    # Not skipped when missing: `make test` installs Chromium and its driver.
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    profile = tempfile.mkdtemp(prefix="darnek-chromium-")
    downloads = tempfile.mkdtemp(prefix="darnek-downloads-")
    options = chromium_options()
    options.add_argument(f"--user-data-dir={profile}")
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False,
                                              "profile.default_content_setting_values.automatic_downloads": 1})
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                              options=options)
    driver.set_window_size(1280, 800)
    driver.downloads = downloads
    yield driver
    driver.quit()
    shutil.rmtree(profile, ignore_errors=True)
    shutil.rmtree(downloads, ignore_errors=True)
