#!/usr/bin/python3
# Checks a built Windows launcher executable against what it must carry:
#   machine      IMAGE_FILE_MACHINE_I386 (0x14c) for x86, AMD64 (0x8664) for x64
#   optional     a PE32 optional header for x86, PE32+ for x64
#   subsystem    the Windows GUI subsystem (2)
#   imports      only DLLs that every Windows installation has (no compiler
#                runtime such as libstdc++-6 or libgcc_s, no Universal CRT
#                forwarders api-ms-win-crt-*), delay-loaded ones included
#   strings      string table entries 202..224 in language 1033 with exactly the
#                texts of the TEXT_ macros of resources/strings.h
#   dialog 201   the DLGTEMPLATEEX, decoded here byte by byte, field for field
#                against the table below, its ten controls in order
#   icon         the IDI_APP icon group of resources/resource.h with its 16, 32
#                and 48 pixel images present
#   manifest     RT_MANIFEST 1: well-formed XML, the launcher's own identity and
#                the common controls 6.0.0.0 dependency for the --arch
#                processor, requestedExecutionLevel asInvoker
# Usage: /usr/bin/python3 tests/pe/check_pe.py EXE --arch x86|x64
# Prints one line per check, one FAIL line per problem found; exits 0 when all
# checks pass, 1 when one fails, 2 on a usage error.

import argparse
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree
from dataclasses import dataclass, field
from pathlib import Path

import pefile

REPO_ROOT = Path(__file__).resolve().parents[2]
STRINGS_HEADER = REPO_ROOT / "resources" / "strings.h"
RESOURCE_HEADER = REPO_ROOT / "resources" / "resource.h"

LANG_EN_US = 1033
RT_ICON = 3
RT_DIALOG = 5
RT_STRING = 6
RT_GROUP_ICON = 14
RT_MANIFEST = 24

ARCHES = {
    # arch: (machine, optional header magic, manifest processorArchitecture)
    "x86": (0x014C, 0x010B, "X86"),
    "x64": (0x8664, 0x020B, "amd64"),
}
GUI_SUBSYSTEM = 2

SYSTEM_DLLS = frozenset(
    name + ".dll"
    for name in (
        "kernel32", "user32", "gdi32", "advapi32", "shell32", "comctl32",
        "ole32", "oleaut32", "shlwapi", "comdlg32", "msvcrt", "version",
    )
)

STRING_IDS = range(202, 226)

# Predefined window-class atoms as a dialog template names them.
CLASS_ATOMS = {
    "button": 0x80, "edit": 0x81, "static": 0x82,
    "listbox": 0x83, "scrollbar": 0x84, "combobox": 0x85,
}
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
DS_SETFONT = 0x40

# None stands for the text of DOWNLOAD_ADDRESS in strings.h.
DOWNLOAD_ADDRESS = None
EXPECTED_DIALOG = {
    "id": 201,
    "version": 1,
    "helpid": 0,
    "exstyle": 0,
    "style": 0x80C800C8,
    "rect": (0, 0, 219, 145),
    "menu": None,
    "class": None,
    "caption": "JRE Not Found",
    "font": (8, 400, 0, 1, "MS Shell Dlg"),  # points, weight, italic, charset, face
    # id, class, text, (x, y, w, h), style; every control has exstyle 0, help id 0
    "controls": [
        (1, BUTTON, "OK", (107, 122, 50, 14), 0x50010001),
        (2, BUTTON, "Cancel", (161, 122, 50, 14), 0x50010000),
        (201, EDIT, "", (60, 89, 94, 14), 0x50810880),
        (-1, STATIC, "JRE Path:", (12, 92, 45, 8), 0x50020000),
        (202, BUTTON, "Browse...", (157, 89, 50, 14), 0x50010000),
        (-1, BUTTON, "Missing JRE", (8, 11, 203, 103), 0x50000007),
        (203, STATIC, "", (44, 24, 147, 25), 0x50020000),
        (205, STATIC, DOWNLOAD_ADDRESS, (44, 55, 75, 8), 0x50020000),
        (204, STATIC, "", (16, 26, 21, 20), 0x50000003),
        (206, STATIC, "If you have a JRE installed you can browse for it below:", (12, 73, 195, 8), 0x50020000),
    ],
}

ICON_SIZES = (16, 32, 48)

COMMON_CONTROLS = {
    "name": "Microsoft.Windows.Common-Controls",
    "version": "6.0.0.0",
    "publicKeyToken": "6595b64144ccf1df",
    "language": "*",
}


@dataclass
class CheckResult:
    name: str
    summary: str = ""
    problems: list = field(default_factory=list)

    @property
    def passed(self):
        return not self.problems

    def lines(self):
        if self.passed:
            return [f"PASS {self.name}: {self.summary}"]
        return [f"FAIL {self.name}: {problem}" for problem in self.problems]


class TemplateError(Exception):
    pass


# ---------------------------------------------------------------- headers

_C_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "'": "'"}


def decode_c_string(literal):
    """The value of a C string literal body (without quotes); None on an escape we do not expect in texts."""
    out = []
    i = 0
    while i < len(literal):
        ch = literal[i]
        if ch == "\\":
            if i + 1 >= len(literal) or literal[i + 1] not in _C_ESCAPES:
                return None
            out.append(_C_ESCAPES[literal[i + 1]])
            i += 2
        else:
            out.append(ch)
            i += 1
    return "".join(out)


_DEFINE_STRING = re.compile(r'^\s*#\s*define\s+(\w+)\s+"((?:[^"\\]|\\.)*)"\s*(?://.*)?$', re.M)
_DEFINE_NUMBER = re.compile(r"^\s*#\s*define\s+(\w+)\s+\(?\s*(-?\d+)\s*\)?\s*(?://.*)?$", re.M)


def read_string_defines(text):
    """Macro name to decoded text for every #define NAME "literal" in a header."""
    return {name: decode_c_string(body) for name, body in _DEFINE_STRING.findall(text)}


def read_number_defines(text):
    return {name: int(value) for name, value in _DEFINE_NUMBER.findall(text)}


# ---------------------------------------------------------------- PE helpers

def resource_entries(pe, type_id):
    """(name_or_id, language, bytes) for every resource of one type."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return []
    found = []
    for type_entry in root.entries:
        if type_entry.id != type_id or not hasattr(type_entry, "directory"):
            continue
        for name_entry in type_entry.directory.entries:
            key = name_entry.id if name_entry.name is None else str(name_entry.name)
            if not hasattr(name_entry, "directory"):
                continue
            for lang_entry in name_entry.directory.entries:
                data_entry = lang_entry.data.struct
                data = pe.get_data(data_entry.OffsetToData, data_entry.Size)
                language = (lang_entry.data.sublang << 10) | lang_entry.data.lang
                found.append((key, language, data))
    return found


def imported_dlls(pe):
    names = []
    for attr in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for entry in getattr(pe, attr, []):
            names.append(entry.dll.decode("ascii", "replace"))
    return names


def foreign_dlls(dll_names):
    """The names, in order, that are not on the list of DLLs shipped with Windows."""
    return [name for name in dll_names if name.lower() not in SYSTEM_DLLS]


def string_bundle(data):
    """The 16 texts of one RT_STRING block; raises TemplateError when truncated."""
    texts = []
    offset = 0
    for _ in range(16):
        if offset + 2 > len(data):
            raise TemplateError(f"string block truncated at byte {offset}")
        (length,) = struct.unpack_from("<H", data, offset)
        offset += 2
        end = offset + 2 * length
        if end > len(data):
            raise TemplateError(f"string block truncated at byte {offset}")
        texts.append(data[offset:end].decode("utf-16-le", "replace"))
        offset = end
    return texts


# ---------------------------------------------------------------- dialog template

class TemplateReader:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise TemplateError(f"template truncated at byte {self.pos}")
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.pos
        while True:
            if end + 2 > len(self.data):
                raise TemplateError(f"template truncated in a text at byte {self.pos}")
            if self.data[end:end + 2] == b"\0\0":
                break
            end += 2
        value = self.data[self.pos:end].decode("utf-16-le", "replace")
        self.pos = end + 2
        return value

    def text_or_ordinal(self):
        """None for an empty field, an int for an ordinal, else the text."""
        first = self.take("<H")
        if first == 0:
            return None
        if first == 0xFFFF:
            return self.take("<H")
        self.pos -= 2
        return self.text()

    def align(self):
        self.pos = (self.pos + 3) & ~3


def parse_dialog_ex(data):
    """The fields of a DLGTEMPLATEEX and its items as a dict; raises TemplateError on malformed bytes."""
    reader = TemplateReader(data)
    version, signature = reader.take("<HH")
    if signature != 0xFFFF:
        raise TemplateError(f"not an extended template (version {version}, signature 0x{signature:04x})")
    dialog = {"version": version}
    dialog["helpid"], dialog["exstyle"], dialog["style"] = reader.take("<III")
    count = reader.take("<H")
    dialog["rect"] = reader.take("<hhhh")
    dialog["menu"] = reader.text_or_ordinal()
    dialog["class"] = reader.text_or_ordinal()
    dialog["caption"] = reader.text()
    dialog["font"] = None
    if dialog["style"] & DS_SETFONT:
        points, weight, italic, charset = reader.take("<HHBB")
        dialog["font"] = (points, weight, italic, charset, reader.text())
    controls = []
    for _ in range(count):
        reader.align()
        control = {}
        control["helpid"], control["exstyle"], control["style"] = reader.take("<III")
        control["rect"] = reader.take("<hhhh")
        control["id"] = reader.take("<i")
        control["class"] = reader.text_or_ordinal()
        text = reader.text_or_ordinal()
        control["text"] = "" if text is None else text
        extra = reader.take("<H")
        if reader.pos + extra > len(data):
            raise TemplateError(f"creation data truncated at byte {reader.pos}")
        reader.pos += extra
        controls.append(control)
    dialog["controls"] = controls
    return dialog


def class_atom(value):
    """Names of the predefined classes compare equal to their atoms."""
    if isinstance(value, str):
        return CLASS_ATOMS.get(value.lower(), value)
    return value


def show(value):
    if isinstance(value, int) and not isinstance(value, bool) and value > 9:
        return f"0x{value:X}"
    return repr(value)


def compare_dialog(actual, expected, download_address):
    problems = []

    def expect(what, want, got):
        if want != got:
            problems.append(f"{what}: expected {show(want)}, found {show(got)}")

    for key in ("version", "helpid", "exstyle", "style", "rect", "menu", "class", "caption", "font"):
        expect(key, expected[key], actual[key])
    wanted = expected["controls"]
    found = actual["controls"]
    if len(wanted) != len(found):
        problems.append(f"control count: expected {len(wanted)}, found {len(found)}")
    for index, (want, got) in enumerate(zip(wanted, found), start=1):
        control_id, cls, text, rect, style = want
        if text is None:
            text = download_address
        label = f"control {index} (id {control_id})"
        expect(f"{label} id", control_id, got["id"])
        expect(f"{label} class", cls, class_atom(got["class"]))
        expect(f"{label} text", text, got["text"])
        expect(f"{label} rect", rect, got["rect"])
        expect(f"{label} style", style, got["style"])
        expect(f"{label} exstyle", 0, got["exstyle"])
        expect(f"{label} helpid", 0, got["helpid"])
    return problems


# ---------------------------------------------------------------- checks

def check_machine(pe, arch):
    result = CheckResult("machine")
    want = ARCHES[arch][0]
    got = pe.FILE_HEADER.Machine
    if got != want:
        result.problems.append(f"expected 0x{want:x} for {arch}, found 0x{got:x}")
    result.summary = f"0x{got:x}"
    return result


def check_optional_header(pe, arch):
    result = CheckResult("optional header")
    names = {0x010B: "PE32", 0x020B: "PE32+"}
    want = ARCHES[arch][1]
    got = pe.OPTIONAL_HEADER.Magic
    if got != want:
        result.problems.append(f"expected {names[want]} for {arch}, found magic 0x{got:x}")
    result.summary = names.get(got, f"0x{got:x}")
    return result


def check_subsystem(pe, arch):
    result = CheckResult("subsystem")
    got = pe.OPTIONAL_HEADER.Subsystem
    if got != GUI_SUBSYSTEM:
        result.problems.append(f"expected the GUI subsystem ({GUI_SUBSYSTEM}), found {got}")
    result.summary = "GUI"
    return result


def check_imports(pe, arch):
    result = CheckResult("imports")
    names = imported_dlls(pe)
    for name in foreign_dlls(names):
        result.problems.append(f"{name} does not ship with Windows")
    if not names:
        result.problems.append("no import table")
    result.summary = ", ".join(names)
    return result


def check_strings(pe, arch, strings_header):
    result = CheckResult("string table")
    try:
        defines = read_string_defines(strings_header.read_text(encoding="utf-8"))
    except OSError as error:
        result.problems.append(f"cannot read {strings_header}: {error.strerror}")
        return result
    table = {}  # id -> {language: text}
    for key, language, data in resource_entries(pe, RT_STRING):
        if not isinstance(key, int):
            continue
        try:
            texts = string_bundle(data)
        except TemplateError as error:
            result.problems.append(f"block {key}: {error}")
            continue
        for index, text in enumerate(texts):
            if text:
                table.setdefault((key - 1) * 16 + index, {})[language] = text
    for string_id in STRING_IDS:
        expected = defines.get(f"TEXT_{string_id}")
        if expected is None:
            result.problems.append(f"TEXT_{string_id} missing or unreadable in {strings_header.name}")
            continue
        by_language = table.get(string_id)
        if not by_language:
            result.problems.append(f"string {string_id} missing")
        elif LANG_EN_US not in by_language:
            result.problems.append(f"string {string_id} has no language {LANG_EN_US} version (found {sorted(by_language)})")
        elif by_language[LANG_EN_US] != expected:
            result.problems.append(f"string {string_id}: expected {expected!r}, found {by_language[LANG_EN_US]!r}")
    result.summary = f"{STRING_IDS.start}..{STRING_IDS.stop - 1} as in {strings_header.name}"
    return result


def check_dialog(pe, arch, strings_header):
    want = EXPECTED_DIALOG
    result = CheckResult(f"dialog {want['id']}")
    try:
        download_address = read_string_defines(strings_header.read_text(encoding="utf-8")).get("DOWNLOAD_ADDRESS")
    except OSError as error:
        result.problems.append(f"cannot read {strings_header}: {error.strerror}")
        return result
    if download_address is None:
        result.problems.append(f"DOWNLOAD_ADDRESS missing in {strings_header.name}")
        return result
    templates = {language: data for key, language, data in resource_entries(pe, RT_DIALOG) if key == want["id"]}
    if not templates:
        result.problems.append("missing")
        return result
    if LANG_EN_US not in templates:
        result.problems.append(f"no language {LANG_EN_US} version (found {sorted(templates)})")
        return result
    try:
        actual = parse_dialog_ex(templates[LANG_EN_US])
    except TemplateError as error:
        result.problems.append(str(error))
        return result
    result.problems.extend(compare_dialog(actual, want, download_address))
    result.summary = f"{want['caption']!r}, {len(want['controls'])} controls as expected"
    return result


def check_icon(pe, arch, resource_header):
    result = CheckResult("icon")
    try:
        icon_id = read_number_defines(resource_header.read_text(encoding="utf-8")).get("IDI_APP")
    except OSError as error:
        result.problems.append(f"cannot read {resource_header}: {error.strerror}")
        return result
    if icon_id is None:
        result.problems.append(f"IDI_APP missing in {resource_header.name}")
        return result
    groups = [data for key, _, data in resource_entries(pe, RT_GROUP_ICON) if key == icon_id]
    if not groups:
        result.problems.append(f"icon group {icon_id} (IDI_APP) missing")
        return result
    images = {key for key, _, _ in resource_entries(pe, RT_ICON)}
    data = groups[0]
    if len(data) < 6:
        result.problems.append(f"icon group {icon_id} truncated")
        return result
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count == 0 or len(data) < 6 + 14 * count:
        result.problems.append(f"icon group {icon_id} malformed (type {kind}, {count} images, {len(data)} bytes)")
        return result
    sizes = []
    for index in range(count):
        width, height, _, _, _, bits, _, image_id = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * index)
        width, height = width or 256, height or 256
        sizes.append(width)
        if image_id not in images:
            result.problems.append(f"icon group {icon_id} names image {image_id}, which is missing")
        if width != height:
            result.problems.append(f"icon image {image_id} is not square ({width}x{height})")
    for size in ICON_SIZES:
        if size not in sizes:
            result.problems.append(f"icon group {icon_id} has no {size}x{size} image")
    result.summary = f"group {icon_id}, sizes {', '.join(str(s) for s in sorted(sizes))}"
    return result


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(pe, arch):
    result = CheckResult("manifest")
    want_arch = ARCHES[arch][2]
    manifests = [data for key, _, data in resource_entries(pe, RT_MANIFEST) if key == 1]
    if not manifests:
        result.problems.append("RT_MANIFEST 1 missing")
        return result
    try:
        root = ElementTree.fromstring(manifests[0])
    except ElementTree.ParseError as error:
        result.problems.append(f"not well-formed XML: {error}")
        return result
    if local_name(root.tag) != "assembly":
        result.problems.append(f"root element is {local_name(root.tag)}, not assembly")
        return result

    def arch_matches(element):
        return (element.get("processorArchitecture") or "").lower() == want_arch.lower()

    own = [child for child in root if local_name(child.tag) == "assemblyIdentity"]
    if not own:
        result.problems.append("no assemblyIdentity of the launcher")
    elif not arch_matches(own[0]):
        result.problems.append(f"launcher assemblyIdentity processorArchitecture is "
                               f"{own[0].get('processorArchitecture')!r}, expected {want_arch!r}")

    dependencies = [element for element in root.iter()
                    if local_name(element.tag) == "assemblyIdentity"
                    and element.get("name") == COMMON_CONTROLS["name"]]
    if not dependencies:
        result.problems.append(f"no dependency on {COMMON_CONTROLS['name']}")
    else:
        identity = dependencies[0]
        for attribute, value in COMMON_CONTROLS.items():
            if attribute != "name" and identity.get(attribute) != value:
                result.problems.append(f"common controls {attribute} is {identity.get(attribute)!r}, expected {value!r}")
        if not arch_matches(identity):
            result.problems.append(f"common controls processorArchitecture is "
                                   f"{identity.get('processorArchitecture')!r}, expected {want_arch!r}")

    levels = [element.get("level") for element in root.iter() if local_name(element.tag) == "requestedExecutionLevel"]
    if levels != ["asInvoker"]:
        result.problems.append(f"requestedExecutionLevel is {levels or 'missing'}, expected ['asInvoker']")
    dpi = [(element.text or "").strip() for element in root.iter() if local_name(element.tag) == "dpiAware"]
    if dpi != ["true/PM"]:
        result.problems.append(f"dpiAware is {dpi!r}, expected ['true/PM']")
    result.summary = f"common controls 6.0.0.0 {want_arch}, asInvoker, dpiAware true/PM"
    return result


def run_checks(exe, arch, strings_header=STRINGS_HEADER, resource_header=RESOURCE_HEADER):
    """Every check's result, in the order printed; one failing result when the file is no PE image."""
    try:
        pe = pefile.PE(str(exe))
    except (OSError, pefile.PEFormatError) as error:
        return [CheckResult("pe", problems=[f"cannot read {exe} as a PE image: {error}"])]
    with pe:
        return [
            check_machine(pe, arch),
            check_optional_header(pe, arch),
            check_subsystem(pe, arch),
            check_imports(pe, arch),
            check_strings(pe, arch, strings_header),
            check_dialog(pe, arch, strings_header),
            check_icon(pe, arch, resource_header),
            check_manifest(pe, arch),
        ]


def main(argv=None):
    parser = argparse.ArgumentParser(description="Check the resources and imports of a built launcher.exe.")
    parser.add_argument("exe", type=Path)
    parser.add_argument("--arch", required=True, choices=sorted(ARCHES))
    parser.add_argument("--strings", type=Path, default=STRINGS_HEADER, help="header with the expected texts")
    parser.add_argument("--resource-header", type=Path, default=RESOURCE_HEADER, help="header with IDI_APP")
    args = parser.parse_args(argv)
    results = run_checks(args.exe, args.arch, args.strings, args.resource_header)
    for result in results:
        for line in result.lines():
            print(line)
    return 0 if all(result.passed for result in results) else 1


if __name__ == "__main__":
    sys.exit(main())
