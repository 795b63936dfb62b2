"""Today's Java on Windows, under Wine with the stand-in jvm.dll: runtimes
registered the way current installers do, JAVA_HOME, a runtime of the other
architecture, arguments outside the ANSI code page, and the decision trace."""

import pytest

from winehelpers import ROOT, reg_string, win_path

MINUS_ONE = 4294967295
JRE = "Java Runtime Environment"
X86_STANDIN = ROOT / "build" / "win32" / "tests" / "standin"


def settings(home=None, **java):
    runtime = {"Main Class": "com.example.App", "JRE Path": win_path(home) if home else None}
    runtime.update(java)
    return {JRE: runtime, "Class Path": {"Class Path": "app.jar"}}


def import_keys(app, keys):
    """keys: {key path below HKLM\\Software: {value name: data}}."""
    text = ""
    for key, values in keys.items():
        text += "[HKEY_LOCAL_MACHINE\\Software\\%s]\n" % key
        for name, data in values.items():
            text += "%s=%s\n" % (reg_string(name), reg_string(data))
        text += "\n"
    app.wine.import_registry(text, app.folder)


def loaded_library(outcome):
    return outcome.vm_creation()["env"]["KX_JVM_PATH"]


@pytest.mark.parametrize("case", [
    dict(name="Eclipse Adoptium", key="Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", value="Path"),
    dict(name="Microsoft", key="Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", value="Path"),
    dict(name="AdoptOpenJDK", key="AdoptOpenJDK\\JRE\\11.0.2.9\\hotspot\\MSI", value="Path"),
    dict(name="JavaSoft JDK key of Java 9 and later", key="JavaSoft\\JDK\\21.0.1", value="JavaHome"),
    dict(name="Azul Zulu", key="Azul Systems\\Zulu\\zulu-21", value="InstallationPath"),
], ids=lambda c: c["name"])
def test_current_installers_registry_keys(app, case):
    home = app.home("installed", vms=("server",))
    (home / "release").write_text('JAVA_VERSION="21.0.1"\n')
    import_keys(app, {case["key"]: {case["value"]: win_path(home) + "\\"}})
    app.write_settings(settings())

    outcome = app.start()

    assert outcome.boxes == []
    assert loaded_library(outcome) == win_path(home) + "\\bin\\server\\jvm.dll"
    assert outcome.code == 0


def test_javasoft_keys_are_asked_first(app):
    old = app.home("old")
    current = app.home("current", vms=("server",))
    import_keys(app, {
        "JavaSoft\\%s\\1.8" % JRE: {"JavaHome": win_path(old)},
        "Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI": {"Path": win_path(current)},
    })
    app.write_settings(settings())
    assert loaded_library(app.start()) == win_path(old) + "\\bin\\client\\jvm.dll"


@pytest.mark.parametrize("case", [
    dict(name="in range", release='JAVA_VERSION="17.0.9"\n', minimum="11", chosen=True),
    dict(name="outside the range", release='JAVA_VERSION="1.8.0_381"\n', minimum="11", chosen=False),
], ids=lambda c: c["name"])
def test_java_home_after_the_registry(app, case):
    home = app.home("javahome", vms=("server",))
    (home / "release").write_text(case["release"])
    app.write_settings(settings(**{"Minimum Version": case["minimum"]}))

    outcome = app.start(env={"JAVA_HOME": win_path(home)})

    if case["chosen"]:
        assert loaded_library(outcome) == win_path(home) + "\\bin\\server\\jvm.dll"
    else:
        assert "was not found" in outcome.not_found_message()


def test_a_runtime_of_the_other_architecture_is_refused_and_the_user_told_why(app):
    if not (X86_STANDIN / "jvm.dll").exists():
        pytest.skip("the x86 stand-in is not built (scripts/build)")
    bundled = app.home("jre", standin=X86_STANDIN)
    registered = app.home("registered32", standin=X86_STANDIN)
    import_keys(app, {"JavaSoft\\JDK\\17": {"JavaHome": win_path(registered)}})
    app.write_settings(settings(bundled))

    outcome = app.start()

    assert outcome.log == []  # never loaded: no error 193
    assert outcome.not_found_message() == (
        "Java runtimes were found, but only for 32-bit (x86), and this launcher is built for 64-bit (x64): "
        "use the launcher built for 32-bit (x86).\n\nThe Java Runtime Environment (JRE) was not found. "
        "Please  download and install a JRE (latest version) from:")
    assert outcome.code == MINUS_ONE


def test_arguments_outside_the_ansi_code_page_arrive_intact(app):
    home = app.home("jre")
    app.write_settings(settings(home))
    arguments = ["\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt", "\u4e2d\u6587 \u6587\u4ef6",
                 "\U0001F600", "caf\u00e9"]

    outcome = app.start(" ".join('"%s"' % a for a in arguments))

    args = outcome.main_args()
    assert [a["text"] for a in args] == arguments
    assert {a["charset"] for a in args} == {"UTF-16"}
    assert outcome.code == 0


def test_trace_names_every_source_and_decision(app):
    trace = app.folder / "trace.txt"
    home = app.home("registered")
    import_keys(app, {"JavaSoft\\%s\\1.6" % JRE: {"JavaHome": win_path(app.folder / "old")},
                      "JavaSoft\\%s\\1.8.0_381" % JRE: {"JavaHome": win_path(home)}})
    app.write_settings(settings(None, **{"Minimum Version": "1.7", "JRE Path": win_path(app.folder / "missing")}))

    outcome = app.start(env={"KX_LAUNCHER_TRACE": win_path(trace)})

    assert outcome.code == 0
    text = trace.read_text(encoding="latin-1").replace("\r\n", "\n")
    exe = win_path(app.exe)
    for expected in [
        "launcher " + exe,
        "settings file " + exe[:-3] + "ini",
        "source JRE Path: " + win_path(app.folder / "missing"),
        "no JVM library for JVM type default in " + win_path(app.folder / "missing") + "\\",
        "source beside the executable: no runtime",
        "source registry:",
        "    1.6: version 1.6 outside the range",
        "  chosen: 1.8.0.381 " + win_path(home) + "\\",
        "JVM library " + win_path(home) + "\\bin\\client\\jvm.dll",
        "VM options:\n  -Djava.class.path=app.jar",
        "create the VM: done",
        "exit code 0",
    ]:
        assert expected in text, "missing %r in:\n%s" % (expected, text)


def test_no_trace_without_the_variable(app):
    home = app.home("jre")
    app.write_settings(settings(home))
    assert app.start().code == 0
    assert not any(p.name.startswith("trace") for p in app.folder.iterdir())
