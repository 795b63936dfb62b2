# The bundled example with its settings template, laid out as a user ships it.
import os
import shutil
import subprocess

from linuxlaunch import ROOT, RunLauncher, VersionKey


def test_example_runs_with_its_template_settings(jdks, launcher, tmp_path):
    javac = next(j.home / "bin" / "javac" for j in jdks if j.has_javac and j.major >= 9)
    classes, folder = tmp_path / "classes", tmp_path / "app"
    sources = [str(p) for p in (ROOT / "example" / "src").rglob("*.java")]
    subprocess.run([str(javac), "--release", "8", "-Xlint:-options", "-d", str(classes), *sources], check=True)
    folder.mkdir()
    subprocess.run([str(javac.parent / "jar"), "--create", "--file", str(folder / "hello.jar"), "-C", str(classes),
                    "."], check=True)
    shutil.copy2(ROOT / "example" / "hello.ini", folder / "hello.ini")

    run = RunLauncher(folder, "hello", None, ["first argument", "-nosplash"])
    assert run.code == 0, run.Describe()
    lines = [line.strip() for line in run.stdout.splitlines()]
    assert lines[0].startswith("Hello"), run.Describe()
    assert "[0] first argument" in lines and "[1] -nosplash" in lines, run.Describe()
    values = dict(line.split(None, 1) for line in lines if line.startswith(("java.home", "KX_JVM_")))
    # The newest installed runtime is at least 1.8, so no setting narrows the choice.
    newest = max(jdks, key=lambda j: VersionKey(j.version))
    assert values["java.home"] == values["KX_JVM_HOME"], run.Describe()
    assert values["KX_JVM_PATH"] == values["KX_JVM_HOME"] + "/lib/server/libjvm.so", run.Describe()
    assert os.path.realpath(values["java.home"]) == str(newest.real_home), run.Describe()
