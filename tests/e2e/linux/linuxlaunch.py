# Helpers for running the Linux launcher against the runtimes under /usr/lib/jvm.
import os
import re
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
# LAUNCHER_UNDER_TEST runs the tests against another build (a sanitizer
# build, say) of the same launcher.
LAUNCHER = Path(os.environ.get("LAUNCHER_UNDER_TEST") or ROOT / "dist" / "linux-x64" / "launcher")
JAVA_SOURCES = ROOT / "tests" / "java"
INSTALLED_RUNTIMES = Path("/usr/lib/jvm")

# Options the JVM picks up from the environment would add their own lines to
# standard error and change what the runtime does.
# JAVA_HOME is one of the launcher's own sources and is set by the tests that
# want it.
JVM_ENVIRONMENT = ("JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "CLASSPATH", "JAVA_HOME",
                   "KX_LAUNCHER_TRACE")


@dataclass(frozen=True)
class Jdk:
    home: Path          # as listed under /usr/lib/jvm (may be a symbolic link)
    version: str        # JAVA_VERSION of its release file
    has_javac: bool

    @property
    def name(self):
        return self.home.name

    @property
    def major(self):
        return VersionKey(self.version)[0]

    @property
    def real_home(self):
        return Path(os.path.realpath(self.home))


def VersionKey(text):
    """The numeric groups of a version text: "1.8.0_381" -> (1, 8, 0, 381)."""
    return tuple(int(n) for n in re.findall(r"\d+", text))


def ReleaseVersion(release_file):
    try:
        text = release_file.read_text(encoding="utf-8", errors="replace")
    except OSError:
        return None
    match = re.search(r'^JAVA_VERSION="?([^"\n]+)"?\s*$', text, re.MULTILINE)
    return match.group(1) if match else None


def FindJdks():
    """Every runtime under /usr/lib/jvm with a release file and a server VM,
    once per real folder (symbolic links to the same runtime are dropped)."""
    found = {}
    if not INSTALLED_RUNTIMES.is_dir():
        return []
    for home in sorted(INSTALLED_RUNTIMES.iterdir()):
        if home.name.startswith("."):
            continue
        version = ReleaseVersion(home / "release")
        if not version or not (home / "lib" / "server" / "libjvm.so").is_file():
            continue
        real = os.path.realpath(home)
        # Keep the real folder's name rather than a link's alias.
        if real in found and home.is_symlink():
            continue
        found[real] = Jdk(home, version, (home / "bin" / "javac").is_file())
    return sorted(found.values(), key=lambda j: (VersionKey(j.version), j.name))


def DownloadAddress():
    text = (ROOT / "resources" / "strings.h").read_text(encoding="utf-8")
    return re.search(r'#define\s+DOWNLOAD_ADDRESS\s+"([^"]*)"', text).group(1)


def ProfileText(sections):
    """A settings file from {section: {key: value}}; a None value leaves the
    key out."""
    lines = []
    for section, keys in sections.items():
        lines.append(f"[{section}]")
        lines.extend(f"{k}={v}" for k, v in keys.items() if v is not None)
        lines.append("")
    return "\n".join(lines)


@dataclass
class Run:
    code: int
    stdout: str
    stderr: str
    folder: Path

    def Describe(self):
        return f"exit code {self.code}\n--- stdout\n{self.stdout}\n--- stderr\n{self.stderr}"


def RunLauncher(folder, name, settings, args=(), env=None, timeout=120, settings_name=None):
    """Copies the launcher into `folder` as `name`, writes its settings file
    (unless `settings` is None) and runs it there."""
    folder.mkdir(parents=True, exist_ok=True)
    exe = folder / name
    shutil.copy2(LAUNCHER, exe)
    if settings is not None:
        profile = folder / (settings_name or (Path(name).stem + ".ini"))
        profile.write_bytes(ProfileText(settings).encode("utf-8"))
    environment = {k: v for k, v in os.environ.items() if k not in JVM_ENVIRONMENT}
    environment.setdefault("LC_ALL", "C.UTF-8")
    environment.update(env or {})
    completed = subprocess.run([str(exe), *args], cwd=folder, env=environment, capture_output=True,
                               timeout=timeout)
    return Run(completed.returncode, completed.stdout.decode("utf-8", "replace"),
               completed.stderr.decode("utf-8", "replace"), folder)


def ReadReport(path):
    """The file written by fixture.Report: (properties, [(hex, text), ...])."""
    lines = path.read_bytes().decode("utf-8").split("\n")
    properties, arguments = {}, []
    index = 0
    while index < len(lines):
        key, _, value = lines[index].partition("=")
        properties[key] = value
        index += 1
        if key == "args":
            break
    for line in lines[index:index + int(properties["args"])]:
        hex_bytes, _, text = line.partition("\t")
        arguments.append((hex_bytes, text))
    return properties, arguments
