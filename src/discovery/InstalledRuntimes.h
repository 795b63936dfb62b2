// Runtimes installed in a common folder (/usr/lib/jvm on Linux), the
// counterpart of the registry search on systems without a registry.
#pragma once

#include <cstddef>
#include <string>

namespace launcher {

struct Launcher;

// Release files are a few kilobytes; a larger one is not a release file.
constexpr size_t kReleaseFileLimit = 64 * 1024;

// The JAVA_VERSION of a runtime's `release` file; false when it has none.
bool ReleaseVersion(const std::string& contents, std::string& version);

// The home of the chosen installed runtime, if any: every folder of the
// layout's runtimes folder whose release file gives a version is a candidate,
// a JDK when it has bin/javac, under the same rules as registry candidates.
bool SearchInstalledRuntimes(Launcher& launcher, std::string& home);

}  // namespace launcher
