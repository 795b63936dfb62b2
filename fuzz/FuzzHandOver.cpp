// Fuzz target: the hand-over area (ReadHandOverArguments on any bytes, and written arguments read back).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "instance/HandOverArea.h"

using fuzz::Quoted;
using launcher::HandOverFits;
using launcher::kArgumentsSize;
using launcher::ReadHandOverArguments;
using launcher::WriteHandOverArguments;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Another process may leave anything in the area: the input, cut or
    // padded with a repeating byte to the area's size.
    std::vector<uint8_t> area(kArgumentsSize, size ? data[size - 1] : 0);
    std::memcpy(area.data(), data, size < kArgumentsSize ? size : kArgumentsSize);
    const std::vector<std::string> read = ReadHandOverArguments(area.data());
    const std::string raw(area.begin(), area.end());
    size_t used = 0;
    for (const std::string& argument : read) {
        FUZZ_CHECK(argument.find('\0') == std::string::npos, Quoted(argument));
        used += argument.size() + 1;
    }
    // Each text read ended in a zero byte inside the area, and the texts lie
    // in it one after another from its start.
    FUZZ_CHECK(used <= kArgumentsSize, Quoted(read));
    std::string joined;
    for (const std::string& argument : read) joined += argument + '\0';
    FUZZ_CHECK(raw.compare(0, joined.size(), joined) == 0, Quoted(read));
    // The list ends at the first two zero bytes in a row, or is what was
    // finished before the walk ran out.
    if (!read.empty() && used < kArgumentsSize) {
        const bool stopped = area[used] == 0;
        const bool ranOut = raw.find(std::string(2, '\0'), used - 1) == std::string::npos;
        FUZZ_CHECK(stopped || ranOut, Quoted(read));
    }

    // Arguments taken from the input's lines: when they fit they are written
    // and read back up to the first empty one after the first (an empty one
    // looks like the end of the list); none reads as one empty argument.
    std::vector<std::string> arguments;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t start = 0; start < text.size();) {
        size_t newline = text.find('\n', start);
        if (newline == std::string::npos) newline = text.size();
        std::string argument = text.substr(start, newline - start);
        argument.erase(std::remove(argument.begin(), argument.end(), '\0'), argument.end());
        arguments.push_back(argument);
        start = newline + 1;
    }
    std::vector<uint8_t> written(kArgumentsSize, 0xA5);
    const bool fits = HandOverFits(arguments);
    size_t needed = 1;
    for (const std::string& argument : arguments) needed += argument.size() + 1;
    FUZZ_CHECK(fits == (needed <= kArgumentsSize), Quoted(arguments));
    FUZZ_CHECK(WriteHandOverArguments(arguments, written.data()) == fits, Quoted(arguments));
    if (!fits) {
        for (uint8_t byte : written) FUZZ_CHECK(byte == 0xA5, "a refused hand-over wrote the area");
        return 0;
    }
    std::vector<std::string> expected;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0 && arguments[i].empty()) break;
        expected.push_back(arguments[i]);
    }
    if (expected.empty()) expected.push_back(std::string());
    const std::vector<std::string> back = ReadHandOverArguments(written.data());
    FUZZ_CHECK(back == expected, Quoted(arguments) + " read back as " + Quoted(back));
    return 0;
}
