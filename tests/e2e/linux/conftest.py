# Fixtures for the Linux launcher's end-to-end tests: the built launcher, the
# compiled Java fixtures, one run per installed JDK and a private locale.
import os
import shutil
import subprocess

import pytest

from linuxlaunch import JAVA_SOURCES, LAUNCHER, FindJdks, RunLauncher

JDKS = FindJdks()


def pytest_generate_tests(metafunc):
    # Every test that takes `jdk` runs once per installed runtime, selected
    # through "JRE Path".
    if "jdk" in metafunc.fixturenames:
        metafunc.parametrize("jdk", JDKS, ids=[j.name for j in JDKS])


@pytest.fixture(scope="session")
def launcher():
    if not LAUNCHER.is_file():
        pytest.skip(f"{LAUNCHER} is missing: build it with scripts/build linux")
    return LAUNCHER


@pytest.fixture(scope="session")
def jdks():
    if not JDKS:
        pytest.skip("no runtime with a release file and lib/server/libjvm.so under /usr/lib/jvm")
    return JDKS


@pytest.fixture(scope="session")
def fixture_classes(tmp_path_factory, jdks):
    """The Java fixtures, compiled once for Java 8 so that every runtime loads them."""
    compilers = [j for j in jdks if j.has_javac and j.major >= 9]
    if not compilers:
        pytest.skip("no JDK with a javac that knows --release")
    javac = compilers[0].home / "bin" / "javac"
    classes = tmp_path_factory.mktemp("classes")
    sources = sorted(str(p) for p in JAVA_SOURCES.rglob("*.java"))
    completed = subprocess.run([str(javac), "--release", "8", "-Xlint:-options", "-d", str(classes), *sources],
                               capture_output=True, text=True)
    assert completed.returncode == 0, f"javac failed:\n{completed.stdout}{completed.stderr}"
    return classes


@pytest.fixture
def settings(fixture_classes):
    """Settings that run a fixture class: settings(main, jdk=..., vm=..., **more)
    where `more` maps sections to extra keys. A None value leaves a key out."""
    def build(main="fixture.WriteArgs", jdk=None, vm=None, class_path=None, java=None, application=None):
        runtime = {
            "Main Class": main,
            "JRE Path": str(jdk.home) if jdk else None,
            "Virtual Machine Parameters": vm,
        }
        runtime.update(java or {})
        return {
            "Java Runtime Environment": runtime,
            "Class Path": {"Class Path": str(fixture_classes) if class_path is None else class_path},
            "Application": dict(application or {}),
        }
    return build


@pytest.fixture
def app(tmp_path, launcher):
    """Runs the launcher copied into a fresh folder under `name`, beside its
    settings file: app(settings, args, name=..., env=...) -> Run."""
    def start(settings, args=(), name="app", env=None, folder=None, settings_name=None, timeout=120):
        return RunLauncher(folder or tmp_path / "app", name, settings, args, env, timeout=timeout,
                           settings_name=settings_name)
    return start


@pytest.fixture(scope="session")
def latin1_locale(tmp_path_factory):
    """Environment for a single-byte (ISO-8859-1) locale generated into a
    private folder, so that the machine's locale setup is not needed."""
    localedef = shutil.which("localedef")
    if not localedef:
        pytest.skip("localedef is not installed (package locales / libc-bin)")
    folder = tmp_path_factory.mktemp("locales")
    name = "en_US.ISO-8859-1"
    completed = subprocess.run([localedef, "-i", "en_US", "-f", "ISO-8859-1", str(folder / name)],
                               capture_output=True, text=True)
    env = {"LOCPATH": str(folder), "LC_ALL": name}
    check = subprocess.run(["locale", "charmap"], env={**os.environ, **env}, capture_output=True, text=True)
    if check.stdout.strip() != "ISO-8859-1":
        pytest.skip(f"could not generate {name}: {completed.stderr.strip() or check.stderr.strip()}")
    return env
