// Settling which JVM library the launch loads.
#include "discovery/FindJvm.h"

#include "discovery/Architecture.h"
#include "discovery/InstalledRuntimes.h"
#include "discovery/JvmLibrary.h"
#include "discovery/RegistrySearch.h"
#include "launcher/Launcher.h"
#include "launcher/Messages.h"
#include "launcher/Settings.h"
#include "resources/strings.h"

namespace launcher {

std::string BuildRequirementText(Os& os, const JreVersion& minVersion, const JreVersion& maxVersion) {
    const bool minOpen = IsOpenBound(minVersion), maxOpen = IsOpenBound(maxVersion);
    if (minOpen && maxOpen) return os.LoadText(IDS_LATEST_VERSION);
    if (minOpen) return FormatText(os.LoadText(IDS_MAXIMUM_VERSION), Format(maxVersion));
    if (maxOpen) return FormatText(os.LoadText(IDS_MINIMUM_VERSION), Format(minVersion));
    if (SameNumbers(maxVersion, minVersion)) return FormatText(os.LoadText(IDS_EXACT_VERSION), Format(minVersion));
    return FormatText(os.LoadText(IDS_VERSION_RANGE), Format(minVersion), Format(maxVersion));
}

std::string BuildNotFoundMessage(Os& os, JvmType jvmType, const JreVersion& minVersion, const JreVersion& maxVersion) {
    const int id = jvmType == JvmType::Server ? IDS_JRE_NOT_FOUND_SERVER : IDS_JRE_NOT_FOUND;
    return FormatText(os.LoadText(id), BuildRequirementText(os, minVersion, maxVersion));
}

std::string ForeignArchitectureText(Os& os, uint16_t foreignMachine) {
    return FormatTexts(os.LoadText(IDS_OTHER_ARCHITECTURE),
                       {MachineName(foreignMachine), MachineName(NativeMachine()), MachineName(foreignMachine)});
}

bool FindBesideExecutable(Launcher& launcher, std::string& home) {
    std::string folder;
    if (!ModuleFolder(launcher, folder)) return false;
    if (HasJavaRuntime(launcher.os, launcher.layout, folder)) {
        home = folder;
        return true;
    }
    const std::string privateRuntime = folder + launcher.layout.privateRuntimeFolder;
    if (HasJavaRuntime(launcher.os, launcher.layout, privateRuntime)) {
        home = privateRuntime;
        return true;
    }
    return false;
}

bool FindFromJavaHome(Launcher& launcher, std::string& jvmPath) {
    Os& os = launcher.os;
    SearchLog& log = launcher.searchLog;
    std::string value;
    if (!os.GetEnv("JAVA_HOME", value) || value.empty()) {
        log.Line("source JAVA_HOME: not set");
        return false;
    }
    const std::string home = WithTrailingSeparator(value, launcher.layout);
    // "JVM Source" applies here as to installed runtimes.
    const bool isJdk = os.PathExists(home + launcher.layout.compilerMarker);
    if (!(launcher.sourceBoth || (isJdk ? launcher.sourceJdk : launcher.sourceJre))) {
        log.Line("source JAVA_HOME: " + home + ": not of the kind \"JVM Source\" asks for");
        return false;
    }
    std::string contents, versionText;
    const bool known = os.ReadFilePrefix(home + "release", kReleaseFileLimit, contents) &&
                       ReleaseVersion(contents, versionText);
    // Without a release file the version is unknown: such a runtime is taken
    // only when the settings set no bound.
    const bool fits = known ? InRange(Parse(versionText, 0), launcher.minVersion, launcher.maxVersion)
                            : IsOpenBound(launcher.minVersion) && IsOpenBound(launcher.maxVersion);
    log.Line("source JAVA_HOME: " + home + ", version " + (known ? versionText : std::string("unknown")) +
             (fits ? "" : ": outside the range"));
    if (!fits) return false;
    jvmPath = LocateJvmLibrary(os, launcher.layout, home, launcher.jvmType, &log);
    // A JDK of Java 8 or older keeps its runtime in its jre folder.
    if (jvmPath.empty() && !launcher.layout.jdkRuntimeFolder.empty())
        jvmPath = LocateJvmLibrary(os, launcher.layout, home + launcher.layout.jdkRuntimeFolder, launcher.jvmType,
                                   &log);
    return !jvmPath.empty();
}

bool FindJvm(Launcher& launcher) {
    Os& os = launcher.os;
    const RuntimeLayout& layout = launcher.layout;
    SearchLog& log = launcher.searchLog;
    auto accept = [&](const std::string& home) {
        launcher.jvmPath = LocateJvmLibrary(os, layout, home, launcher.jvmType, &log);
        return !launcher.jvmPath.empty();
    };

    if (launcher.jrePath.empty()) {
        log.Line("source JRE Path: not set");
    } else {
        log.Line("source JRE Path: " + launcher.jrePath);
        if (accept(WithTrailingSeparator(launcher.jrePath, layout))) return true;
    }
    std::string home;
    if (FindBesideExecutable(launcher, home)) {
        log.Line("source beside the executable: " + home);
        if (accept(home)) return true;
    } else {
        log.Line("source beside the executable: no runtime");
    }
    log.Line(layout.hasRegistry ? "source registry:" : "source installed runtimes:");
    const bool found = layout.hasRegistry ? SearchRegistry(launcher, home) : SearchInstalledRuntimes(launcher, home);
    if (found && accept(home)) return true;
    if (!found) log.Line("  no candidate");
    std::string jvmPath;
    if (FindFromJavaHome(launcher, jvmPath)) {
        launcher.jvmPath = jvmPath;
        return true;
    }

    std::string message = BuildNotFoundMessage(os, launcher.jvmType, launcher.minVersion, launcher.maxVersion);
    // The text ends in "from:" and the download address follows it, so the
    // word about the architecture comes first.
    if (log.foreignMachine != 0) message = ForeignArchitectureText(os, log.foreignMachine) + "\n\n" + message;
    log.Line("not found: " + message);
    std::string folder;
    if (os.ShowJreNotFound(message, launcher.jvmType, folder, jvmPath) != 1) {
        log.Line("JRE Not Found dialog: cancelled");
        return false;
    }
    log.Line("JRE Not Found dialog: " + folder + " with " + jvmPath);
    launcher.jvmPath = jvmPath;
    WriteJrePath(launcher, folder);
    return true;
}

}  // namespace launcher
