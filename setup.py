"""The compiled part of `pip install --no-build-isolation .`: the same
locator/ sources and python/batch.cpp as the CMake build, with pybind11 and
GeographicLib from the system (Debian: python3-pybind11, libgeographiclib-dev)."""
import atexit
import re
import shutil
import tempfile
from glob import glob

import os
import sys

try:
    from pybind11.setup_helpers import Pybind11Extension, build_ext
    from setuptools import setup
except ImportError as missing:
    sys.exit(f"morvane: {missing.name} is missing, and it builds the module. On Debian: apt install python3-pybind11 "
             "python3-setuptools, and make the venv with --system-site-packages (python3 -m venv "
             "--system-site-packages .venv), or pip install pybind11 setuptools where the package index is reachable.")
if not any(os.path.exists(os.path.join(d, "GeographicLib", "Geodesic.hpp"))
           for d in ("/usr/include", "/usr/local/include", os.path.join(sys.prefix, "include"))):
    sys.exit("morvane: the GeographicLib headers are missing. On Debian: apt install libgeographiclib-dev.")

core = sorted(glob("locator/*.cpp"))
# One version for the program and the module: the CMake project's.
with open("CMakeLists.txt") as cmake:
    version = re.search(r"project\(Morvane VERSION ([0-9.]+)", cmake.read()).group(1)
# Objects, the egg-info and the built tree go to a scratch folder, removed
# at the end: a checkout is left as it was.
scratch = tempfile.mkdtemp(prefix="morvane-pip-")
atexit.register(shutil.rmtree, scratch, True)
setup(
    options={"build": {"build_base": scratch}, "egg_info": {"egg_base": scratch}},
    ext_modules=[Pybind11Extension(
        "morvane._core", ["python/module.cpp", "python/batch.cpp", *core],
        include_dirs=["."], libraries=["GeographicLib"], cxx_std=20,
        define_macros=[("MORVANE_VERSION", f'"{version}"')],
        # The core's results at rounding edges depend on no contraction.
        extra_compile_args=["-ffp-contract=off", "-fno-fast-math", "-fno-math-errno", "-fno-trapping-math", "-O3"],
    )],
    cmdclass={"build_ext": build_ext},
)
