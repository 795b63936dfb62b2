# Fixtures for the bad-input tables: the Windows x64 launcher under Wine (the
# helpers of tests/e2e/wine) and the Linux launcher with real JVMs (those of
# tests/e2e/linux), each given broken settings, registry values, libraries,
# pictures, hand-over areas and paths.
import os
import shutil
import subprocess
import sys
from pathlib import Path
from types import SimpleNamespace

import pytest

E2E = Path(__file__).resolve().parents[1]
for helpers in (E2E / "wine", E2E / "linux"):
    if str(helpers) not in sys.path:
        sys.path.insert(0, str(helpers))

from linuxlaunch import JAVA_SOURCES, LAUNCHER, FindJdks  # noqa: E402
from winehelpers import ROOT, WINE64, App, Display, Wine  # noqa: E402

# WINDOWS_LAUNCHER_UNDER_TEST and BADINPUT_WIN64_BUILD run the Wine table
# against another build of the same launcher and test programs.
WIN64_BUILD = Path(os.environ.get("BADINPUT_WIN64_BUILD") or ROOT / "build" / "win64")
WIN32_BUILD = ROOT / "build" / "win32"
WINDOWS_LAUNCHER = Path(os.environ.get("WINDOWS_LAUNCHER_UNDER_TEST") or ROOT / "dist" / "windows-x64" / "launcher.exe")


@pytest.fixture(scope="session")
def tools():
    found = SimpleNamespace(launcher=WINDOWS_LAUNCHER,
                            robot=WIN64_BUILD / "tests" / "robot" / "robot.exe",
                            standin=WIN64_BUILD / "tests" / "standin",
                            standin32=WIN32_BUILD / "tests" / "standin",
                            badinput=WIN64_BUILD / "tests" / "badinput_tools" / "badinput.exe")
    for path in (found.launcher, found.robot, found.standin / "jvm.dll", found.badinput):
        if not path.exists():
            pytest.skip("%s is missing: build with scripts/build" % path)
    if not (Path(WINE64).exists() and shutil.which("Xvfb")):
        pytest.skip("Wine (wine64) and Xvfb are needed")
    return found


@pytest.fixture(scope="session")
def wine(tools, tmp_path_factory):
    display = Display()
    prefix = os.environ.get("WINEPREFIX") or str(tmp_path_factory.mktemp("wineprefix"))
    session = Wine(prefix, display)
    yield session
    session.close()
    display.close()


@pytest.fixture
def wapp(wine, tools, tmp_path):
    """A fresh folder with the Windows launcher as tool.exe, no runtime
    registered."""
    wine.clear_java_registry(tmp_path)
    return App(wine, tools, tmp_path / "app")


@pytest.fixture(scope="session")
def linux_launcher():
    if not LAUNCHER.is_file():
        pytest.skip(f"{LAUNCHER} is missing: build it with scripts/build linux")
    return LAUNCHER


@pytest.fixture(scope="session")
def jdk():
    """The oldest runtime under /usr/lib/jvm: every case needs only one."""
    jdks = FindJdks()
    if not jdks:
        pytest.skip("no runtime with a release file and lib/server/libjvm.so under /usr/lib/jvm")
    return jdks[0]


@pytest.fixture(scope="session")
def classes(tmp_path_factory):
    """The Java fixtures of tests/java, compiled for Java 8."""
    compilers = [j for j in FindJdks() if j.has_javac and j.major >= 9]
    if not compilers:
        pytest.skip("no JDK with a javac that knows --release")
    folder = tmp_path_factory.mktemp("classes")
    sources = sorted(str(p) for p in JAVA_SOURCES.rglob("*.java"))
    built = subprocess.run([str(compilers[0].home / "bin" / "javac"), "--release", "8", "-Xlint:-options", "-d",
                            str(folder), *sources], capture_output=True, text=True)
    assert built.returncode == 0, built.stdout + built.stderr
    return folder
