// Collecting and choosing the runtimes registered in the registry.
#include "discovery/RegistrySearch.h"

#include "discovery/InstalledRuntimes.h"
#include "discovery/JvmLibrary.h"
#include "launcher/Launcher.h"

namespace launcher {

namespace {

bool ReadText(Os& os, const std::string& keyPath, const char* valueName, std::string& text) {
    std::string data;
    if (!os.RegistryValue(keyPath, valueName, data) || data.empty()) return false;
    text = TextOfValue(data);
    return true;
}

}  // namespace

const std::vector<RegistrySource>& ClassicRegistrySources() {
    static const std::vector<RegistrySource> sources = {
        {kJdkKey, true, true, HomeValue::JavaHome},
        {kJreKey, false, false, HomeValue::JavaHome},
    };
    return sources;
}

const std::vector<RegistrySource>& CurrentRegistrySources() {
    // Runtimes since Java 9 register under JavaSoft\JDK and JavaSoft\JRE
    // (their home is the runtime: no jre\ folder), and the OpenJDK builds'
    // installers under their vendor's own key. JDKs first, as with the
    // JavaSoft keys.
    static const std::vector<RegistrySource> sources = {
        {"Software\\JavaSoft\\JDK\\", true, false, HomeValue::JavaHome},
        {"Software\\Eclipse Adoptium\\JDK\\", true, false, HomeValue::MsiPath},
        {"Software\\Eclipse Foundation\\JDK\\", true, false, HomeValue::MsiPath},
        {"Software\\AdoptOpenJDK\\JDK\\", true, false, HomeValue::MsiPath},
        {"Software\\Microsoft\\JDK\\", true, false, HomeValue::MsiPath},
        {"Software\\Azul Systems\\Zulu\\", true, false, HomeValue::InstallationPath},
        {"Software\\JavaSoft\\JRE\\", false, false, HomeValue::JavaHome},
        {"Software\\Eclipse Adoptium\\JRE\\", false, false, HomeValue::MsiPath},
        {"Software\\Eclipse Foundation\\JRE\\", false, false, HomeValue::MsiPath},
        {"Software\\AdoptOpenJDK\\JRE\\", false, false, HomeValue::MsiPath},
    };
    return sources;
}

std::string TextOfValue(const std::string& data) {
    const size_t nul = data.find('\0');
    return nul == std::string::npos ? data : data.substr(0, nul);
}

bool ReadJavaHome(Launcher& launcher, const RegistrySource& source, const std::string& name, std::string& home,
                  bool& hasServerVm) {
    Os& os = launcher.os;
    const std::string key = source.keyPath + name;
    std::string text;
    bool found = false;
    switch (source.home) {
    case HomeValue::JavaHome:
        found = ReadText(os, key, "JavaHome", text);
        break;
    case HomeValue::MsiPath:
        for (const char* below : {"\\hotspot\\MSI", "\\openj9\\MSI", "\\MSI"})
            if ((found = ReadText(os, key + below, "Path", text))) break;
        break;
    case HomeValue::InstallationPath:
        found = ReadText(os, key, "InstallationPath", text);
        break;
    }
    // An empty text would make the home a bare backslash, the root of the
    // current drive: such a value names no runtime.
    if (!found || text.empty()) {
        launcher.searchLog.Line("    " + key + ": no home recorded");
        return false;
    }
    home = WithTrailingSeparator(text, launcher.layout);
    if (source.appendJre) home += launcher.layout.jdkRuntimeFolder;
    JvmType type = launcher.jvmType;
    if (!source.jdk && type == JvmType::FavorServer) type = JvmType::Default;
    hasServerVm = false;
    return !LocateJvmLibrary(os, launcher.layout, home, type, hasServerVm, &launcher.searchLog).empty();
}

bool ReadJavaHome(Launcher& launcher, const std::string& keyPath, const std::string& name, bool jdkKey,
                  std::string& home, bool& hasServerVm) {
    const RegistrySource source{keyPath.c_str(), jdkKey, jdkKey, HomeValue::JavaHome};
    return ReadJavaHome(launcher, source, name, home, hasServerVm);
}

void CollectCandidates(Launcher& launcher, const RegistrySource& source, std::vector<JreCandidate>& candidates) {
    std::vector<std::string> names;
    if (!launcher.os.RegistrySubKeys(source.keyPath, names)) return;
    launcher.searchLog.Line("  registry key HKLM\\" + std::string(source.keyPath) + ": " +
                            std::to_string(names.size()) + " sub-keys");
    for (const std::string& name : names) {
        JreCandidate c;
        c.version = Parse(name, 0);
        if (source.home == HomeValue::InstallationPath) {
            // Such keys are named after the major version alone (zulu-17):
            // the runtime's release file tells the whole version.
            std::string home, contents, text;
            if (ReadText(launcher.os, source.keyPath + name, "InstallationPath", home) &&
                launcher.os.ReadFilePrefix(WithTrailingSeparator(home, launcher.layout) + "release",
                                           kReleaseFileLimit, contents) &&
                ReleaseVersion(contents, text))
                c.version = Parse(text, 0);
        }
        if (!InRange(c.version, launcher.minVersion, launcher.maxVersion)) {
            launcher.searchLog.Line("    " + name + ": version " + Format(c.version) + " outside the range");
            continue;
        }
        if (!ReadJavaHome(launcher, source, name, c.home, c.hasServerVm)) continue;
        c.preferredKind = source.jdk ? launcher.sourceJdk : launcher.sourceJre;
        launcher.searchLog.Line("    " + name + ": candidate " + DescribeCandidate(c));
        candidates.push_back(c);
    }
}

void CollectCandidates(Launcher& launcher, const std::string& keyPath, bool jdkKey,
                       std::vector<JreCandidate>& candidates) {
    const RegistrySource source{keyPath.c_str(), jdkKey, jdkKey, HomeValue::JavaHome};
    CollectCandidates(launcher, source, candidates);
}

bool SearchRegistry(Launcher& launcher, std::string& home) {
    std::vector<JreCandidate> candidates;
    auto collect = [&](const std::vector<RegistrySource>& sources) {
        for (const RegistrySource& source : sources) {
            const bool wanted = launcher.sourceBoth || (source.jdk ? launcher.sourceJdk : launcher.sourceJre);
            if (wanted) CollectCandidates(launcher, source, candidates);
        }
    };
    collect(ClassicRegistrySources());
    // A machine where the JavaSoft keys name a runtime behaves as it always
    // did; the keys of current runtimes are only the next place to look.
    if (candidates.empty()) collect(CurrentRegistrySources());
    JreCandidate chosen;
    if (!ChooseCandidate(candidates, launcher.preferredVersions, launcher.sourceBoth, launcher.jvmType, chosen))
        return false;
    if (launcher.searchLog.Tracing()) {
        launcher.searchLog.Line("  candidates in order:");
        for (const JreCandidate& c : candidates) launcher.searchLog.Line("    " + DescribeCandidate(c));
        launcher.searchLog.Line("  chosen: " + DescribeCandidate(chosen));
    }
    home = chosen.home;
    return true;
}

}  // namespace launcher
