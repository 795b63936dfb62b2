// Fuzz target: "Virtual Machine Parameters" (SplitVmParameters, FindParameterEnd, StripQuotes, memory percentages).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "vm/VmOptions.h"

using fuzz::Quoted;
using launcher::ApplyMemoryPercentage;
using launcher::FindParameterEnd;
using launcher::IsMemoryPercentage;
using launcher::SplitVmParameters;
using launcher::StripQuotes;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t Count(const std::string& text, char c) {
    size_t n = 0;
    for (char x : text) n += x == c;
    return n;
}

void CheckPercentage(const std::string& parameter, uint64_t memory) {
    const std::string result = ApplyMemoryPercentage(parameter, memory);
    const std::string what = Quoted(parameter) + " with " + std::to_string(memory) + " bytes gave " + Quoted(result);
    // The text before the first digit, then a decimal number of kilobytes, then K.
    size_t d = 0;
    while (d < parameter.size() && !IsDigit(parameter[d])) ++d;
    FUZZ_CHECK(result.size() >= d + 2 && result.compare(0, d, parameter, 0, d) == 0 && result.back() == 'K', what);
    const std::string number = result.substr(d, result.size() - d - 1);
    for (char c : number) FUZZ_CHECK(IsDigit(c), what);
    FUZZ_CHECK(number.size() == 1 || number[0] != '0', what);
    // The share: the digits between d and the last character.
    std::string digits;
    for (size_t i = d; i + 1 < parameter.size(); ++i)
        if (IsDigit(parameter[i])) digits += parameter[i];
    while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
    if (digits.empty() || digits == "0") FUZZ_CHECK(number == "0", what);
    // Up to 100 % is never more than the memory there is (while a double
    // holds the kilobytes exactly).
    if (!digits.empty() && digits.size() <= 3 && std::stoi(digits) <= 100 && memory < (1ull << 62)) {
        FUZZ_CHECK(number.size() <= 20, what);
        FUZZ_CHECK(std::stoull(number) <= (memory >> 10), what);
        if (digits == "100") FUZZ_CHECK(std::stoull(number) == (memory >> 10), what);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const uint64_t memory = provider.ConsumeIntegral<uint64_t>();
    const size_t start = provider.ConsumeIntegral<uint16_t>();
    const std::string text = provider.ConsumeRemainingBytesAsString();

    // The end of a parameter is a space outside quotes, or the text's end.
    if (start <= text.size()) {
        const size_t end = FindParameterEnd(text, start);
        const std::string what = Quoted(text) + " from " + std::to_string(start) + " ends at " + std::to_string(end);
        FUZZ_CHECK(end >= start && end <= text.size(), what);
        FUZZ_CHECK(end == text.size() || text[end] == ' ', what);
        if (Count(text.substr(start, end - start), '"') == 0) FUZZ_CHECK(text.find(' ', start) == end ||
                                                                         (end == text.size() &&
                                                                          text.find(' ', start) == std::string::npos),
                                                                         what);
    }

    // Stripping removes quote characters and nothing else.
    const std::string stripped = StripQuotes(text);
    {
        const std::string what = Quoted(text) + " stripped to " + Quoted(stripped);
        FUZZ_CHECK(stripped.size() + Count(text, '"') - Count(stripped, '"') == text.size(), what);
        std::string a, b;
        for (char c : text)
            if (c != '"') a += c;
        for (char c : stripped)
            if (c != '"') b += c;
        FUZZ_CHECK(a == b, what);
        if (Count(text, '"') == 0) FUZZ_CHECK(stripped == text, what);
    }

    // The rewrite is applied only to "-Xmx25P" and the like, but any text
    // must give a defined result.
    CheckPercentage(text, memory);

    // The whole setting: without quotes, the pieces between runs of spaces.
    std::vector<std::string> parameters;
    SplitVmParameters(text, memory, parameters);
    FUZZ_CHECK(text.empty() == parameters.empty(), Quoted(text));
    if (Count(text, '"') == 0) {
        // Split at single spaces; the empty pieces of a run of spaces vanish,
        // only a leading space leaves an empty first parameter.
        std::vector<std::string> expected;
        size_t position = 0;
        for (;;) {
            const size_t space = text.find(' ', position);
            std::string piece = text.substr(position, space == std::string::npos ? std::string::npos : space - position);
            if (IsMemoryPercentage(piece)) piece = ApplyMemoryPercentage(piece, memory);
            if (expected.empty() || !piece.empty()) expected.push_back(piece);
            if (space == std::string::npos) break;
            position = space + 1;
        }
        if (text.empty()) expected.clear();
        FUZZ_CHECK(parameters == expected, Quoted(text) + " gave " + Quoted(parameters));
    }
    // A rewritten share ends in K: nothing that leaves is still a share.
    for (const std::string& parameter : parameters) FUZZ_CHECK(!IsMemoryPercentage(parameter), Quoted(parameter));
    return 0;
}
