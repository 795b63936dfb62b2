// Win32 only: the modal JRE Not Found dialog: the requirement text, the download link and a folder browser that accepts only a Java home with a JVM library of the configured type.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Os.h"
#include "ui/HyperLinkLabel.h"
#include "ui/Window.h"

namespace launcher {
namespace ui {

class JreNotFoundDialog : public ModalDialog {
public:
    // `os` is the system the browsed folder is looked at through.
    JreNotFoundDialog(Os& os, const std::string& messageText, JvmType jvmType);

    // 1 after OK, 2 after Cancel, Escape or the close box; any other value
    // means the dialog could not be shown.
    INT_PTR ShowModal(HWND owner);

    // After OK: the folder (ending in a backslash) and its JVM library.
    const std::string& JreFolder() const { return jreFolder_; }
    const std::string& JvmPath() const { return jvmPath_; }

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void OnBrowse();
    void Centre();
    // Makes room for a message longer than the three lines the template
    // gives it: the controls below move down and the dialog grows.
    void FitMessage();

    Os& os_;
    std::string messageText_;
    JvmType jvmType_;
    std::string jreFolder_;
    std::string jvmPath_;
    HyperLinkLabel downloadLink_;
};

}  // namespace ui
}  // namespace launcher
