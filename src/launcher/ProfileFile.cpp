// Reading and rewriting profile (INI) text the way the Windows profile functions do.
#include "launcher/ProfileFile.h"

#include <cstdint>
#include <vector>

// The rules, taken from GetPrivateProfileStringA and WritePrivateProfileStringA
// as Wine 8 runs them (tests/e2e/profile compares the two on the same bytes):
//
// Encoding. A file starting with EF BB BF is UTF-8, one starting with FF FE
// or FE FF is UTF-16 LE or BE; anything else is ANSI, taken byte for byte.
// Here UTF-8 is the ANSI code page, so UTF-16 text is handed out as UTF-8
// (unpaired surrogates become U+FFFD) and UTF-8 text as it is, invalid
// sequences included (Windows and Wine replace those). Writing converts back.
// Where Wine is plainly broken we do not follow it: it reads an odd last byte
// of a UTF-16 file as a character with a stray high byte (here the byte is
// ignored), and it mangles a value or name of 32767 bytes or more that it is
// asked to write (here it is written whole).
// Windows itself does not know the UTF-8 mark: there its bytes belong to the
// first line, so a section header on that line is not found.
//
// Lines. Every CR and every LF ends a line; white space is exactly tab, LF,
// VT, FF, CR, space and Ctrl-Z (0x1A), and is dropped at both ends of each
// line; lines left empty are ignored. No other character is white space, not
// even 0xA0 or 0x1C..0x1F.
// - A line starting with '[' that has a ']' further on is a section header;
//   the name lies between the '[' and the last ']', trimmed, and whatever
//   follows that ']' is ignored ("[a] ; x" is section "a", "[a][b]" is "a][b").
//   "[" without a later ']' is an ordinary line.
// - Any other line is a key: the name is the text before the first '=',
//   trimmed; the value is everything after it, trimmed at its start (its end
//   is the line's end). A line without '=' is a key without a value, which
//   reads as absent. There are no comments: ";x=1" is the key ";x", which no
//   ordinary name matches; an inline ';' is part of the value.
// - A line with nothing before its '=' is dropped when the key line before it
//   in the same section has an empty name (or one starting with NUL); this
//   only shows when the file is written again.
// - Keys before the first header belong to a nameless section, which always
//   exists and comes first; "" reads and writes it, and a "[]" header after it
//   can never be reached.
// - A NUL byte ends a name or a value where it stands (the text beyond is
//   lost), but does not end the line: "a\0b=1" is key "a" with value "1".
//
// Look-up. The asked-for section and key names are trimmed like lines, then
// compared with the stored names without regard to ASCII letter case (other
// letters must match exactly). Only the first section with the name counts:
// duplicate sections are not merged and a key found only in a later one is
// absent. Within the section the first key with the name wins. An empty key
// name finds a line like "=v".
//
// Value. One pair of enclosing quotes, both '"' or both '\'', is dropped
// ("\"\"" reads as empty); a lone or unmatched quote stays. Nothing else is
// interpreted.
//
// Writing. The value loses its leading white space. When the key already has
// exactly that value the file is left untouched, byte for byte. Otherwise the
// whole file is written again from what was read: the encoding mark as
// before, each named section as "[name]" CR LF, each key line as name, '=',
// value and CR LF ("name" CR LF when it has no value), so blank lines go,
// names and values lose the white space and text dropped above, the nameless
// section loses its header (a "[]" section's keys then appear to belong to
// the section before it), and every line ends in CR LF. An existing key keeps
// its place; a new key goes after the last key of the first section with the
// name; a new section goes at the end, after no blank line. New names keep
// their trailing white space, the key as "name =value", the section as
// "[name ]". A missing or empty file becomes "[section]" CR LF
// "key=value" CR LF.
// Windows itself edits its files in place instead, keeping the other lines,
// blank lines and comments as they were.

namespace launcher {

namespace {

enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

struct KeyLine {
    std::string name;
    bool hasValue = false;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<KeyLine> keys;
};

struct Profile {
    Encoding encoding = Encoding::Ansi;
    // The nameless section of the keys before the first header is always first.
    std::vector<Section> sections;
};

bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string TrimStart(const std::string& text) {
    size_t start = 0;
    while (start < text.size() && IsProfileSpace(text[start])) ++start;
    return text.substr(start);
}

std::string TrimEnd(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsProfileSpace(text[end - 1])) --end;
    return text.substr(0, end);
}

std::string Trim(const std::string& text) { return TrimEnd(TrimStart(text)); }

// The text up to its first NUL, as a C string would see it.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& stored, const std::string& wanted) {
    const std::string name = UpToNul(stored);
    if (name.size() != wanted.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (AsciiUpper(name[i]) != AsciiUpper(wanted[i])) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string Utf16ToUtf8(const std::string& bytes, size_t start, bool bigEndian) {
    std::vector<uint16_t> units;
    units.reserve((bytes.size() - start) / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<uint16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first)));
    }
    std::string text;
    text.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t unit = units[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            AppendUtf8(text, 0xFFFD);
        } else {
            AppendUtf8(text, unit);
        }
    }
    return text;
}

// The code points of UTF-8 text; a byte that starts no valid sequence
// becomes U+FFFD.
std::vector<uint32_t> Utf8CodePoints(const std::string& text) {
    std::vector<uint32_t> codes;
    codes.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t code = 0;
        uint32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2;
            code = lead & 0x1F;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            code = lead & 0x0F;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            length = 4;
            code = lead & 0x07;
            minimum = 0x10000;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
            } else {
                code = code << 6 | (next & 0x3F);
            }
        }
        if (valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))) valid = false;
        if (valid) {
            codes.push_back(code);
            i += length;
        } else {
            codes.push_back(0xFFFD);
            ++i;
        }
    }
    return codes;
}

std::string Utf8ToUtf16(const std::string& text, bool bigEndian) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    auto put = [&](uint32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    };
    for (uint32_t code : Utf8CodePoints(text)) {
        if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return bytes;
}

std::string DecodeText(const std::string& contents, Encoding& encoding) {
    if (contents.compare(0, 3, kUtf8Mark) == 0) {
        encoding = Encoding::Utf8;
        return contents.substr(3);
    }
    if (contents.compare(0, 2, "\xFF\xFE") == 0) {
        encoding = Encoding::Utf16Le;
        return Utf16ToUtf8(contents, 2, false);
    }
    if (contents.compare(0, 2, "\xFE\xFF") == 0) {
        encoding = Encoding::Utf16Be;
        return Utf16ToUtf8(contents, 2, true);
    }
    encoding = Encoding::Ansi;
    return contents;
}

std::string EncodeText(const std::string& text, Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf8:
            return kUtf8Mark + text;
        case Encoding::Utf16Le:
            return "\xFF\xFE" + Utf8ToUtf16(text, false);
        case Encoding::Utf16Be:
            return "\xFE\xFF" + Utf8ToUtf16(text, true);
        case Encoding::Ansi:
            break;
    }
    return text;
}

Profile Parse(const std::string& contents) {
    Profile profile;
    const std::string text = DecodeText(contents, profile.encoding);
    profile.sections.emplace_back();
    size_t position = 0;
    while (position < text.size()) {
        size_t lineEnd = text.find_first_of("\r\n", position);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        const std::string line = Trim(text.substr(position, lineEnd - position));
        position = lineEnd + 1;
        if (line.empty()) continue;
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            if (close != std::string::npos && close > 0) {
                Section section;
                section.name = Trim(line.substr(1, close - 1));
                profile.sections.push_back(std::move(section));
                continue;
            }
        }
        KeyLine key;
        const size_t equals = line.find('=');
        // A key with no name at all is dropped when the key before it in the
        // section has an empty name too.
        std::vector<KeyLine>& keys = profile.sections.back().keys;
        if (equals == 0 && !keys.empty() && UpToNul(keys.back().name).empty()) continue;
        if (equals == std::string::npos) {
            key.name = line;
        } else {
            key.name = TrimEnd(line.substr(0, equals));
            key.hasValue = true;
            key.value = TrimStart(line.substr(equals + 1));
        }
        keys.push_back(std::move(key));
    }
    return profile;
}

std::string Serialize(const Profile& profile) {
    std::string text;
    for (const Section& section : profile.sections) {
        const std::string name = UpToNul(section.name);
        if (!name.empty()) text += "[" + name + "]\r\n";
        for (const KeyLine& key : section.keys) {
            text += UpToNul(key.name);
            if (key.hasValue) text += "=" + UpToNul(key.value);
            text += "\r\n";
        }
    }
    return EncodeText(text, profile.encoding);
}

Section* FindSection(Profile& profile, const std::string& wanted) {
    for (Section& section : profile.sections) {
        if (SameName(section.name, wanted)) return &section;
    }
    return nullptr;
}

KeyLine* FindKey(Section& section, const std::string& wanted) {
    for (KeyLine& key : section.keys) {
        if (SameName(key.name, wanted)) return &key;
    }
    return nullptr;
}

}  // namespace

std::string ProfileValue(const std::string& contents, const std::string& section, const std::string& key) {
    Profile profile = Parse(contents);
    Section* found = FindSection(profile, Trim(UpToNul(section)));
    if (!found) return std::string();
    const KeyLine* entry = FindKey(*found, Trim(UpToNul(key)));
    if (!entry || !entry->hasValue) return std::string();
    const std::string value = UpToNul(entry->value);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string ProfileWithValue(const std::string& contents, const std::string& section, const std::string& key,
                             const std::string& value) {
    Profile profile = Parse(contents);
    const std::string sectionName = TrimStart(UpToNul(section));
    const std::string keyName = TrimStart(UpToNul(key));
    const std::string newValue = TrimStart(UpToNul(value));

    Section* target = FindSection(profile, TrimEnd(sectionName));
    if (!target) {
        Section added;
        added.name = sectionName;
        profile.sections.push_back(std::move(added));
        target = &profile.sections.back();
    }
    KeyLine* entry = FindKey(*target, TrimEnd(keyName));
    if (entry && entry->hasValue && UpToNul(entry->value) == newValue) return contents;
    if (!entry) {
        target->keys.emplace_back();
        entry = &target->keys.back();
        entry->name = keyName;
    }
    entry->hasValue = true;
    entry->value = newValue;
    return Serialize(profile);
}

}  // namespace launcher
