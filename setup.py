"""Builds velmora._core with the project's CMake for `pip install .`; the
package's metadata is in pyproject.toml."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.check_call([
            "cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
            "-DVELMORA_GUI=OFF", "-DVELMORA_BENCH=OFF", "-DVELMORA_TESTS=OFF",
            "-DVELMORA_PYTHON=ON", "-DVELMORA_WERROR=OFF", f"-DPython3_EXECUTABLE={sys.executable}",
        ])
        jobs = str(os.cpu_count() or 1)
        subprocess.check_call(["cmake", "--build", str(build), "--target", "velmora_core", "-j", jobs])
        built = next((build / "python" / "velmora").glob("_core*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


def version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(Velmora VERSION (\S+)", text).group(1)


setup(
    version=version(),
    ext_modules=[Extension("velmora._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
