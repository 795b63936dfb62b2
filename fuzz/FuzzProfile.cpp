// Fuzz target: settings files (ProfileValue, ProfileWithValue) on any bytes, with read-back and no-harm checks.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "launcher/ProfileFile.h"

using fuzz::Quoted;
using launcher::ProfileValue;
using launcher::ProfileWithValue;

namespace {

// The white space of profile lines (ProfileFile.cpp).
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool Has(const std::string& text, const char* characters) { return text.find_first_of(characters) != std::string::npos; }

bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

bool IsUtf16(const std::string& contents) {
    return contents.compare(0, 2, "\xFF\xFE") == 0 || contents.compare(0, 2, "\xFE\xFF") == 0;
}

int EncodingMark(const std::string& contents) {
    if (contents.compare(0, 3, "\xEF\xBB\xBF") == 0) return 8;
    return IsUtf16(contents) ? 16 : 0;
}

// Whether the file's text holds a NUL character. A NUL cuts a name or value
// short when the file is written again, and the white space before it then
// ends the line and is dropped, so such a file may read differently after
// any rewrite (as with Wine's writer, which works on C strings).
bool HoldsNul(const std::string& contents) {
    if (!IsUtf16(contents)) return contents.find('\0') != std::string::npos;
    for (size_t i = 2; i + 1 < contents.size(); i += 2)
        if (contents[i] == 0 && contents[i + 1] == 0) return true;
    return false;
}

// A value as a reader gets it back: white space gone at both ends, one pair
// of enclosing quotes dropped.
std::string AsRead(const std::string& written) {
    const std::string value = Trim(UpToNul(written));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// Names and a value that one line of the file can hold: no line end, no NUL
// in a name, no '=' in a key and no key that would read as a section header;
// text that survives the file's encoding.
bool Writable(const std::string& contents, const std::string& section, const std::string& key,
              const std::string& value) {
    if (Has(section, "\r\n") || section.find('\0') != std::string::npos) return false;
    if (Has(key, "\r\n=") || key.find('\0') != std::string::npos) return false;
    if (!Trim(key).empty() && Trim(key)[0] == '[') return false;
    if (Has(UpToNul(value), "\r\n")) return false;
    if (HoldsNul(contents)) return false;
    if (IsUtf16(contents) && !(IsAscii(section) && IsAscii(key) && IsAscii(UpToNul(value)))) return false;
    return true;
}

// Printable ASCII lines only, and no section without a name: then rewriting
// the file keeps every other value as it was.
bool IsPlain(const std::string& contents) {
    for (unsigned char c : contents)
        if (!(c >= 0x20 && c < 0x7F) && c != '\r' && c != '\n' && c != '\t') return false;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find_first_of("\r\n", start);
        if (end == std::string::npos) end = contents.size();
        const std::string line = Trim(contents.substr(start, end - start));
        const size_t close = line.rfind(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos && close > 0 &&
            Trim(line.substr(1, close - 1)).empty())
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string section = provider.ConsumeRandomLengthString(40);
    const std::string key = provider.ConsumeRandomLengthString(40);
    const std::string value = provider.ConsumeRandomLengthString(300);
    const std::string otherSection = provider.ConsumeRandomLengthString(40);
    const std::string otherKey = provider.ConsumeRandomLengthString(40);
    const std::string contents = provider.ConsumeRemainingBytesAsString();
    const std::string what = "section " + Quoted(section) + " key " + Quoted(key) + " value " + Quoted(value) +
                             " in " + Quoted(contents);

    // Reading: one line's worth of text, never past a NUL.
    const std::string before = ProfileValue(contents, section, key);
    FUZZ_CHECK(!Has(before, "\r\n") && before.find('\0') == std::string::npos, what + " read " + Quoted(before));

    const std::string written = ProfileWithValue(contents, section, key, value);
    if (!Writable(contents, section, key, value)) return 0;
    // Known: an ANSI file whose rewritten text begins with the bytes of an
    // encoding mark (its first line blank, then a key named "\xFF\xFE...")
    // reads as UTF-16 or UTF-8 afterwards, as it does with Wine's writer.
    if (EncodingMark(written) != EncodingMark(contents)) return 0;

    // The value written is the value read, and writing it again changes
    // nothing (a value that ends in white space loses it in the file, so it
    // differs and is written again).
    const std::string after = ProfileValue(written, section, key);
    FUZZ_CHECK(after == AsRead(value), what + " wrote " + Quoted(written) + " read back " + Quoted(after));
    const std::string line = UpToNul(value);
    if (Trim(line).empty() || !IsSpace(line.back()))
        FUZZ_CHECK(ProfileWithValue(written, section, key, value) == written, what + " wrote " + Quoted(written));

    // The other values of a plain file are left alone.
    const bool sameEntry = Upper(Trim(UpToNul(otherSection))) == Upper(Trim(section)) &&
                           Upper(Trim(UpToNul(otherKey))) == Upper(Trim(key));
    if (!sameEntry && IsPlain(contents)) {
        FUZZ_CHECK(ProfileValue(written, otherSection, otherKey) == ProfileValue(contents, otherSection, otherKey),
                   what + " changed " + Quoted(otherSection) + "/" + Quoted(otherKey) + ": " + Quoted(written));
    }
    return 0;
}
