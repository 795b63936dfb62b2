// Where things lie inside a Java home on each kind of system.
#pragma once

#include <string>
#include <vector>

namespace launcher {

struct RuntimeLayout {
    // The path separator; every Java home ends in it.
    char separator;
    // Relative paths of the JVM library variants.
    std::string serverVm, clientVm, classicVm, hotspotVm;
    // A file whose presence marks a folder as a Java home.
    std::string runtimeMarker;
    // A file whose presence marks a Java home as a JDK's.
    std::string compilerMarker;
    // Appended to a JDK's home to reach the runtime inside it (empty when the
    // JDK's home is its runtime).
    std::string jdkRuntimeFolder;
    // The private runtime folder beside the executable.
    std::string privateRuntimeFolder;
    // The folder, below the Java home, with the libraries jvm depends on.
    std::string binFolder;
    // Separator between entries of a search path (library path, Path).
    char pathListSeparator;
    // The name of the search-path variable that "System Path" extends.
    std::string pathVariable;
    // The settings file replaces the executable's extension: the text after
    // the last '.' of the whole path on Windows (the system's own rule), of
    // the file name alone elsewhere, where names often have no extension.
    bool extensionOfFileNameOnly;
    // Installed runtimes are found in the registry (Windows) or in a folder.
    bool hasRegistry;
    std::string installedRuntimesFolder;
};

// Windows: bin\client\jvm.dll and friends, the JavaSoft registry keys.
const RuntimeLayout& WindowsLayout();
// Linux: lib/server/libjvm.so, runtimes installed under /usr/lib/jvm.
const RuntimeLayout& PosixLayout();
// The layout of the system this launcher was built for.
const RuntimeLayout& NativeLayout();

// `folder` with the layout's separator appended when it does not end in one
// (an empty folder stays empty).
std::string WithTrailingSeparator(const std::string& folder, const RuntimeLayout& layout);

}  // namespace launcher
