"""Smoke tests of the 32-bit (i686) launcher under emulated 32-bit Wine: a
launch that reaches main, launches that fail with a message box, and the exit
codes a Windows parent process reads."""

import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import wine32helpers as w  # noqa: E402

_reason = w.unavailable_reason()
if _reason:
    pytest.skip("32-bit Wine tests skipped: " + _reason, allow_module_level=True)

MAIN_CLASS = "com.example.Hello"


@pytest.fixture(scope="module")
def wine32():
    missing = w.missing_programs()
    if missing:
        pytest.fail("i686 programs not built (run scripts/build): " + ", ".join(missing))
    xvfb = w.Xvfb()
    try:
        yield w.Wine32(xvfb.display)
    finally:
        xvfb.stop()


def make_app(folder, settings, jvm_dll=None):
    """An application folder: the launcher as MyApp.exe, MyApp.ini, and a
    bundled runtime in jre\\ whose VM is the stand-in (or the given library)."""
    app = Path(folder) / "app"
    app.mkdir()
    exe = app / "MyApp.exe"
    exe.write_bytes(w.LAUNCHER.read_bytes())
    w.write_ini(app / "MyApp.ini", settings)
    w.make_java_home(app / "jre", jvm_dll)
    return exe


def full_settings():
    return {
        "Java Runtime Environment": {"Main Class": MAIN_CLASS},
        "Class Path": {"Class Path": "lib\\app.jar;classes"},
    }


def without(section, key):
    settings = full_settings()
    del settings[section][key]
    return settings


def test_console_program_gets_its_arguments_and_exit_code(wine32, tmp_path):
    """The harness itself: a 32-bit console program sees the arguments as given
    and its exit code -1 comes back as Wine's exit status."""
    source = tmp_path / "echo.c"
    source.write_text('#include <stdio.h>\n'
                      'int main(int argc, char **argv) {\n'
                      '    for (int i = 1; i < argc; ++i) printf("[%s]\\n", argv[i]);\n'
                      '    return -1;\n'
                      '}\n')
    exe = tmp_path / "echo.exe"
    subprocess.run(["i686-w64-mingw32-gcc", "-O2", "-static", "-o", str(exe), str(source)], check=True)
    args = ["one", "two words", "", "tab\there"]
    result = wine32.run([exe] + args, tmp_path)
    lines = result.stdout.decode("latin-1").replace("\r", "").splitlines()
    assert lines == ["[%s]" % a for a in args], result.stderr.decode(errors="replace")[-600:]
    assert result.returncode == 255  # -1, cut to the 8 bits a Linux exit status holds


def test_launch_reaches_main_with_arguments(wine32, tmp_path):
    exe = make_app(tmp_path, full_settings())
    log = tmp_path / "standin.jsonl"
    command_line = '"%s" first "two words" -Dnot.an.option=1' % w.win_path(exe)

    run = wine32.robot(command_line, exe.parent, {"STANDIN_LOG": w.win_path(log)})

    assert run.status == 0 and run.exit_code == 0, run.describe()
    assert run.of("box") == [], run.describe()
    events = w.read_log(log)
    creates = [e for e in events if e["event"] == "create_java_vm"]
    assert len(creates) == 1, events
    assert creates[0]["options"][0] == "-Djava.class.path=lib\\app.jar;classes", creates[0]
    assert creates[0]["env"]["KX_JVM_HOME"] == w.win_path(exe.parent / "jre"), creates[0]
    mains = [e for e in events if e["event"] == "main"]
    assert len(mains) == 1, events
    assert mains[0]["class"] == MAIN_CLASS.replace(".", "/")
    assert [a["text"] for a in mains[0]["args"]] == ["first", "two words", "-Dnot.an.option=1"]
    assert [e["event"] for e in events][-1] == "destroy_java_vm", events


# Launches that fail: each shows exactly one error box, which the robot reads
# and answers with OK, and then ends with -1.
FAILED_LAUNCHES = [
    # name, settings, stand-in environment, library to install as jvm.dll, text of the box
    # (the texts made from a format end with a line feed, the plain ones do not)
    ("no main class", without("Java Runtime Environment", "Main Class"), {}, None,
     "Main class was not specified in INI file."),
    ("no class path", without("Class Path", "Class Path"), {}, None,
     "Java Class Path was not specified in INI file."),
    ("vm refuses to start", full_settings(), {"STANDIN_CREATE_RESULT": "-1"}, None,
     "JNI exception: failed to create the Java VM.\n"),
    ("no main method", full_settings(), {"STANDIN_NO_MAIN": "*", "STANDIN_MISSING_METHOD_QUIET": "1"}, None,
     "No main method found in specified class.\n"),
]


def test_a_runtime_of_the_other_architecture_is_refused_with_a_word_on_which_build_to_use(wine32, tmp_path):
    # The bundled runtime is 64-bit: the 32-bit launcher never tries to load
    # it (which would fail with error 193) and says in the JRE Not Found
    # dialog which launcher to use.
    exe = make_app(tmp_path, full_settings(), w.STANDIN_X64)
    log = tmp_path / "standin.jsonl"

    run = wine32.robot('"%s" arg' % w.win_path(exe), exe.parent, {"STANDIN_LOG": w.win_path(log)})

    boxes = run.of("box")
    assert [b["caption"] for b in boxes] == ["JRE Not Found"], run.describe()
    message = [c["text"] for c in boxes[0]["controls"] if c["id"] == 203]
    assert message == ["Java runtimes were found, but only for 64-bit (x64), and this launcher is built for "
                       "32-bit (x86): use the launcher built for 64-bit (x64).\n\nThe Java Runtime Environment "
                       "(JRE) was not found. Please  download and install a JRE (latest version) from:"]
    assert run.status == 0 and run.exit_code == w.EXIT_FAILED, run.describe()
    assert w.read_log(log) == []


@pytest.mark.parametrize("name,settings,env,jvm_dll,text", FAILED_LAUNCHES, ids=[c[0] for c in FAILED_LAUNCHES])
def test_failed_launch_shows_one_error_box_and_exits_with_minus_one(wine32, tmp_path, name, settings, env,
                                                                   jvm_dll, text):
    if jvm_dll is not None and not Path(jvm_dll).is_file():
        pytest.fail("%s: %s not built (run scripts/build)" % (name, jvm_dll))
    exe = make_app(tmp_path, settings, jvm_dll)
    log = tmp_path / "standin.jsonl"
    run_env = dict(env, STANDIN_LOG=w.win_path(log))

    run = wine32.robot('"%s" arg' % w.win_path(exe), exe.parent, run_env)

    expected = text.format(jvm=w.win_path(exe.parent / "jre" / "bin" / "server" / "jvm.dll"))
    boxes = run.of("box")
    assert [(b["caption"], b["text"]) for b in boxes] == [("Error", expected)], "%s: %s" % (name, run.describe())
    assert boxes[0]["buttons"] == ["OK"] and boxes[0]["iconKind"] == "error", "%s: %s" % (name, boxes[0])
    assert len(run.of("press")) == 1, "%s: %s" % (name, run.describe())
    assert run.status == 0 and run.exit_code == w.EXIT_FAILED, "%s: %s" % (name, run.describe())
    assert not [e for e in w.read_log(log) if e["event"] == "main"], "%s: main was called" % name
