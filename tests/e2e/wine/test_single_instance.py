"""The single-instance hand-over of the Windows x64 launcher under Wine: later
starts of the same executable hand their arguments to the running first
instance, whose secondaryMain (in the stand-in jvm.dll) receives them."""

import re
import shutil
import subprocess
import time
from collections import Counter

import pytest

from winehelpers import App, win_path

MINUS_ONE = 4294967295
JRE = "Java Runtime Environment"
# Wine names every DLL a process loads, with the process id in front, so that
# a test can tell which process loaded what.
LOAD_TRACE = {"WINEDEBUG": "+pid,+loaddll"}
LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*?)"', re.MULTILINE)

# Opens the hand-over area of a running first instance by its name and keeps
# it open until told to let go, so that the area outlives that instance; then
# writes the area and the number the message name is registered under.
HOLDER_SOURCE = r"""
#include <windows.h>
#include <stdio.h>

static void Put(const char* path, const char* text) {
    char temporary[MAX_PATH + 8];
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    FILE* f = fopen(temporary, "wb");
    if (!f) return;
    fputs(text, f);
    fclose(f);
    MoveFileA(temporary, path);
}

int main(int argc, char** argv) {
    if (argc != 5) return 2;  /* name, ready file, release file, dump file */
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, argv[1]);
    const unsigned char* view = mapping ? (const unsigned char*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : NULL;
    char text[4096];
    if (!view) {
        snprintf(text, sizeof text, "error %lu", GetLastError());
        Put(argv[2], text);
        return 1;
    }
    Put(argv[2], "held");
    for (int waited = 0; waited < 120000 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; waited += 20)
        Sleep(20);
    int length = snprintf(text, sizeof text, "%u ", RegisterWindowMessageA(argv[1]));
    for (int i = 0; i < 1048; ++i) length += snprintf(text + length, sizeof text - length, "%02x", view[i]);
    Put(argv[4], text);
    return 0;
}
"""


@pytest.fixture(scope="session")
def holder(tmp_path_factory):
    compiler = shutil.which("x86_64-w64-mingw32-gcc")
    if not compiler:
        pytest.skip("x86_64-w64-mingw32-gcc is needed for the area holder")
    folder = tmp_path_factory.mktemp("holder")
    (folder / "holder.c").write_text(HOLDER_SOURCE)
    built = subprocess.run([compiler, "-O2", "-o", str(folder / "holder.exe"), str(folder / "holder.c")],
                           capture_output=True, text=True)
    assert built.returncode == 0, built.stderr
    return folder / "holder.exe"


def settings(home, application):
    return {JRE: {"Main Class": "com.example.App", "JRE Path": win_path(home)},
            "Class Path": {"Class Path": "app.jar"},
            "Application": application}


def single_instance_app(app):
    app.write_settings(settings(app.home("jre"), {"Single Instance": "yes"}))
    return app


def command_args(args):
    """A command-line tail that the launcher splits back into `args`."""
    return " ".join('"%s"' % a for a in args)


def wait_for(condition, what, process, timeout=60):
    """Polls until condition() holds; fails early when `process` (a Started
    that should still be running) has ended."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        assert process.running(), "the first instance ended while waiting for %s" % what
        time.sleep(0.05)
    pytest.fail("timed out waiting for %s" % what)


def logged(app, kind):
    return [e for e in app.read_log() if e.get("event") == kind]


def start_first(app, args, env):
    first = app.spawn(args, env=env, timeout=90)
    wait_for(lambda: logged(app, "main"), "main of the first instance", first)
    return first


def launcher_loads(started, app):
    """(pid, [paths]) of the launcher process a start ran, from Wine's trace."""
    loads = [(int(pid, 16), path.replace("\\\\", "\\")) for pid, path in
             LOADED.findall(started.stderr.decode("utf-8", "replace"))]
    exe = "\\" + app.exe.name.lower()
    pids = {pid for pid, path in loads if path.lower().endswith(exe)}
    assert len(pids) == 1, "no single launcher process in the trace: %r" % loads
    pid = pids.pop()
    return pid, [path for p, path in loads if p == pid]


def check_later_start(name, started, outcome, app, code=0):
    """A later start ended with `code`, showed nothing and never loaded a
    JVM library; returns its process id."""
    assert outcome.code == code, "%s: exit code %r, events %r" % (name, outcome.code, outcome.events)
    assert outcome.boxes == [], "%s: %r" % (name, outcome.texts())
    pid, paths = launcher_loads(started, app)
    assert not [p for p in paths if p.lower().endswith("jvm.dll")], "%s loaded %r" % (name, paths)
    return pid


def received(log):
    """The arguments of every secondaryMain call, as byte strings."""
    return [tuple(a["text"] for a in e["args"]) for e in log if e.get("event") == "secondary_main"]


# name, the later start's command-line arguments, what secondaryMain receives
# (None: the hand-over is refused). A refused case must not come last, so
# that a wrong delivery would still reach the first instance's log.
HANDOVER_CASES = [
    ("a and b", "a b", ["a", "b"]),
    ("no arguments", "", [""]),
    ("an empty argument ends the list", 'a "" b', ["a"]),
    ("one byte over", "%s %s" % ("r" * 500, "s" * 538), None),
    ("quoted space and a Cp1252 letter", '"two words" caf\u00e9', ["two words", "caf\u00e9"]),
    ("exactly full", "%s %s" % ("p" * 500, "q" * 537), ["p" * 500, "q" * 537]),
]


def test_later_starts_hand_their_arguments_to_the_first_instance(app):
    single_instance_app(app)
    delivering = [c for c in HANDOVER_CASES if c[2] is not None]
    first = start_first(app, "first", {"STANDIN_MAIN_WAIT_SECONDARY": str(len(delivering))})
    try:
        later = {}
        for name, args, expected in HANDOVER_CASES:
            started = app.spawn(args, env=LOAD_TRACE)
            later[name] = check_later_start(name, started, started.wait(), app,
                                            code=0 if expected is not None else MINUS_ONE)
    finally:
        outcome = first.wait()

    assert outcome.code == 0 and outcome.boxes == [], (outcome.code, outcome.texts())
    assert outcome.main_args()[0]["text"] == "first"
    first_pid = outcome.logged("main")[0]["pid"]
    assert {e["pid"] for e in outcome.log} == {first_pid}, "a later start ran the application"
    assert len(outcome.logged("create_java_vm")) == 1
    calls = outcome.logged("secondary_main")
    got = Counter(received(outcome.log))
    for name, args, expected in delivering:
        assert got[tuple(expected)] == 1, "%s: received %r" % (name, list(got))
    assert len(calls) == len(delivering), "extra hand-overs: %r" % list(got)
    # Decoded with the system code page, on the first instance's VM.
    cafe = [e for e in calls if len(e["args"]) == 2 and e["args"][1]["text"] == "caf\u00e9"][0]
    # Carried as UTF-8 and made from UTF-16, whatever the ANSI code page.
    assert cafe["args"][1]["charset"] == "UTF-16"
    assert {e["pid"] for e in calls} == {first_pid}
    assert all(pid != first_pid for pid in later.values())


# name, "Application" section: each start runs its own application.
INDEPENDENT_CASES = [
    ("Single Instance is Yes", {"Single Instance": "Yes"}),
    ("service", {"Application Type": "service", "Single Instance": "yes"}),
]


def test_yes_and_service_run_independent_instances(wine, tools, tmp_path):
    apps = {}
    for name, application in INDEPENDENT_CASES:
        app = App(wine, tools, tmp_path / name.replace(" ", "_"))
        app.write_settings(settings(app.home("jre"), application))
        apps[name] = app
    # The first starts stay in main until the second ones have run theirs.
    firsts = {name: app.spawn("first", env={"STANDIN_MAIN_SLEEP_MS": "6000"}, timeout=90)
              for name, app in apps.items()}
    seconds = {}
    try:
        for name, app in apps.items():
            wait_for(lambda: logged(app, "main"), "%s: main of the first start" % name, firsts[name])
        seconds = {name: app.spawn("second") for name, app in apps.items()}
    finally:
        second_outcomes = {name: started.wait() for name, started in seconds.items()}
        first_outcomes = {name: started.wait() for name, started in firsts.items()}

    for name, app in apps.items():
        for which, outcome in (("first", first_outcomes[name]), ("second", second_outcomes[name])):
            assert outcome.code == 0 and outcome.boxes == [], "%s, %s start: %r %r" % (
                name, which, outcome.code, outcome.texts())
        log = app.read_log()
        kinds = [(e["event"], e["pid"]) for e in log]
        mains = [e for e in log if e["event"] == "main"]
        assert sorted(e["args"][0]["text"] for e in mains) == ["first", "second"], "%s: %r" % (name, mains)
        assert len({e["pid"] for e in mains}) == 2, name
        first_pid = [e["pid"] for e in mains if e["args"][0]["text"] == "first"][0]
        second_pid = [e["pid"] for e in mains if e["args"][0]["text"] == "second"][0]
        # Both ran at the same time: the second's main came before the first's returned.
        assert kinds.index(("main", second_pid)) < kinds.index(("main_returned", first_pid)), \
            "%s: the starts did not overlap" % name
        assert received(log) == [], name


def test_start_after_the_listener_has_ended_gets_minus_one(app, wine, holder, tmp_path):
    single_instance_app(app)
    name = win_path(app.exe).replace("\\", "_")
    ready, release, dump = tmp_path / "ready", tmp_path / "release", tmp_path / "dump"
    # main returns after one hand-over; a non-daemon thread then keeps
    # DestroyJavaVM waiting a while.
    first = start_first(app, "first", {"STANDIN_MAIN_WAIT_SECONDARY": "1", "STANDIN_LINGER_MS": "4000"})
    process, out, err = wine.spawn([holder, name, win_path(ready), win_path(release), win_path(dump)])
    try:
        wait_for(ready.exists, "the holder", first)
        assert ready.read_text() == "held", ready.read_text()

        one = app.spawn("one", env=LOAD_TRACE)
        check_later_start("while main runs", one, one.wait(), app)
        wait_for(lambda: logged(app, "main_returned"), "main to return", first)
        lingering = app.spawn("lingering", env=LOAD_TRACE)
        check_later_start("while a thread lingers", lingering, lingering.wait(), app)
        outcome = first.wait()
        assert outcome.code == 0, outcome.events
        kinds = [e["event"] for e in outcome.log]
        assert received(outcome.log) == [("one",), ("lingering",)]
        # Served by the VM in DestroyJavaVM's wait: the listener lives until the VM is gone.
        assert kinds.index("main_returned") < len(kinds) - 1 - kinds[::-1].index("secondary_main") \
            < kinds.index("destroy_java_vm"), kinds

        # The first instance has ended, its area lives on in the holder: the
        # message goes nowhere.
        refused = app.spawn("two", env=LOAD_TRACE)
        check_later_start("after the listener ended", refused, refused.wait(), app, code=MINUS_ONE)
        assert received(app.read_log()) == [("one",), ("lingering",)]
        assert {e["pid"] for e in app.read_log()} == {outcome.logged("main")[0]["pid"]}
    finally:
        release.write_text("")
        process.wait(timeout=60)
        out.close()
        err.close()

    message, area = dump.read_text().split()
    area = bytes.fromhex(area)
    assert int.from_bytes(area[0:4], "little") != 0, "no listener thread id"
    assert int.from_bytes(area[4:8], "little") == int(message), "not the registered message number"
    assert area[8:] == b"two\0" + bytes(1036), "the arguments of the refused start as it wrote them"

    # With the area gone, the next start is a first instance of its own.
    again = app.spawn("three", env=LOAD_TRACE)
    outcome = again.wait()
    assert outcome.code == 0 and outcome.boxes == [], (outcome.code, outcome.texts())
    pid, paths = launcher_loads(again, app)
    assert [e["pid"] for e in outcome.log if e["event"] == "main"][-1] == pid
    assert outcome.logged("main")[-1]["args"][0]["text"] == "three"


def burst_sets(count):
    sets = []
    for i in range(count):
        args = ["burst-%02d" % i]
        if i % 3 == 0:
            args.append("with space %d" % i)
        if i % 4 == 1:
            args.append("caf\u00e9 %d" % i)
        args.append("n" * (i + 1))
        sets.append(args)
    return sets


def test_burst_of_later_starts_delivers_every_set_once(app):
    single_instance_app(app)
    sets = burst_sets(24)
    first = start_first(app, "first", {"STANDIN_MAIN_WAIT_SECONDARY": str(len(sets))})
    started = []
    try:
        for args in sets:
            started.append(app.spawn(command_args(args), env=LOAD_TRACE, timeout=60))
    finally:
        outcomes = [(s, s.wait()) for s in started]
        outcome = first.wait()

    for args, (s, later) in zip(sets, outcomes):
        check_later_start("burst start %s" % args[0], s, later, app)
    assert outcome.code == 0 and outcome.boxes == [], (outcome.code, outcome.texts())
    assert outcome.logged("warning") == [], outcome.logged("warning")
    assert {e["pid"] for e in outcome.log} == {outcome.logged("main")[0]["pid"]}
    got = Counter(received(outcome.log))
    for args in sets:
        assert got[tuple(args)] == 1, "%s: received %d times" % (args[0], got[tuple(args)])
    assert sum(got.values()) == len(sets), "extra or mixed hand-overs: %r" % sorted(got)
    texts = {tuple(a["text"] for a in e["args"]) for e in outcome.logged("secondary_main")}
    assert texts == {tuple(args) for args in sets}
