# Fixtures for the user-interface tests under Wine: a private X server of known
# size, the Wine prefix (WINEPREFIX when set, else a fresh one), a folder per
# test with the launcher, and the prefix settings the link and browser tests
# need, each put back when the session ends.
import os
import shutil
from pathlib import Path

import pytest

from uihelpers import LAUNCHER, ROBOT, Wine, Xvfb, make_java_home, missing_programs, win_path, write_ini

HTTPS_COMMAND = r"HKCR\https\shell\open\command"
BROWSER_SETTINGS = r"HKCU\Software\Microsoft\Internet Explorer\Settings"


@pytest.fixture(scope="session")
def xserver():
    if not Path("/usr/bin/Xvfb").exists():
        pytest.skip("Xvfb is not installed")
    if not Path("/usr/lib/wine/wine64").exists():
        pytest.skip("64-bit Wine is not installed")
    missing = missing_programs()
    if missing:
        pytest.skip("not built (scripts/build windows): " + ", ".join(missing))
    server = Xvfb()
    yield server
    server.stop()


@pytest.fixture(scope="session")
def wine(xserver, tmp_path_factory):
    prefix = os.environ.get("WINEPREFIX") or str(tmp_path_factory.mktemp("wineprefix"))
    w = Wine(prefix, xserver.display)
    w.ensure_prefix()
    return w


@pytest.fixture(scope="session")
def opened(wine, tmp_path_factory):
    """The shell opens https addresses with `robot record` into this file
    instead of a browser; the prefix's own handler comes back afterwards."""
    record = tmp_path_factory.mktemp("opened") / "opened.jsonl"
    before = wine.reg_value(HTTPS_COMMAND, None)
    wine.set_reg(HTTPS_COMMAND, None, '"%s" record %s "%%1"' % (win_path(ROBOT), win_path(record)))
    yield record
    if before is None:
        wine.delete_reg(HTTPS_COMMAND, None)
    else:
        wine.set_reg(HTTPS_COMMAND, None, before)


@pytest.fixture
def link_colours(wine):
    """link_colours(anchor, visited) writes the browser's link colours; None
    removes a value. The values found before come back after the test."""
    names = ("Anchor Color", "Anchor Color Visited")
    before = {name: wine.reg_value(BROWSER_SETTINGS, name) for name in names}

    def write(anchor, visited):
        for name, value in zip(names, (anchor, visited)):
            if value is None:
                wine.delete_reg(BROWSER_SETTINGS, name)
            else:
                wine.set_reg(BROWSER_SETTINGS, name, value)

    write(None, None)
    yield write
    for name, value in before.items():
        if value is None:
            wine.delete_reg(BROWSER_SETTINGS, name)
        else:
            wine.set_reg(BROWSER_SETTINGS, name, value)


class Runtimes:
    """Fake Java homes in a folder of the prefix's drive C:. The folder
    browser compares folders by their time stamps, so they lie where nothing
    else writes (unlike Z:\\tmp); and a new drive letter would not reach a
    running wineserver."""

    def __init__(self, wine):
        self.drive = wine.prefix / "drive_c"
        self.name = "launcher-ui-%d" % os.getpid()
        self.folder = self.drive / self.name
        self.folder.mkdir()

    def windows(self, relative=""):
        """The Windows path of a folder below the runtimes' folder."""
        return "C:\\" + self.name + ("\\" + str(relative).replace("/", "\\") if relative else "")

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


@pytest.fixture(scope="session")
def runtimes(wine):
    """Homes with a client VM, a server VM, both, and a folder that is none."""
    r = Runtimes(wine)
    make_java_home(r.folder / "client", ("client",))
    make_java_home(r.folder / "server", ("server",))
    make_java_home(r.folder / "both", ("client", "server"))
    (r.folder / "empty").mkdir()
    yield r
    r.remove()


@pytest.fixture(scope="session")
def root_runtime(wine):
    """Drive C: made a Java home for the session: C:\\bin\\client\\jvm.dll."""
    drive = wine.prefix / "drive_c"
    bin_folder, marker = drive / "bin", drive / "bin" / "launcher-ui-test"
    if bin_folder.exists() and not marker.exists():
        pytest.skip("the prefix has a C:\\bin of its own")
    # One left behind by an interrupted session is ours to replace.
    shutil.rmtree(bin_folder, ignore_errors=True)
    make_java_home(drive, ("client",))
    marker.write_bytes(b"")
    yield "C:\\"
    shutil.rmtree(bin_folder, ignore_errors=True)


class App:
    """A folder with the launcher as app.exe beside app.ini, and the stand-in's log."""

    def __init__(self, wine, folder):
        self.wine = wine
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        shutil.copy(LAUNCHER, self.folder / "app.exe")
        self.ini = self.folder / "app.ini"
        self.log = self.folder / "standin.jsonl"
        self.launches = []

    @property
    def exe(self):
        return win_path(self.folder / "app.exe")

    def settings(self, java=None, class_path="app.jar", display=None):
        runtime = {"Main Class": "com.example.App"}
        runtime.update(java or {})
        sections = {"Java Runtime Environment": runtime}
        if class_path is not None:
            sections["Class Path"] = {"Class Path": class_path}
        if display:
            sections["Display"] = display
        write_ini(self.ini, sections)

    def start(self, arguments="", press="none", env=None, timeout=90):
        full = {"STANDIN_LOG": win_path(self.log)}
        full.update(env or {})
        line = '"%s"%s' % (self.exe, " " + arguments if arguments else "")
        launch = self.wine.start(line, self.folder, full, press, timeout)
        self.launches.append(launch)
        return launch

    def close_windows(self):
        """Ends whatever a failed test left open, so that the next test does
        not find this test's dialog."""
        for launch in self.launches:
            if launch.process.poll() is None:
                for title, args in (("Browse for Folder", ["close"]), ("JRE Not Found", ["press", "--id", "2"])):
                    self.wine.run([ROBOT] + args + ["--title", title, "--wait", "0"], timeout=30)
                try:
                    launch.process.wait(timeout=30)
                except Exception:
                    launch.kill()


@pytest.fixture
def app(wine, tmp_path):
    a = App(wine, tmp_path / "app")
    yield a
    a.close_windows()


@pytest.fixture
def robot(wine):
    """robot(command, *args): one robot command's JSON event."""
    return wine.robot
