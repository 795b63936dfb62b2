// The launch sequence: Init, Run and the teardown, in their fixed order.
#include "launcher/Launcher.h"

#include "discovery/FindJvm.h"
#include "launcher/CommandLine.h"
#include "instance/SingleInstance.h"
#include "launcher/Settings.h"
#include "discovery/JvmLibrary.h"
#include "vm/JavaVm.h"
#include "vm/VmOptions.h"

namespace launcher {

namespace {

std::string Quoted(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& item : list) text += (text.empty() ? "\"" : " \"") + item + "\"";
    return text;
}

const char* Outcome(bool ok) { return ok ? "done" : "failed"; }

}  // namespace

bool Launcher::Init() {
    trace.Start(os);
    searchLog.trace = &trace;
    arguments = os.CommandLineArguments();
    argumentsUtf8 = os.ArgumentsAreUtf8();
    if (trace.On()) {
        std::string modulePath, settingsPath;
        uint32_t error = 0;
        if (os.ModuleFilePath(modulePath, error)) SettingsPathFor(os, layout, modulePath, settingsPath);
        trace.Line("launcher " + modulePath);
        trace.Line("settings file " + settingsPath);
        trace.Line("arguments: " + Quoted(arguments));
    }
    if (!SetupSingleInstance(*this)) {
        trace.Line("single instance: hand-over failed");
        return false;
    }
    // A later start has handed its arguments over: nothing else is read,
    // searched or loaded.
    if (HandedOver()) {
        trace.Line("single instance: arguments handed to the first instance");
        return true;
    }
    if (singleInstance) trace.Line("single instance: this is the first instance");
    if (!ReadJavaSettings(*this)) {
        trace.Line("Java settings: failed");
        return false;
    }
    if (trace.On())
        trace.Line("Java settings: main class " + mainClass + ", range " + Format(minVersion) + " to " +
                   Format(maxVersion) + ", JVM type " + JvmTypeName(jvmType) + ", preferred versions " +
                   Quoted(preferredVersions));
    const bool found = FindJvm(*this);
    trace.Line(found ? "JVM library " + jvmPath : "no JVM library");
    return found;
}

// Reads the "Display" settings and, when a picture is configured, starts the
// splash; nothing about the splash stops the launch.
static void StartSplash(Launcher& launcher) {
    std::string file;
    if (!ConfigFilePath(launcher, file)) return;
    launcher.splashImagePath = ReadSetting(launcher.os, file, kDisplaySection, "Splash Screen");
    launcher.splashShadow = ReadSetting(launcher.os, file, kDisplaySection, "Splash Screen Shadow");
    if (launcher.splashImagePath.empty()) return;
    launcher.splashStarted = launcher.os.StartSplash(launcher.splashImagePath, launcher.splashShadow == "true",
                                                     launcher.splashWindowHandle);
}

int Launcher::Run() {
    if (HandedOver()) return 0;
    if (!SplashSuppressed(arguments)) StartSplash(*this);
    trace.Line(splashStarted ? "splash: " + splashImagePath : "splash: none");
    if (!ReadOptionSettings(*this)) {
        trace.Line("option settings: failed");
        return -1;
    }
    ApplyEnvironment(*this);
    if (trace.On()) {
        trace.Line("VM options:");
        for (const std::string& option : vmOptions) trace.Line("  " + option);
    }
    const bool loaded = LoadJvmLibrary(*this);
    trace.Line(std::string("load ") + jvmPath + ": " + Outcome(loaded));
    if (!loaded) return -1;
    const bool created = CreateVm(*this);
    trace.Line(std::string("create the VM: ") + Outcome(created));
    if (!created) return -1;
    handOvers.Open(javaVM, mainClass, argumentsUtf8, nativeEncoding);
    const bool ran = CallMain(*this);
    trace.Line(std::string("main of ") + mainClass + ": " + Outcome(ran));
    return ran ? 0 : -1;
}

Launcher::~Launcher() {
    // The splash goes first: it stays up until main has returned or the
    // launch has failed.
    if (splashStarted) os.StopSplash();
    splashWindowHandle.store(nullptr);
    // DestroyJavaVM returns only when the application's last non-daemon
    // thread has ended, so the process lives as long as the application.
    DestroyVm(*this);
    // Hand-overs that arrive from here on find no VM and are dropped; then
    // the listener ends and the instance objects are released.
    handOvers.Close();
    instanceChannel.reset();
}

int RunLaunch(Os& os, const RuntimeLayout& layout) {
    Launcher launcher(os, layout);
    const int exitCode = launcher.Init() ? launcher.Run() : -1;
    // Teardown follows; it waits for the application's last thread.
    launcher.trace.Line("exit code " + std::to_string(exitCode));
    return exitCode;
}

}  // namespace launcher
