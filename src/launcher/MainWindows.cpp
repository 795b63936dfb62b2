// The GUI entry of the Windows launcher. Only Win32-specific code here: the
// module start-up, then the portable launch sequence on the Win32 seam.
#include <windows.h>

#include <commctrl.h>

#include "launcher/Launcher.h"
#include "launcher/Messages.h"
#include "platform/SystemOs.h"
#include "resources/strings.h"

namespace {

// Thread locale, a first call into the window manager, and the common
// controls the dialog uses.
bool InitializeModule(launcher::Os& os) {
    SetThreadLocale(GetSystemDefaultLCID());
    DefWindowProcA(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);
    (void)os;
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::unique_ptr<launcher::Os> os = launcher::CreateSystemOs({});
    if (!InitializeModule(*os)) return -1;
    return launcher::RunLaunch(*os, launcher::NativeLayout());
}
