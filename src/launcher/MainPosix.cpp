// The entry of the Linux launcher: the same launch sequence on the POSIX seam.
#include <string>
#include <vector>

#include "launcher/Launcher.h"
#include "platform/SystemOs.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::unique_ptr<launcher::Os> os = launcher::CreateSystemOs(std::move(arguments));
    return launcher::RunLaunch(*os, launcher::NativeLayout());
}
