// The GUI entry of the Windows launcher. Only Win32-specific code here: the
// module start-up, then the portable launch sequence on the Win32 seam.
#include <windows.h>

#include <commctrl.h>

#include "launcher/Launcher.h"
#include "launcher/Messages.h"
#include "platform/SystemOs.h"
#include "resources/strings.h"
#include "ui/Window.h"

namespace {

// Thread locale, a first call into the window manager, the common controls
// the dialog uses, and the window library's module state.
bool InitializeModule(launcher::Os& os, HINSTANCE instance) {
    SetThreadLocale(GetSystemDefaultLCID());
    DefWindowProcA(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);
    const HRESULT result = launcher::ui::InitializeWindowLibrary(instance);
    if (FAILED(result)) {
        launcher::ShowFormattedError(os, nullptr, IDS_COM_ERROR, os.LoadText(IDS_MODULE_NOT_INITIALIZED),
                                     static_cast<int32_t>(result));
        return false;
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::unique_ptr<launcher::Os> os = launcher::CreateSystemOs({});
    if (!InitializeModule(*os, instance)) return -1;
    // The seam's destructor releases the window library's classes.
    return launcher::RunLaunch(*os, launcher::NativeLayout());
}
