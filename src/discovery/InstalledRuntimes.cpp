// Candidates from the folders of installed runtimes and their release files.
#include "discovery/InstalledRuntimes.h"

#include <algorithm>
#include <vector>

#include "discovery/Candidates.h"
#include "discovery/JvmLibrary.h"
#include "launcher/Launcher.h"

namespace launcher {

bool ReleaseVersion(const std::string& contents, std::string& version) {
    const std::string key = "JAVA_VERSION=";
    size_t lineStart = 0;
    while (lineStart < contents.size()) {
        size_t lineEnd = contents.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = contents.size();
        std::string line = contents.substr(lineStart, lineEnd - lineStart);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size(), key) == 0) {
            std::string value = line.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.empty()) return false;
            version = value;
            return true;
        }
        lineStart = lineEnd + 1;
    }
    return false;
}

bool SearchInstalledRuntimes(Launcher& launcher, std::string& home) {
    const RuntimeLayout& layout = launcher.layout;
    if (layout.installedRuntimesFolder.empty()) return false;
    std::vector<std::string> names;
    if (!launcher.os.ListDirectory(layout.installedRuntimesFolder, names)) return false;
    std::sort(names.begin(), names.end());
    SearchLog& log = launcher.searchLog;
    log.Line("  installed runtimes in " + layout.installedRuntimesFolder + ": " + std::to_string(names.size()) +
             " entries");

    // JDKs are collected before JREs, as the registry's JDK key is read first.
    std::vector<JreCandidate> candidates;
    for (int pass = 0; pass < 2; ++pass) {
        const bool jdkPass = pass == 0;
        if (jdkPass && !(launcher.sourceBoth || launcher.sourceJdk)) continue;
        if (!jdkPass && !(launcher.sourceBoth || launcher.sourceJre)) continue;
        for (const std::string& name : names) {
            if (name.empty() || name[0] == '.') continue;
            const std::string folder = layout.installedRuntimesFolder + name + layout.separator;
            std::string contents, versionText;
            if (!launcher.os.ReadFilePrefix(folder + "release", kReleaseFileLimit, contents) ||
                !ReleaseVersion(contents, versionText)) {
                if (jdkPass) log.Line("    " + folder + ": no release file with JAVA_VERSION");
                continue;
            }
            const bool isJdk = launcher.os.PathExists(folder + layout.compilerMarker);
            if (isJdk != jdkPass) continue;
            JreCandidate c;
            c.version = Parse(versionText, 0);
            if (!InRange(c.version, launcher.minVersion, launcher.maxVersion)) {
                log.Line("    " + folder + ": version " + versionText + " outside the range");
                continue;
            }
            c.home = isJdk ? folder + layout.jdkRuntimeFolder : folder;
            JvmType type = launcher.jvmType;
            if (!isJdk && type == JvmType::FavorServer) type = JvmType::Default;
            if (LocateJvmLibrary(launcher.os, layout, c.home, type, c.hasServerVm, &log).empty()) continue;
            c.preferredKind = isJdk ? launcher.sourceJdk : launcher.sourceJre;
            log.Line("    candidate " + DescribeCandidate(c));
            candidates.push_back(c);
        }
    }
    JreCandidate chosen;
    if (!ChooseCandidate(candidates, launcher.preferredVersions, launcher.sourceBoth, launcher.jvmType, chosen))
        return false;
    if (log.Tracing()) {
        log.Line("  candidates in order:");
        for (const JreCandidate& c : candidates) log.Line("    " + DescribeCandidate(c));
        log.Line("  chosen: " + DescribeCandidate(chosen));
    }
    home = chosen.home;
    return true;
}

}  // namespace launcher
