// Collecting and choosing the runtimes registered under the JavaSoft keys.
#include "discovery/RegistrySearch.h"

#include "discovery/JvmLibrary.h"
#include "launcher/Launcher.h"

namespace launcher {

std::string TextOfValue(const std::string& data) {
    const size_t nul = data.find('\0');
    return nul == std::string::npos ? data : data.substr(0, nul);
}

bool ReadJavaHome(Launcher& launcher, const std::string& keyPath, const std::string& name, bool jdkKey,
                  std::string& home, bool& hasServerVm) {
    std::string data;
    if (!launcher.os.RegistryValue(keyPath + name, "JavaHome", data) || data.empty()) return false;
    home = WithTrailingSeparator(TextOfValue(data), launcher.layout);
    // An empty text would make the home a bare backslash: the root of the
    // current drive. Such a value names no runtime.
    if (home.empty()) return false;
    if (jdkKey) home += launcher.layout.jdkRuntimeFolder;
    JvmType type = launcher.jvmType;
    if (!jdkKey && type == JvmType::FavorServer) type = JvmType::Default;
    hasServerVm = false;
    return !LocateJvmLibrary(launcher.os, launcher.layout, home, type, hasServerVm).empty();
}

void CollectCandidates(Launcher& launcher, const std::string& keyPath, bool jdkKey,
                       std::vector<JreCandidate>& candidates) {
    std::vector<std::string> names;
    if (!launcher.os.RegistrySubKeys(keyPath, names)) return;
    for (const std::string& name : names) {
        JreCandidate c;
        c.version = Parse(name, 0);
        if (!InRange(c.version, launcher.minVersion, launcher.maxVersion)) continue;
        if (!ReadJavaHome(launcher, keyPath, name, jdkKey, c.home, c.hasServerVm)) continue;
        c.preferredKind = jdkKey ? launcher.sourceJdk : launcher.sourceJre;
        candidates.push_back(c);
    }
}

bool SearchRegistry(Launcher& launcher, std::string& home) {
    std::vector<JreCandidate> candidates;
    if (launcher.sourceBoth || launcher.sourceJdk) CollectCandidates(launcher, kJdkKey, true, candidates);
    if (launcher.sourceBoth || launcher.sourceJre) CollectCandidates(launcher, kJreKey, false, candidates);
    JreCandidate chosen;
    if (!ChooseCandidate(candidates, launcher.preferredVersions, launcher.sourceBoth, launcher.jvmType, chosen))
        return false;
    home = chosen.home;
    return true;
}

}  // namespace launcher
