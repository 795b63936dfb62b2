// The JVM variants of a Java home, tried in the order the JVM type sets.
#include "discovery/JvmLibrary.h"

#include "discovery/Architecture.h"

namespace launcher {

namespace {

// Enough for the DOS header, the PE header's offset and its machine field.
constexpr size_t kHeaderBytes = 4096;

}  // namespace

std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type,
                             bool& hasServerVm, SearchLog* log) {
    struct Variant {
        const std::string* relative;
        bool server;
    };
    const Variant server{&layout.serverVm, true}, client{&layout.clientVm, false},
        classic{&layout.classicVm, false}, hotspot{&layout.hotspotVm, false};
    Variant order[4];
    int count = 0;
    switch (type) {
    case JvmType::Server:
        order[count++] = server;
        break;
    case JvmType::FavorServer:
        order[count++] = server;
        order[count++] = client;
        order[count++] = classic;
        order[count++] = hotspot;
        break;
    case JvmType::Default:
        order[count++] = client;
        order[count++] = classic;
        order[count++] = hotspot;
        order[count++] = server;
        break;
    }
    for (int k = 0; k < count; ++k) {
        if (order[k].relative->empty()) continue;
        const std::string path = home + *order[k].relative;
        if (!os.PathExists(path)) continue;
        std::string header;
        const uint16_t machine = os.ReadFilePrefix(path, kHeaderBytes, header) ? LibraryMachine(header)
                                                                                : kMachineUnknown;
        if (machine != kMachineUnknown && machine != NativeMachine()) {
            if (log) {
                log->foreignMachine = machine;
                log->Line("    " + path + ": built for " + MachineName(machine) + ", not for " +
                          MachineName(NativeMachine()) + ": passed over");
            }
            continue;
        }
        hasServerVm = order[k].server;
        if (log) log->Line("    " + path + ": found");
        return path;
    }
    if (log) log->Line("    no JVM library for JVM type " + std::string(JvmTypeName(type)) + " in " + home);
    return std::string();
}

std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type,
                             SearchLog* log) {
    bool ignored = false;
    return LocateJvmLibrary(os, layout, home, type, ignored, log);
}

bool HasJavaRuntime(Os& os, const RuntimeLayout& layout, const std::string& home) {
    return os.PathExists(home + layout.runtimeMarker);
}

JvmType JvmTypeFromSetting(const std::string& text) {
    if (text == "server") return JvmType::Server;
    if (text == "favor_server") return JvmType::FavorServer;
    return JvmType::Default;
}

const char* JvmTypeName(JvmType type) {
    switch (type) {
    case JvmType::Server: return "server";
    case JvmType::FavorServer: return "favor_server";
    case JvmType::Default: break;
    }
    return "default";
}

}  // namespace launcher
