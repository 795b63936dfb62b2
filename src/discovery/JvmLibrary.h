// Finding the JVM library inside a Java home.
#pragma once

#include <string>

#include "discovery/RuntimeLayout.h"
#include "platform/Os.h"

namespace launcher {

// The full path of the JVM library of `home` (which ends in a separator) for
// `type`, or empty. Sets `hasServerVm` only when a library is found.
std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type,
                             bool& hasServerVm);
std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type);

// Whether `home` holds the runtime's marker library (bin\java.dll).
bool HasJavaRuntime(Os& os, const RuntimeLayout& layout, const std::string& home);

// "JVM Type" as the settings give it.
JvmType JvmTypeFromSetting(const std::string& text);

}  // namespace launcher
