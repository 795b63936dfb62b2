"""The bad-input table of the Windows x64 launcher under Wine, with the
stand-in jvm.dll: broken settings files, registry values, JVM libraries,
splash pictures, hand-over areas and paths. Every case ends in a defined
result with the right message, within its time bound, and leaves the
settings file byte for byte as it was."""

import random
import shutil
import struct
import time

import pytest

from winehelpers import App, reg_string, robot_events, win_path

MINUS_ONE = 4294967295
JRE = "Java Runtime Environment"
JRE_KEY = "Software\\JavaSoft\\Java Runtime Environment"
NO_MAIN_CLASS = "Main class was not specified in INI file."
LOAD_FAILED = "Failed to load Java VM library: {jvm} (errno = {code}).\n"
NO_EXPORTS = "Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n"


def garbage(seed, size, without=b""):
    """Reproducible random bytes, leaving out the bytes of `without`."""
    rnd = random.Random(seed)
    allowed = [b for b in range(256) if b not in without]
    return bytes(rnd.choice(allowed) for _ in range(size))


def settings_text(home, java=None, class_path="app.jar", more=""):
    runtime = {"Main Class": "com.example.App", "JRE Path": win_path(home)}
    runtime.update(java or {})
    lines = ["[%s]" % JRE] + ["%s=%s" % (k, v) for k, v in runtime.items()]
    lines += ["[Class Path]", "Class Path=" + class_path]
    return "\r\n".join(lines) + "\r\n" + more


def start_checked(app, args="x", env=None, timeout=60):
    """Starts the launcher; the settings file must come out as it went in,
    and the start must end by itself."""
    before = app.settings_file.read_bytes() if app.settings_file.exists() else None
    outcome = app.start(args, env=env, timeout=timeout)
    assert not outcome.timed_out, "the launcher did not end within %d s" % timeout
    assert outcome.code is not None, "no exit code: %r" % outcome.events
    after = app.settings_file.read_bytes() if app.settings_file.exists() else None
    assert after == before, "the settings file changed"
    return outcome


def assert_launched(outcome, main_class="com/example/App"):
    assert outcome.boxes == [], outcome.texts()
    assert outcome.code == 0
    assert [e["class"] for e in outcome.logged("main")] == [main_class]


# ---------------------------------------------------------------- settings files

def cp1252_settings(home):
    return settings_text(home).encode("latin-1")


# Each case: the settings file's bytes for a Java home, and what follows:
# "box" (one message box with that text, exit code -1) or "options" (the VM
# options the launch must pass, exit code 0).
SETTINGS_CASES = [
    dict(name="binary garbage", bytes=lambda home: garbage(6, 4096), box=NO_MAIN_CLASS),
    dict(name="binary garbage, NUL bytes included, before the sections",
         bytes=lambda home: garbage(7, 4096, without=b"[\r\n") + b"\r\n" + cp1252_settings(home),
         options=["-Djava.class.path=app.jar"]),
    dict(name="UTF-16 LE with a byte-order mark",
         bytes=lambda home: b"\xff\xfe" + settings_text(home, {"Virtual Machine Parameters": "-Dname=caf\u00e9\u20ac"})
         .encode("utf-16-le"),
         # The launcher gets ANSI text (code page 1252): e9 and 80.
         options=["-Djava.class.path=app.jar", "-Dname=caf\u00e9\x80"]),
    dict(name="UTF-16 BE with a byte-order mark",
         bytes=lambda home: b"\xfe\xff" + settings_text(home).encode("utf-16-be"),
         options=["-Djava.class.path=app.jar"]),
    dict(name="UTF-16 LE without a byte-order mark",
         bytes=lambda home: settings_text(home).encode("utf-16-le"), box=NO_MAIN_CLASS),
    dict(name="1 MB value",
         bytes=lambda home: settings_text(home, {"Virtual Machine Parameters": "-Dbig=" + "x" * (1 << 20)}).encode(),
         options=["-Djava.class.path=app.jar", "-Dbig=" + "x" * (1 << 20)]),
    dict(name="1 MB class path",
         bytes=lambda home: settings_text(home, class_path="c" * (1 << 20)).encode(),
         options=["-Djava.class.path=" + "c" * (1 << 20)]),
    dict(name="value just over 32K characters, where the system's expansion stops",
         bytes=lambda home: settings_text(home, {"Virtual Machine Parameters": "-Dbig=%OS%" + "y" * 32761}).encode(),
         options=["-Djava.class.path=app.jar", "-Dbig=Windows_NT" + "y" * 32761]),
    dict(name="1 MB value in a key nobody reads",
         bytes=lambda home: settings_text(home, more="[Other]\r\nHuge=" + "z" * (1 << 20) + "\r\n").encode(),
         options=["-Djava.class.path=app.jar"]),
    dict(name="duplicate keys: the first counts",
         bytes=lambda home: settings_text(home, {"Main Class": "first.Main", "main class": "second.Main"}).encode(),
         options=["-Djava.class.path=app.jar"], main="first/Main"),
    dict(name="duplicate sections: only the first is read",
         bytes=lambda home: (settings_text(home) + "[java runtime environment]\r\nMain Class=second.Main\r\n"
                             "Virtual Machine Parameters=-Dsecond=1\r\n[CLASS PATH]\r\nClass Path=second.jar\r\n")
         .encode(),
         options=["-Djava.class.path=app.jar"]),
]


@pytest.mark.parametrize("case", SETTINGS_CASES, ids=lambda c: c["name"])
def test_settings_files(wapp, case):
    home = wapp.home("jre")
    wapp.settings_file.write_bytes(case["bytes"](home))

    outcome = start_checked(wapp, timeout=120)

    if "box" in case:
        assert outcome.texts() == [case["box"]]
        assert outcome.code == MINUS_ONE
        assert outcome.log == []
    else:
        assert_launched(outcome, case.get("main", "com/example/App"))
        options = outcome.vm_creation()["options"]
        # Compare lengths first: a mismatch of megabytes is no message to read.
        assert [len(o) for o in options] == [len(o) for o in case["options"]]
        assert options == case["options"]


# ---------------------------------------------------------------- registry values

def utf16(text):
    return text.encode("utf-16-le")


# A good runtime is registered as 1.6.0 in every case; the bad value is the
# "JavaHome" of version 9.0 (stored with exactly these bytes and type), and
# outranks it when it is usable. `chosen` names the home whose library loads.
# `homes` are made beside the launcher (the current directory) first.
REGISTRY_CASES = [
    dict(name="DWORD", type=4, data=lambda app: b"ZZZZ", chosen="good"),
    # The type is not checked and the home is used as it stands: relative to
    # the current directory.
    dict(name="DWORD whose bytes name a folder in the current directory",
         type=4, data=lambda app: b"AAA\0", homes=["AAA"], library="AAA\\bin\\client\\jvm.dll"),
    dict(name="empty string", type=1, data=lambda app: b"\0\0", chosen="good"),
    dict(name="string of no bytes at all", type=1, data=lambda app: b"", chosen="good"),
    dict(name="string without its terminating NUL", type=1,
         data=lambda app: utf16(win_path(app.folder / "other")), homes=["other"], chosen="other"),
    dict(name="string without NUL naming no folder", type=1,
         data=lambda app: utf16(win_path(app.folder / "missing")), chosen="good"),
    dict(name="REG_BINARY path without NUL", type=3,
         data=lambda app: win_path(app.folder / "other").encode(), homes=["other"], chosen="other"),
    dict(name="REG_EXPAND_SZ is not expanded", type=2,
         data=lambda app: utf16("%BADINPUT_HOME%\\other\0"), homes=["other"], chosen="good",
         env=lambda app: {"BADINPUT_HOME": win_path(app.folder)}),
    dict(name="REG_MULTI_SZ: the first string", type=7,
         data=lambda app: utf16(win_path(app.folder / "other") + "\0x\0\0"), homes=["other"], chosen="other"),
    dict(name="4 KB string", type=1, data=lambda app: utf16("C:\\" + "x" * 4093 + "\0"), chosen="good"),
    dict(name="4 KB path to a real home, beyond the system's path limit", type=1,
         data=lambda app: utf16(win_path(app.folder) + "\\." * 2040 + "\\other\0"), homes=["other"], chosen="good"),
]


def register_good(app):
    good = app.home("good")
    app.wine.import_registry("[HKEY_LOCAL_MACHINE\\%s\\1.6.0]\n\"JavaHome\"=%s\n" % (JRE_KEY, reg_string(win_path(good))),
                             app.folder)


def store_value(app, key, type_, data):
    result = app.wine.run([app.tools.badinput, "regvalue", key, "JavaHome", str(type_), data.hex()])
    events = robot_events(result.stdout)
    assert events and events[0]["event"] == "stored", events


def chosen_library(app, name):
    return win_path(app.folder / name) + "\\bin\\client\\jvm.dll"


@pytest.mark.parametrize("case", REGISTRY_CASES, ids=lambda c: c["name"])
def test_registry_values(wapp, case):
    register_good(wapp)
    for name in case.get("homes", []):
        wapp.home(name)
    store_value(wapp, JRE_KEY + "\\9.0", case["type"], case["data"](wapp))
    wapp.write_settings({JRE: {"Main Class": "com.example.App"}, "Class Path": {"Class Path": "app.jar"}})

    outcome = start_checked(wapp, env=case["env"](wapp) if "env" in case else None)

    assert_launched(outcome)
    expected = case.get("library") or chosen_library(wapp, case["chosen"])
    assert outcome.vm_creation()["env"]["KX_JVM_PATH"] == expected


def test_a_thousand_version_keys(wapp):
    register_good(wapp)
    text = "".join("[HKEY_LOCAL_MACHINE\\%s\\1.7.%d]\n\"JavaHome\"=%s\n\n" % (JRE_KEY, i, reg_string("C:\\none\\%d" % i))
                   for i in range(1000))
    wapp.wine.import_registry(text, wapp.folder)
    wapp.write_settings({JRE: {"Main Class": "com.example.App"}, "Class Path": {"Class Path": "app.jar"}})

    outcome = start_checked(wapp)

    # None of the thousand has a runtime: the good one is still found.
    assert_launched(outcome)
    assert outcome.vm_creation()["env"]["KX_JVM_PATH"] == chosen_library(wapp, "good")


# ---------------------------------------------------------------- JVM libraries

# The library at "JRE Path"\bin\client\jvm.dll; `box` is the message with
# {jvm} for its path; `not_found` says the search went on and found nothing,
# with these words in the JRE Not Found text.
LIBRARY_CASES = [
    dict(name="empty file", jvm=b"", box=LOAD_FAILED, code=193),
    dict(name="text file", jvm=b"this is no library\r\n", box=LOAD_FAILED, code=193),
    dict(name="MZ header and nothing else", jvm=b"MZ" + bytes(62), box=LOAD_FAILED, code=193),
    dict(name="a folder named jvm.dll", jvm=None, box=LOAD_FAILED, code=5),
    dict(name="a DLL without the two exports", jvm="standinrt.dll", box=NO_EXPORTS),
    dict(name="the i686 stand-in under the x64 launcher", jvm="i686",
         not_found="only for 32-bit (x86), and this launcher is built for 64-bit (x64)"),
]


@pytest.mark.parametrize("case", LIBRARY_CASES, ids=lambda c: c["name"])
def test_jvm_libraries(wapp, tools, case):
    jvm = case["jvm"]
    if jvm == "i686":
        if not (tools.standin32 / "jvm.dll").exists():
            pytest.skip("the i686 stand-in is missing: build with scripts/build")
        home = wapp.home("jre", standin=tools.standin32)
    else:
        home = wapp.home("jre", vms=())
        library = home / "bin" / "client" / "jvm.dll"
        library.parent.mkdir(parents=True)
        if jvm is None:
            library.mkdir()
        elif isinstance(jvm, bytes):
            library.write_bytes(jvm)
        else:
            shutil.copy(tools.standin / jvm, library)
    # No runtime elsewhere may stand in for it.
    wapp.write_settings({JRE: {"Main Class": "com.example.App", "JRE Path": win_path(home), "Minimum Version": "99"},
                         "Class Path": {"Class Path": "app.jar"}})

    outcome = start_checked(wapp)

    assert outcome.code == MINUS_ONE
    assert outcome.log == [], "the VM was created"
    if "box" in case:
        jvm_path = win_path(home) + "\\bin\\client\\jvm.dll"
        assert outcome.texts() == [case["box"].format(jvm=jvm_path, code=case.get("code"))]
    else:
        message = outcome.not_found_message()
        assert "was not found" in message and case["not_found"] in message, message


# ---------------------------------------------------------------- splash pictures

def bitmap(width, height):
    row = (width * 3 + 3) // 4 * 4
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, row * height, 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + row * height, 0, 0, 54) + info + b"\x80" * (row * height)


# What lies at "Splash Screen"; a picture that is no whole bitmap shows no
# splash, and the launch goes on as without one.
SPLASH_CASES = [
    dict(name="a whole bitmap (for reference)", data=bitmap(64, 32), splash=True),
    dict(name="garbage", data=garbage(5, 5000), splash=False),
    dict(name="bitmap cut in the middle of its pixels", data=bitmap(64, 32)[:54 + 64 * 3 * 16], splash=False),
    dict(name="bitmap header only", data=bitmap(64, 32)[:54], splash=False),
    dict(name="bitmap claiming 60000 x 60000 pixels", data=bitmap(64, 32)[:18] + struct.pack("<ii", 60000, 60000)
         + bitmap(64, 32)[26:], splash=False),
    dict(name="empty file", data=b"", splash=False),
    dict(name="a folder", data=None, splash=False),
    dict(name="no file", data=False, splash=False),
]


@pytest.mark.parametrize("case", SPLASH_CASES, ids=lambda c: c["name"])
def test_splash_pictures(wapp, case):
    home = wapp.home("jre")
    wapp.write_settings({JRE: {"Main Class": "com.example.App", "JRE Path": win_path(home)},
                         "Class Path": {"Class Path": "app.jar"}, "Display": {"Splash Screen": "splash.bmp"}})
    picture = wapp.folder / "splash.bmp"
    if case["data"] is None:
        picture.mkdir()
    elif case["data"] is not False:
        picture.write_bytes(case["data"])

    # main stays a moment, so that a splash would be seen.
    outcome = start_checked(wapp, env={"STANDIN_MAIN_SLEEP_MS": "1000"})

    assert_launched(outcome)
    splashes = [e for e in outcome.events if e["event"] == "window" and e.get("class") == "SplashScreenWindow"]
    assert bool(splashes) == case["splash"], outcome.events


# ---------------------------------------------------------------- hand-over area

def read_area(area):
    """The arguments in an argument area, as the first instance reads them."""
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


def ascii_of(text):
    """The ASCII characters of a text, but for '?', which the stand-in's log
    writes for a lone surrogate (bytes ED A0 80 and the like decode to one)."""
    return "".join(c for c in text if ord(c) < 0x80 and c != "?")


# What another process writes over the 1040 bytes of arguments before it
# posts the message; secondaryMain receives what the reading rules give.
AREA_CASES = [
    dict(name="ASCII garbage with zero bytes", area=garbage(7, 1040, without=bytes(range(0x80, 0x100)))),
    dict(name="no zero byte at all", area=garbage(8, 1040, without=b"\0" + bytes(range(0x80, 0x100)))),
    dict(name="every byte value but '?'", area=garbage(9, 1040, without=b"?")),
    dict(name="one empty argument, then a zero-filled area", area=bytes(1040)),
    dict(name="a text ending exactly at the area's end", area=b"a\0" + b"b" * 1037 + b"\0"),
]


def single_instance(app):
    home = app.home("jre")
    app.write_settings({JRE: {"Main Class": "com.example.App", "JRE Path": win_path(home)},
                        "Class Path": {"Class Path": "app.jar"}, "Application": {"Single Instance": "yes"}})


def start_first(app, env):
    first = app.spawn("first", env=env, timeout=60)
    deadline = time.monotonic() + 60
    while not [e for e in app.read_log() if e.get("event") == "main"]:
        assert first.running(), "the first instance ended early"
        assert time.monotonic() < deadline, "main of the first instance was never called"
        time.sleep(0.05)
    return first


def write_area(app, mode, data):
    name = win_path(app.exe).replace("\\", "_")
    events = robot_events(app.wine.run([app.tools.badinput, "area", name, mode, data.hex()]).stdout)
    assert events and events[0]["event"] == "written", events
    return events[0]


@pytest.mark.parametrize("case", AREA_CASES, ids=lambda c: c["name"])
def test_garbage_in_the_hand_over_area(wapp, case):
    single_instance(wapp)
    before = wapp.settings_file.read_bytes()
    # main returns once secondaryMain has been called.
    first = start_first(wapp, {"STANDIN_MAIN_WAIT_SECONDARY": "1"})

    assert write_area(wapp, "arguments", case["area"])["posted"]
    outcome = first.wait()

    assert outcome.boxes == [] and outcome.code == 0
    calls = outcome.logged("secondary_main")
    assert len(calls) == 1
    received = [a["text"] for a in calls[0]["args"]]
    expected = [b.decode("utf-8", "replace") for b in read_area(case["area"])]
    assert len(received) == len(expected)
    assert [ascii_of(r) for r in received] == [ascii_of(e) for e in expected]
    if all(b < 0x80 for b in case["area"]):
        assert received == expected
    assert wapp.settings_file.read_bytes() == before


# A whole area overwritten, the listener's thread id and message number
# included: later starts cannot reach the first instance and end with -1
# without a message (at once when the id names no thread, within the 5 s
# bound when it is 0), while the first instance runs on unharmed.
WHOLE_AREA_CASES = [
    dict(name="garbage header", area=garbage(10, 1048)),
    dict(name="zero header", area=bytes(1048)),
]


@pytest.mark.parametrize("case", WHOLE_AREA_CASES, ids=lambda c: c["name"])
def test_garbage_over_the_whole_area(wapp, case):
    single_instance(wapp)
    before = wapp.settings_file.read_bytes()
    first = start_first(wapp, {"STANDIN_MAIN_SLEEP_MS": "10000"})

    write_area(wapp, "whole", case["area"])
    later = wapp.spawn("second", timeout=30).wait()

    assert not later.timed_out
    assert later.boxes == [] and later.code == MINUS_ONE
    assert first.running(), "the first instance ended with the later start"
    outcome = first.wait()
    assert outcome.code == 0
    assert len(outcome.logged("main")) == 1 and outcome.logged("secondary_main") == []
    assert wapp.settings_file.read_bytes() == before


# ---------------------------------------------------------------- long paths

def test_launcher_in_a_folder_deeper_than_259_characters(wine, tools, tmp_path):
    """Windows programs cannot be started from such a folder by CreateProcess
    (error 123), but Wine starts them from its command line. The settings
    file beside the launcher then cannot be read through the profile
    functions, which stop at 260 characters, and the user is told that the
    main class is missing."""
    folder = tmp_path / "app"
    for part in ("d" * 60, "e" * 60, "f" * 60, "g" * 60):
        folder = folder / part
    app = App(wine, tools, folder)
    assert len(win_path(app.settings_file)) > 259
    home = app.home("jre")
    app.write_settings({JRE: {"Main Class": "com.example.App", "JRE Path": win_path(home)},
                        "Class Path": {"Class Path": "app.jar"}})
    before = app.settings_file.read_bytes()

    process, out, err = wine.spawn([str(app.exe), "x"], env=app.env)
    try:
        shown = robot_events(wine.run([tools.robot, "dialog", "--title", "Error", "--wait", "30"]).stdout)
        assert shown and shown[0]["event"] == "dialog", shown
        texts = [c["text"] for c in shown[0]["controls"] if c["class"].lower() == "static" and c["text"]]
        pressed = robot_events(wine.run([tools.robot, "press", "--title", "Error", "--id", "1"]).stdout)
        assert pressed and pressed[0].get("pressed"), pressed
        code = process.wait(timeout=60)
    finally:
        if process.poll() is None:
            process.kill()
        out.close()
        err.close()

    assert texts == [NO_MAIN_CLASS]
    assert code == 255  # -1, as the Unix side of Wine reports it
    assert app.read_log() == []
    assert app.settings_file.read_bytes() == before


def test_jre_path_longer_than_259_characters(wapp):
    home = wapp.home("long/" + "h" * 120 + "/" + "i" * 120)
    assert len(win_path(home)) > 259
    wapp.write_settings({JRE: {"Main Class": "com.example.App", "JRE Path": win_path(home), "Minimum Version": "99"},
                         "Class Path": {"Class Path": "app.jar"}})

    outcome = start_checked(wapp)

    # The system's file search stops at 260 characters: the folder is passed
    # over like one without a runtime.
    assert outcome.code == MINUS_ONE
    assert "was not found" in outcome.not_found_message()
    assert outcome.log == []
