// Runtimes registered under the JavaSoft keys of the Windows registry.
#pragma once

#include <string>
#include <vector>

#include "discovery/Candidates.h"

namespace launcher {

struct Launcher;

constexpr const char* kJdkKey = "Software\\JavaSoft\\Java Development Kit\\";
constexpr const char* kJreKey = "Software\\JavaSoft\\Java Runtime Environment\\";

// The home of the chosen registry candidate, if any.
bool SearchRegistry(Launcher& launcher, std::string& home);
// Appends the qualifying candidates of one key.
void CollectCandidates(Launcher& launcher, const std::string& keyPath, bool jdkKey,
                       std::vector<JreCandidate>& candidates);
// Whether a version sub-key has a "JavaHome" holding a JVM library.
bool ReadJavaHome(Launcher& launcher, const std::string& keyPath, const std::string& name, bool jdkKey,
                  std::string& home, bool& hasServerVm);

// Registry data as text: up to the first NUL, never beyond the data.
std::string TextOfValue(const std::string& data);

}  // namespace launcher
