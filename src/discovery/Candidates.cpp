// Ordering and choosing among the collected runtimes.
#include "discovery/Candidates.h"

#include <algorithm>

namespace launcher {

std::string DescribeCandidate(const JreCandidate& c) {
    return Format(c.version) + " " + c.home + (c.hasServerVm ? " (server VM)" : "") +
           (c.preferredKind ? " (favoured kind)" : "");
}

void SortCandidates(std::vector<JreCandidate>& candidates, bool sourceBoth, JvmType jvmType) {
    const bool favorServer = jvmType == JvmType::FavorServer;
    std::stable_sort(candidates.begin(), candidates.end(), [&](const JreCandidate& a, const JreCandidate& b) {
        if (sourceBoth && a.preferredKind != b.preferredKind) return a.preferredKind;
        if (favorServer && a.hasServerVm != b.hasServerVm) return a.hasServerVm;
        return Compare(a.version, b.version) > 0;
    });
}

bool ChooseCandidate(std::vector<JreCandidate>& candidates, const std::vector<std::string>& preferredVersions,
                     bool sourceBoth, JvmType jvmType, JreCandidate& chosen) {
    if (candidates.empty()) return false;
    SortCandidates(candidates, sourceBoth, jvmType);
    for (const std::string& entry : preferredVersions) {
        const JreVersion preferred = Parse(entry, 0);
        for (const JreCandidate& c : candidates)
            if (Matches(c.version, preferred)) {
                chosen = c;
                return true;
            }
    }
    chosen = candidates.front();
    return true;
}

}  // namespace launcher
