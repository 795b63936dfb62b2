// The JVM option list and the process environment prepared for the VM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace launcher {

struct Launcher;

// Reads "Class Path" (209 when empty), "Virtual Machine Parameters",
// "Library Path", "Output File", "Error File" and "System Path"; fills
// vmOptions with the class path and the parameters, environment-expanded.
bool ReadOptionSettings(Launcher& launcher);
// Appends the library path option and extends the search path variable.
void ApplyEnvironment(Launcher& launcher);
// KX_JVM_PATH and KX_JVM_HOME from jvmPath.
void SetJvmVariables(Launcher& launcher);

// jvmPath without its last three components (bin, variant, library): the
// runtime's home, without a trailing separator.
std::string JvmHomeOf(const std::string& jvmPath, char separator);

// The pieces of "Virtual Machine Parameters", appended to `parameters`, each
// with its quotes stripped and a memory percentage rewritten.
void SplitVmParameters(const std::string& text, uint64_t physicalMemory, std::vector<std::string>& parameters);
size_t FindParameterEnd(const std::string& text, size_t start);
std::string StripQuotes(const std::string& parameter);
bool IsMemoryPercentage(const std::string& parameter);
// -Xmx25P -> -Xmx131072K with 512 MB of physical memory.
std::string ApplyMemoryPercentage(const std::string& parameter, uint64_t physicalMemory);

}  // namespace launcher
