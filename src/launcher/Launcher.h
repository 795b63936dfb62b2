// The one record of a launch, and the launch sequence that fills it.
#pragma once

#include <jni.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/JreVersion.h"
#include "discovery/JvmLibrary.h"
#include "discovery/RuntimeLayout.h"
#include "instance/SingleInstance.h"
#include "launcher/Trace.h"
#include "platform/Os.h"

namespace launcher {

using CreateJavaVMFunction = jint(JNICALL*)(JavaVM**, void**, void*);

struct Launcher {
    Launcher(Os& os, const RuntimeLayout& layout) : os(os), layout(layout) {}
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;
    // Teardown: runs on every path.
    ~Launcher();

    Os& os;
    const RuntimeLayout& layout;
    // The decision trace (off unless asked for) and what the search for a
    // runtime learned on its way.
    Trace trace;
    SearchLog searchLog;

    JvmType jvmType = JvmType::Default;
    std::string jvmPath;
    JavaVM* javaVM = nullptr;
    JNIEnv* jniEnv = nullptr;
    std::string mainClass;
    JreVersion minVersion;
    JreVersion maxVersion;
    std::vector<std::string> arguments;
    // The arguments are UTF-8 (Windows) rather than native text.
    bool argumentsUtf8 = false;
    // The "Display" settings as read, and whether a splash thread runs.
    std::string splashImagePath;
    std::string splashShadow;
    bool splashStarted = false;
    // Written once by the splash thread, read by the main thread as the owner
    // of error boxes.
    std::atomic<WindowHandle> splashWindowHandle{nullptr};
    bool sourceJdk = false;
    bool sourceJre = false;
    bool sourceBoth = true;
    std::vector<std::string> vmOptions;
    std::vector<std::string> preferredVersions;
    std::string jrePath;
    std::string libraryPath;
    // Declared before the channel, whose listener feeds it, so that it
    // outlives the listener.
    HandOverDispatcher handOvers;
    std::unique_ptr<InstanceChannel> instanceChannel;
    bool isFirstInstance = false;
    bool singleInstance = false;
    std::string outputFile;
    std::string errorFile;
    std::string systemPath;
    CreateJavaVMFunction createJavaVM = nullptr;
    void* getDefaultJavaVMInitArgs = nullptr;
    // The runtime's name for the native encoding, a global reference; null
    // when the runtime does not say.
    jstring nativeEncoding = nullptr;

    // Init: true when Run follows.
    bool Init();
    // Run: the exit code, 0 or -1.
    int Run();

    WindowHandle ErrorOwner() const { return splashWindowHandle.load(); }
    // A later start whose arguments went to the first instance.
    bool HandedOver() const { return singleInstance && !isFirstInstance; }
};

// The entry sequence: creates the Launcher, runs Init and Run, tears down, and
// returns the process exit code (0 or -1).
int RunLaunch(Os& os, const RuntimeLayout& layout);

}  // namespace launcher
