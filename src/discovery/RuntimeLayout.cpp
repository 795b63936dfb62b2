// The Windows and POSIX Java home layouts.
#include "discovery/RuntimeLayout.h"

namespace launcher {

const RuntimeLayout& WindowsLayout() {
    static const RuntimeLayout layout{
        '\\',
        "bin\\server\\jvm.dll", "bin\\client\\jvm.dll", "bin\\classic\\jvm.dll", "bin\\hotspot\\jvm.dll",
        "bin\\java.dll",
        "bin\\javac.exe",
        "jre\\",
        "jre\\",
        "bin",
        ';',
        "Path",
        false,
        true,
        "",
    };
    return layout;
}

const RuntimeLayout& PosixLayout() {
    // Current Linux runtimes have only the server and client variants; the
    // classic and hotspot slots stay empty and are never tried.
    static const RuntimeLayout layout{
        '/',
        "lib/server/libjvm.so", "lib/client/libjvm.so", "", "",
        "lib/libjava.so",
        "bin/javac",
        "",
        "jre/",
        "lib",
        ':',
        "PATH",
        true,
        false,
        "/usr/lib/jvm/",
    };
    return layout;
}

const RuntimeLayout& NativeLayout() {
#ifdef _WIN32
    return WindowsLayout();
#else
    return PosixLayout();
#endif
}

std::string WithTrailingSeparator(const std::string& folder, const RuntimeLayout& layout) {
    if (folder.empty() || folder.back() == layout.separator) return folder;
    return folder + layout.separator;
}

}  // namespace launcher
