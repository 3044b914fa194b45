"""The compiled part of `pip install --no-build-isolation .`: the same
locator/ sources and python/batch.cpp as the CMake build, with pybind11 and
GeographicLib from the system (Debian: python3-pybind11, libgeographiclib-dev)."""
from glob import glob

from pybind11.setup_helpers import Pybind11Extension, build_ext
from setuptools import setup

core = sorted(glob("locator/*.cpp"))
setup(
    ext_modules=[Pybind11Extension(
        "morvane._core", ["python/module.cpp", "python/batch.cpp", *core],
        include_dirs=["."], libraries=["GeographicLib"], cxx_std=20,
        # The core's results at rounding edges depend on no contraction.
        extra_compile_args=["-ffp-contract=off", "-fno-fast-math", "-fno-math-errno", "-fno-trapping-math", "-O3"],
    )],
    cmdclass={"build_ext": build_ext},
)
