"""Running the 32-bit (i686) launcher under the emulated 32-bit Wine of
scripts/wine32: where the i686 programs are, whether 32-bit Wine is usable, a
private X server, and the robot that starts the launcher and answers its boxes."""

import json
import os
import shutil
import subprocess
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
WINE32 = ROOT / "scripts" / "wine32"
SETUP = ROOT / "scripts" / "setup-wine32"

# The launcher and the i686 test programs come from one build tree, so that
# they always belong together (scripts/build copies the same launcher.exe to
# dist/windows-x86).
BUILD = Path(os.environ.get("LAUNCHER_WIN32_BUILD", ROOT / "build" / "win32"))
LAUNCHER = BUILD / "launcher.exe"
ROBOT = BUILD / "tests" / "robot" / "robot.exe"
STANDIN = BUILD / "tests" / "standin"
# The x64 stand-in, for loading a library of the other architecture.
STANDIN_X64 = Path(os.environ.get("LAUNCHER_WIN64_BUILD", ROOT / "build" / "win64")) / "tests" / "standin" / "jvm.dll"

ERROR_BAD_EXE_FORMAT = 193
EXIT_FAILED = 4294967295  # -1 as GetExitCodeProcess reports it


def unavailable_reason():
    """Why the 32-bit Wine tests cannot run here, or None when they can."""
    if os.environ.get("LAUNCHER_SKIP_WINE32") == "1":
        return "LAUNCHER_SKIP_WINE32=1"
    if not Path("/usr/bin/Xvfb").exists():
        return "Xvfb is not installed"
    check = subprocess.run([str(SETUP), "--check"], capture_output=True, text=True)
    if check.returncode != 0:
        return "32-bit Wine is not set up here (run scripts/setup-wine32 as root): " + check.stdout.strip()
    return None


def missing_programs():
    """The i686 programs the tests need that have not been built."""
    wanted = [LAUNCHER, ROBOT, STANDIN / "jvm.dll", STANDIN / "standinrt.dll"]
    return [str(p) for p in wanted if not p.is_file()]


def win_path(path):
    """The Wine (Windows) name of a Linux path, on drive Z:."""
    return "Z:" + str(Path(path)).replace("/", "\\")


def write_ini(path, sections):
    """A settings file from {section: {key: value}}, with CRLF line ends as Windows editors write."""
    lines = []
    for section, keys in sections.items():
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % (k, v) for k, v in keys.items())
    Path(path).write_bytes(("\r\n".join(lines) + "\r\n").encode("latin-1"))


def make_java_home(home, jvm_dll=None):
    """A fake Java home with the stand-in as its server VM (see tests/standin/README.md)."""
    home = Path(home)
    (home / "bin" / "server").mkdir(parents=True)
    (home / "bin" / "java.dll").write_bytes(b"")
    shutil.copy(STANDIN / "standinrt.dll", home / "bin" / "standinrt.dll")
    shutil.copy(jvm_dll or STANDIN / "jvm.dll", home / "bin" / "server" / "jvm.dll")
    return home


def read_log(path):
    path = Path(path)
    if not path.exists():
        return []
    return [json.loads(line) for line in path.read_text(encoding="latin-1").splitlines() if line.strip()]


class Xvfb:
    """A private X server for the boxes, on the first free display."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["/usr/bin/Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
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


class RobotRun:
    """What the robot saw of one launch: the JSON events and its own output."""

    def __init__(self, result):
        self.status = result.returncode
        self.stdout = result.stdout.decode("utf-8", errors="replace")
        self.stderr = result.stderr.decode("utf-8", errors="replace")
        self.events = []
        for line in self.stdout.splitlines():
            line = line.strip()
            if line.startswith("{"):
                self.events.append(json.loads(line))

    def of(self, kind):
        return [e for e in self.events if e["event"] == kind]

    @property
    def exit_code(self):
        exits = self.of("exit")
        return exits[-1]["code"] if exits else None

    def describe(self):
        return "robot status %s, events %s, stderr tail %r" % (self.status, self.events, self.stderr[-600:])


class Wine32:
    """The emulated 32-bit Wine with the display the tests share."""

    def __init__(self, display):
        self.env = dict(os.environ)
        self.env["DISPLAY"] = display
        self.env.pop("WAYLAND_DISPLAY", None)

    def run(self, args, cwd, env=None, timeout=120):
        full_env = dict(self.env)
        full_env.update(env or {})
        return subprocess.run([str(WINE32)] + [str(a) for a in args], cwd=str(cwd), env=full_env,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)

    def robot(self, command_line, cwd, env=None, timeout=60):
        """Starts command_line (one Windows command-line string) under the robot,
        which presses OK on every message box and reports the exit code."""
        result = self.run([ROBOT, "run", "--timeout", str(timeout), "--press", "ok", "--", command_line],
                          cwd, env, timeout=timeout + 90)
        return RobotRun(result)
