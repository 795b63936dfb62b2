"""The bad-input table of the Linux launcher with a real JVM: broken settings
files, JVM libraries, hand-over connections and paths. Every case ends in a
defined result with the right message, within its time bound, and leaves the
settings file byte for byte as it was. LAUNCHER_UNDER_TEST runs the table
against another build (scripts/sanitize: the sanitizer build)."""

import os
import random
import re
import socket
import subprocess
import time

import pytest

from linuxlaunch import JVM_ENVIRONMENT, LAUNCHER, ProfileText, ReadReport

NO_MAIN_CLASS = "Main class was not specified in INI file."
MINUS_ONE = 255


def garbage(seed, size, without=b""):
    rnd = random.Random(seed)
    allowed = [b for b in range(256) if b not in without]
    return bytes(rnd.choice(allowed) for _ in range(size))


def environment(extra=None):
    env = {k: v for k, v in os.environ.items() if k not in JVM_ENVIRONMENT}
    env["LC_ALL"] = "C.UTF-8"
    env.update(extra or {})
    return env


def install(folder, settings_bytes):
    folder.mkdir(parents=True, exist_ok=True)
    exe = folder / "app"
    exe.write_bytes(LAUNCHER.read_bytes())
    exe.chmod(0o755)
    (folder / "app.ini").write_bytes(settings_bytes)
    return exe


def run_checked(exe, args=(), env=None, timeout=120):
    """Runs the launcher; it must end by itself and leave its settings file
    as it was."""
    settings = exe.with_name(exe.name + ".ini")
    before = settings.read_bytes()
    completed = subprocess.run([str(exe), *args], cwd=exe.parent, env=environment(env), capture_output=True,
                               timeout=timeout)
    assert settings.read_bytes() == before, "the settings file changed"
    return completed.returncode, completed.stdout.decode("utf-8", "replace"), completed.stderr.decode("utf-8", "replace")


def settings(jdk, classes, vm="", java=None, class_path=None):
    runtime = {"Main Class": "fixture.WriteArgs", "JRE Path": str(jdk.home), "Virtual Machine Parameters": vm}
    runtime.update(java or {})
    return {"Java Runtime Environment": runtime,
            "Class Path": {"Class Path": str(classes) if class_path is None else class_path}}


# ---------------------------------------------------------------- settings files

# Each case: the settings file's bytes, given the runtime, the classes and the
# report file of fixture.WriteArgs; then either `message` (exit code -1 and
# that first line on standard error) or `shown` (system properties the
# report must hold).
SETTINGS_CASES = [
    dict(name="binary garbage", bytes=lambda s: garbage(6, 4096), message=NO_MAIN_CLASS),
    dict(name="binary garbage, NUL bytes included, before the sections",
         bytes=lambda s: garbage(7, 4096, without=b"[\r\n") + b"\n" + ProfileText(s()).encode(),
         shown={}),
    dict(name="UTF-16 LE with a byte-order mark",
         bytes=lambda s: b"\xff\xfe" + ProfileText(s("-Dname=caf\u00e9\u20ac")).encode("utf-16-le"),
         shown={"name": "caf\u00e9\u20ac"}),
    dict(name="UTF-16 BE with a byte-order mark",
         bytes=lambda s: b"\xfe\xff" + ProfileText(s("-Dname=x")).encode("utf-16-be"), shown={"name": "x"}),
    dict(name="UTF-16 LE without a byte-order mark",
         bytes=lambda s: ProfileText(s()).encode("utf-16-le"), message=NO_MAIN_CLASS),
    dict(name="1 MB value", bytes=lambda s: ProfileText(s("-Dbig=" + "x" * (1 << 20))).encode(),
         shown={"big": "x" * (1 << 20)}),
    dict(name="1 MB class path",
         bytes=lambda s: ProfileText(s(class_path_tail=":/none/" + "c" * (1 << 20))).encode(), shown={}),
    dict(name="1 MB value in a key nobody reads",
         bytes=lambda s: (ProfileText(s()) + "[Other]\nHuge=" + "z" * (1 << 20) + "\n").encode(), shown={}),
    dict(name="duplicate keys: the first counts",
         bytes=lambda s: ProfileText(s("-Dfirst=1", {"virtual machine parameters": "-Dsecond=1"})).encode(),
         shown={"first": "1", "second": "null"}),
    dict(name="duplicate sections: only the first is read",
         bytes=lambda s: (ProfileText(s("-Dfirst=1")) + "[JAVA RUNTIME ENVIRONMENT]\nMain Class=fixture.NoMain\n"
                          "Virtual Machine Parameters=-Dsecond=1\n").encode(),
         shown={"first": "1", "second": "null"}),
]


@pytest.mark.parametrize("case", SETTINGS_CASES, ids=lambda c: c["name"])
def test_settings_files(linux_launcher, jdk, classes, tmp_path, case):
    report = tmp_path / "report.txt"
    shown = ",".join(case.get("shown", {}))

    def build(vm="", java=None, class_path_tail=""):
        return settings(jdk, classes, f"-Dout={report} -Dshow={shown} {vm}".strip(), java,
                        class_path=str(classes) + class_path_tail)
    exe = install(tmp_path / "app", case["bytes"](build))

    code, _, stderr = run_checked(exe, ["x"])

    if "message" in case:
        assert code == MINUS_ONE
        assert case["message"] in stderr.splitlines(), stderr
        assert not report.exists()
    else:
        assert code == 0, stderr
        properties, arguments = ReadReport(report)
        assert [text for _, text in arguments] == ["x"]
        for name, value in case["shown"].items():
            assert len(properties[name]) == len(value) and properties[name] == value, name


# ---------------------------------------------------------------- JVM libraries

def elf_header(machine):
    """The first bytes of a 32-bit little-endian ELF shared object for `machine`."""
    return b"\x7fELF\x01\x01\x01" + bytes(9) + (3).to_bytes(2, "little") + machine.to_bytes(2, "little") + bytes(44)


def library_without_exports(folder):
    source = folder / "empty.c"
    source.write_text("int launcher_bad_input_nothing_here = 1;\n")
    library = folder / "noexports.so"
    built = subprocess.run(["cc", "-shared", "-fPIC", "-o", str(library), str(source)], capture_output=True, text=True)
    if built.returncode != 0:
        pytest.skip("cc cannot build a shared library: " + built.stderr)
    return library.read_bytes()


# The library at "JRE Path"/lib/server/libjvm.so: `message` is the first line
# of standard error that is the launcher's own ({jvm}: the library's path;
# the error number after a failed dlopen or dlsym is whatever errno held, so
# any number is taken), `not_found` words the not-found text must hold.
LIBRARY_CASES = [
    dict(name="empty file", jvm=lambda folder: b"", message=r"Failed to load Java VM library: {jvm} \(errno = \d+\)\."),
    dict(name="text file", jvm=lambda folder: b"this is no library\n",
         message=r"Failed to load Java VM library: {jvm} \(errno = \d+\)\."),
    dict(name="a Windows DLL", jvm=lambda folder: b"MZ" + bytes(58) + (64).to_bytes(4, "little") + b"PE\0\0\x64\x86"
         + bytes(200), message=r"Failed to load Java VM library: {jvm} \(errno = \d+\)\."),
    dict(name="a folder named libjvm.so", jvm=None,
         message=r"Failed to load Java VM library: {jvm} \(errno = \d+\)\."),
    dict(name="a library without the two exports", jvm=library_without_exports,
         message=r"Windows exception: cannot find CreateJavaVM JNI \(errno = \d+\)\."),
    dict(name="an i386 library under the x86-64 launcher", jvm=lambda folder: elf_header(3),
         not_found="only for 32-bit (x86), and this launcher is built for 64-bit (x64)"),
]


@pytest.mark.parametrize("case", LIBRARY_CASES, ids=lambda c: c["name"])
def test_jvm_libraries(linux_launcher, classes, tmp_path, case):
    home = tmp_path / "jre"
    (home / "lib" / "server").mkdir(parents=True)
    (home / "lib" / "libjava.so").write_bytes(b"marker")
    library = home / "lib" / "server" / "libjvm.so"
    if case["jvm"] is None:
        library.mkdir()
    else:
        library.write_bytes(case["jvm"](tmp_path))
    # Minimum Version 99: no installed runtime may stand in for it.
    text = ProfileText({"Java Runtime Environment": {"Main Class": "fixture.WriteArgs", "JRE Path": str(home),
                                                     "Minimum Version": "99"},
                        "Class Path": {"Class Path": str(classes)}})
    exe = install(tmp_path / "app", text.encode())

    code, _, stderr = run_checked(exe)

    assert code == MINUS_ONE
    if "message" in case:
        pattern = case["message"].format(jvm=re.escape(str(library)))
        assert any(re.fullmatch(pattern, line) for line in stderr.splitlines()), stderr
    else:
        assert "was not found" in stderr and case["not_found"] in stderr, stderr


# ---------------------------------------------------------------- hand-over connections

def read_area(area):
    arguments, current = [], b""
    for i in range(len(area) - 1):
        if area[i]:
            current += area[i:i + 1]
            continue
        arguments.append(current)
        if area[i + 1] == 0:
            return arguments
        current = b""
    return arguments


def socket_path(folder, exe):
    key = 14695981039346656037
    for byte in os.fsencode(os.path.realpath(exe)):
        key = ((key ^ byte) * 1099511628211) & (2 ** 64 - 1)
    return folder / f"launcher-{key:016x}.sock"


def reports(path):
    """The argument lists (as UTF-8 bytes) of every report that fixture.Report
    appended to `path`. An argument's text may hold line feeds, so each is
    taken by the length its hex gives."""
    text = path.read_bytes().decode("utf-8") if path.exists() else ""
    found, position = [], 0
    while True:
        start = text.find("args=", position)
        if start < 0 or (start > 0 and text[start - 1] != "\n"):
            return found
        end = text.index("\n", start)
        count = int(text[start + 5:end])
        position = end + 1
        arguments = []
        for _ in range(count):
            tab = text.index("\t", position)
            raw = bytes.fromhex(text[position:tab])
            arguments.append(raw)
            position = tab + 1 + len(raw.decode("utf-8")) + 1
        found.append(arguments)


# What another process of the same user sends to the first instance's socket:
# `send` bytes, then it waits for the byte saying they were taken when
# `taken` is set, or closes. secondaryMain then receives the arguments the
# reading rules give (when taken), and a proper later start still gets
# through afterwards.
CONNECTION_CASES = [
    dict(name="ASCII garbage with zero bytes", send=garbage(7, 1040, without=bytes(range(0x80, 0x100))), taken=True),
    dict(name="no zero byte at all", send=garbage(8, 1040, without=b"\0"), taken=True),
    dict(name="every byte value", send=garbage(9, 1040), taken=True),
    dict(name="a short area, then the connection closed", send=b"half\0an area\0", taken=False),
    dict(name="nothing, then the connection closed", send=b"", taken=False),
    dict(name="more than an area", send=b"first\0\0" + garbage(10, 3000), taken=True),
]


@pytest.mark.parametrize("case", CONNECTION_CASES, ids=lambda c: c["name"])
def test_garbage_on_the_hand_over_socket(linux_launcher, jdk, classes, tmp_path, case):
    runtime = tmp_path / "runtime"
    runtime.mkdir(mode=0o700)
    received = tmp_path / "secondary.txt"
    out = tmp_path / "main.txt"
    text = ProfileText(settings(jdk, classes, f"-Dout={out} -DsecondaryOut={received} -Dstay=60000",
                                {"Main Class": "fixture.Secondary"}) | {"Application": {"Single Instance": "yes"}})
    exe = install(tmp_path / "app", text.encode())
    before = exe.with_name("app.ini").read_bytes()
    env = environment({"XDG_RUNTIME_DIR": str(runtime)})
    first = subprocess.Popen([str(exe), "first"], cwd=exe.parent, env=env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        deadline = time.monotonic() + 60
        while not out.exists():
            assert first.poll() is None, first.stderr.read().decode()
            assert time.monotonic() < deadline, "main of the first instance was never called"
            time.sleep(0.05)

        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as peer:
            peer.settimeout(10)
            peer.connect(str(socket_path(runtime, exe)))
            peer.sendall(case["send"])
            if case["taken"]:
                assert peer.recv(1) == b"\x01"
        expected = [read_area(case["send"][:1040])] if case["taken"] else []

        # A proper later start still gets through.
        later = subprocess.run([str(exe), "after"], cwd=exe.parent, env=env, capture_output=True, timeout=60)
        assert later.returncode == 0, later.stderr.decode()
        expected.append([b"after"])
        deadline = time.monotonic() + 30
        while len(reports(received)) < len(expected) and time.monotonic() < deadline:
            time.sleep(0.05)
        got = reports(received)
        assert first.poll() is None, "the first instance ended: " + first.stderr.read().decode()
    finally:
        first.kill()
        first.wait()
        first.stderr.close()

    assert len(got) == len(expected)
    for arguments, wanted in zip(got, expected):
        assert len(arguments) == len(wanted)
        for argument, raw in zip(arguments, wanted):
            # Java decodes with the locale's UTF-8: bytes that are no UTF-8
            # become U+FFFD, the ASCII ones stay.
            assert bytes(b for b in argument if b < 0x80) == bytes(b for b in raw if b < 0x80)
            if max(raw, default=0) < 0x80:
                assert argument == raw
    assert exe.with_name("app.ini").read_bytes() == before


# ---------------------------------------------------------------- long paths

def deep_folder(root, total):
    """A folder below `root` whose path is at least `total` characters long,
    made through relative steps, since the whole path may exceed what one
    system call takes. Returns the steps."""
    steps = []
    length = len(str(root))
    while length < total:
        fd = open_at(root, steps)
        try:
            steps.append("d%03d" % len(steps) + "x" * 196)
            os.mkdir(steps[-1], dir_fd=fd)
        finally:
            os.close(fd)
        length += 1 + len(steps[-1])
    return steps


def open_at(root, steps):
    """A descriptor of the folder `steps` below `root`."""
    fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    for step in steps:
        next_fd = os.open(step, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
        os.close(fd)
        fd = next_fd
    return fd


def write_at(root, steps, name, data, mode=0o644):
    fd = open_at(root, steps)
    try:
        with os.fdopen(os.open(name, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode, dir_fd=fd), "wb") as out:
            out.write(data)
    finally:
        os.close(fd)


def read_at(root, steps, name):
    fd = open_at(root, steps)
    try:
        with os.fdopen(os.open(name, os.O_RDONLY, dir_fd=fd), "rb") as source:
            return source.read()
    finally:
        os.close(fd)


# The launcher and its settings file in a folder whose path is this long;
# `message` when the launch fails.
LONG_PATH_CASES = [
    dict(name="over 259 characters", length=600),
    # Beyond PATH_MAX the system cannot tell a program its own path.
    dict(name="over 4096 characters", length=4400,
         message="Windows exception: failed to get the module path (errno = 36)."),
]


@pytest.mark.parametrize("case", LONG_PATH_CASES, ids=lambda c: c["name"])
def test_launcher_in_a_deep_folder(linux_launcher, jdk, classes, tmp_path, case):
    report = tmp_path / "report.txt"
    steps = deep_folder(tmp_path, case["length"])
    settings_bytes = ProfileText(settings(jdk, classes, f"-Dout={report}")).encode()
    write_at(tmp_path, steps, "app", LAUNCHER.read_bytes(), 0o755)
    write_at(tmp_path, steps, "app.ini", settings_bytes)

    def walk_down():
        # Step by step: no single path given to the system is that long.
        for step in steps:
            os.chdir(step)
    completed = subprocess.run(["./app", "x"], cwd=tmp_path, preexec_fn=walk_down, env=environment(),
                               capture_output=True, timeout=120)
    stderr = completed.stderr.decode("utf-8", "replace")

    if "message" in case:
        assert completed.returncode == MINUS_ONE
        assert case["message"] in stderr.splitlines(), stderr
        assert not report.exists()
    else:
        assert completed.returncode == 0, stderr
        assert [text for _, text in ReadReport(report)[1]] == ["x"]
    assert read_at(tmp_path, steps, "app.ini") == settings_bytes
