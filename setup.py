"""Builds the darnek Python package with CMake: the extension module darnek._core
from the engine's sources and the Python files from python/darnek. Needs cmake,
a C++20 compiler, toml++ and pybind11 (Debian: cmake g++ libtomlplusplus-dev
pybind11-dev python3-dev); no network."""

import os
import pathlib
import re
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent
VERSION = re.search(r"project\(darnek VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        package_dir = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve().parent
        build_dir = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.check_call([
            "cmake", "-S", str(ROOT), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
            "-DDARNEK_BUILD_TESTS=OFF", "-DDARNEK_BUILD_BENCHMARKS=OFF",
            f"-DPython3_EXECUTABLE={sys.executable}", f"-DDARNEK_PYTHON_PACKAGE_DIR={package_dir}",
        ])
        subprocess.check_call(["cmake", "--build", str(build_dir), "--target", "darnek_python",
                               "-j", os.environ.get("DARNEK_JOBS", str(os.cpu_count() or 2))])


setup(
    name="darnek",
    version=VERSION,
    description="Analysis of flexible retaining walls on nonlinear soil supports",
    packages=["darnek"],
    package_dir={"darnek": "python/darnek"},
    ext_modules=[Extension("darnek._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    python_requires=">=3.11",
    # Beside the CMake build folder, not in it.
    options={"build": {"build_base": "build-pip"}},
)
