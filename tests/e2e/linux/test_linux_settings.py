# The settings file: where it is found, the two required keys, and the JVM
# options built from it.
import os

import pytest

from linuxlaunch import ReadReport

# executable name, sub-folder it lies in, name of the settings file it reads
SETTINGS_NAME_CASES = {
    "no extension": ("app", ".", "app.ini"),
    "one extension": ("tool.bin", ".", "tool.ini"),
    "two dots": ("tool.beta.bin", ".", "tool.beta.ini"),
    "dot in the folder only": ("tool", "my.apps", "tool.ini"),
}


@pytest.mark.parametrize("case", SETTINGS_NAME_CASES)
def test_settings_file_is_named_after_the_executable(case, jdks, app, settings, tmp_path):
    name, subfolder, settings_name = SETTINGS_NAME_CASES[case]
    report = tmp_path / "report.txt"
    run = app(settings(jdk=jdks[0], vm=f"-Dout={report}"), ["x"], name=name,
              folder=tmp_path / subfolder / "app", settings_name=settings_name)
    assert run.code == 0, f"{case}: {run.Describe()}"
    assert ReadReport(report)[1] == [("78", "x")], case


MAIN_CLASS_MISSING = "Main class was not specified in INI file."
CLASS_PATH_MISSING = "Java Class Path was not specified in INI file."

# section, key and value written over the working settings (None: the key is
# left out; a section of None: no settings file at all), expected message
REQUIRED_KEY_CASES = {
    "no settings file": (None, None, None, MAIN_CLASS_MISSING),
    "no Main Class": ("Java Runtime Environment", "Main Class", None, MAIN_CLASS_MISSING),
    "empty Main Class": ("Java Runtime Environment", "Main Class", "", MAIN_CLASS_MISSING),
    "no Class Path": ("Class Path", "Class Path", None, CLASS_PATH_MISSING),
    "empty Class Path": ("Class Path", "Class Path", "", CLASS_PATH_MISSING),
}


@pytest.mark.parametrize("case", REQUIRED_KEY_CASES)
def test_missing_required_key_shows_its_message_and_exits_255(case, jdks, app, settings):
    section, key, value, message = REQUIRED_KEY_CASES[case]
    profile = settings(jdk=jdks[0])
    if section is None:
        profile = None
    else:
        profile[section][key] = value
    run = app(profile)
    assert run.code == 255, f"{case}: {run.Describe()}"
    assert run.stderr == message + "\n", f"{case}: {run.Describe()}"
    assert run.stdout == "", case


def OptionCases(classes, folder):
    """(JVM parameters, Library Path, environment, property, expected value or
    a test of the value)."""
    return {
        "quoted value with a space": ('"-Dshown=two words"', None, {}, "shown", "two words"),
        "quotes inside a value": ('-Dshown="a b"c', None, {}, "shown", "a bc"),
        "environment reference": ("-Dshown=%E2E_VALUE%", None, {"E2E_VALUE": "from env"}, "shown", "from env"),
        "undefined reference stays": ("-Dshown=%E2E_UNDEFINED_NAME%", None, {}, "shown", "%E2E_UNDEFINED_NAME%"),
        "class path as configured": (None, None, {}, "java.class.path", str(classes)),
        "library path, configured folders first": (
            None, "/opt/e2e-native", {}, "java.library.path",
            lambda v: v.startswith("/opt/e2e-native:") and os.path.realpath(folder) in v),
    }


def test_vm_options_built_from_the_settings(jdks, app, settings, fixture_classes, tmp_path):
    folder = tmp_path / "app"
    for case, (vm, library_path, env, name, expected) in OptionCases(fixture_classes, folder).items():
        report = tmp_path / "report.txt"
        parameters = f"-Dout={report} -Dshow={name}" + (f" {vm}" if vm else "")
        run = app(settings(jdk=jdks[0], vm=parameters, java={"Library Path": library_path}), env=env, folder=folder)
        assert run.code == 0, f"{case}: {run.Describe()}"
        value = ReadReport(report)[0][name]
        if callable(expected):
            assert expected(value), f"{case}: {name}={value}"
        else:
            assert value == expected, f"{case}: {name}"
        # The runtime's lib folder closes the library path.
        if library_path:
            assert os.path.realpath(value.rsplit(":", 1)[1]) == str(jdks[0].real_home / "lib"), f"{case}: {value}"
