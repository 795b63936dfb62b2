// Fuzz target: UTF-8 and UTF-16 conversions of arguments (Utf8ToUtf16, Utf16ToUtf8).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "launcher/Utf.h"

using fuzz::Quoted;
using launcher::Utf16ToUtf8;
using launcher::Utf8ToUtf16;

namespace {

// Standard UTF-8: shortest forms, no surrogates, nothing beyond U+10FFFF.
bool IsStrictUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        size_t length = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t c = length == 1 ? b : b & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
        i += length;
    }
    return true;
}

std::string Units(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += std::to_string(static_cast<unsigned>(c)) + " ";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Bytes as UTF-8: standard UTF-8 comes back unchanged; anything else
    // settles after one round.
    const std::u16string wide = Utf8ToUtf16(bytes);
    FUZZ_CHECK(wide.size() <= bytes.size(), Quoted(bytes));
    const std::string once = Utf16ToUtf8(wide);
    if (IsStrictUtf8(bytes)) FUZZ_CHECK(once == bytes, Quoted(bytes) + " came back as " + Quoted(once));
    FUZZ_CHECK(Utf16ToUtf8(Utf8ToUtf16(once)) == once, Quoted(bytes) + " then " + Quoted(once));

    // Bytes as UTF-16 units: every sequence, unpaired surrogates included,
    // comes back exactly.
    std::u16string units;
    for (size_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    const std::string narrow = Utf16ToUtf8(units);
    FUZZ_CHECK(Utf8ToUtf16(narrow) == units, Units(units) + "as " + Quoted(narrow));
    return 0;
}
