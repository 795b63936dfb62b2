// Converting between UTF-16 and UTF-8.
#include "launcher/Utf.h"

#include <cstdint>

namespace launcher {

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    auto continuation = [&](size_t k) { return k < n && (byte(k) & 0xC0) == 0x80; };
    while (i < n) {
        const unsigned char b = byte(i);
        uint32_t c;
        size_t length;
        if (b < 0x80) {
            c = b;
            length = 1;
        } else if (b >= 0xC2 && b < 0xE0 && continuation(i + 1)) {
            c = ((b & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu);
            length = 2;
        } else if (b >= 0xE0 && b < 0xF0 && continuation(i + 1) && continuation(i + 2)) {
            c = ((b & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
            length = c >= 0x800 ? 3 : 0;  // overlong forms are no UTF-8
        } else if (b >= 0xF0 && b < 0xF5 && continuation(i + 1) && continuation(i + 2) && continuation(i + 3)) {
            c = ((b & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) | ((byte(i + 2) & 0x3Fu) << 6) |
                (byte(i + 3) & 0x3Fu);
            length = (c >= 0x10000 && c <= 0x10FFFF) ? 4 : 0;
        } else {
            length = 0;
        }
        if (length == 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        i += length;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

}  // namespace launcher
