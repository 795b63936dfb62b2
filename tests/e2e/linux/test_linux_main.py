# The Java main method on every installed JDK: its arguments, its exceptions,
# the threads it leaves behind, and the failures before it can run.
import os

import pytest

from linuxlaunch import ReadReport

ARGUMENT_CASES = {
    "none": [],
    "spaces and quotes": ["two words", 'say "hi"', "it's", '"', "", "  padded  ", "tab\there"],
    "splash switches among them": ["first", "-nosplash", "/nosplash", "-NoSplash", "last"],
    "non-ASCII under a UTF-8 locale": ["café", "日本語", "naïve résumé"],
}


@pytest.mark.parametrize("case", ARGUMENT_CASES)
def test_arguments_reach_main(case, jdk, app, settings, tmp_path):
    expected = ARGUMENT_CASES[case]
    report = tmp_path / "report.txt"
    run = app(settings(jdk=jdk, vm=f"-Dout={report}"), expected, env={"LC_ALL": "C.UTF-8"})
    assert run.code == 0, f"{case}: {run.Describe()}"
    properties, arguments = ReadReport(report)
    assert os.path.realpath(properties["java.home"]) == str(jdk.real_home), f"{case}: JRE Path not used"
    assert arguments == [(a.encode("utf-8").hex(), a) for a in expected], case


def test_single_byte_locale_argument_is_decoded_with_the_native_encoding(jdk, app, settings, tmp_path, latin1_locale):
    # On JDK 18 and later the default charset is UTF-8 whatever the locale;
    # the bytes of the command line are still in the locale's encoding.
    report = tmp_path / "report.txt"
    run = app(settings(jdk=jdk, vm=f"-Dout={report}"), [b"caf\xe9", b"plain", "-nosplash"], env=latin1_locale)
    assert run.code == 0, run.Describe()
    properties, arguments = ReadReport(report)
    assert properties["sun.jnu.encoding"] == "ISO-8859-1", "the generated locale did not take effect"
    assert arguments == [("636166c3a9", "café"), ("706c61696e", "plain"), ("2d6e6f73706c617368", "-nosplash")], \
        f"file.encoding={properties['file.encoding']}"


def test_exception_out_of_main_is_printed_and_exits_0(jdk, app, settings):
    run = app(settings("fixture.Throws", jdk=jdk))
    assert run.code == 0, run.Describe()
    assert "java.lang.IllegalStateException: thrown out of fixture main" in run.stderr, run.Describe()
    assert "at fixture.Throws.main" in run.stderr, run.Describe()


def test_non_daemon_thread_keeps_the_process_alive(jdk, app, settings, tmp_path):
    marker = tmp_path / "marker"
    run = app(settings("fixture.Lingering", jdk=jdk, vm=f"-Dmarker={marker}"))
    assert run.code == 0, run.Describe()
    assert marker.exists(), "the launcher exited before the application's last non-daemon thread ended"


# main class, JVM parameters, text printed by the VM before the message (or
# None), the launcher's message line (or None)
FAILURE_CASES = {
    "unrecognised VM option": ("fixture.WriteArgs", "-Xfoo", None, "JNI exception: failed to create the Java VM."),
    "missing class": ("fixture.DoesNotExist", None, "java.lang.NoClassDefFoundError: fixture/DoesNotExist",
                      "Could not find the main class fixture/DoesNotExist."),
    "class without main": ("fixture.NoMain", None, "java.lang.NoSuchMethodError", None),
}


@pytest.mark.parametrize("case", FAILURE_CASES)
def test_launch_failures_exit_255(case, jdk, app, settings):
    main, vm, printed, message = FAILURE_CASES[case]
    run = app(settings(main, jdk=jdk, vm=vm))
    assert run.code == 255, f"{case}: {run.Describe()}"
    lines = run.stderr.splitlines()
    if printed:
        assert printed in run.stderr, f"{case}: {run.Describe()}"
    if message:
        assert message in lines, f"{case}: {run.Describe()}"
    if printed and message:
        assert run.stderr.index(printed) < run.stderr.index(message), f"{case}: message before the exception"
    # A pending exception stands in for the launcher's own "no main" message.
    assert "No main method found in specified class." not in run.stderr, f"{case}: {run.Describe()}"


@pytest.mark.parametrize("parameter,percent", [("-Xmx10P", 10), ("-Xmx2.5P", 25)])
def test_heap_size_as_share_of_physical_memory(parameter, percent, jdk, app, settings, tmp_path):
    report = tmp_path / "report.txt"
    run = app(settings(jdk=jdk, vm=f"-Dout={report} {parameter}"))
    assert run.code == 0, f"{parameter}: {run.Describe()}"
    physical = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES")
    share = int(ReadReport(report)[0]["maxMemory"]) * 100 / physical
    assert percent * 0.75 <= share <= percent * 1.25, f"{parameter}: max heap is {share:.1f}% of physical memory"
