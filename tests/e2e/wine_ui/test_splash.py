# The splash window under Wine: its class, styles and place for pictures of known size on a 1024 x 768 screen, the error box it owns, the switches that suppress it, and pictures that cannot be shown.
import pytest

from uihelpers import (CS_DBLCLKS, CS_DROPSHADOW, CS_SAVEBITS, EXIT_FAILED, WS_BORDER, WS_CAPTION,
                       WS_EX_TOOLWINDOW, WS_POPUP, WS_THICKFRAME, bitmap_bytes, make_java_home, read_log, win_path)

# main keeps running this long, so that the robot sees the splash.
MAIN_RUNS = {"STANDIN_MAIN_SLEEP_MS": "1500"}


@pytest.fixture
def java_home(tmp_path):
    return make_java_home(tmp_path / "jre", ("client",))


def splash_windows(launch):
    return [e for e in launch.of("window") if e["class"] == "SplashScreenWindow"]


def test_splash_window_is_centred_with_its_class_and_styles(app, java_home):
    cases = [
        # name, width, height, expected rect on 1024 x 768
        ("400 x 300", 400, 300, [312, 234, 712, 534]),
        ("odd free space", 901, 101, [61, 333, 962, 434]),
        # -77 / 2 is -38 toward zero (not -39): the picture overhangs both edges.
        ("wider than the screen", 1101, 60, [-38, 354, 1063, 414]),
    ]
    for name, width, height, rect in cases:
        picture = app.folder / ("splash-%dx%d.bmp" % (width, height))
        picture.write_bytes(bitmap_bytes(width, height))
        app.settings(java={"JRE Path": win_path(java_home)}, display={"Splash Screen": picture.name})
        launch = app.start(env=MAIN_RUNS).wait()
        windows = splash_windows(launch)
        assert len(windows) == 1, "%s: %s" % (name, launch.describe())
        w = windows[0]
        assert w["rect"] == rect, name
        assert w["title"] == "", name
        assert w["style"] & WS_POPUP, name
        assert not w["style"] & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), name
        assert w["exstyle"] & WS_EX_TOOLWINDOW, name
        assert launch.exit_code == 0, "%s: %s" % (name, launch.describe())


def test_shadow_only_for_exactly_true(app, java_home):
    picture = app.folder / "splash.bmp"
    picture.write_bytes(bitmap_bytes(40, 30))
    for value, shadow in [("true", True), ("True", False), ("yes", False), ("1", False), (None, False)]:
        app.settings(java={"JRE Path": win_path(java_home)},
                     display={"Splash Screen": picture.name, "Splash Screen Shadow": value})
        launch = app.start(env=MAIN_RUNS).wait()
        windows = splash_windows(launch)
        assert len(windows) == 1, "%r: %s" % (value, launch.describe())
        style = windows[0]["classStyle"]
        assert style & (CS_DBLCLKS | CS_SAVEBITS) == CS_DBLCLKS | CS_SAVEBITS, value
        assert bool(style & CS_DROPSHADOW) == shadow, "%r: class style %#x" % (value, style)


def test_error_box_is_owned_by_the_splash(app, java_home):
    picture = app.folder / "splash.bmp"
    picture.write_bytes(bitmap_bytes(200, 100))
    app.settings(java={"JRE Path": win_path(java_home)}, class_path=None, display={"Splash Screen": picture.name})
    launch = app.start(press="ok").wait()
    windows, boxes = splash_windows(launch), launch.of("box")
    assert len(windows) == 1 and len(boxes) == 1, launch.describe()
    box = boxes[0]
    assert box["text"] == "Java Class Path was not specified in INI file."
    assert box["ownerClass"] == "SplashScreenWindow"
    assert box["owner"] == windows[0]["handle"]
    # The splash was on the screen before the box, and stays until the launch ends.
    assert launch.events.index(windows[0]) < launch.events.index(box)
    assert launch.exit_code == EXIT_FAILED
    assert read_log(app.log) == [], "no VM is loaded after the message"


def test_splash_switches(app, java_home):
    picture = app.folder / "splash.bmp"
    picture.write_bytes(bitmap_bytes(64, 48))
    app.settings(java={"JRE Path": win_path(java_home)}, display={"Splash Screen": picture.name})
    cases = [
        # arguments, splash shown, what main receives
        ("-nosplash", False, ["-nosplash"]),
        ("one /nosplash two", False, ["one", "/nosplash", "two"]),
        ("-NoSplash", True, ["-NoSplash"]),
        ("-nosplash2", True, ["-nosplash2"]),
        ("", True, []),
    ]
    for arguments, shown, args in cases:
        app.log.unlink(missing_ok=True)
        launch = app.start(arguments, env=MAIN_RUNS).wait()
        assert bool(splash_windows(launch)) == shown, "%r: %s" % (arguments, launch.describe())
        assert launch.exit_code == 0, arguments
        mains = [e for e in read_log(app.log) if e["event"] == "main"]
        assert len(mains) == 1, arguments
        assert [a["text"] for a in mains[0]["args"]] == args, arguments


def test_a_picture_that_cannot_be_shown_shows_no_window(app, java_home):
    whole = bitmap_bytes(120, 90)
    cases = [
        ("missing", None),
        ("text", b"this is no picture\r\n" * 10),
        ("truncated", whole[: len(whole) // 2]),
        ("header only", whole[:54]),
        ("empty", b""),
        ("PNG named .bmp", b"\x89PNG\r\n\x1a\n" + b"\0" * 200),
    ]
    for name, content in cases:
        picture = app.folder / "picture.bmp"
        picture.unlink(missing_ok=True)
        if content is not None:
            picture.write_bytes(content)
        app.log.unlink(missing_ok=True)
        app.settings(java={"JRE Path": win_path(java_home)}, display={"Splash Screen": picture.name})
        launch = app.start(env=MAIN_RUNS).wait()
        # No window at all: no empty frame, no garbage picture.
        assert launch.of("window") == [] and launch.of("box") == [], "%s: %s" % (name, launch.describe())
        assert launch.exit_code == 0, name
        assert [e["event"] for e in read_log(app.log)].count("main") == 1, "%s: the launch goes on" % name
