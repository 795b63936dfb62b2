// Installed runtimes found by a search, ordered and chosen.
#pragma once

#include <string>
#include <vector>

#include "discovery/JreVersion.h"
#include "platform/Os.h"

namespace launcher {

struct JreCandidate {
    JreVersion version;
    std::string home;
    bool hasServerVm = false;
    // Of the kind that "JVM Source" favours.
    bool preferredKind = false;
};

// One line of the trace: version, home and what the order looks at.
std::string DescribeCandidate(const JreCandidate& candidate);

// Stable order: the favoured kind first (only when both kinds are searched),
// then a server VM first (only for "favor_server"), then higher versions.
void SortCandidates(std::vector<JreCandidate>& candidates, bool sourceBoth, JvmType jvmType);

// Sorts, then takes the first candidate matching the first preferred version
// that matches any; otherwise the first. False for an empty list.
bool ChooseCandidate(std::vector<JreCandidate>& candidates, const std::vector<std::string>& preferredVersions,
                     bool sourceBoth, JvmType jvmType, JreCandidate& chosen);

}  // namespace launcher
