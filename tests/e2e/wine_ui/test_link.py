# The download link of the JRE Not Found dialog under Wine: link and visited colours (default and from the browser settings), the hand cursor and the tooltip over the text only, opening by click, Space and a typed carriage return.
import pytest

from uihelpers import ADDRESS, NOT_FOUND, TITLE, read_log, wait_for, x_cursor

# The hand as it must look, hotspot at its fingertip (5, 0).
HAND = [
    ".....##.........................", "....#oo#........................", "....#oo#........................",
    "....#oo#........................", "....#oo#........................", "....#oo###......................",
    "....#oo#oo###...................", "....#oo#oo#oo##.................", "....#oo#oo#oo#o#................",
    "###.#oo#oo#oo#oo#...............", "#oo##oooooooo#oo#...............", "#ooo#ooooooooooo#...............",
    ".#oo#ooooooooooo#...............", "..#o#ooooooooooo#...............", "..#ooooooooooooo#...............",
    "...#oooooooooooo#...............", "...#ooooooooooo#................", "....#oooooooooo#................",
    "....#oooooooooo#................", ".....#oooooooo#.................", ".....#oooooooo#.................",
    ".....##########.................",
] + ["." * 32] * 10


def colours(robot):
    """The colours in the link control, as {rrggbb: pixels}."""
    return dict(robot("pixels", "--title", TITLE, "--id", "205")["colours"])


def opened_targets(record):
    return [e["args"] for e in read_log(record)] if record.exists() else []


def link_rect(robot):
    tips = robot("tooltip", "--title", TITLE, "--id", "205")["tips"]
    assert len(tips) == 1 and len(tips[0]["tools"]) == 1, tips
    return tips[0]["tools"][0]


@pytest.fixture
def dialog(app, robot, opened):
    """The dialog on the screen, with nothing opened yet."""
    opened.unlink(missing_ok=True)
    app.settings(java=NOT_FOUND)
    launch = app.start()
    robot("dialog", "--title", TITLE)
    yield launch
    robot("press", "--title", TITLE, "--id", "2")
    launch.wait()


def test_tooltip_and_hand_cursor_over_the_text_only(dialog, robot, xserver):
    tool = link_rect(robot)
    assert tool["text"] == ADDRESS and tool["id"] == 1 and tool["flags"] == 0
    # The address fits its control (75 x 8 dialog units) on one line.
    control = [c for c in robot("dialog", "--title", TITLE)["controls"] if c["id"] == 205][0]
    width, height = control["rect"][2] - control["rect"][0], control["rect"][3] - control["rect"][1]
    left, top, right, bottom = tool["rect"]
    assert (left, top) == (0, 0) and 0 < right <= width and 0 < bottom <= height, (tool["rect"], control["rect"])

    robot("move", "--title", TITLE, "--id", "205", "--at", "%d,%d" % (right // 2, bottom // 2))
    cursor = wait_for(lambda: (x_cursor(xserver.display) or (None, None)), 5)
    if cursor[0] is None:
        pytest.skip("libXfixes is not there to read the cursor")
    assert wait_for(lambda: x_cursor(xserver.display) == ((5, 0), HAND), 5), x_cursor(xserver.display)
    assert wait_for(lambda: link_rect(robot) and robot("tooltip", "--title", TITLE, "--id", "205")["tips"][0]["visible"],
                    5), "the tooltip shows over the text"

    if right + 2 < width:
        # Beside the text, inside the control: no hand.
        robot("move", "--title", TITLE, "--id", "205", "--at", "%d,%d" % (right + 2, bottom // 2))
        assert wait_for(lambda: x_cursor(xserver.display)[1] != HAND, 5)
        assert wait_for(lambda: not robot("tooltip", "--title", TITLE, "--id", "205")["tips"][0]["visible"], 5)


def test_click_space_and_carriage_return_open_the_address(dialog, robot, opened, link_colours):
    before = colours(robot)
    assert before.get("0000ff", 0) > 20, "drawn in blue: %s" % before
    tool = link_rect(robot)
    right, bottom = tool["rect"][2], tool["rect"][3]

    # A press beside the text opens nothing.
    control = [c for c in robot("dialog", "--title", TITLE)["controls"] if c["id"] == 205][0]
    if right + 2 < control["rect"][2] - control["rect"][0]:
        robot("click", "--title", TITLE, "--id", "205", "--at", "%d,%d" % (right + 2, bottom // 2))
        assert not wait_for(lambda: opened_targets(opened), 3), opened_targets(opened)

    robot("click", "--title", TITLE, "--id", "205", "--at", "%d,%d" % (right // 2, bottom // 2))
    assert wait_for(lambda: len(opened_targets(opened)) == 1, 20), opened_targets(opened)
    assert opened_targets(opened) == [[ADDRESS]]
    after = wait_for(lambda: colours(robot).get("800080", 0) > 20 and colours(robot), 5)
    assert after and after.get("0000ff", 0) == 0, "visited: purple, no blue left: %s" % after

    robot("key", "--title", TITLE, "--id", "205", "--key", "space")
    assert wait_for(lambda: len(opened_targets(opened)) == 2, 20), opened_targets(opened)
    robot("key", "--title", TITLE, "--id", "205", "--char", "13")
    assert wait_for(lambda: len(opened_targets(opened)) == 3, 20), opened_targets(opened)
    # Other characters do nothing; the Enter key is the dialog's default
    # button (OK, disabled here), so it neither opens nor ends anything.
    robot("key", "--title", TITLE, "--id", "205", "--key", "a")
    robot("key", "--title", TITLE, "--id", "205", "--key", "enter")
    assert not wait_for(lambda: len(opened_targets(opened)) > 3, 3)
    assert robot("dialog", "--title", TITLE)["title"] == TITLE


def test_link_colours_come_from_the_browser_settings(app, robot, opened, link_colours):
    cases = [
        # Anchor Color, Anchor Color Visited, link colour, visited colour (as rrggbb on the screen)
        ("0,128,0", "255, 0, 0", "008000", "ff0000"),
        ("255, 255, 255", "-1,0,0", "0000ff", "800080"),  # too long for the buffer; rejected
        ("a,b,c", "0,0,-1", "000000", "0000ff"),
    ]
    for anchor, visited, link_colour, visited_colour in cases:
        link_colours(anchor, visited)
        opened.unlink(missing_ok=True)
        app.settings(java=NOT_FOUND)
        launch = app.start()
        try:
            robot("dialog", "--title", TITLE)
            shown = colours(robot)
            assert shown.get(link_colour, 0) > 20, "%s: %s" % (anchor, shown)
            robot("key", "--title", TITLE, "--id", "205", "--key", "space")
            assert wait_for(lambda: len(opened_targets(opened)) == 1, 20), anchor
            assert wait_for(lambda: colours(robot).get(visited_colour, 0) > 20, 5), "%s: %s" % (visited,
                                                                                             colours(robot))
        finally:
            robot("press", "--title", TITLE, "--id", "2")
            launch.wait()
