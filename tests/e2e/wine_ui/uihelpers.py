"""The launcher's windows under Wine on a private X server: the splash picture,
the JRE Not Found dialog and its link, watched and driven by the robot
(tests/robot/Robot.cpp). Shared by the tests here and by screenshots.py."""

import ctypes
import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
WINE = "/usr/lib/wine/wine64"
BUILD = Path(os.environ.get("LAUNCHER_WIN64_BUILD", ROOT / "build" / "win64"))
LAUNCHER = BUILD / "launcher.exe"
ROBOT = BUILD / "tests" / "robot" / "robot.exe"
STANDIN = BUILD / "tests" / "standin"

SCREEN = (1024, 768)
EXIT_FAILED = 4294967295  # -1 as GetExitCodeProcess reports it

# The JRE Not Found dialog.
TITLE = "JRE Not Found"
ADDRESS = "https://adoptium.net/"
# No registered runtime of the test machine reaches version 42, so a start
# with this setting always ends in the dialog.
NOT_FOUND = {"Minimum Version": "42"}

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_THICKFRAME = 0x00040000
WS_EX_TOOLWINDOW = 0x00000080
WS_EX_CLIENTEDGE = 0x00000200
CS_DROPSHADOW = 0x00020000
CS_DBLCLKS = 0x0008
CS_SAVEBITS = 0x0800


def win_path(path):
    """The Wine (Windows) name of a Linux path, on drive Z:."""
    return "Z:" + str(Path(path)).replace("/", "\\")


def missing_programs():
    wanted = [LAUNCHER, ROBOT, STANDIN / "jvm.dll", STANDIN / "standinrt.dll"]
    return [str(p) for p in wanted if not p.is_file()]


# ---------------------------------------------------------------- files


def write_ini(path, sections):
    """A settings file from {section: {key: value}} (None leaves a key out), with CRLF line ends."""
    lines = []
    for section, keys in sections.items():
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % (k, v) for k, v in keys.items() if v is not None)
    Path(path).write_bytes(("\r\n".join(lines) + "\r\n").encode("latin-1"))


def make_java_home(home, variants=("client",), marker=True):
    """A fake Java home with the stand-in jvm.dll in bin\\<variant>\\ (tests/standin/README.md)."""
    home = Path(home)
    (home / "bin").mkdir(parents=True, exist_ok=True)
    if marker:
        (home / "bin" / "java.dll").write_bytes(b"")
    shutil.copy(STANDIN / "standinrt.dll", home / "bin" / "standinrt.dll")
    for variant in variants:
        (home / "bin" / variant).mkdir(parents=True, exist_ok=True)
        shutil.copy(STANDIN / "jvm.dll", home / "bin" / variant / "jvm.dll")
    return home


def bitmap_bytes(width, height, colour=lambda x, y: (200, 120, 40)):
    """A 24-bit bottom-up Windows bitmap of the given size."""
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def read_log(path):
    path = Path(path)
    if not path.exists():
        return []
    return [json.loads(line) for line in path.read_text(encoding="latin-1").splitlines() if line.strip()]


# ---------------------------------------------------------------- X server


class Xvfb:
    """A private X server of SCREEN size, on the first free display."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["/usr/bin/Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)

    def screenshot(self, path):
        """The whole screen as a PNG (ImageMagick's import)."""
        Path(path).parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)], check=True,
                       capture_output=True, timeout=60)


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def x_cursor(display):
    """The X server's current cursor as (hotspot, rows) with '.' transparent,
    '#' black, 'o' white and '?' anything else; None when libXfixes is missing."""
    try:
        x11 = ctypes.CDLL("libX11.so.6")
        fixes = ctypes.CDLL("libXfixes.so.3")
    except OSError:
        return None
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    fixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
    fixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        return None
    try:
        pointer = fixes.XFixesGetCursorImage(connection)
        if not pointer:
            return None
        image = pointer.contents
        rows = []
        for y in range(image.height):
            row = ""
            for x in range(image.width):
                argb = image.pixels[y * image.width + x] & 0xFFFFFFFF
                alpha, rgb = argb >> 24, argb & 0xFFFFFF
                row += "." if alpha == 0 else "#" if rgb == 0 else "o" if rgb == 0xFFFFFF else "?"
            rows.append(row)
        hotspot = (image.xhot, image.yhot)
        x11.XFree(pointer)
        return hotspot, rows
    finally:
        x11.XCloseDisplay(connection)


# ---------------------------------------------------------------- Wine


class Wine:
    """One Wine prefix on the private display."""

    def __init__(self, prefix, display):
        self.prefix = Path(prefix)
        self.env = dict(os.environ)
        self.env.update({"WINEPREFIX": str(self.prefix), "WINEDEBUG": "-all", "DISPLAY": display,
                         "WINEDLLOVERRIDES": "mscoree,mshtml="})
        self.env.pop("WAYLAND_DISPLAY", None)

    def ensure_prefix(self):
        if not (self.prefix / "system.reg").exists():
            self.prefix.mkdir(parents=True, exist_ok=True)
            self.run(["wineboot", "-i"], timeout=300)
            subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300)

    def run(self, args, env=None, timeout=120, cwd=None):
        full = dict(self.env)
        full.update(env or {})
        # Output goes through files, not pipes: a wineserver that the command
        # starts inherits them and would keep a pipe open for minutes.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.run([WINE] + [str(a) for a in args], env=full, stdout=out, stderr=err,
                                     timeout=timeout, cwd=cwd, stdin=subprocess.DEVNULL)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(process.args, process.returncode, out.read(), err.read())

    def reg(self, *args):
        return self.run(["reg"] + list(args))

    def reg_value(self, key, name):
        """A registry value's text, or None when it is not there."""
        query = self.reg("query", key, "/ve") if name is None else self.reg("query", key, "/v", name)
        if query.returncode != 0:
            return None
        for line in query.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split("    ")
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                return "    ".join(parts[2:])
        return None

    def set_reg(self, key, name, value):
        args = ["add", key] + (["/ve"] if name is None else ["/v", name]) + ["/d", value, "/f"]
        result = self.reg(*args)
        assert result.returncode == 0, result.stderr

    def delete_reg(self, key, name):
        self.reg("delete", key, *(["/ve"] if name is None else ["/v", name]), "/f")

    # ------------------------------------------------------------ robot

    def robot(self, *args, timeout=60):
        """One robot command on a window of a running program: its JSON event."""
        result = self.run([ROBOT] + [str(a) for a in args], timeout=timeout)
        lines = [l for l in result.stdout.decode("utf-8", "replace").splitlines() if l.startswith("{")]
        assert lines, "robot %s printed nothing: %r" % (args, result.stderr[-500:])
        event = json.loads(lines[-1])
        assert event["event"] != "error", "robot %s: %s" % (args, event)
        return event

    def start(self, command_line, cwd, env=None, press="none", timeout=90):
        """Starts command_line under `robot run` in the background."""
        return Launch(self, command_line, cwd, env, press, timeout)


class Launch:
    """A launch watched by `robot run`; ended by wait()."""

    def __init__(self, wine, command_line, cwd, env, press, timeout):
        full = dict(wine.env)
        full.update(env or {})
        self.out = tempfile.TemporaryFile()
        self.err = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            [WINE, str(ROBOT), "run", "--timeout", str(timeout), "--press", press, "--", command_line],
            env=full, cwd=str(cwd), stdout=self.out, stderr=self.err, stdin=subprocess.DEVNULL)
        self.timeout = timeout
        self.events = None
        self.stderr = ""

    def wait(self):
        self.process.wait(timeout=self.timeout + 60)
        self.out.seek(0)
        self.err.seek(0)
        self.stderr = self.err.read().decode("utf-8", "replace")
        self.events = [json.loads(l) for l in self.out.read().decode("utf-8", "replace").splitlines()
                       if l.startswith("{")]
        self.out.close()
        self.err.close()
        return self

    def of(self, kind):
        return [e for e in self.events if e["event"] == kind]

    @property
    def exit_code(self):
        exits = self.of("exit")
        return exits[-1]["code"] if exits else None

    def describe(self):
        return "events %s, stderr tail %r" % (self.events, (self.stderr or "")[-400:])

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def wait_for(predicate, seconds=15, step=0.2):
    """Polls until predicate() is true; the last value."""
    deadline = time.monotonic() + seconds
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(step)
        value = predicate()
    return value
