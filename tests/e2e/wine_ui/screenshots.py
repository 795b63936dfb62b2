#!/usr/bin/python3
"""Screenshots of the launcher's windows under Wine, for looking at them:

    /usr/bin/python3 tests/e2e/wine_ui/screenshots.py [OUTPUT_FOLDER]

writes into build/screenshots/ (or OUTPUT_FOLDER):
    splash.png            a 400 x 300 splash picture on the 1024 x 768 screen
    dialog.png            the JRE Not Found dialog as it opens
    dialog-link.png       its message and link, three times enlarged
    dialog-hover.png      the mouse resting on the link: the tooltip
    browser.png           the shell's folder browser over the dialog
    dialog-browsed.png    the dialog after browsing to a Java home: OK enabled
    dialog-visited.png    the link after it was opened: the visited colour

It uses a Wine prefix of its own (build/screenshots/wineprefix) in which Wine
draws the window frames itself, since the private X server has no window
manager. Needs scripts/build windows first."""

import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from uihelpers import (ADDRESS, LAUNCHER, NOT_FOUND, ROBOT, ROOT, TITLE, Wine, Xvfb, bitmap_bytes, make_java_home,  # noqa: E402
                       missing_programs, wait_for, win_path, write_ini)


def splash_picture(path):
    """A gradient inside a 4-pixel orange frame, so that its edges show."""
    def colour(x, y):
        if x < 4 or y < 4 or x >= 396 or y >= 296:
            return (240, 160, 48)
        return (40 + x // 4, 60, 160 - y // 3)
    path.write_bytes(bitmap_bytes(400, 300, colour))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "build" / "screenshots"
    missing = missing_programs()
    if missing:
        sys.exit("not built: " + ", ".join(missing))
    out.mkdir(parents=True, exist_ok=True)
    work = out / "work"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir()

    server = Xvfb()
    try:
        wine = Wine(out / "wineprefix", server.display)
        wine.ensure_prefix()
        wine.set_reg(r"HKCU\Software\Wine\X11 Driver", "Decorated", "N")
        # Opening the link records the address instead of starting a browser.
        record = work / "opened.jsonl"
        wine.set_reg(r"HKCR\https\shell\open\command", None,
                     '"%s" record %s "%%1"' % (win_path(ROBOT), win_path(record)))
        home = make_java_home(wine.prefix / "drive_c" / "Java" / "jre1.8", ("client",))
        app = work / "app"
        app.mkdir()
        shutil.copy(LAUNCHER, app / "app.exe")
        splash_picture(app / "splash.bmp")

        def robot(*args):
            return wine.robot(*args)

        # The splash, while main runs for a few seconds.
        write_ini(app / "app.ini", {"Java Runtime Environment": {"Main Class": "com.example.App",
                                                                 "JRE Path": win_path(home)},
                                    "Class Path": {"Class Path": "app.jar"},
                                    "Display": {"Splash Screen": "splash.bmp"}})
        launch = wine.start('"%s"' % win_path(app / "app.exe"), app, {"STANDIN_MAIN_SLEEP_MS": "4000"})
        robot("dialog", "--class", "SplashScreenWindow")
        time.sleep(0.5)
        server.screenshot(out / "splash.png")
        launch.wait()

        # The dialog.
        settings = {"Main Class": "com.example.App"}
        settings.update(NOT_FOUND)
        write_ini(app / "app.ini", {"Java Runtime Environment": settings, "Class Path": {"Class Path": "app.jar"}})
        launch = wine.start('"%s"' % win_path(app / "app.exe"), app)
        dialog = robot("dialog", "--title", TITLE)
        time.sleep(0.5)
        server.screenshot(out / "dialog.png")
        l, t, r, b = dialog["rect"]
        subprocess.run(["convert", str(out / "dialog.png"), "-crop", "%dx%d+%d+%d" % (r - l, (b - t) // 2, l, t),
                        "+repage", "-scale", "300%", str(out / "dialog-link.png")], check=True)

        robot("move", "--title", TITLE, "--id", "205", "--at", "20,5")
        wait_for(lambda: any(t["visible"] for t in robot("tooltip", "--title", TITLE, "--id", "205")["tips"]), 5)
        time.sleep(0.3)
        server.screenshot(out / "dialog-hover.png")
        robot("move", "--title", TITLE, "--id", "203")

        robot("press", "--title", TITLE, "--id", "202")
        robot("dialog", "--title", "Browse for Folder")
        time.sleep(0.8)
        server.screenshot(out / "browser.png")
        robot("browse", "--title", "Browse for Folder", "--path", "C:\\Java\\jre1.8")
        wait_for(lambda: [c for c in robot("dialog", "--title", TITLE)["controls"] if c["id"] == 1][0]["enabled"], 10)
        time.sleep(0.3)
        server.screenshot(out / "dialog-browsed.png")

        robot("key", "--title", TITLE, "--id", "205", "--key", "space")
        wait_for(lambda: record.exists() and ADDRESS in record.read_text(), 20)
        time.sleep(0.3)
        server.screenshot(out / "dialog-visited.png")
        robot("press", "--title", TITLE, "--id", "2")
        launch.wait()
    finally:
        server.stop()
    for name in sorted(p.name for p in out.glob("*.png")):
        print(out / name)


if __name__ == "__main__":
    main()
