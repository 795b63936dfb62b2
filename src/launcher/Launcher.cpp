// The launch sequence: Init, Run and the teardown, in their fixed order.
#include "launcher/Launcher.h"

#include "discovery/FindJvm.h"
#include "launcher/CommandLine.h"
#include "launcher/Settings.h"
#include "vm/JavaVm.h"
#include "vm/VmOptions.h"

namespace launcher {

bool Launcher::Init() {
    arguments = os.CommandLineArguments();
    if (!ReadJavaSettings(*this)) return false;
    return FindJvm(*this);
}

int Launcher::Run() {
    if (!ReadOptionSettings(*this)) return -1;
    ApplyEnvironment(*this);
    if (!LoadJvmLibrary(*this)) return -1;
    if (!CreateVm(*this)) return -1;
    return CallMain(*this) ? 0 : -1;
}

Launcher::~Launcher() {
    // DestroyJavaVM returns only when the application's last non-daemon
    // thread has ended, so the process lives as long as the application.
    DestroyVm(*this);
}

int RunLaunch(Os& os, const RuntimeLayout& layout) {
    Launcher launcher(os, layout);
    if (!launcher.Init()) return -1;
    return launcher.Run();
}

}  // namespace launcher
