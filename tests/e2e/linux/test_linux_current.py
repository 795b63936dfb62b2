# The Linux launcher with what today's machines have: a runtime named by
# JAVA_HOME, and the decision trace.
import os

import pytest

from linuxlaunch import FindJdks, ReadReport

JDKS = FindJdks()


@pytest.fixture
def newer_runtime(tmp_path, jdks):
    """A runtime whose release file claims a version above every installed
    one: the real JDK's files, linked, with a release file of its own."""
    real = jdks[0].home.resolve()
    home = tmp_path / "newer-jdk"
    home.mkdir()
    for entry in real.iterdir():
        if entry.name != "release":
            (home / entry.name).symlink_to(entry)
    (home / "release").write_text('JAVA_VERSION="99.0.1"\n')
    return home


def test_java_home_is_tried_after_the_installed_runtimes(app, settings, newer_runtime, tmp_path):
    report = tmp_path / "report.txt"
    java = {"Minimum Version": "99"}

    found = app(settings(vm=f"-Dout={report}", java=java), ["x"], env={"JAVA_HOME": str(newer_runtime)})
    assert found.code == 0, found.stderr
    properties, arguments = ReadReport(report)
    assert [text for _, text in arguments] == ["x"]
    assert properties["KX_JVM_HOME"] == str(newer_runtime)

    # Outside the range, JAVA_HOME is passed over like any runtime.
    refused = app(settings(java={"Minimum Version": "100"}), env={"JAVA_HOME": str(newer_runtime)})
    assert refused.code == 255
    assert "minimum version 100" in refused.stderr


def test_trace_file_tells_every_decision(app, settings, jdks, tmp_path):
    trace = tmp_path / "trace.txt"
    above = max(j.major for j in jdks)
    run = app(settings(java={"Minimum Version": str(above)}), env={"KX_LAUNCHER_TRACE": str(trace)})
    assert run.code == 0, run.stderr
    text = trace.read_text()
    for expected in ["settings file ", "source JRE Path: not set", "source beside the executable: no runtime",
                     "source installed runtimes:", "outside the range", "candidates in order:", "chosen: ",
                     "VM options:\n  -Djava.class.path=", "create the VM: done", "exit code 0"]:
        assert expected in text, f"missing {expected!r} in:\n{text}"


def test_no_trace_file_without_the_variable(app, settings, tmp_path):
    run = app(settings())
    assert run.code == 0, run.stderr
    assert not list(tmp_path.rglob("trace*"))
