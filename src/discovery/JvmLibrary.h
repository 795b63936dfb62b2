// Finding the JVM library inside a Java home.
#pragma once

#include <cstdint>
#include <string>

#include "discovery/RuntimeLayout.h"
#include "launcher/Trace.h"
#include "platform/Os.h"

namespace launcher {

// What a search learns on the way: the trace it writes, and whether it
// passed over a library built for another processor.
struct SearchLog {
    const Trace* trace = nullptr;
    // The machine of the last library passed over for its architecture.
    uint16_t foreignMachine = 0;

    bool Tracing() const { return trace && trace->On(); }
    void Line(const std::string& text) const {
        if (Tracing()) trace->Line(text);
    }
};

// The full path of the JVM library of `home` (which ends in a separator) for
// `type`, or empty. A library whose header names another processor than the
// launcher's own never qualifies. Sets `hasServerVm` only when a library is
// found.
std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type,
                             bool& hasServerVm, SearchLog* log = nullptr);
std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type,
                             SearchLog* log = nullptr);

// Whether `home` holds the runtime's marker library (bin\java.dll).
bool HasJavaRuntime(Os& os, const RuntimeLayout& layout, const std::string& home);

// "JVM Type" as the settings give it.
JvmType JvmTypeFromSetting(const std::string& text);
const char* JvmTypeName(JvmType type);

}  // namespace launcher
