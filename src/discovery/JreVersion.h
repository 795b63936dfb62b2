// Java version numbers as the settings and the registry give them.
#pragma once

#include <cstdint>
#include <string>

namespace launcher {

// Stands for an unlimited component: an upper bound of 1.5 is 1.5.65535.65535.
constexpr int32_t kUnlimited = 65535;

struct JreVersion {
    int32_t numbers[4] = {0, 0, 0, 0};
    // How many digit groups the text held: 0 to 4, or 5 when more followed.
    int32_t count = 0;
};

// Every non-digit separates groups; at most four groups are stored. Components
// the text did not supply get `fill`. A group too large for 32 bits saturates
// at 2147483647.
JreVersion Parse(const std::string& text, int32_t fill);
std::string Format(const JreVersion& version);
int Compare(const JreVersion& a, const JreVersion& b);
bool SameNumbers(const JreVersion& a, const JreVersion& b);
// Whether candidate `c` satisfies the preferred version `p`.
bool Matches(const JreVersion& c, const JreVersion& p);
// All four numbers 0, or all four 65535: no limit on that side.
bool IsOpenBound(const JreVersion& version);

// The bounds of "Minimum Version" and "Maximum Version" ("any" or a version).
JreVersion MinimumFromSetting(const std::string& text);
JreVersion MaximumFromSetting(const std::string& text);

// Whether `version` lies within the inclusive range; an open bound sets no
// limit on its side.
bool InRange(const JreVersion& version, const JreVersion& minimum, const JreVersion& maximum);

}  // namespace launcher
