// Runtimes registered in the Windows registry: the JavaSoft keys that older
// runtimes use, and, when those hold none, the keys of current runtimes.
#pragma once

#include <string>
#include <vector>

#include "discovery/Candidates.h"

namespace launcher {

struct Launcher;

constexpr const char* kJdkKey = "Software\\JavaSoft\\Java Development Kit\\";
constexpr const char* kJreKey = "Software\\JavaSoft\\Java Runtime Environment\\";

// Where a registry source keeps a version's home.
enum class HomeValue {
    JavaHome,          // the value "JavaHome" of the version's sub-key
    MsiPath,           // the value "Path" of "<version>\hotspot\MSI" (or openj9, or directly "MSI")
    InstallationPath,  // the value "InstallationPath" of the version's sub-key
};

struct RegistrySource {
    const char* keyPath;
    // Counts as a JDK for "JVM Source".
    bool jdk;
    // The runtime lies in the home's jre\ folder (a JDK of Java 8 or older).
    bool appendJre;
    HomeValue home;
};

// The two JavaSoft keys of older runtimes, and those of current ones.
const std::vector<RegistrySource>& ClassicRegistrySources();
const std::vector<RegistrySource>& CurrentRegistrySources();

// The home of the chosen registry candidate, if any. The keys of current
// runtimes are searched only when the JavaSoft keys give no candidate.
bool SearchRegistry(Launcher& launcher, std::string& home);
// Appends the qualifying candidates of one key.
void CollectCandidates(Launcher& launcher, const RegistrySource& source, std::vector<JreCandidate>& candidates);
void CollectCandidates(Launcher& launcher, const std::string& keyPath, bool jdkKey,
                       std::vector<JreCandidate>& candidates);
// Whether a version sub-key names a home holding a JVM library.
bool ReadJavaHome(Launcher& launcher, const RegistrySource& source, const std::string& name, std::string& home,
                  bool& hasServerVm);
bool ReadJavaHome(Launcher& launcher, const std::string& keyPath, const std::string& name, bool jdkKey,
                  std::string& home, bool& hasServerVm);

// Registry data as text: up to the first NUL, never beyond the data.
std::string TextOfValue(const std::string& data);

}  // namespace launcher
