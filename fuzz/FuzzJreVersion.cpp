// Fuzz target: version texts (Parse, Format, Compare, Matches and the range test).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "discovery/JreVersion.h"

using fuzz::Quoted;
using launcher::Compare;
using launcher::Format;
using launcher::InRange;
using launcher::IsOpenBound;
using launcher::JreVersion;
using launcher::kUnlimited;
using launcher::Matches;
using launcher::Parse;
using launcher::SameNumbers;

namespace {

std::string Show(const JreVersion& v) {
    return std::to_string(v.numbers[0]) + "." + std::to_string(v.numbers[1]) + "." + std::to_string(v.numbers[2]) +
           "." + std::to_string(v.numbers[3]) + " count " + std::to_string(v.count);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// How many runs of digits the text holds.
int DigitGroups(const std::string& text) {
    int groups = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (IsDigit(text[i]) && (i == 0 || !IsDigit(text[i - 1]))) ++groups;
    return groups;
}

void CheckParse(const std::string& text, int32_t fill) {
    const JreVersion v = Parse(text, fill);
    const std::string what = Quoted(text) + " fill " + std::to_string(fill) + " gave " + Show(v);
    const int groups = DigitGroups(text);
    FUZZ_CHECK(v.count == (groups > 4 ? 5 : groups), what);
    for (int k = 0; k < 4; ++k) {
        FUZZ_CHECK(v.numbers[k] >= 0, what);
        // Components the text did not give hold the fill; no digit at all
        // leaves every number 0.
        if (groups == 0) FUZZ_CHECK(v.numbers[k] == 0, what);
        else if (k >= v.count) FUZZ_CHECK(v.numbers[k] == fill, what);
    }
    // Format writes digits and dots only, and drops only trailing 0 and
    // 65535, so the text parses back to the same leading numbers.
    const std::string formatted = Format(v);
    for (char c : formatted) FUZZ_CHECK(IsDigit(c) || c == '.', what + " formatted " + Quoted(formatted));
    int last = 3;
    while (last >= 0 && (v.numbers[last] == 0 || v.numbers[last] == kUnlimited)) --last;
    const JreVersion back = Parse(formatted, 0);
    for (int k = 0; k < 4; ++k) {
        const int32_t expected = k <= last ? v.numbers[k] : 0;
        FUZZ_CHECK(back.numbers[k] == expected, what + " formatted " + Quoted(formatted) + " read back " + Show(back));
    }
    FUZZ_CHECK(Compare(v, v) == 0 && SameNumbers(v, v) && Matches(v, v), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckParse(text, 0);
    CheckParse(text, kUnlimited);

    // Three versions from the lines of the input: the order is a total order.
    std::string parts[3];
    int index = 0;
    for (char c : text) {
        if (c == '\n' && index < 2) ++index;
        else parts[index] += c;
    }
    const JreVersion a = Parse(parts[0], 0), b = Parse(parts[1], kUnlimited), c = Parse(parts[2], 0);
    const std::string what = Show(a) + " / " + Show(b) + " / " + Show(c);
    FUZZ_CHECK(Compare(a, b) == -Compare(b, a), what);
    FUZZ_CHECK((Compare(a, b) == 0) == SameNumbers(a, b), what);
    if (Compare(a, b) <= 0 && Compare(b, c) <= 0) FUZZ_CHECK(Compare(a, c) <= 0, what);

    // A preferred version with count n matches exactly the candidates whose
    // first n numbers are the same, when the candidate has at least n.
    const JreVersion p = a, candidate = c;
    bool prefixEqual = p.count > 0 && p.count <= candidate.count;
    for (int k = 0; prefixEqual && k < (p.count > 4 ? 4 : p.count); ++k)
        prefixEqual = candidate.numbers[k] == p.numbers[k];
    FUZZ_CHECK(Matches(candidate, p) == (SameNumbers(candidate, p) || prefixEqual), what);

    // The range: open bounds set no limit, closed ones are inclusive.
    const JreVersion minimum = launcher::MinimumFromSetting(parts[0]);
    const JreVersion maximum = launcher::MaximumFromSetting(parts[1]);
    const bool expected = (IsOpenBound(minimum) || Compare(c, minimum) >= 0) &&
                          (IsOpenBound(maximum) || Compare(c, maximum) <= 0);
    FUZZ_CHECK(InRange(c, minimum, maximum) == expected, what);
    return 0;
}
