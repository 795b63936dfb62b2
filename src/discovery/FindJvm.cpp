// Settling which JVM library the launch loads.
#include "discovery/FindJvm.h"

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

bool FindJvm(Launcher& launcher) {
    Os& os = launcher.os;
    const RuntimeLayout& layout = launcher.layout;
    auto accept = [&](const std::string& home) {
        launcher.jvmPath = LocateJvmLibrary(os, layout, home, launcher.jvmType);
        return !launcher.jvmPath.empty();
    };

    if (!launcher.jrePath.empty() && accept(WithTrailingSeparator(launcher.jrePath, layout))) return true;
    std::string home;
    if (FindBesideExecutable(launcher, home) && accept(home)) return true;
    const bool found = layout.hasRegistry ? SearchRegistry(launcher, home) : SearchInstalledRuntimes(launcher, home);
    if (found && accept(home)) return true;

    const std::string message = BuildNotFoundMessage(os, launcher.jvmType, launcher.minVersion, launcher.maxVersion);
    std::string folder, jvmPath;
    if (os.ShowJreNotFound(message, launcher.jvmType, folder, jvmPath) != 1) return false;
    launcher.jvmPath = jvmPath;
    WriteJrePath(launcher, folder);
    return true;
}

}  // namespace launcher
