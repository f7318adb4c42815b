"""The Python module's build: CMake builds the extension modules (the
target soarcalculus_python, as `make python` does) in build-pip/, and
setuptools packages them with the Python files of python/soarcalculus."""
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def cmake_version() -> str:
    """The project's one version, from CMakeLists.txt (which the package's
    __version__ also comes from)."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(soarcalculus VERSION ([0-9.]+)", f.read()).group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def run(self):
        build = os.path.join(ROOT, "build-pip", "cmake")
        subprocess.check_call([
            "cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython_EXECUTABLE={sys.executable}", "-DSOAR_BENCH=OFF"])
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 2))
        subprocess.check_call(["cmake", "--build", build, "--target", "soarcalculus_python",
                               "-j", jobs])
        for ext in self.extensions:
            name = ext.name.split(".")[-1]
            built = [f for f in os.listdir(os.path.join(build, "python", "soarcalculus"))
                     if f.startswith(name + ".") and f.endswith(".so")]
            if len(built) != 1:
                raise RuntimeError(f"CMake built no {name} module")
            target = self.get_ext_fullpath(ext.name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(os.path.join(build, "python", "soarcalculus", built[0]), target)
            # The core library the modules link, beside them (their RPATH has $ORIGIN).
            for f in os.listdir(build):
                if re.fullmatch(r"libsoarcore\.so\.[0-9]+", f):
                    shutil.copyfile(os.path.join(build, f), os.path.join(os.path.dirname(target), f))


# setuptools' own build and egg-info folders, apart from the CMake build trees.
os.makedirs(os.path.join(ROOT, "build-pip"), exist_ok=True)

setup(
    version=cmake_version(),
    package_data={"soarcalculus": ["py.typed", "*.pyi"]},
    ext_modules=[CMakeExtension("soarcalculus._core"), CMakeExtension("soarcalculus._picture")],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip"}, "egg_info": {"egg_base": "build-pip"}},
)
