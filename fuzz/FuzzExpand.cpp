// Fuzz target: %NAME% references in settings values (ExpandReferences, the POSIX stand-in for ExpandEnvironmentStrings).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "platform/ExpandText.h"

using fuzz::Quoted;
using launcher::ExpandReferences;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Nothing defined: the text comes back as written.
    const std::string none = ExpandReferences(text, [](const std::string&, std::string&) { return false; });
    FUZZ_CHECK(none == text, Quoted(text) + " gave " + Quoted(none));

    // Any text: every name asked for lies between two percent signs.
    ExpandReferences(text, [&text](const std::string& name, std::string& value) {
        FUZZ_CHECK(!name.empty() && name.find('%') == std::string::npos &&
                       text.find("%" + name + "%") != std::string::npos,
                   Quoted(text) + " asked for " + Quoted(name));
        value = name.size() % 2 ? "" : name + name;
        return name[0] != '-';
    });

    // Literal pieces and names taken from the input's lines, joined as
    // "piece%name%piece...", expand to the pieces and each name's value.
    std::string joined, expected;
    bool isName = false;
    size_t start = 0;
    for (;;) {
        const size_t newline = text.find('\n', start);
        std::string piece = text.substr(start, newline == std::string::npos ? std::string::npos : newline - start);
        piece.erase(std::remove(piece.begin(), piece.end(), '%'), piece.end());
        if (isName && !piece.empty()) {
            joined += "%" + piece + "%";
            expected += "[" + piece + "]";
        } else if (!isName) {
            joined += piece;
            expected += piece;
        }
        isName = !isName;
        if (newline == std::string::npos) break;
        start = newline + 1;
    }
    const std::string result = ExpandReferences(joined, [](const std::string& name, std::string& value) {
        value = "[" + name + "]";
        return true;
    });
    FUZZ_CHECK(result == expected, Quoted(joined) + " gave " + Quoted(result));
    return 0;
}
