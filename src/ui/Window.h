// Win32 only: the launcher's small window library: window objects bound to native windows, subclassing of a control, modal dialogs from a resource template, and window-class registration.
#pragma once

#include <windows.h>

#include "ui/UiLogic.h"

namespace launcher {
namespace ui {

// The library's module state: the module instance and the window classes it
// registered. Initialise once at start-up; release after the last window of
// the library is gone (the classes are unregistered then). Without an
// explicit initialisation the executable's own module is used.
HRESULT InitializeWindowLibrary(HINSTANCE instance);
void ReleaseWindowLibrary();
HINSTANCE ModuleInstance();

// Registers `windowClass` (its hInstance is set to ModuleInstance()) unless
// this process registered a class of that name already. Returns false when
// the system refuses it. Registration happens only on the thread that owns
// the class's windows, so no lock is taken.
bool RegisterWindowClass(WNDCLASSEXA windowClass);

// Conversions between the portable rectangle and the platform's.
inline Rect FromRECT(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }
inline RECT ToRECT(const Rect& r) {
    RECT out;
    out.left = r.left;
    out.top = r.top;
    out.right = r.right;
    out.bottom = r.bottom;
    return out;
}

// A C++ object bound to one native window for the window's lifetime. The
// object outlives its window; when the window is destroyed first, the
// object's handle becomes null and OnFinalMessage runs.
class WindowObject {
public:
    WindowObject() = default;
    virtual ~WindowObject() = default;
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    HWND Handle() const { return window_; }

protected:
    // Runs after the window's last message (WM_NCDESTROY).
    virtual void OnFinalMessage() {}

    HWND window_ = nullptr;
};

// A window of a class registered with CustomWindow::WindowProcedure.
class CustomWindow : public WindowObject {
public:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Creates the native window and binds this object to it from its very
    // first message on. Null when it cannot be created.
    HWND CreateNative(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                      int height, HWND parent);
    // Unhandled messages go to DefWindowProcA.
    virtual LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam);
};

// An existing window, typically a dialog's control, whose window procedure
// is replaced; every message the object does not handle goes to the
// procedure the window had before. That procedure is put back when the
// window is destroyed.
class SubclassedWindow : public WindowObject {
public:
    ~SubclassedWindow() override;

    // False, with nothing changed, when the window is already bound or its
    // procedure cannot be replaced.
    bool Subclass(HWND window);

protected:
    virtual LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Unbind();

    WNDPROC previous_ = nullptr;
};

// A modal dialog from a dialog resource of the executable.
class ModalDialog : public WindowObject {
public:
    // Runs the system's modal loop with `owner` and an initialisation value
    // of 0; returns the value the dialog ended with, or what DialogBoxParamA
    // returns when the dialog cannot be created (0 or -1).
    INT_PTR ShowModalDialog(int templateId, HWND owner);

protected:
    // True when the message was handled; `result` is then its answer (for
    // WM_INITDIALOG whether the system should set the focus). Unhandled
    // messages get the default dialog processing.
    virtual bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;
    void End(INT_PTR result) { EndDialog(window_, result); }

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace ui
}  // namespace launcher
