"""The Python module's build: CMake builds the extension modules (the
target soarcalculus_python, as `make python` does) and the program with its
window and video modules in build-pip/, and setuptools packages them with the
Python files of python/soarcalculus: the modules beside the Python files, the
program in soarcalculus/_prefix (bin/, lib/), which the `soarcalculus`
command runs. CMake's output shows with `pip install -v`."""
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
        print("soarcalculus: building the program and the Python module with CMake in "
              f"{build} ({jobs} jobs; pip install -v shows each step)", flush=True)
        subprocess.check_call(["cmake", "--build", build, "--target", "soarcalculus",
                               "soarcalculus_python", "-j", jobs])
        stage = os.path.join(ROOT, "build-pip", "stage")
        shutil.rmtree(stage, ignore_errors=True)
        subprocess.check_call(["cmake", "--install", build, "--prefix", stage],
                              stdout=subprocess.DEVNULL)
        for ext in self.extensions:
            name = ext.name.split(".")[-1]
            built = [f for f in os.listdir(os.path.join(build, "python", "soarcalculus"))
                     if f.startswith(name + ".") and f.endswith(".so")]
            if len(built) != 1:
                raise RuntimeError(f"CMake built no {name} module")
            target = self.get_ext_fullpath(ext.name)
            package = os.path.dirname(target)
            os.makedirs(package, exist_ok=True)
            shutil.copyfile(os.path.join(build, "python", "soarcalculus", built[0]), target)
            # The core library the modules link, beside them (their RPATH has $ORIGIN).
            for f in os.listdir(build):
                if re.fullmatch(r"libsoarcore\.so\.[0-9]+", f):
                    shutil.copyfile(os.path.join(build, f), os.path.join(package, f))
            # The program with its core and modules, as installed in a prefix
            # (each finds the others relative to itself); the core under its
            # SONAME, which is what the program asks for (a wheel holds no links).
            prefix = os.path.join(package, "_prefix")
            shutil.rmtree(prefix, ignore_errors=True)
            shutil.copytree(os.path.join(stage, "bin"), os.path.join(prefix, "bin"))
            shutil.copytree(os.path.join(stage, "lib", "soarcalculus"),
                            os.path.join(prefix, "lib", "soarcalculus"))
            for f in os.listdir(os.path.join(stage, "lib")):
                if re.fullmatch(r"libsoarcore\.so\.[0-9]+", f):
                    shutil.copyfile(os.path.join(stage, "lib", f), os.path.join(prefix, "lib", f))


# setuptools' own build and egg-info folders, apart from the CMake build trees.
os.makedirs(os.path.join(ROOT, "build-pip"), exist_ok=True)

setup(
    version=cmake_version(),
    package_data={"soarcalculus": ["py.typed", "*.pyi"]},
    ext_modules=[CMakeExtension("soarcalculus._core"), CMakeExtension("soarcalculus._picture")],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip"}, "egg_info": {"egg_base": "build-pip"}},
)
