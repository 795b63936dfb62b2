# Fixtures for the Windows launcher under Wine: one screen, one prefix and one
# wineserver per session; a fresh application folder per test.
import os
import shutil
from pathlib import Path
from types import SimpleNamespace

import pytest

from winehelpers import ROOT, WINE64, App, Display, Wine

BUILD = ROOT / "build" / "win64"


@pytest.fixture(scope="session")
def tools():
    found = SimpleNamespace(launcher=ROOT / "dist" / "windows-x64" / "launcher.exe",
                            robot=BUILD / "tests" / "robot" / "robot.exe",
                            standin=BUILD / "tests" / "standin")
    for path in (found.launcher, found.robot, found.standin / "jvm.dll"):
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
def app(wine, tools, tmp_path):
    wine.clear_java_registry(tmp_path)
    return App(wine, tools, tmp_path / "app")
