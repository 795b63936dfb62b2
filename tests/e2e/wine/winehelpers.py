"""Running the Windows launcher under Wine as a user would: a folder holding
the launcher and its settings file, fake Java homes with the stand-in
jvm.dll, the registry, and the robot that reads and answers message boxes and
reports the full exit code."""

import json
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
WINE64 = "/usr/lib/wine/wine64"


def win_path(path):
    """The Windows name of a Linux path, through Wine's drive Z:."""
    return "Z:" + str(Path(path)).replace("/", "\\")


class Display:
    """A private Xvfb screen for the session."""

    def __init__(self, width=1024, height=768):
        self.number = self._free_number()
        self.process = subprocess.Popen(
            ["Xvfb", ":%d" % self.number, "-screen", "0", "%dx%dx24" % (width, height), "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = Path("/tmp/.X11-unix/X%d" % self.number)
        for _ in range(100):
            if socket.exists():
                break
            time.sleep(0.05)
        self.name = ":%d" % self.number

    @staticmethod
    def _free_number():
        for n in range(90, 200):
            if not Path("/tmp/.X%d-lock" % n).exists() and not Path("/tmp/.X11-unix/X%d" % n).exists():
                return n
        raise RuntimeError("no free X display number")

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Wine:
    """One Wine prefix with a persistent wineserver, shared by a session."""

    def __init__(self, prefix, display):
        self.prefix = Path(prefix)
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith("STANDIN_") and k not in ("JAVA_HOME", "KX_LAUNCHER_TRACE")}
        self.env.update(WINEPREFIX=str(self.prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        DISPLAY=display.name)
        if not (self.prefix / "system.reg").exists():
            subprocess.run([WINE64, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300)
        # A persistent server saves a start-up of about a second per program.
        self.server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        self.server.wait(timeout=30)

    def run(self, args, env=None, timeout=120):
        full = dict(self.env)
        full.update(env or {})
        # Wine's background services inherit the standard handles and outlive
        # the program: with pipes, reading them would wait for those too.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            completed = subprocess.run([WINE64] + [str(a) for a in args], env=full, stdout=out, stderr=err,
                                       stdin=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(completed.args, completed.returncode, out.read(), err.read())

    def spawn(self, args, env=None):
        """Starts a program without waiting for it: (process, stdout file,
        stderr file), the files unnamed and open for reading once it ends."""
        full = dict(self.env)
        full.update(env or {})
        out, err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        process = subprocess.Popen([WINE64] + [str(a) for a in args], env=full, stdout=out, stderr=err,
                                   stdin=subprocess.DEVNULL)
        return process, out, err

    def import_registry(self, text, folder):
        """Imports registry entries written in the REGEDIT4 format."""
        reg = Path(folder) / "import.reg"
        reg.write_bytes(("REGEDIT4\r\n\r\n" + text.replace("\n", "\r\n") + "\r\n").encode("latin-1"))
        result = self.run(["regedit", "/S", win_path(reg)])
        assert result.returncode == 0, result.stderr

    # Every key under which a test registers runtimes.
    JAVA_KEYS = ("JavaSoft", "Eclipse Adoptium", "Eclipse Foundation", "AdoptOpenJDK", "Microsoft\\JDK",
                 "Azul Systems")

    def clear_java_registry(self, folder):
        """Removes every runtime a test registered, with one regedit run."""
        self.import_registry("".join("[-HKEY_LOCAL_MACHINE\\Software\\%s]\n\n" % key for key in self.JAVA_KEYS),
                             folder)


def reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def robot_events(stdout):
    """The JSON lines robot wrote, from its standard output (bytes)."""
    events = []
    for raw in stdout.decode("utf-8", errors="replace").splitlines():
        raw = raw.strip()
        if raw.startswith("{"):
            events.append(json.loads(raw))
    return events


class Outcome:
    """What a user saw of one start: the boxes, the exit code, the stand-in's log."""

    def __init__(self, events, log):
        self.events = events
        self.boxes = [e for e in events if e.get("event") == "box"]
        exits = [e for e in events if e.get("event") == "exit"]
        self.timed_out = any(e.get("event") == "timeout" for e in events)
        self.code = exits[0]["code"] if exits else None
        self.log = log

    def texts(self):
        return [b["text"] for b in self.boxes]

    def not_found_message(self):
        """The text the user is shown when no runtime fits: the JRE Not Found
        dialog's message (control 203)."""
        assert len(self.boxes) == 1, "expected one dialog, saw %r" % self.boxes
        box = self.boxes[0]
        for control in box.get("controls", []):
            if control.get("id") == 203:
                return control.get("text")
        return box["text"]

    def logged(self, kind):
        return [e for e in self.log if e.get("event") == kind]

    def vm_creation(self):
        created = self.logged("create_java_vm")
        assert created, "the VM was never created; boxes: %r" % self.texts()
        return created[0]

    def main_args(self):
        mains = self.logged("main")
        assert mains, "main was never called; boxes: %r" % self.texts()
        return mains[0]["args"]


class App:
    """A folder with the launcher under a name of our choice and its settings."""

    def __init__(self, wine, tools, folder, name="tool.exe"):
        self.wine = wine
        self.tools = tools
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        self.exe = self.folder / name
        shutil.copy(tools.launcher, self.exe)
        self.settings_file = self.exe.with_suffix(".ini")
        self.log = self.folder / "standin.log"
        self.env = {"STANDIN_LOG": win_path(self.log)}

    def write_settings(self, sections):
        """sections: {section: {key: value}}; None values are left out."""
        lines = []
        for section, keys in sections.items():
            lines.append("[%s]" % section)
            lines += ["%s=%s" % (k, v) for k, v in keys.items() if v is not None]
        self.settings_file.write_bytes(("\r\n".join(lines) + "\r\n").encode("latin-1"))

    def home(self, name, vms=("client",), runtime_marker=True, jvm="jvm.dll", standin=None):
        """A fake Java home under the app's folder with the given VM variants
        (the stand-in of `standin`'s folder: another architecture's build)."""
        standin = standin or self.tools.standin
        home = self.folder / name
        (home / "bin").mkdir(parents=True, exist_ok=True)
        if runtime_marker:
            (home / "bin" / "java.dll").write_bytes(b"marker")
        shutil.copy(standin / "standinrt.dll", home / "bin" / "standinrt.dll")
        for vm in vms:
            (home / "bin" / vm).mkdir(exist_ok=True)
            if isinstance(jvm, bytes):  # not a library at all
                (home / "bin" / vm / "jvm.dll").write_bytes(jvm)
            else:
                shutil.copy(standin / jvm, home / "bin" / vm / "jvm.dll")
        return home

    def robot_command(self, args="", timeout=30, press="ok", command_line=None):
        line = command_line if command_line is not None else '"%s"%s' % (win_path(self.exe),
                                                                           " " + args if args else "")
        return [self.tools.robot, "run", "--timeout", str(timeout), "--press", press,
                "--cwd", win_path(self.folder), "--", line]

    def read_log(self):
        """The stand-in's log; while a process still writes it, a last line
        without its line feed is one being written and is left out."""
        log = []
        if self.log.exists():
            text = self.log.read_text(encoding="utf-8", errors="replace")
            for raw in text[:text.rfind("\n") + 1].splitlines():
                if raw.strip():
                    log.append(json.loads(raw))
        return log

    def start(self, args="", env=None, timeout=30, press="ok", command_line=None):
        if self.log.exists():
            self.log.unlink()
        full_env = dict(self.env)
        full_env.update(env or {})
        result = self.wine.run(self.robot_command(args, timeout, press, command_line), env=full_env,
                               timeout=timeout + 60)
        return Outcome(robot_events(result.stdout), self.read_log())

    def spawn(self, args="", env=None, timeout=30, press="ok", command_line=None):
        """start in the background, leaving the log as it is, so that several
        starts can run at once: wait() on the result gives the Outcome."""
        full_env = dict(self.env)
        full_env.update(env or {})
        process, out, err = self.wine.spawn(self.robot_command(args, timeout, press, command_line), env=full_env)
        return Started(self, process, out, err, timeout + 60)


class Started:
    """A start running in the background."""

    def __init__(self, app, process, out, err, timeout):
        self.app = app
        self.process = process
        self.out = out
        self.err = err
        self.timeout = timeout
        self.stderr = b""

    def running(self):
        return self.process.poll() is None

    def wait(self):
        """The Outcome once robot has ended; stderr then holds Wine's own
        output (its debug channels) for the robot and the program."""
        try:
            self.process.wait(timeout=self.timeout)
        finally:
            self.out.seek(0)
            self.err.seek(0)
            stdout, self.stderr = self.out.read(), self.err.read()
            self.out.close()
            self.err.close()
        return Outcome(robot_events(stdout), self.app.read_log())
