# The JRE Not Found dialog under Wine: controls, texts, sizes, tab order and place; Cancel, Escape and the close box; browsing to good and bad folders; OK writing "JRE Path" for the next start.

from uihelpers import (ADDRESS, EXIT_FAILED, NOT_FOUND, TITLE, WS_BORDER, WS_DISABLED, WS_EX_CLIENTEDGE, read_log,
                       wait_for)

TEXT_207 = "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE (%s) from:"
TEXT_206 = ("The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a server JVM "
            "(%s) from:")
HINT = "If you have a JRE installed you can browse for it below:"
SS_NOTIFY = 0x100

# Dialog resource 201 in template order: id, class, text, x, y, width, height (dialog units), style.
TEMPLATE = [
    (1, "Button", "OK", 107, 122, 50, 14, 0x50010001),
    (2, "Button", "Cancel", 161, 122, 50, 14, 0x50010000),
    (201, "Edit", "", 60, 89, 94, 14, 0x50810880),
    (-1, "Static", "JRE Path:", 12, 92, 45, 8, 0x50020000),
    (202, "Button", "Browse...", 157, 89, 50, 14, 0x50010000),
    (-1, "Button", "Missing JRE", 8, 11, 203, 103, 0x50000007),
    (203, "Static", None, 44, 24, 147, 25, 0x50020000),
    (205, "Static", ADDRESS, 44, 55, 75, 8, 0x50020000),
    (204, "Static", "", 16, 26, 21, 20, 0x50000003),
    (206, "Static", HINT, 12, 73, 195, 8, 0x50020000),
]


def mul_div(a, b, c):
    """MulDiv for the non-negative numbers of a template: rounded to nearest."""
    return (2 * a * b + c) // (2 * c)


def centred(low, high, size):
    """One axis of a dialog centred on the work area and kept inside it."""
    edge = (low + high) // 2 - size // 2
    if edge < low:
        return low
    return high - size if edge + size > high else edge


def controls_of(dialog):
    return {c["id"]: c for c in dialog["controls"] if c["id"] != -1}


def ok_state(robot):
    d = robot("dialog", "--title", TITLE)
    c = controls_of(d)
    return c[1]["enabled"], c[201]["text"]


def browse(robot, *how):
    robot("press", "--title", TITLE, "--id", "202")
    event = robot("browse", "--title", "Browse for Folder", *how)
    assert event["statics"][0] == "Browse for JRE folder"
    return event


def test_dialog_controls_texts_sizes_and_place(app, robot):
    cases = [
        ({}, TEXT_207 % "minimum version 42"),
        ({"JVM Type": "server"}, TEXT_206 % "minimum version 42"),
        ({"JVM Type": "favor_server", "Maximum Version": "42.1"}, TEXT_207 % "version between 42 and 42.1"),
    ]
    for java, message in cases:
        settings = dict(NOT_FOUND)
        settings.update(java)
        app.settings(java=settings)
        launch = app.start()
        d = robot("dialog", "--title", TITLE)
        robot("press", "--title", TITLE, "--id", "2")
        launch.wait()
        assert launch.exit_code == EXIT_FAILED, launch.describe()
        if java:
            assert controls_of(d)[203]["text"] == message, java
            continue

        # Every control of the template, in its order, at its size.
        bx, by = d["baseUnits"]
        assert [(c["id"], c["class"]) for c in d["controls"]] == [(t[0], t[1]) for t in TEMPLATE]
        for (cid, cls, text, x, y, w, h, style), c in zip(TEMPLATE, d["controls"]):
            name = "%s %d" % (cls, cid)
            assert c["text"] == (message if cid == 203 else text), name
            left, top = mul_div(x, bx, 4), mul_div(y, by, 8)
            if cid == 204:
                # The icon control takes the size of the icon set into it.
                assert c["rect"][:2] == [left, top], name
            else:
                assert c["rect"] == [left, top, left + mul_div(w, bx, 4), top + mul_div(h, by, 8)], name
            expected = style | (SS_NOTIFY if cid == 205 else 0) | (WS_DISABLED if cid == 1 else 0)
            # The system draws an edit's border as a sunken client edge.
            assert c["style"] & ~WS_BORDER == expected & ~WS_BORDER, "%s: %#x" % (name, c["style"])
            if cid == 201:
                assert c["style"] & WS_BORDER or c["exstyle"] & WS_EX_CLIENTEDGE, name
        assert not controls_of(d)[1]["enabled"], "OK is disabled before any browse"
        assert d["tabOrder"] == [2, 201, 202], "OK is disabled, the link has no tab stop"
        assert d["owner"] == 0 and d["ownerClass"] == ""

        # Centred on the work area (no owner), without a change of size.
        wl, wt, wr, wb = d["workArea"]
        l, t, r, b = d["rect"]
        width, height = r - l, b - t
        assert l == centred(wl, wr, width) and t == centred(wt, wb, height), d
        client = d["client"]
        assert client[2] - client[0] == mul_div(219, bx, 4) and client[3] - client[1] == mul_div(145, by, 8)

        # The box as the robot's watcher saw it: the error icon, the texts.
        boxes = launch.of("box")
        assert boxes and boxes[0]["caption"] == TITLE and boxes[0]["iconKind"] == "error", launch.describe()


def test_cancel_escape_and_close_box_end_the_launch_and_write_nothing(app, robot, runtimes):
    def cancel(r):
        r("press", "--title", TITLE, "--id", "2")

    def escape(r):
        r("key", "--title", TITLE, "--key", "escape")

    def close_box(r):
        r("close", "--title", TITLE)

    def cancel_after_a_good_browse(r):
        browse(r, "--path", runtimes.windows("client"))
        assert ok_state(r) == (True, runtimes.windows("client"))
        cancel(r)

    def ok_while_disabled_then_escape(r):
        event = r("press", "--title", TITLE, "--id", "1")
        assert event["enabled"] is False and event["pressed"] is False
        escape(r)

    for action in (cancel, escape, close_box, cancel_after_a_good_browse, ok_while_disabled_then_escape):
        app.settings(java=NOT_FOUND)
        before = app.ini.read_bytes()
        launch = app.start()
        action(robot)
        launch.wait()
        assert launch.exit_code == EXIT_FAILED, "%s: %s" % (action.__name__, launch.describe())
        assert app.ini.read_bytes() == before, action.__name__
        assert read_log(app.log) == [], "%s: no VM" % action.__name__


def test_browsing_enables_ok_only_for_a_java_home_and_ok_remembers_it(app, robot, runtimes):
    app.settings(java=NOT_FOUND)
    launch = app.start()
    assert ok_state(robot) == (False, "")

    good, bad = runtimes.windows("client"), runtimes.windows("client\\bin")
    steps = [
        # how, OK enabled after it, edit text after it
        (("--path", good), True, good),
        (("--path", bad), False, bad),
        (("--path", runtimes.windows("empty")), False, runtimes.windows("empty")),
        (("--path", good), True, good),
        (("--cancel", "yes"), True, good),
    ]
    for how, enabled, text in steps:
        browse(robot, *how)
        assert wait_for(lambda: ok_state(robot) == (enabled, text), 10), "%s: %s" % (how, ok_state(robot))
    assert robot("dialog", "--title", TITLE)["tabOrder"] == [1, 2, 201, 202]

    robot("press", "--title", TITLE, "--id", "1")
    launch.wait()
    assert launch.exit_code == 0, launch.describe()
    library = good + "\\bin\\client\\jvm.dll"
    created = [e for e in read_log(app.log) if e["event"] == "create_java_vm"]
    assert [e["env"]["KX_JVM_PATH"] for e in created] == [library], "this start loads it"
    assert "JRE Path=%s\\\r\n" % good in app.ini.read_bytes().decode("latin-1")

    # The next start takes it from the settings file without asking.
    app.log.unlink()
    again = app.start(press="ok").wait()
    assert again.exit_code == 0 and again.of("box") == [], again.describe()
    created = [e for e in read_log(app.log) if e["event"] == "create_java_vm"]
    assert [e["env"]["KX_JVM_PATH"] for e in created] == [library]


def test_the_jvm_type_decides_which_folder_qualifies(app, robot, runtimes):
    cases = [
        # JVM Type, folder, OK enabled
        (None, "server", True),
        ("server", "client", False),
        ("server", "both", True),
        ("favor_server", "client", True),
    ]
    for jvm_type, folder, enabled in cases:
        settings = dict(NOT_FOUND)
        settings["JVM Type"] = jvm_type
        app.settings(java=settings)
        launch = app.start()
        browse(robot, "--path", runtimes.windows(folder))
        path = runtimes.windows(folder)
        assert wait_for(lambda: ok_state(robot) == (enabled, path), 10), "%s %s: %s" % (jvm_type, folder,
                                                                                           ok_state(robot))
        robot("press", "--title", TITLE, "--id", "2")
        launch.wait()


def test_a_drive_root_keeps_its_one_backslash(app, robot, root_runtime):
    app.settings(java=NOT_FOUND)
    launch = app.start()
    root = root_runtime
    browse(robot, "--path", root)
    assert wait_for(lambda: ok_state(robot) == (True, root), 10), ok_state(robot)
    robot("press", "--title", TITLE, "--id", "1")
    launch.wait()
    assert launch.exit_code == 0, launch.describe()
    text = app.ini.read_bytes().decode("latin-1")
    assert "JRE Path=%s\r\n" % root in text and "\\\\" not in text
    created = [e for e in read_log(app.log) if e["event"] == "create_java_vm"]
    assert [e["env"]["KX_JVM_PATH"] for e in created] == [root + "bin\\client\\jvm.dll"]
