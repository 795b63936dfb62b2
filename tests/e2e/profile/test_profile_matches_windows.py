# Compares our profile reader and writer (profile_dump) with the Windows profile functions under Wine (ProfileProbe.exe).
#
# Run after scripts/build:  /usr/bin/python3 -m pytest tests/e2e/profile
# WINEPREFIX, when set, names the Wine prefix to use; otherwise one is created
# for the session under pytest's temporary folder.
import os
import random
import shutil
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[3]
PROBE = ROOT / "build/win64/tests/tools/ProfileProbe.exe"
DUMP = ROOT / "build/linux/tests/tools/profile_dump"
WINE = Path("/usr/lib/wine/wine64")

if not PROBE.is_file() or not DUMP.is_file():
    pytest.skip(f"needs {PROBE.relative_to(ROOT)} and {DUMP.relative_to(ROOT)}: run scripts/build first",
                allow_module_level=True)
if not WINE.is_file():
    pytest.skip(f"needs Wine at {WINE}", allow_module_level=True)


def utf16le(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


def utf16be(text):
    return b"\xfe\xff" + text.encode("utf-16-be")


BIG = b"v" * (1 << 20)

# (name, file bytes, [(section, key), ...]); names are bytes or ASCII text.
# Not compared: non-ASCII text in marked files (Wine's ANSI code page is not
# the native UTF-8) and an odd last byte in a UTF-16 file (Wine reads a stray
# byte beyond it).
READ_CASES = [
    ("names and case", b"[Java Runtime Environment]\nMain Class=app.Main\n[ Spaced ]\n  key  =  v  \n",
     [("Java Runtime Environment", "Main Class"), ("JAVA RUNTIME environment", "main class"),
      ("Java  Runtime Environment", "Main Class"), ("Spaced", "key"), (" \tSpaced\x0b", "\x1akey\x0c"),
      ("Spaced", "other"), ("Other", "key")]),
    ("letters beyond ASCII", b"[\xe9t\xe9]\nk=\xc9\n", [(b"\xe9t\xe9", "k"), (b"\xc9T\xc9", "k")]),
    ("line ends", b"[S]\r\na=1\r\nb=2\n[T]\rc=3\rd=x\ry\n\n\n  [U]\n  e=5",
     [("S", "a"), ("S", "b"), ("T", "c"), ("T", "d"), ("T", "y"), ("U", "e")]),
    ("white space set", b"[S]\nt=\tv\t\nvt=\x0bv\x0b\nff=\x0cv\x0c\nz=\x1av\x1a\nfs=\x1cv\x1c\nus=\x1fv\x1f\n"
     b"nb=\xa0v\xa0\n\x0b k \t=v\nzz=1\x1ab=2\n",
     [("S", "t"), ("S", "vt"), ("S", "ff"), ("S", "z"), ("S", "fs"), ("S", "us"), ("S", "nb"), ("S", "k"),
      ("S", "zz")]),
    ("section headers", b"[X] ; note\nx=1\n[W]x\nw=1\n[Y]]\ny=1\n[Z][Q]\nz=1\n[S]\na=1\n[U\nu=1\n[a=b]\nk=1\n",
     [("X", "x"), ("W", "w"), ("Y]", "y"), ("Y", "y"), ("Z][Q", "z"), ("Z", "z"), ("S", "u"), ("U", "u"),
      ("[U", "u"), ("a=b", "k")]),
    ("duplicates and the nameless section", b"top=0\n=pre\n[S]\nk=first\nK=second\na=1\n[T]\n[s]\na=2\nb=3\n[]\ne=4\n",
     [("S", "k"), ("S", "a"), ("S", "b"), ("", "top"), ("", ""), ("S", "top"), ("", "e"), ("T", "a")]),
    ("empty key names", b"[S]\n=v\n = w\nk\n", [("S", ""), ("S", "  "), ("S", "k")]),
    ("no comments", b"[S]\n;a=1\n#b=2\n ;c=3\nk=x ; y\nm=x  ; c  \nq=x=y = z\nnoeq\nempty=\n",
     [("S", ";a"), ("S", "a"), ("S", "#b"), ("S", ";c"), ("S", "k"), ("S", "m"), ("S", "q"), ("S", "noeq"),
      ("S", "empty")]),
    ("quotes", b"[S]\na=\"x y\"\nb='x y'\nc=\"x y\nd=x y\"\ne=\"\nf=''\ng=\"\"\nh=\"x'\ni= \" x \" \n"
     b"j=\"\"x\"\"\nk=\"x\" ; c\nl='\nm=\"a\"b\"\n",
     [("S", c) for c in "abcdefghijklm"]),
    ("NUL bytes", b"[S]\na=x\x00y\nb=2\nc\x00d=3\na2 \x00=1\n\x00e=2\nq=\"x\x00\"\nr=\"x\"\x00y\"\ns= \x00x\n"
     b"[T\x00U]\nt=1\n\x00[V]\nv=1\n",
     [("S", "a"), ("S", "b"), ("S", "c"), ("S", "a2"), ("S", ""), ("S", "q"), ("S", "r"), ("S", "s"), ("T", "t"),
      ("T", "v"), ("V", "v")]),
    ("UTF-8 mark", b"\xef\xbb\xbf[S]\na=1\nb=\"q\"\n", [("S", "a"), ("S", "b")]),
    ("UTF-8 mark alone", b"\xef\xbb\xbf", [("S", "a")]),
    ("incomplete UTF-8 mark", b"\xef\xbb[S]\na=1\n", [("S", "a")]),
    ("UTF-16 LE", utf16le("[S]\r\na=1\r\nb=\"q\"\r\n c = x \r\n"), [("S", "a"), ("S", "b"), ("s", "C")]),
    ("UTF-16 BE", utf16be("[S]\r\na=1\r\nb=\"q\"\r\n"), [("S", "a"), ("S", "b")]),
    ("UTF-16 without mark", "[S]\na=1\n".encode("utf-16-le"), [("S", "a")]),
    ("UTF-16 mark alone", b"\xff\xfe", [("S", "a")]),
    ("1 MB value", b"[S]\na=" + BIG + b"x\nb=2\n", [("S", "a"), ("S", "b")]),
    ("empty file", b"", [("S", "a"), ("", "")]),
]

# (name, file bytes or None for no file, section, key, value)
WRITE_CASES = [
    ("replace in place", b"; head\n\n[S]\n  a = 1  \n;c\nnoeq\n\n[T]\nt=1\n\n\n", "S", "a", "2"),
    ("same value leaves the file alone", b"; head\n\n[S]\n  a = 1  \n", "s", "A", "1"),
    ("same value after leading white space", b"[S]\na=x\n", "S", "a", "  x"),
    ("stored quotes count", b"[S]\na=\"1\"\n", "S", "a", "1"),
    ("new key at the end of its section", b"; head\n\n[S]\na=1\n;c\nnoeq\n\n[T]\nt=1\n", "S", "new", "v"),
    ("new key in the last section", b"[S]\na=1\n[T]\nt=1\n\n\n", "T", "new", "v"),
    ("new section at the end", b"[S]\na=1\n[T]\nt=1\n\n", "U", "JRE Path", "C:\\Java\\"),
    ("missing file", None, "Java Runtime Environment", "JRE Path", "C:\\Program Files\\Java\\jre\\"),
    ("empty file", b"", "S", "a", "v"),
    ("value white space", b"[S]\na=1\n", " S ", " a ", "  x y  "),
    ("new names keep trailing white space", b"[S]\na=1\n", " U\t ", " b ", "\tv\t"),
    ("key without value", b"[S]\nk\na=1\n", "S", "k", "v"),
    ("empty value", b"[S]\na=1\n", "S", "a", ""),
    ("empty key name", b"[S]\na=1\n", "S", "", "e"),
    ("line break in the value", b"[S]\na=1\n", "S", "a", "x\r\ny=2"),
    ("duplicate sections", b"top=1\n[S]\na=1\n[T]\n[s]\nb=2\n", "s", "b", "3"),
    ("nameless section", b"[S]\na=1\n[]\nx=1\n", "", "new", "3"),
    ("CR line ends", b"[S]\ra=1\r", "S", "b", "v"),
    ("white-space lines", b"\x1a[S]\x1a\n\x0ba\x0b=\x0b1\x0b\n\x1a\n", "S", "b", "v"),
    ("NUL bytes", b"[S]\n[U\na=x\x00y\n\x00\n\x00k=1\n[\x00T]\nt=1\n[W\x00]]\n", "S", "n", "v"),
    ("nameless lines in a row", b"[S]\nk\n=\n=\n\x00=5\n=1\n[T]\n=2\n=3\n", "T", "x", "y"),
    ("ANSI bytes", b"[S]\na=\x80\x81\xff\n", "S", "b", "\xe9"),
    ("UTF-8 mark", b"\xef\xbb\xbf[S]\na=1\n", "S", "b", "v"),
    ("UTF-8 mark alone", b"\xef\xbb\xbf", "S", "b", "v"),
    ("UTF-16 LE", utf16le("[S]\r\na=1\n"), "S", "b", "v"),
    ("UTF-16 BE", utf16be("[S]\na=1\r\n"), "T", "b", "v"),
    ("UTF-16 mark alone", b"\xff\xfe", "S", "b", "v"),
    # Wine mangles what it is asked to write from 32767 bytes on.
    ("long value", b"[S]\na=1\n", "S", "a", "w" * 32000),
]


def generated_cases(count, seed):
    """Files stitched from the pieces that the rules above are about, each read with a few names and written once."""
    rng = random.Random(seed)
    pieces = ["[", "]", "=", " ", "\t", "\r", "\n", "\r\n", "\"", "'", ";", "\x00", "\x1a", "\x0b", "a", "A", "b",
              "S", "s", "key", "x", "\xe9", "\xa0", "=1", "[S]\n", "[s]\r\n", "a=", "b=", "\n[", "]\n"]
    names = ["", "a", "A", "b", "S", "s", "key", "x", " a ", "a b", ";a", "\"a\"", "a]", "[a", "\ta", "\x1ab", "s ",
             "\xe9", "1"]
    values = ["", "v", " v ", "\"q\"", "\tw\t", "'x'", "a=b", "x;y", "1", "\"", "\xe9"]
    cases = []
    for i in range(count):
        text = "".join(rng.choice(pieces) for _ in range(rng.randint(0, 30)))
        kind = rng.randrange(4)
        if kind == 0:
            data = text.encode("latin-1")
        else:
            # Marked files are compared on ASCII only: Wine's ANSI code page is
            # not the UTF-8 of the native side.
            text = text.replace("\xe9", "e").replace("\xa0", " ")
            data = {1: b"\xef\xbb\xbf" + text.encode(), 2: utf16le(text), 3: utf16be(text)}[kind]
        usable_names = names if kind == 0 else [n for n in names if n.isascii()]
        usable_values = values if kind == 0 else [v for v in values if v.isascii()]
        reads = [(rng.choice(usable_names), rng.choice(usable_names)) for _ in range(5)]
        write = (rng.choice(usable_names), rng.choice(usable_names), rng.choice(usable_values))
        cases.append((f"generated {i}: {data!r}", data, reads, write))
    return cases


GENERATED = generated_cases(200, seed=20240611)


def as_bytes(text):
    return text if isinstance(text, bytes) else text.encode("latin-1")


def hex_operand(text):
    data = as_bytes(text)
    return data.hex() if data else "-"


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


@pytest.fixture(scope="session")
def wine_prefix(tmp_path_factory):
    prefix = os.environ.get("WINEPREFIX")
    if prefix:
        return prefix
    prefix = str(tmp_path_factory.mktemp("wineprefix"))
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
    subprocess.run([str(WINE), "wineboot", "-i"], env=env, capture_output=True, timeout=600, check=True)
    return prefix


def run_probe(wine_prefix, request_file):
    env = dict(os.environ, WINEPREFIX=wine_prefix, WINEDEBUG="-all")
    command = [str(WINE), str(PROBE), "NUL", "@" + wine_path(request_file)]
    done = subprocess.run(command, env=env, capture_output=True, timeout=600)
    if done.returncode != 0 and b"display" in done.stderr.lower() and shutil.which("xvfb-run"):
        done = subprocess.run(["xvfb-run", "-a"] + command, env=env, capture_output=True, timeout=600)
    assert done.returncode == 0, f"ProfileProbe.exe failed: {done.stderr.decode(errors='replace')}"
    return done.stdout.decode().replace("\r", "").splitlines()


def run_dump(request_file):
    done = subprocess.run([str(DUMP), "/dev/null", "@" + str(request_file)], capture_output=True, timeout=600)
    assert done.returncode == 0, f"profile_dump failed: {done.stderr.decode(errors='replace')}"
    return done.stdout.decode().splitlines()


def answer_all(folder, wine_prefix, reads, writes):
    """Runs every read and write with both tools, each on its own copy of the files.

    reads: {name: (bytes, [(section, key)])}; writes: {name: (bytes or None, section, key, value)}.
    Returns {tool: ({name: [value, ...]}, {name: (set result, file bytes or None)})}.
    """
    results = {}
    for tool in ("windows", "native"):
        base = folder / tool
        base.mkdir()
        path_text = wine_path if tool == "windows" else str
        lines = []
        plan = []
        for index, (name, (data, pairs)) in enumerate(reads.items()):
            path = base / f"read{index}.ini"
            path.write_bytes(data)
            lines.append("file " + hex_operand(path_text(path).encode()))
            lines += [f"get {hex_operand(section)} {hex_operand(key)}" for section, key in pairs]
            plan.append(("get", name, len(pairs), None))
        for index, (name, (data, section, key, value)) in enumerate(writes.items()):
            path = base / f"write{index}.ini"
            if data is not None:
                path.write_bytes(data)
            lines.append("file " + hex_operand(path_text(path).encode()))
            lines.append(f"set {hex_operand(section)} {hex_operand(key)} {hex_operand(value)}")
            plan.append(("set", name, 1, path))
        request_file = base / "requests.txt"
        request_file.write_text("\n".join(lines) + "\n")
        output = run_probe(wine_prefix, request_file) if tool == "windows" else run_dump(request_file)
        assert len(output) == sum(count for _, _, count, _ in plan), f"{tool}: one answer per request expected"
        got_reads, got_writes = {}, {}
        position = 0
        for kind, name, count, path in plan:
            answers = output[position:position + count]
            position += count
            if kind == "get":
                got_reads[name] = [b"" if a == "-" else bytes.fromhex(a) for a in answers]
            else:
                got_writes[name] = (answers[0], path.read_bytes() if path.exists() else None)
        results[tool] = (got_reads, got_writes)
    return results


@pytest.fixture(scope="session")
def answers(tmp_path_factory, wine_prefix):
    reads = {name: (data, pairs) for name, data, pairs in READ_CASES}
    writes = {name: (data, section, key, value) for name, data, section, key, value in WRITE_CASES}
    for name, data, pairs, (section, key, value) in GENERATED:
        reads[name] = (data, pairs)
        writes[name] = (data, section, key, value)
    return answer_all(tmp_path_factory.mktemp("profiles"), wine_prefix, reads, writes)


def describe(value):
    return repr(value if value is None or len(value) <= 200 else value[:200] + b"...")


@pytest.mark.parametrize("name", [case[0] for case in READ_CASES])
def test_reads_match(answers, name):
    pairs = next(case[2] for case in READ_CASES if case[0] == name)
    windows, native = answers["windows"][0][name], answers["native"][0][name]
    mismatches = [f"{pair!r}: Windows {describe(w)}, ours {describe(n)}"
                  for pair, w, n in zip(pairs, windows, native) if w != n]
    assert not mismatches, f"{name}:\n" + "\n".join(mismatches)


@pytest.mark.parametrize("name", [case[0] for case in WRITE_CASES])
def test_writes_match(answers, name):
    windows, native = answers["windows"][1][name], answers["native"][1][name]
    assert windows[0] == "set ok", f"{name}: Windows could not write"
    assert native == windows, f"{name}:\n Windows {describe(windows[1])}\n ours    {describe(native[1])}"


def test_generated_files_match(answers):
    mismatches = []
    for name, _, pairs, write in GENERATED:
        for pair, w, n in zip(pairs, answers["windows"][0][name], answers["native"][0][name]):
            if w != n:
                mismatches.append(f"{name} read {pair!r}: Windows {w!r}, ours {n!r}")
        w, n = answers["windows"][1][name], answers["native"][1][name]
        if w != n:
            mismatches.append(f"{name} write {write!r}: Windows {w!r}, ours {n!r}")
    assert not mismatches, f"{len(mismatches)} differences:\n" + "\n".join(mismatches[:20])
