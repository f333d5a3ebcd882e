"""Builds the quarry_korvex3 package with the project's CMake build: the
native module, the plug-in module it loads and the host library, all placed
in the package, where they find each other through $ORIGIN."""
import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    # The one place the version is written: CMakeLists.txt's project().
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(\s*quarry_korvex3\s+VERSION\s+([0-9.]+)", text).group(1)


class cmake_build(build_ext):
    """Configures and builds the Python module's target for the interpreter
    that runs this build, then copies the libraries into the package."""

    def build_extension(self, ext):
        build_dir = pathlib.Path(
            os.environ.get("QUARRY_KORVEX3_BUILD_DIR")
            or ROOT / "build-python" / f"py{sys.version_info.major}{sys.version_info.minor}"
        )
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython_EXECUTABLE={sys.executable}",
            "-DBUILD_TESTING=OFF", "-DBUILD_BENCHMARKS=OFF",
            # No absolute path of the build tree in the libraries' search paths.
            "-DCMAKE_BUILD_RPATH_USE_ORIGIN=ON",
        ]
        if shutil.which("ninja") and not (build_dir / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "quarry_korvex3", "-j", jobs], check=True)

        package = pathlib.Path(self.get_ext_fullpath(ext.name)).parent
        package.mkdir(parents=True, exist_ok=True)
        lib = build_dir / "lib"
        native = next((lib / "quarry_korvex3").glob("_native*.so"))
        shutil.copy2(native, self.get_ext_fullpath(ext.name))
        for library in ("libquarry_host.so", "quarry_parser_korvex3.so"):
            shutil.copy2(lib / library, package / library)


setup(
    version=project_version(),
    packages=["quarry_korvex3"],
    package_dir={"quarry_korvex3": "python/quarry_korvex3"},
    package_data={"quarry_korvex3": ["py.typed", "*.pyi", "*.so"]},
    ext_modules=[Extension("quarry_korvex3._native", sources=[])],
    cmdclass={"build_ext": cmake_build},
    # Out of build/, the CMake tree of ./scripts/run.
    options={"build": {"build_base": "build-python/setuptools"}},
    zip_safe=False,
)
