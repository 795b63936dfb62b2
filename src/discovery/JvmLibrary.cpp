// The JVM variants of a Java home, tried in the order the JVM type sets.
#include "discovery/JvmLibrary.h"

namespace launcher {

std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type,
                             bool& hasServerVm) {
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
        std::string path = home + *order[k].relative;
        if (os.PathExists(path)) {
            hasServerVm = order[k].server;
            return path;
        }
    }
    return std::string();
}

std::string LocateJvmLibrary(Os& os, const RuntimeLayout& layout, const std::string& home, JvmType type) {
    bool ignored = false;
    return LocateJvmLibrary(os, layout, home, type, ignored);
}

bool HasJavaRuntime(Os& os, const RuntimeLayout& layout, const std::string& home) {
    return os.PathExists(home + layout.runtimeMarker);
}

JvmType JvmTypeFromSetting(const std::string& text) {
    if (text == "server") return JvmType::Server;
    if (text == "favor_server") return JvmType::FavorServer;
    return JvmType::Default;
}

}  // namespace launcher
