// Parsing, formatting and comparing Java version numbers.
#include "discovery/JreVersion.h"

#include <cstdint>

namespace launcher {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

JreVersion Parse(const std::string& text, int32_t fill) {
    JreVersion v;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && !IsDigit(text[i])) ++i;
    if (i == n) return v;
    int j = 0;
    for (;;) {
        int64_t value = 0;
        for (; i < n && IsDigit(text[i]); ++i) {
            value = value * 10 + (text[i] - '0');
            if (value > INT32_MAX) value = INT32_MAX;  // saturate instead of wrapping
        }
        v.numbers[j] = static_cast<int32_t>(value);
        while (i < n && !IsDigit(text[i])) ++i;
        if (i == n) break;
        ++j;
        if (j == 4) break;
    }
    v.count = j + 1;
    for (int k = v.count; k < 4; ++k) v.numbers[k] = fill;
    return v;
}

std::string Format(const JreVersion& version) {
    int last = 3;
    while (last >= 0 && (version.numbers[last] == 0 || version.numbers[last] == kUnlimited)) --last;
    if (last < 0) return "0.0.0.0";
    std::string text;
    for (int k = 0; k <= last; ++k) {
        if (k) text += '.';
        text += std::to_string(version.numbers[k]);
    }
    return text;
}

int Compare(const JreVersion& a, const JreVersion& b) {
    for (int k = 0; k < 4; ++k) {
        if (a.numbers[k] < b.numbers[k]) return -1;
        if (a.numbers[k] > b.numbers[k]) return 1;
    }
    return 0;
}

bool SameNumbers(const JreVersion& a, const JreVersion& b) { return Compare(a, b) == 0; }

bool Matches(const JreVersion& c, const JreVersion& p) {
    if (SameNumbers(c, p)) return true;
    if (p.count == 0 || p.count > c.count) return false;
    const int n = p.count > 4 ? 4 : p.count;
    for (int k = 0; k < n; ++k)
        if (c.numbers[k] != p.numbers[k]) return false;
    return true;
}

bool IsOpenBound(const JreVersion& version) {
    bool allZero = true, allUnlimited = true;
    for (int32_t x : version.numbers) {
        allZero = allZero && x == 0;
        allUnlimited = allUnlimited && x == kUnlimited;
    }
    return allZero || allUnlimited;
}

JreVersion MinimumFromSetting(const std::string& text) {
    if (text == "any") return JreVersion{{0, 0, 0, 0}, 4};
    return Parse(text, 0);
}

JreVersion MaximumFromSetting(const std::string& text) {
    if (text == "any") return JreVersion{{kUnlimited, kUnlimited, kUnlimited, kUnlimited}, 4};
    return Parse(text, kUnlimited);
}

bool InRange(const JreVersion& version, const JreVersion& minimum, const JreVersion& maximum) {
    if (!IsOpenBound(maximum) && Compare(version, maximum) > 0) return false;
    if (!IsOpenBound(minimum) && Compare(version, minimum) < 0) return false;
    return true;
}

}  // namespace launcher
