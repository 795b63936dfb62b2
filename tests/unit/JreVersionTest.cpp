// Tests of version numbers: parsing, formatting, comparison, matching and the setting bounds.
#include "discovery/JreVersion.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

constexpr int32_t U = kUnlimited;

JreVersion V(int32_t a, int32_t b, int32_t c, int32_t d, int32_t count) { return JreVersion{{a, b, c, d}, count}; }

std::string Describe(const JreVersion& v) {
    return std::to_string(v.numbers[0]) + "." + std::to_string(v.numbers[1]) + "." + std::to_string(v.numbers[2]) +
           "." + std::to_string(v.numbers[3]) + " count " + std::to_string(v.count);
}

void ExpectVersion(const JreVersion& actual, const JreVersion& expected) {
    EXPECT_EQ(Describe(actual), Describe(expected));
}

TEST(JreVersionParse, ReadsDigitGroupsAndFillsTheRest) {
    struct Case {
        std::string text;
        int32_t fill;
        JreVersion expected;
    };
    const Case cases[] = {
        {"1.4.2_06", 0, V(1, 4, 2, 6, 4)},
        {"1.5.0_11-b03", 0, V(1, 5, 0, 11, 5)},
        {"1.5.0_11-b03", U, V(1, 5, 0, 11, 5)},
        {"1.2.3.4.5.6", 0, V(1, 2, 3, 4, 5)},
        {"1.6", 0, V(1, 6, 0, 0, 2)},
        {"1.6", U, V(1, 6, U, U, 2)},
        {"17", 0, V(17, 0, 0, 0, 1)},
        {"17", U, V(17, U, U, U, 1)},
        {"jdk1.3.1", 0, V(1, 3, 1, 0, 3)},
        {"jdk1.3.1", U, V(1, 3, 1, U, 3)},
        {"1.4-rc", U, V(1, 4, U, U, 2)},
        {"  1..__2  ", 0, V(1, 2, 0, 0, 2)},
        {"007.08", 0, V(7, 8, 0, 0, 2)},
        {"0", U, V(0, U, U, U, 1)},
        // Bytes outside ASCII are separators, even where a code page shows a digit.
        {"1\xB2", U, V(1, U, U, U, 1)},
        {"", 0, V(0, 0, 0, 0, 0)},
        {"", U, V(0, 0, 0, 0, 0)},
        {"none", U, V(0, 0, 0, 0, 0)},
        {"any", U, V(0, 0, 0, 0, 0)},
        // A group too large for 32 bits saturates instead of wrapping.
        {"99999999999", 0, V(2147483647, 0, 0, 0, 1)},
        {"1.2147483648", 0, V(1, 2147483647, 0, 0, 2)},
        {"2147483647.99999999999999999999999", U, V(2147483647, 2147483647, U, U, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\" fill " + std::to_string(c.fill));
        ExpectVersion(Parse(c.text, c.fill), c.expected);
    }
}

TEST(JreVersionFormat, DropsTrailingZeroAndUnlimitedComponents) {
    struct Case {
        JreVersion version;
        std::string expected;
    };
    const Case cases[] = {
        {V(1, 0, 2, 0, 4), "1.0.2"},
        {V(1, 0, 0, 0, 2), "1"},
        {V(1, 4, 2, 6, 4), "1.4.2.6"},
        {V(1, 6, U, U, 2), "1.6"},
        {V(1, 6, 0, U, 2), "1.6"},
        {V(1, U, 0, 3, 4), "1.65535.0.3"},
        {V(0, 0, 0, 0, 0), "0.0.0.0"},
        {V(0, 0, 0, 0, 4), "0.0.0.0"},
        {V(U, U, U, U, 4), "0.0.0.0"},
        {V(0, U, U, U, 1), "0.0.0.0"},
        {V(U, 0, U, 0, 4), "0.0.0.0"},
        {V(0, 0, 0, 7, 4), "0.0.0.7"},
        {V(2147483647, 0, 0, 0, 1), "2147483647"},
        {V(-1, 0, 0, 0, 1), "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.version));
        EXPECT_EQ(Format(c.version), c.expected);
    }
}

TEST(JreVersionCompare, ComparesNumbersInOrderIgnoringCount) {
    struct Case {
        const char* name;
        JreVersion a, b;
        int expected;
    };
    const Case cases[] = {
        {"numbers, not text", Parse("1.10", 0), Parse("1.9", 0), 1},
        {"count ignored", Parse("1.4", 0), Parse("1.4.0", 0), 0},
        {"last component decides", Parse("1.4.2_05", 0), Parse("1.4.2_06", 0), -1},
        {"first component decides", Parse("2", 0), Parse("1.99.99.99", 0), 1},
        {"shorter lower bound", Parse("1.4.2", 0), Parse("1.4", 0), 1},
        {"unlimited fill is high", Parse("1.5", U), Parse("1.5.0_99", 0), 1},
        {"equal", Parse("1.5.0_06", 0), Parse("1.5.0.6", 0), 0},
        {"signed comparison", V(-1, 0, 0, 0, 1), V(0, 0, 0, 0, 0), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Compare(c.a, c.b), c.expected);
        EXPECT_EQ(Compare(c.b, c.a), -c.expected);
        EXPECT_EQ(SameNumbers(c.a, c.b), c.expected == 0);
    }
}

TEST(JreVersionMatches, PreferredVersionCoversItsPrefix) {
    struct Case {
        std::string name;
        JreVersion candidate, preferred;
        bool expected;
    };
    auto P = [](const char* text) { return Parse(text, 0); };
    const Case cases[] = {
        {"1.4 prefers 1.4", P("1.4"), P("1.4"), true},
        {"1.4.2 prefers 1.4", P("1.4.2"), P("1.4"), true},
        {"1.4.2_06 prefers 1.4", P("1.4.2_06"), P("1.4"), true},
        {"1.5.0 prefers 1.4", P("1.5.0"), P("1.4"), false},
        {"1.4 prefers the more precise 1.4.2", P("1.4"), P("1.4.2"), false},
        {"1.4 prefers 1.4.0: same numbers, whatever the counts", P("1.4"), P("1.4.0"), true},
        {"1.4.2 prefers 1.4.0: compared up to the preferred count", P("1.4.2"), P("1.4.0"), false},
        {"1.4 prefers 1", P("1.4"), P("1"), true},
        {"11.0.2 prefers 1", P("11.0.2"), P("1"), false},
        {"count 5 compares all four numbers", P("1.5.0_11-b03"), P("1.5.0_11-b99"), true},
        {"count 5 with a different fourth number", P("1.5.0_11-b03"), P("1.5.0_12-b03"), false},
        {"count 5 above the candidate's 4, same numbers", P("1.5.0_11"), P("1.5.0_11-b03"), true},
        {"count 5 above the candidate's 4, other numbers", P("1.5.0_12"), P("1.5.0_11-b03"), false},
        {"an empty entry does not match a real version", P("1.4.2"), P(""), false},
        {"an empty entry matches 0.0.0.0", P("none"), P(""), true},
        {"1 does not match 0.0.0.0", P("none"), P("1"), false},
        // Numbers the candidate's text did not give never count toward a match.
        {"preferred count above the candidate's", V(1, 4, 7, 0, 2), V(1, 4, 7, 1, 3), false},
        {"preferred count within the candidate's", V(1, 4, 7, 0, 3), V(1, 4, 7, 1, 3), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Matches(c.candidate, c.preferred), c.expected);
    }
}

TEST(JreVersionIsOpenBound, AllZeroOrAllUnlimited) {
    struct Case {
        JreVersion version;
        bool expected;
    };
    const Case cases[] = {
        {V(0, 0, 0, 0, 0), true},   {V(0, 0, 0, 0, 4), true},  {V(U, U, U, U, 4), true},
        {V(0, U, U, U, 1), false},  {V(U, 0, 0, 0, 1), false}, {V(1, 5, U, U, 2), false},
        {V(0, 0, 0, 1, 4), false},  {V(U, U, U, 0, 4), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.version));
        EXPECT_EQ(IsOpenBound(c.version), c.expected);
    }
}

TEST(JreVersionBounds, AnyOrVersionText) {
    struct Case {
        std::string text;
        JreVersion minimum, maximum;
    };
    const Case cases[] = {
        {"any", V(0, 0, 0, 0, 4), V(U, U, U, U, 4)},
        {"Any", V(0, 0, 0, 0, 0), V(0, 0, 0, 0, 0)},  // exact text only
        {"any ", V(0, 0, 0, 0, 0), V(0, 0, 0, 0, 0)},
        {"", V(0, 0, 0, 0, 0), V(0, 0, 0, 0, 0)},
        {"1.5", V(1, 5, 0, 0, 2), V(1, 5, U, U, 2)},
        {"1.4.2.6", V(1, 4, 2, 6, 4), V(1, 4, 2, 6, 4)},
        {"0", V(0, 0, 0, 0, 1), V(0, U, U, U, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        ExpectVersion(MinimumFromSetting(c.text), c.minimum);
        ExpectVersion(MaximumFromSetting(c.text), c.maximum);
    }
}

TEST(JreVersionInRange, InclusiveBoundsAndOpenSides) {
    struct Case {
        std::string version, minimum, maximum;
        bool expected;
    };
    const Case cases[] = {
        {"1.4", "1.4", "1.5", true},
        {"1.4.2_06", "1.4", "1.5", true},
        {"1.5", "1.4", "1.5", true},
        {"1.5.0_06", "1.4", "1.5", true},
        {"1.3.1", "1.4", "1.5", false},
        {"1.6", "1.4", "1.5", false},
        {"99", "1.4", "", true},       // missing maximum: open
        {"99", "1.4", "any", true},
        {"1.6", "any", "1.5", false},  // "any" minimum is open, the maximum still applies
        {"none", "", "1.5", true},     // no digits: version 0, inside an open lower bound
        {"none", "1.4", "", false},
        {"1.4.2.6", "1.4.2.6", "1.4.2.6", true},
        {"1.4.2.7", "1.4.2.6", "1.4.2.6", false},
        {"0.5", "", "0", true},        // maximum 0.65535.65535.65535 is not open
        {"1", "", "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version + " in [" + c.minimum + ", " + c.maximum + "]");
        EXPECT_EQ(InRange(Parse(c.version, 0), MinimumFromSetting(c.minimum), MaximumFromSetting(c.maximum)),
                  c.expected);
    }
}

}  // namespace
}  // namespace launcher
