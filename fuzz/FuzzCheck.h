// What the fuzz targets share: a check that stops the run with the broken rule and the values involved.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: broken: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    // libFuzzer takes the abort as a crash and keeps the input that caused it.
    std::abort();
}

// Bytes as a C string literal would write them, so that a report can be
// pasted into a test.
inline std::string Quoted(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            out += "\"\"";  // ends the escape, so a following hex digit stays a character
        }
    }
    return out + "\"";
}

inline std::string Quoted(const std::vector<std::string>& list) {
    std::string out = "{";
    for (size_t i = 0; i < list.size(); ++i) out += (i ? ", " : "") + Quoted(list[i]);
    return out + "}";
}

}  // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                          \
    do {                                                                       \
        if (!(condition)) ::fuzz::Fail(__FILE__, __LINE__, #condition, detail); \
    } while (0)
