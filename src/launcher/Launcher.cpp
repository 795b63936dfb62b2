// The launch sequence: Init, Run and the teardown, in their fixed order.
#include "launcher/Launcher.h"

#include "discovery/FindJvm.h"
#include "launcher/CommandLine.h"
#include "instance/SingleInstance.h"
#include "launcher/Settings.h"
#include "vm/JavaVm.h"
#include "vm/VmOptions.h"

namespace launcher {

bool Launcher::Init() {
    arguments = os.CommandLineArguments();
    if (!SetupSingleInstance(*this)) return false;
    // A later start has handed its arguments over: nothing else is read,
    // searched or loaded.
    if (HandedOver()) return true;
    if (!ReadJavaSettings(*this)) return false;
    return FindJvm(*this);
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
    if (!ReadOptionSettings(*this)) return -1;
    ApplyEnvironment(*this);
    if (!LoadJvmLibrary(*this)) return -1;
    if (!CreateVm(*this)) return -1;
    handOvers.Open(javaVM, mainClass, nativeEncoding);
    return CallMain(*this) ? 0 : -1;
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
    if (!launcher.Init()) return -1;
    return launcher.Run();
}

}  // namespace launcher
