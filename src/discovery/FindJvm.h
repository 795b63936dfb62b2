// The search order: configured folder, beside the executable, installed
// runtimes, and the JRE Not Found dialog when none fits.
#pragma once

#include <cstdint>
#include <string>

#include "discovery/JreVersion.h"
#include "platform/Os.h"

namespace launcher {

struct Launcher;

bool FindJvm(Launcher& launcher);
// The private runtime beside the executable, or false.
bool FindBesideExecutable(Launcher& launcher, std::string& home);
// The runtime that JAVA_HOME names, when its version (from its release
// file) is within the range.
bool FindFromJavaHome(Launcher& launcher, std::string& jvmPath);
// The sentence added to the not-found text when only runtimes for another
// processor were found.
std::string ForeignArchitectureText(Os& os, uint16_t foreignMachine);
// The requirement phrase of the not-found message (texts 217 to 221).
std::string BuildRequirementText(Os& os, const JreVersion& minVersion, const JreVersion& maxVersion);
// The not-found message: 206 for a server JVM, 207 otherwise.
std::string BuildNotFoundMessage(Os& os, JvmType jvmType, const JreVersion& minVersion, const JreVersion& maxVersion);

}  // namespace launcher
