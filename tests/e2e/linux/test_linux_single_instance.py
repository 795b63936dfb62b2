# The single-instance hand-over of the Linux launcher with real JVMs: later
# starts hand their arguments to the running first instance, whose
# secondaryMain receives them, over a socket in a folder private to the user.
import os
import shutil
import stat
import subprocess
import tempfile
import time
import zipfile
from collections import Counter
from pathlib import Path

import pytest

from linuxlaunch import JVM_ENVIRONMENT, LAUNCHER, ProfileText, ReadReport

# A Java agent whose premain runs inside JNI_CreateJavaVM: it says so by
# creating one file and then waits until the test creates another, so that a
# test can act while the first instance is still creating its VM.
GATE_SOURCE = """
package gate;

import java.io.File;
import java.io.FileOutputStream;

public class Gate {
    public static void premain(String files) throws Exception {
        String[] names = files.split("[|]");
        new FileOutputStream(names[0]).close();
        File open = new File(names[1]);
        for (int waited = 0; !open.exists() && waited < 60000; waited += 10) Thread.sleep(10);
    }
}
"""


@pytest.fixture(scope="session")
def gate_jar(tmp_path_factory, jdks):
    compilers = [j for j in jdks if j.has_javac and j.major >= 9]
    if not compilers:
        pytest.skip("no JDK with a javac that knows --release")
    folder = tmp_path_factory.mktemp("gate")
    (folder / "Gate.java").write_text(GATE_SOURCE)
    built = subprocess.run([str(compilers[0].home / "bin" / "javac"), "--release", "8", "-Xlint:-options",
                            "-d", str(folder / "classes"), str(folder / "Gate.java")], capture_output=True, text=True)
    assert built.returncode == 0, built.stderr
    jar = folder / "gate.jar"
    with zipfile.ZipFile(jar, "w") as archive:
        archive.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\nPremain-Class: gate.Gate\n\n")
        archive.write(folder / "classes" / "gate" / "Gate.class", "gate/Gate.class")
    return jar


class Gate:
    """The agent's two files in `folder`: entered (premain is waiting) and open."""

    def __init__(self, jar, folder):
        self.entered = folder / "gate-entered"
        self.open = folder / "gate-open"
        self.option = f"-javaagent:{jar}={self.entered}|{self.open}"


def Environment(extra=None, remove=()):
    environment = {k: v for k, v in os.environ.items() if k not in JVM_ENVIRONMENT and k not in remove}
    environment.setdefault("LC_ALL", "C.UTF-8")
    environment.update(extra or {})
    return environment


class Started:
    """A start of the launcher running in the background, its output in files
    rather than pipes."""

    def __init__(self, exe, args, environment):
        self.out, self.err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        self.process = subprocess.Popen([str(exe), *args], cwd=exe.parent, env=environment, stdin=subprocess.DEVNULL,
                                        stdout=self.out, stderr=self.err)
        self.code, self.stdout, self.stderr = None, "", ""

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout=120):
        try:
            self.code = self.process.wait(timeout=timeout)
        finally:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()
            for stream in (self.out, self.err):
                stream.seek(0)
            self.stdout = self.out.read().decode("utf-8", "replace")
            self.stderr = self.err.read().decode("utf-8", "replace")
            self.out.close()
            self.err.close()
        return self

    def Describe(self):
        return f"exit code {self.code}\n--- stdout\n{self.stdout}\n--- stderr\n{self.stderr}"


def Install(folder, settings):
    folder.mkdir(parents=True, exist_ok=True)
    exe = folder / "app"
    shutil.copy2(LAUNCHER, exe)
    (folder / "app.ini").write_bytes(ProfileText(settings).encode("utf-8"))
    return exe


def WaitFor(condition, what, first, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        if not first.running():
            pytest.fail(f"the first instance ended while waiting for {what}:\n{first.wait().Describe()}")
        time.sleep(0.01)
    pytest.fail(f"timed out waiting for {what}")


def ReadReports(path):
    """The argument lists of every report appended to `path` by
    fixture.Secondary's secondaryMain."""
    lines = path.read_bytes().decode("utf-8").split("\n") if path.exists() else []
    reports, index = [], 0
    while index < len(lines) and lines[index]:
        key, _, value = lines[index].partition("=")
        index += 1
        if key == "args":
            count = int(value)
            reports.append(tuple(line.partition("\t")[2] for line in lines[index:index + count]))
            index += count
    return reports


def SocketPath(folder, exe):
    """Where the first instance of `exe` listens: a hash of its path."""
    key = 14695981039346656037
    for byte in os.fsencode(os.path.realpath(exe)):
        key = ((key ^ byte) * 1099511628211) & (2 ** 64 - 1)
    return folder / f"launcher-{key:016x}.sock"


def SingleInstance(settings, main, jdk, vm):
    return settings(main, jdk=jdk, vm=vm, application={"Single Instance": "yes"})


def test_secondary_main_receives_later_starts(jdk, launcher, settings, gate_jar, tmp_path):
    out, received = tmp_path / "main.txt", tmp_path / "secondary.txt"
    gate = Gate(gate_jar, tmp_path)
    exe = Install(tmp_path / "app", SingleInstance(
        settings, "fixture.Secondary", jdk, f"{gate.option} -Dout={out} -DsecondaryOut={received} -Dstay=4000"))
    environment = Environment()
    first = Started(exe, ["first"], environment)
    later = []
    try:
        WaitFor(gate.entered.exists, "the VM's creation", first)
        early = ("early", "held until the VM is up")
        later.append((early, Started(exe, early, environment).wait()))
        assert not out.exists(), "main ran before the hand-over: the VM was not still being created"
        gate.open.touch()
        WaitFor(out.exists, "main", first)
        # Several at once while main is running.
        sets = [(f"at once {i}", f"café {i}", "日本" * (i + 1)) for i in range(10)]
        starts = [(args, Started(exe, args, environment)) for args in sets]
        later += [(args, started.wait()) for args, started in starts]
    finally:
        gate.open.touch()
        first.wait()

    for args, run in later:
        assert run.code == 0, f"later start {args[0]}: {run.Describe()}"
        assert run.stdout == run.stderr == "", f"later start {args[0]}: {run.Describe()}"
    assert first.code == 0, first.Describe()
    assert "Exception" not in first.stderr, first.Describe()
    assert [text for _, text in ReadReport(out)[1]] == ["first"]
    got = Counter(ReadReports(received))
    for args, _ in later:
        assert got[args] == 1, f"{args[0]}: received {got[args]} times; all: {sorted(got)}"
    assert sum(got.values()) == len(later), f"extra hand-overs: {sorted(got)}"


def test_main_class_without_secondary_main_prints_the_exception_and_keeps_running(
        jdk, launcher, settings, gate_jar, tmp_path):
    # main returns at once and a non-daemon thread writes the marker a second later.
    marker = tmp_path / "marker"
    gate = Gate(gate_jar, tmp_path)
    exe = Install(tmp_path / "app", SingleInstance(settings, "fixture.Lingering", jdk,
                                                   f"{gate.option} -Dmarker={marker}"))
    environment = Environment()
    first = Started(exe, [], environment)
    try:
        WaitFor(gate.entered.exists, "the VM's creation", first)
        run = Started(exe, ["for nobody"], environment).wait()
    finally:
        gate.open.touch()
        first.wait()

    assert run.code == 0, run.Describe()
    assert first.code == 0, first.Describe()
    assert "java.lang.NoSuchMethodError" in first.stderr and "secondaryMain" in first.stderr, first.Describe()
    assert marker.exists(), "the application did not run to its end"


# name, the mode of a folder of the user's own given as XDG_RUNTIME_DIR (None:
# the variable unset), whether the socket goes there rather than into
# /tmp/javalauncher-<uid>.
FOLDER_CASES = [
    ("no runtime directory", None, False),
    ("a private runtime directory", 0o700, True),
    ("a runtime directory others can read", 0o755, False),
]


@pytest.mark.parametrize("case", FOLDER_CASES, ids=[c[0] for c in FOLDER_CASES])
def test_socket_lies_in_a_folder_private_to_the_user(case, jdks, launcher, settings, gate_jar, tmp_path):
    name, mode, used = case
    environment = Environment(remove=["XDG_RUNTIME_DIR"])
    folder = Path(f"/tmp/javalauncher-{os.getuid()}")
    if mode is not None:
        runtime = tmp_path / "runtime"
        runtime.mkdir()
        runtime.chmod(mode)
        environment["XDG_RUNTIME_DIR"] = str(runtime)
        if used:
            folder = runtime
    received = tmp_path / "secondary.txt"
    gate = Gate(gate_jar, tmp_path)
    exe = Install(tmp_path / "app", SingleInstance(settings, "fixture.Secondary", jdks[-1],
                                                   f"{gate.option} -DsecondaryOut={received} -Dout={tmp_path / 'out'}"))
    socket = SocketPath(folder, exe)
    first = Started(exe, [], environment)
    try:
        WaitFor(gate.entered.exists, "the VM's creation", first)
        assert os.path.lexists(socket), f"{name}: no {socket}"
        assert stat.S_ISSOCK(os.lstat(socket).st_mode), f"{name}: {socket} is no socket"
        info = os.lstat(folder)
        assert stat.S_ISDIR(info.st_mode) and info.st_uid == os.getuid(), name
        assert stat.S_IMODE(info.st_mode) == 0o700, f"{name}: {folder} has mode {stat.S_IMODE(info.st_mode):o}"
        run = Started(exe, [name], environment).wait()
    finally:
        gate.open.touch()
        first.wait()

    assert run.code == 0, f"{name}: {run.Describe()}"
    assert first.code == 0, f"{name}: {first.Describe()}"
    assert ReadReports(received) == [(name,)], name
    assert not os.path.lexists(socket), f"{name}: the socket outlived the first instance"
