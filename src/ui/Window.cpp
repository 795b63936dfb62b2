// Win32 only: the window library: module state, class registration, and the binding of window objects to native windows.
#include "ui/Window.h"

#include <string>
#include <vector>

namespace launcher {
namespace ui {

namespace {

// Each bound window carries its object in this window property; a property
// leaves the class's and the control's own extra bytes alone.
const char kObjectProperty[] = "JavaLauncher.WindowObject";

struct ModuleState {
    HINSTANCE instance = nullptr;
    std::vector<std::string> classes;
};

ModuleState& State() {
    static ModuleState state;
    return state;
}

// The object whose window the calling thread is creating: windows get
// messages before CreateWindowExA or DialogBoxParamA return (and before
// WM_NCCREATE or WM_INITDIALOG), and the first of them binds it. Per thread,
// since the splash thread creates windows too.
thread_local CustomWindow* creatingWindow = nullptr;
thread_local ModalDialog* creatingDialog = nullptr;

template <typename T>
T* BoundObject(HWND window) {
    return static_cast<T*>(static_cast<WindowObject*>(GetPropA(window, kObjectProperty)));
}

}  // namespace

HRESULT InitializeWindowLibrary(HINSTANCE instance) {
    State().instance = instance;
    return S_OK;
}

void ReleaseWindowLibrary() {
    ModuleState& state = State();
    for (const std::string& name : state.classes) UnregisterClassA(name.c_str(), ModuleInstance());
    state.classes.clear();
}

HINSTANCE ModuleInstance() {
    ModuleState& state = State();
    return state.instance ? state.instance : GetModuleHandleA(nullptr);
}

bool RegisterWindowClass(WNDCLASSEXA windowClass) {
    ModuleState& state = State();
    const std::string name = windowClass.lpszClassName ? windowClass.lpszClassName : "";
    for (const std::string& known : state.classes)
        if (lstrcmpiA(known.c_str(), name.c_str()) == 0) return true;
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = ModuleInstance();
    if (!RegisterClassExA(&windowClass)) return false;
    state.classes.push_back(name);
    return true;
}

// ---------------------------------------------------------------- CustomWindow

HWND CustomWindow::CreateNative(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                                int width, int height, HWND parent) {
    if (window_) return nullptr;
    creatingWindow = this;
    HWND created =
        CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, nullptr, ModuleInstance(), nullptr);
    creatingWindow = nullptr;
    return created;
}

LRESULT CustomWindow::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK CustomWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CustomWindow* object = BoundObject<CustomWindow>(window);
    if (!object && creatingWindow) {
        object = creatingWindow;
        creatingWindow = nullptr;
        object->window_ = window;
        if (!SetPropA(window, kObjectProperty, static_cast<WindowObject*>(object))) {
            object->window_ = nullptr;
            object = nullptr;
        }
    }
    if (!object) return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = object->ProcessMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kObjectProperty);
        object->window_ = nullptr;
        object->OnFinalMessage();
    }
    return result;
}

// ---------------------------------------------------------------- SubclassedWindow

SubclassedWindow::~SubclassedWindow() {
    // Normally the window went first; if not, it must not keep calling into
    // a freed object.
    if (window_) Unbind();
}

bool SubclassedWindow::Subclass(HWND window) {
    if (window_ || !window || !IsWindow(window)) return false;
    if (GetPropA(window, kObjectProperty)) return false;
    if (!SetPropA(window, kObjectProperty, static_cast<WindowObject*>(this))) return false;
    SetLastError(0);
    const LONG_PTR previous =
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassedWindow::SubclassProcedure));
    if (previous == 0 && GetLastError() != 0) {
        RemovePropA(window, kObjectProperty);
        return false;
    }
    previous_ = reinterpret_cast<WNDPROC>(previous);
    window_ = window;
    return true;
}

void SubclassedWindow::Unbind() {
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropA(window_, kObjectProperty);
    window_ = nullptr;
}

LRESULT SubclassedWindow::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallPrevious(message, wParam, lParam);
}

LRESULT SubclassedWindow::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(previous_, window_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SubclassedWindow* object = BoundObject<SubclassedWindow>(window);
    if (!object) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The control's own procedure gets its last message itself.
        const WNDPROC previous = object->previous_;
        object->Unbind();
        const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
        object->OnFinalMessage();
        return result;
    }
    return object->ProcessMessage(message, wParam, lParam);
}

// ---------------------------------------------------------------- ModalDialog

INT_PTR ModalDialog::ShowModalDialog(int templateId, HWND owner) {
    if (window_) return 0;
    creatingDialog = this;
    const INT_PTR result =
        DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId), owner, &ModalDialog::DialogProcedure, 0);
    creatingDialog = nullptr;
    return result;
}

INT_PTR CALLBACK ModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ModalDialog* object = BoundObject<ModalDialog>(window);
    if (!object && creatingDialog) {
        object = creatingDialog;
        creatingDialog = nullptr;
        object->window_ = window;
        if (!SetPropA(window, kObjectProperty, static_cast<WindowObject*>(object))) {
            object->window_ = nullptr;
            object = nullptr;
        }
    }
    if (!object) return FALSE;
    INT_PTR result = 0;
    const bool handled = object->ProcessDialogMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kObjectProperty);
        object->window_ = nullptr;
        object->OnFinalMessage();
    }
    if (!handled) return FALSE;
    if (message == WM_INITDIALOG) return result;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace ui
}  // namespace launcher
