# Runs check_pe.py on the built Windows launchers and proves on small executables, built here with mingw-w64 from the real launcher.rc, that it catches faults.
import shutil
import struct
import subprocess
import sys
from pathlib import Path

import pefile
import pytest

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import check_pe  # noqa: E402

ROOT = HERE.parents[1]
CHECKER = HERE / "check_pe.py"
CHECK_NAMES = ["machine", "optional header", "subsystem", "imports", "string table", "dialog 201", "icon", "manifest"]
TOOLCHAINS = {"x86": "i686-w64-mingw32", "x64": "x86_64-w64-mingw32"}

# Loads the dialog and a text so that the image imports user32 the way the
# launcher does; it is never run here.
FIXTURE_C = r"""
#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char text[256];
    (void)previous; (void)commandLine; (void)show;
    LoadStringA(instance, 202, text, sizeof text);
    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(201), NULL, NULL, 0);
}
"""

# Linked without -static, so it needs the compiler's runtime DLLs beside it.
DYNAMIC_CXX = r"""
#include <windows.h>
#include <string>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    std::string text(commandLine);
    text += " launched";
    return MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK);
}
"""


def run_cli(exe, arch):
    return subprocess.run([sys.executable, str(CHECKER), str(exe), "--arch", arch],
                          capture_output=True, text=True, timeout=120)


def failing(results):
    return {result.name: result.problems for result in results if not result.passed}


class Builder:
    def __init__(self, folder):
        self.folder = folder
        self.resources = {}

    def resource_object(self, arch):
        if arch not in self.resources:
            prefix = TOOLCHAINS[arch]
            if shutil.which(f"{prefix}-windres") is None:
                pytest.skip(f"{prefix}-windres not installed (mingw-w64)")
            out = self.folder / f"launcher-{arch}.o"
            subprocess.run([f"{prefix}-windres", "-I", str(ROOT), "-I", str(ROOT / "resources"),
                            str(ROOT / "resources" / "launcher.rc"), "-O", "coff", "-o", str(out)],
                           check=True, capture_output=True, timeout=120)
            self.resources[arch] = out
        return self.resources[arch]

    def executable(self, arch, name, source, language):
        prefix = TOOLCHAINS[arch]
        compiler = f"{prefix}-{'g++' if language == 'c++' else 'gcc'}"
        if shutil.which(compiler) is None:
            pytest.skip(f"{compiler} not installed (mingw-w64)")
        source_file = self.folder / f"{name}.{'cpp' if language == 'c++' else 'c'}"
        source_file.write_text(source)
        exe = self.folder / f"{name}.exe"
        subprocess.run([compiler, "-mwindows", "-Os", "-s", str(source_file), str(self.resource_object(arch)),
                        "-o", str(exe)], check=True, capture_output=True, timeout=300)
        return exe


@pytest.fixture(scope="module")
def builder(tmp_path_factory):
    return Builder(tmp_path_factory.mktemp("pe"))


@pytest.fixture(scope="module")
def good_exes(builder):
    return {arch: builder.executable(arch, f"good-{arch}", FIXTURE_C, "c") for arch in TOOLCHAINS}


@pytest.mark.parametrize("arch", ["x86", "x64"])
def test_built_launcher_passes(arch):
    exe = ROOT / "dist" / f"windows-{arch}" / "launcher.exe"
    if not exe.is_file():
        pytest.skip(f"{exe.relative_to(ROOT)} not built (scripts/build windows)")
    result = run_cli(exe, arch)
    assert result.returncode == 0, f"{exe.relative_to(ROOT)}:\n{result.stdout}{result.stderr}"


def test_resources_pass_on_both_architectures(good_exes):
    for arch, exe in good_exes.items():
        result = run_cli(exe, arch)
        lines = result.stdout.splitlines()
        assert result.returncode == 0, f"{arch}:\n{result.stdout}{result.stderr}"
        assert [line.split(":")[0] for line in lines] == [f"PASS {name}" for name in CHECK_NAMES], f"{arch}: {lines}"


def test_wrong_architecture_fails(good_exes):
    cases = [
        # built for, checked as, failing checks
        ("x86", "x64", {"machine", "optional header", "manifest"}),
        ("x64", "x86", {"machine", "optional header", "manifest"}),
    ]
    for built, checked, expected in cases:
        failures = failing(check_pe.run_checks(good_exes[built], checked))
        assert set(failures) == expected, f"{built} checked as {checked}: {failures}"
        assert len(failures["manifest"]) == 2, f"{built} checked as {checked}: both identities must be named"


def test_compiler_runtime_imports_fail(builder):
    cases = [
        ("x64", {"libstdc++-6.dll", "libgcc_s_seh-1.dll"}),
        ("x86", {"libstdc++-6.dll", "libgcc_s_dw2-1.dll"}),
    ]
    for arch, dlls in cases:
        exe = builder.executable(arch, f"dynamic-{arch}", DYNAMIC_CXX, "c++")
        result = run_cli(exe, arch)
        fails = [line for line in result.stdout.splitlines() if line.startswith("FAIL")]
        assert result.returncode == 1, f"{arch}: {result.stdout}"
        assert sorted(fails) == sorted(f"FAIL imports: {dll} does not ship with Windows" for dll in dlls), f"{arch}: {fails}"


def test_foreign_dlls():
    cases = [
        ("KERNEL32.dll", False),
        ("comctl32.DLL", False),
        ("msvcrt.dll", False),
        ("Version.dll", False),
        ("libstdc++-6.dll", True),
        ("libgcc_s_dw2-1.dll", True),
        ("libgcc_s_seh-1.dll", True),
        ("libwinpthread-1.dll", True),
        ("api-ms-win-crt-runtime-l1-1-0.dll", True),
        ("ucrtbase.dll", True),
        ("kernel32", True),
        ("kernel32.dll.evil", True),
    ]
    for name, foreign in cases:
        assert (check_pe.foreign_dlls([name]) == [name]) == foreign, name


def test_header_texts_are_decoded():
    cases = [
        (r'#define TEXT_1 "a %s (b = %d).\n"', "TEXT_1", "a %s (b = %d).\n"),
        (r'#define TEXT_2 "Please  two spaces"', "TEXT_2", "Please  two spaces"),
        (r'#define TEXT_3 "say \"hi\"\\"  // trailing comment', "TEXT_3", 'say "hi"\\'),
        (r'  #  define TEXT_4   "tab\there"', "TEXT_4", "tab\there"),
        (r'#define TEXT_5 "octal \101"', "TEXT_5", None),
        (r'#define TEXT_6 TEXT_5', "TEXT_6", "absent"),
    ]
    for line, name, expected in cases:
        assert check_pe.read_string_defines(line + "\n").get(name, "absent") == expected, line


def sz_or_ord(value):
    if value is None:
        return b"\0\0"
    if isinstance(value, int):
        return struct.pack("<HH", 0xFFFF, value)
    return value.encode("utf-16-le") + b"\0\0"


def dialog_template(style, font, controls):
    """A DLGTEMPLATEEX; each control is (id, class, text, creation data)."""
    data = bytearray(struct.pack("<HHIIIHhhhh", 1, 0xFFFF, 0, 0, style, len(controls), 0, 0, 10, 10))
    data += sz_or_ord(None) + sz_or_ord(None) + sz_or_ord("T")
    if font:
        data += struct.pack("<HHBB", 9, 700, 1, 0) + sz_or_ord(font)
    for control_id, cls, text, extra in controls:
        data += b"\0" * (-len(data) % 4)
        data += struct.pack("<IIIhhhhi", 7, 0, 0x50000000, 1, 2, 3, 4, control_id)
        data += sz_or_ord(cls) + sz_or_ord(text) + struct.pack("<H", len(extra)) + extra
    return bytes(data)


def test_template_parser():
    cases = [
        # name, style, font, controls, expected (id, class atom or name, text) per control
        ("creation data skipped", 0x40, "Face", [(5, 0x80, "A", b"\1\2\3\4\5"), (6, 0x82, "B", b"")],
         [(5, 0x80, "A"), (6, 0x82, "B")]),
        ("class names", 0x40, "Face", [(1, "button", "", b""), (2, "EDIT", "", b""), (3, "SysLink", "", b"")],
         [(1, 0x80, ""), (2, 0x81, ""), (3, "SysLink", "")]),
        ("ordinal text, negative id", 0, None, [(-1, 0x82, 107, b"")], [(-1, 0x82, 107)]),
    ]
    for name, style, font, controls, expected in cases:
        dialog = check_pe.parse_dialog_ex(dialog_template(style, font, controls))
        got = [(c["id"], check_pe.class_atom(c["class"]), c["text"]) for c in dialog["controls"]]
        assert got == expected, name
        assert dialog["font"] == ((9, 700, 1, 0, font) if font else None), name
        assert [(c["helpid"], c["rect"]) for c in dialog["controls"]] == [(7, (1, 2, 3, 4))] * len(controls), name

    whole = dialog_template(0x40, "Face", [(5, 0x80, "A", b"\1\2")])
    broken = [
        ("not extended", b"\1\0\0\0" + whole[4:]),
        ("cut in the header", whole[:20]),
        ("cut in the caption", whole[:31]),  # the caption starts after 26 header bytes and two empty fields
        ("cut in creation data", whole[:-1]),
    ]
    for name, data in broken:
        try:
            check_pe.parse_dialog_ex(data)
        except check_pe.TemplateError:
            continue
        pytest.fail(f"{name}: accepted")


# ---------------------------------------------------------------- mutations of a good image

def lang_entry(pe, type_id, resource_id):
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id == type_id:
            for name_entry in type_entry.directory.entries:
                if name_entry.id == resource_id:
                    return name_entry, name_entry.directory.entries[0]
    raise AssertionError(f"fixture lacks resource {type_id}/{resource_id}")


def data_offset(pe, type_id, resource_id):
    return pe.get_offset_from_rva(lang_entry(pe, type_id, resource_id)[1].data.struct.OffsetToData)


def replace_once(data, old, new, start=0):
    assert len(old) == len(new)
    where = data.find(old, start)
    assert where >= 0 and data.find(old, where + 1) < 0, f"{old!r} must occur once in the fixture"
    data[where:where + len(old)] = new
    return data


def patch_bytes(old, new, encoding="ascii"):
    def mutate(pe):
        return replace_once(bytearray(pe.__data__), old.encode(encoding), new.encode(encoding))
    return mutate


def patch_text(old, new):
    return patch_bytes(old, new, "utf-16-le")


def patch_in_dialog(old, new):
    def mutate(pe):
        return replace_once(bytearray(pe.__data__), old, new, data_offset(pe, 5, 201))
    return mutate


def patch_dialog_field(offset, fmt, old, new):
    def mutate(pe):
        data = bytearray(pe.__data__)
        where = data_offset(pe, 5, 201) + offset
        assert struct.unpack_from(fmt, data, where)[0] == old, "fixture template differs"
        struct.pack_into(fmt, data, where, new)
        return data
    return mutate


def patch_structure(change):
    def mutate(pe):
        change(pe)
        return pe.write()
    return mutate


def set_attr(get, name, value):
    return patch_structure(lambda pe: setattr(get(pe), name, value))


def drop_icon_size(size):
    def mutate(pe):
        data = bytearray(pe.__data__)
        group = data_offset(pe, 14, 1)
        (count,) = struct.unpack_from("<H", data, group + 4)
        for index in range(count):
            entry = group + 6 + 14 * index
            if data[entry] == size:
                data[entry] = data[entry + 1] = 24
                return data
        raise AssertionError(f"fixture icon has no {size} pixel image")
    return mutate


def u32(value):
    return struct.pack("<I", value)


MUTATIONS = [
    # name, mutation, failing check, text expected in its problem
    ("console subsystem", set_attr(lambda pe: pe.OPTIONAL_HEADER, "Subsystem", 3), "subsystem", "found 3"),
    ("import outside Windows", patch_bytes("USER32.dll", "USER99.dll"), "imports", "USER99.dll does not ship"),
    ("string text", patch_text("Main class was", "Main klass was"), "string table", "string 210"),
    ("line feed lost", patch_text("Windows exception: %s (errno = %d).\n", "Windows exception: %s (errno = %d). "),
     "string table", "string 202"),
    ("double space moved", patch_text("Please  download and install a JRE with", "Please download  and install a JRE with"),
     "string table", "string 206"),
    ("string language", set_attr(lambda pe: lang_entry(pe, 6, 14)[1].struct, "Name", 1031),
     "string table", "no language 1033 version"),
    ("dialog style", patch_dialog_field(12, "<I", 0x80C800C8, 0x80C800C0), "dialog 201", "style: expected 0x80C800C8"),
    ("dialog width", patch_dialog_field(22, "<h", 219, 220), "dialog 201", "rect"),
    ("dialog caption", patch_text("JRE Not Found", "JRE Not Fount"), "dialog 201", "caption"),
    ("dialog font", patch_text("MS Shell Dlg", "MS Shell Dlx"), "dialog 201", "font"),
    ("dialog language", set_attr(lambda pe: lang_entry(pe, 5, 201)[1].struct, "Name", 1031),
     "dialog 201", "no language 1033 version"),
    ("control style", patch_in_dialog(u32(0x50810880), u32(0x50810080)), "dialog 201", "control 3 (id 201) style"),
    ("control class", patch_in_dialog(u32(201) + b"\xff\xff\x81\x00", u32(201) + b"\xff\xff\x82\x00"),
     "dialog 201", "control 3 (id 201) class"),
    ("control id", patch_in_dialog(u32(0xFFFFFFFF) + b"\xff\xff\x80\x00", u32(0xFFFFFFFE) + b"\xff\xff\x80\x00"),
     "dialog 201", "control 6 (id -1) id"),
    ("control text", patch_text("Browse...", "Browse.,."), "dialog 201", "control 5 (id 202) text"),
    ("link text", patch_text("https://", "http:///"), "dialog 201", "control 8 (id 205) text"),
    ("control count", patch_dialog_field(16, "<H", 10, 9), "dialog 201", "control count"),
    ("template truncated", set_attr(lambda pe: lang_entry(pe, 5, 201)[1].data.struct, "Size", 120),
     "dialog 201", "truncated"),
    ("icon group id", set_attr(lambda pe: lang_entry(pe, 14, 1)[0].struct, "Name", 2), "icon", "icon group 1 (IDI_APP) missing"),
    ("icon size", drop_icon_size(16), "icon", "no 16x16 image"),
    ("manifest dependency arch", patch_bytes("'amd64' publicKeyToken", "'arm64' publicKeyToken"),
     "manifest", "common controls processorArchitecture"),
    ("manifest own arch", patch_bytes("version='1.0.0.0' processorArchitecture='amd64'",
                                      "version='1.0.0.0' processorArchitecture='arm64'"),
     "manifest", "launcher assemblyIdentity"),
    ("manifest controls version", patch_bytes("version='6.0.0.0'", "version='5.8.0.0'"), "manifest", "common controls version"),
    ("manifest level", patch_bytes("level='asInvoker'", "level='asInvokex'"), "manifest", "requestedExecutionLevel"),
    ("manifest not XML", patch_bytes("</assembly>", "</assemblx>"), "manifest", "not well-formed"),
]


def test_mutated_image_fails_exactly_its_check(good_exes, tmp_path):
    for name, mutate, check, text in MUTATIONS:
        bad = tmp_path / f"{name.replace(' ', '-')}.exe"
        with pefile.PE(str(good_exes["x64"])) as pe:
            bad.write_bytes(bytes(mutate(pe)))
        failures = failing(check_pe.run_checks(bad, "x64"))
        assert list(failures) == [check], f"{name}: {failures}"
        assert any(text in problem for problem in failures[check]), f"{name}: {failures[check]}"


def test_cli_prints_one_line_per_failure(good_exes, tmp_path):
    with pefile.PE(str(good_exes["x64"])) as pe:
        data = patch_text("Main class was", "Main klass was")(pe)
    data = replace_once(data, "level='asInvoker'".encode(), "level='highest__'".encode())
    bad = tmp_path / "two-faults.exe"
    bad.write_bytes(bytes(data))
    lines = run_cli(bad, "x64").stdout.splitlines()
    fails = [line for line in lines if line.startswith("FAIL")]
    assert len(fails) == 2, lines
    assert fails[0].startswith("FAIL string table: string 210: expected 'Main class was"), fails
    assert fails[1].startswith("FAIL manifest: requestedExecutionLevel is ['highest__']"), fails
    assert len(lines) == len(CHECK_NAMES), lines


def test_not_an_image_fails(tmp_path):
    cases = [("empty", b""), ("text", b"not a program\n"), ("dos stub only", b"MZ" + b"\0" * 62)]
    for name, content in cases:
        path = tmp_path / f"{name}.exe"
        path.write_bytes(content)
        result = run_cli(path, "x86")
        assert result.returncode == 1, f"{name}: {result.stdout}{result.stderr}"
        assert result.stdout.startswith("FAIL pe: cannot read"), f"{name}: {result.stdout}"
