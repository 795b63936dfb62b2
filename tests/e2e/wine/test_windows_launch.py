"""The Windows x64 launcher under Wine with the stand-in jvm.dll: what reaches
the VM and main, the message boxes a user sees, and the exit codes."""

import pytest

from winehelpers import reg_string, win_path

MINUS_ONE = 4294967295
JRE = "Java Runtime Environment"


def basic_settings(app, home, **java):
    runtime = {"Main Class": "com.example.App", "JRE Path": win_path(home) if home else None}
    runtime.update(java)
    return {JRE: runtime, "Class Path": {"Class Path": "app.jar"}}


def test_arguments_options_and_environment_reach_the_vm(app):
    home = app.home("jre")
    app.write_settings(basic_settings(app, home))

    outcome = app.start('one "two words" -nosplash "" caf\u00e9')

    assert outcome.boxes == []
    assert outcome.code == 0
    created = outcome.vm_creation()
    assert created["options"] == ["-Djava.class.path=app.jar"]
    assert created["ignoreUnrecognized"] is False
    # jvm.dll's own dependency lies only in the home's bin folder.
    assert created["runtime"] == "standinrt"
    jvm = win_path(home) + "\\bin\\client\\jvm.dll"
    assert created["env"]["KX_JVM_PATH"] == jvm
    assert created["env"]["KX_JVM_HOME"] == win_path(home)
    args = outcome.main_args()
    assert [a["text"] for a in args] == ["one", "two words", "-nosplash", "", "caf\u00e9"]
    # Made from the UTF-16 command line, not from ANSI bytes.
    assert {a["charset"] for a in args} == {"UTF-16"}
    assert [e["event"] for e in outcome.log][-1] == "destroy_java_vm"


def test_settings_file_is_named_after_the_executable(wine, tools, tmp_path):
    from winehelpers import App
    app = App(wine, tools, tmp_path / "my.apps", name="tool.beta.exe")
    home = app.home("jre")
    app.write_settings(basic_settings(app, home))
    assert app.settings_file.name == "tool.beta.ini"
    outcome = app.start("x")
    assert outcome.code == 0
    assert outcome.main_args()[0]["text"] == "x"


@pytest.mark.parametrize("case", [
    dict(name="no main class", java={"Main Class": None},
         text="Main class was not specified in INI file."),
    dict(name="no class path", class_path=None,
         text="Java Class Path was not specified in INI file."),
    dict(name="library is no DLL", jvm=b"MZ not really",
         text="Failed to load Java VM library: {jvm} (errno = 193).\n"),
    dict(name="library without JNI_GetDefaultJavaVMInitArgs", jvm="jvm_noinit.dll",
         text="Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n"),
    dict(name="VM refuses to start", env={"STANDIN_CREATE_RESULT": "-1"},
         text="JNI exception: failed to create the Java VM.\n"),
    dict(name="unrecognised option", java={"Virtual Machine Parameters": "-Xfoo"},
         text="JNI exception: failed to create the Java VM.\n"),
    dict(name="main class missing", env={"STANDIN_CLASSES": "com/example/Other"},
         text="Could not find the main class com/example/App.\n"),
    dict(name="no main method", env={"STANDIN_NO_MAIN": "*", "STANDIN_MISSING_METHOD_QUIET": "1"},
         text="No main method found in specified class.\n"),
], ids=lambda c: c["name"])
def test_failures_show_one_error_box_and_exit_with_minus_one(app, case):
    home = app.home("jre", jvm=case.get("jvm", "jvm.dll"))
    settings = basic_settings(app, home, **case.get("java", {}))
    if "class_path" in case:
        settings["Class Path"]["Class Path"] = case["class_path"]
    app.write_settings(settings)

    outcome = app.start("a", env=case.get("env"))

    expected = case["text"].format(jvm=win_path(home) + "\\bin\\client\\jvm.dll")
    assert outcome.texts() == [expected]
    box = outcome.boxes[0]
    assert box["caption"] == "Error"
    assert box["iconKind"] == "error"
    assert box["buttons"] == ["OK"]
    assert box["owner"] == 0
    assert outcome.code == MINUS_ONE


@pytest.mark.parametrize("case", [
    dict(name="main throws", env={"STANDIN_MAIN_THROWS": "java/lang/IllegalStateException:boom"}, code=0),
    dict(name="no main, exception pending", env={"STANDIN_NO_MAIN": "*"}, code=MINUS_ONE),
    dict(name="detach fails", env={"STANDIN_DETACH_FAILS": "1"}, code=MINUS_ONE),
], ids=lambda c: c["name"])
def test_silent_outcomes_of_main(app, case):
    home = app.home("jre")
    app.write_settings(basic_settings(app, home))
    outcome = app.start(env=case["env"])
    assert outcome.boxes == []
    assert outcome.code == case["code"]


def test_no_runtime_names_the_requirement_and_the_download_address(app):
    app.write_settings(basic_settings(app, None, **{"Minimum Version": "1.4", "Maximum Version": "any"}))
    outcome = app.start()
    assert outcome.not_found_message() == (
        "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
        "(minimum version 1.4) from:")
    assert outcome.code == MINUS_ONE
    assert outcome.log == []


def register(app, entries):
    """entries: (key, version, home) with key "JDK" or "JRE"."""
    keys = {"JDK": "Java Development Kit", "JRE": JRE}
    text = ""
    for key, version, home in entries:
        text += "[HKEY_LOCAL_MACHINE\\Software\\JavaSoft\\%s\\%s]\n\"JavaHome\"=%s\n\n" % (
            keys[key], version, reg_string(win_path(home)))
    app.wine.import_registry(text, app.folder)


# Registry cases: the installed runtimes, the settings, and the home whose
# library is loaded (None: nothing fits).
REGISTRY_CASES = [
    dict(name="highest version first",
         installed=[("JRE", "1.4.2", "a"), ("JRE", "1.6.0", "b"), ("JRE", "1.5.0", "c")],
         settings={}, chosen="b\\bin\\client"),
    dict(name="range skips versions outside it",
         installed=[("JRE", "1.3.1", "a"), ("JRE", "1.4.2_06", "b"), ("JRE", "1.6", "c")],
         settings={"Minimum Version": "1.4", "Maximum Version": "1.5"}, chosen="b\\bin\\client"),
    dict(name="JDK collected before an equal JRE",
         installed=[("JRE", "1.5.0", "jre15"), ("JDK", "1.5.0", "jdk15")],
         settings={}, chosen="jdk15\\jre\\bin\\client"),
    dict(name="favor_JRE", installed=[("JDK", "1.5.0", "jdk15"), ("JRE", "1.4.2", "jre14")],
         settings={"JVM Source": "favor_JRE"}, chosen="jre14\\bin\\client"),
    dict(name="only_JDK ignores JREs", installed=[("JRE", "1.6.0", "jre16")],
         settings={"JVM Source": "only_JDK"}, chosen=None),
    dict(name="wrong-case source searches nothing", installed=[("JRE", "1.6.0", "jre16")],
         settings={"JVM Source": "favor_jre"}, chosen=None),
    dict(name="favor_server prefers a server VM",
         installed=[("JDK", "1.4.2", "jdk14", ("server",)), ("JRE", "1.5.0", "jre15")],
         settings={"JVM Type": "favor_server"}, chosen="jdk14\\jre\\bin\\server"),
    dict(name="server needs a server VM", installed=[("JRE", "1.6.0", "jre16")],
         settings={"JVM Type": "server"}, chosen=None),
    dict(name="preferred version", installed=[("JRE", "1.5.0", "a"), ("JRE", "1.4.2_06", "b"),
                                              ("JRE", "1.4.2", "c")],
         settings={"Preferred versions": "1.4"}, chosen="b\\bin\\client"),
    dict(name="first preferred entry decides", installed=[("JRE", "1.4.2", "a"), ("JRE", "1.3.1", "b")],
         settings={"Preferred versions": "1.3;1.4"}, chosen="b\\bin\\client"),
]


@pytest.mark.parametrize("case", REGISTRY_CASES, ids=lambda c: c["name"])
def test_registry_candidates(app, case):
    entries = []
    for item in case["installed"]:
        key, version, name = item[:3]
        vms = item[3] if len(item) > 3 else ("client",)
        home = app.folder / name
        app.home(name + ("/jre" if key == "JDK" else ""), vms=vms)
        entries.append((key, version, home))
    register(app, entries)
    app.write_settings(basic_settings(app, None, **case["settings"]))

    outcome = app.start()

    if case["chosen"] is None:
        assert "was not found" in outcome.not_found_message()
        assert outcome.code == MINUS_ONE
    else:
        assert outcome.boxes == []
        assert outcome.vm_creation()["env"]["KX_JVM_PATH"] == \
            win_path(app.folder) + "\\" + case["chosen"] + "\\jvm.dll"
        assert outcome.code == 0


@pytest.mark.parametrize("case", [
    dict(name="JRE Path before the folder beside", jre_path="configured", beside=True, chosen="configured"),
    dict(name="JRE Path without java.dll", jre_path="configured", marker=False, chosen="configured"),
    dict(name="JRE Path with the wrong VM type falls through", jre_path="configured", type="server",
         beside=True, beside_vms=("server",), chosen="jre", chosen_vm="server"),
    dict(name="jre folder beside before the registry", beside=True, registry=True, chosen="jre"),
    dict(name="registry last", registry=True, chosen="installed"),
], ids=lambda c: c["name"])
def test_search_order(app, case):
    if case.get("jre_path"):
        app.home(case["jre_path"], runtime_marker=case.get("marker", True))
    if case.get("beside"):
        app.home("jre", vms=case.get("beside_vms", ("client",)))
    if case.get("registry"):
        installed = app.home("installed")
        register(app, [("JRE", "1.8.0", installed)])
    java = {"JRE Path": win_path(app.folder / case["jre_path"]) if case.get("jre_path") else None,
            "JVM Type": case.get("type")}
    app.write_settings(basic_settings(app, None, **java))

    outcome = app.start()

    vm = case.get("chosen_vm", "client")
    assert outcome.vm_creation()["env"]["KX_JVM_PATH"] == \
        "%s\\%s\\bin\\%s\\jvm.dll" % (win_path(app.folder), case["chosen"], vm)


def test_vm_parameters_library_path_and_system_path(app):
    home = app.home("jre")
    app.write_settings(basic_settings(app, home, **{
        "Virtual Machine Parameters": '-Xmx10P  -Dapp.home="C:\\Program Files\\App" -Duser=%LAUNCH_USER% '
                                      '-Dundefined=%NOT_DEFINED_ANYWHERE%',
        "Library Path": "C:\\native",
        "System Path": "C:\\tools",
    }))

    outcome = app.start(env={"LAUNCH_USER": "alice"})

    created = outcome.vm_creation()
    options = created["options"]
    assert options[0] == "-Djava.class.path=app.jar"
    # 10 % of the physical memory Wine reports, in kilobytes.
    total_kb = int(open("/proc/meminfo").read().split("MemTotal:")[1].split()[0])
    heap_kb = int(options[1][len("-Xmx"):-1])
    assert options[1].startswith("-Xmx") and options[1].endswith("K")
    assert abs(heap_kb - total_kb // 10) <= total_kb // 100
    assert options[2:5] == ["-Dapp.home=C:\\Program Files\\App", "-Duser=alice",
                            "-Dundefined=%NOT_DEFINED_ANYWHERE%"]
    library = options[5]
    assert library.startswith("-Djava.library.path=C:\\native;" + win_path(app.folder) + "\\;.;")
    assert library.endswith(";" + win_path(home) + "\\lib")
    path = created["env"]["Path"]
    assert path.endswith(";C:\\tools")
    # The library path holds the Path from before "System Path" was added.
    assert "C:\\tools" not in library


def test_launcher_text_is_decoded_with_the_code_page(app):
    # The file name is launcher text in the ANSI code page: decoded with the
    # runtime's native encoding, not its default charset (UTF-8 since Java 18).
    home = app.home("jre")
    settings = basic_settings(app, home)
    settings["Application"] = {"Output File": "sortie-\u00e9t\u00e9.txt"}
    app.write_settings(settings)

    outcome = app.start(env={"STANDIN_DEFAULT_CHARSET": "UTF-8", "STANDIN_MAIN_OUT": "bonjour"})

    assert [e["file"] for e in outcome.logged("set_out")] == ["sortie-\u00e9t\u00e9.txt"]
    assert "bonjour" in (app.folder / "sortie-\u00e9t\u00e9.txt").read_text()


def test_standard_streams_redirected_to_files(app):
    home = app.home("jre")
    settings = basic_settings(app, home)
    settings["Application"] = {"Output File": "out.txt", "Error File": win_path(app.folder / "err.txt")}
    app.write_settings(settings)
    (app.folder / "out.txt").write_text("old contents")

    outcome = app.start(env={"STANDIN_MAIN_OUT": "to out", "STANDIN_MAIN_ERR": "to err"})

    assert outcome.code == 0
    assert [e["file"] for e in outcome.logged("set_out")] == ["out.txt"]
    assert [e["file"] for e in outcome.logged("set_err")] == [win_path(app.folder / "err.txt")]
    # Relative to the current directory, and emptied first.
    assert "old contents" not in (app.folder / "out.txt").read_text()
    assert "to out" in (app.folder / "out.txt").read_text()
    assert "to err" in (app.folder / "err.txt").read_text()
