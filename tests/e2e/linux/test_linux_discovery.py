# Which runtime the launcher picks without a "JRE Path", and what it says when
# none fits.
import os

import pytest

from linuxlaunch import DownloadAddress, FindJdks, ReadReport, VersionKey

JDKS = FindJdks()

NOT_FOUND = "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE ({}) from:"
NOT_FOUND_SERVER = ("The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a "
                    "server JVM ({}) from:")


def NotFoundCases():
    """Settings under which no installed runtime qualifies, and the text then
    expected. Computed from what is installed so that the premise holds."""
    above = str(max((j.major for j in JDKS), default=8) + 1)
    lowest = min((VersionKey(j.version) for j in JDKS), default=(99,))
    cases = {
        "minimum above every runtime": ({"Minimum Version": above}, NOT_FOUND, f"minimum version {above}"),
        "server VM, minimum above every runtime": (
            {"Minimum Version": above, "JVM Type": "server"}, NOT_FOUND_SERVER, f"minimum version {above}"),
        "JVM Source in the wrong case searches nothing": ({"JVM Source": "favor_jdk"}, NOT_FOUND, "latest version"),
    }
    if lowest > (1, 7, 65535):
        cases["maximum below every runtime"] = ({"Maximum Version": "1.7"}, NOT_FOUND, "maximum version 1.7")
        cases["range below every runtime"] = (
            {"Minimum Version": "1.5", "Maximum Version": "1.6"}, NOT_FOUND, "version between 1.5 and 1.6")
        cases["exact version not installed"] = (
            {"Minimum Version": "1.6.0.1", "Maximum Version": "1.6.0.1"}, NOT_FOUND, "version 1.6.0.1 is required")
    if JDKS and all(j.has_javac for j in JDKS):
        cases["only JREs wanted, only JDKs installed"] = ({"JVM Source": "only_JRE"}, NOT_FOUND, "latest version")
    return cases


NOT_FOUND_CASES = NotFoundCases()


@pytest.mark.parametrize("case", NOT_FOUND_CASES)
def test_no_fitting_runtime_names_the_requirement_and_exits_255(case, jdks, app, settings):
    keys, text, phrase = NOT_FOUND_CASES[case]
    run = app(settings(java=keys))
    assert run.code == 255, f"{case}: {run.Describe()}"
    assert run.stderr == text.format(phrase) + "\n" + DownloadAddress() + "\n", f"{case}: {run.Describe()}"


def AssertRanOn(run, report, jdk, case):
    assert run.code == 0, f"{case}: {run.Describe()}"
    properties = ReadReport(report)[0]
    assert os.path.realpath(properties["java.home"]) == str(jdk.real_home), f"{case}: ran on {properties['java.home']}"
    assert properties["java.version"] == jdk.version, case
    assert os.path.realpath(properties["KX_JVM_PATH"]) == str(jdk.real_home / "lib" / "server" / "libjvm.so"), case
    assert os.path.realpath(properties["KX_JVM_HOME"]) == str(jdk.real_home), case


def test_version_range_selects_the_one_runtime_inside_it(jdk, app, settings, tmp_path):
    if sum(1 for j in JDKS if VersionKey(j.version) == VersionKey(jdk.version)) > 1:
        pytest.skip(f"more than one runtime of version {jdk.version}")
    report = tmp_path / "report.txt"
    run = app(settings(vm=f"-Dout={report}", java={"Minimum Version": jdk.version, "Maximum Version": jdk.version}))
    AssertRanOn(run, report, jdk, jdk.version)


def ChoiceCases():
    """Settings and the runtime they must choose, when at least two majors are
    installed."""
    by_major = {}
    for j in JDKS:
        by_major.setdefault(j.major, j)
    if len(by_major) < 2:
        return {}
    lowest, highest = by_major[min(by_major)], by_major[max(by_major)]
    return {
        "highest without a range": ({}, highest),
        "preferred version": ({"Preferred versions": str(lowest.major)}, lowest),
        "first preferred version that is installed": (
            {"Preferred versions": f"1.3;{lowest.major};{highest.major}"}, lowest),
        "preferred version not installed": ({"Preferred versions": "1.3"}, highest),
        "maximum version": ({"Maximum Version": str(lowest.major)}, lowest),
        "minimum version": ({"Minimum Version": str(highest.major)}, highest),
        "JDKs only": ({"JVM Source": "only_JDK"}, highest),
    }


CHOICE_CASES = ChoiceCases()


@pytest.mark.skipif(not CHOICE_CASES, reason="needs two Java major versions under /usr/lib/jvm")
@pytest.mark.parametrize("case", CHOICE_CASES or ["none"])
def test_choice_among_installed_runtimes(case, app, settings, tmp_path):
    keys, expected = CHOICE_CASES[case]
    report = tmp_path / "report.txt"
    run = app(settings(vm=f"-Dout={report}", java=keys))
    AssertRanOn(run, report, expected, case)


def test_runtime_beside_the_executable_wins_over_installed_ones(jdk, app, settings, tmp_path):
    # A bundled runtime is taken without a version check.
    folder = tmp_path / "app"
    folder.mkdir()
    (folder / "jre").symlink_to(jdk.home)
    report = tmp_path / "report.txt"
    above = str(max(j.major for j in JDKS) + 1)
    run = app(settings(vm=f"-Dout={report}", java={"Minimum Version": above}), folder=folder)
    AssertRanOn(run, report, jdk, "jre/ beside the executable")
