// Win32 only: the JRE Not Found dialog's initialisation, placement, folder browsing and commands.
#include "ui/JreNotFoundDialog.h"

#include <objbase.h>
#include <shlobj.h>

#include "resources/resource.h"
#include "resources/strings.h"
#include "ui/UiLogic.h"

namespace launcher {
namespace ui {

JreNotFoundDialog::JreNotFoundDialog(Os& os, const std::string& messageText, JvmType jvmType)
    : os_(os), messageText_(messageText), jvmType_(jvmType) {}

INT_PTR JreNotFoundDialog::ShowModal(HWND owner) { return ShowModalDialog(IDD_JRE_NOT_FOUND, owner); }

bool JreNotFoundDialog::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = FALSE;  // the system is not asked to set the focus
        return true;
    case WM_COMMAND:
        // Matched on the id alone: Escape and the close box arrive as IDCANCEL.
        switch (LOWORD(wParam)) {
        case IDOK:
            End(IDOK);
            return true;
        case IDCANCEL:
            End(IDCANCEL);
            return true;
        case IDC_BROWSE:
            OnBrowse();
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

void JreNotFoundDialog::OnInitDialog() {
    // The control's text, the download address, is label and target at once.
    downloadLink_.Attach(GetDlgItem(window_, IDC_DOWNLOAD_LINK));
    SetDlgItemTextA(window_, IDC_MESSAGE, messageText_.c_str());
    SendDlgItemMessageA(window_, IDC_ERROR_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_ERROR)), 0);
    EnableWindow(GetDlgItem(window_, IDOK), FALSE);
    FitMessage();
    Centre();
}

void JreNotFoundDialog::FitMessage() {
    HWND message = GetDlgItem(window_, IDC_MESSAGE);
    RECT box;
    if (!message || !GetWindowRect(message, &box)) return;
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
    HDC dc = GetDC(message);
    if (!dc) return;
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(message, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, box.right - box.left, 0};
    DrawTextA(dc, messageText_.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, previous);
    ReleaseDC(message, dc);
    const int extra = (needed.bottom - needed.top) - (box.bottom - box.top);
    if (extra <= 0) return;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        if (child == message || (r.top < box.bottom && r.bottom >= box.bottom)) {
            // The message itself and the group box around it grow.
            SetWindowPos(child, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + extra,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (r.top >= box.bottom) {
            SetWindowPos(child, nullptr, r.left, r.top + extra, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    RECT dialog;
    GetWindowRect(window_, &dialog);
    SetWindowPos(window_, nullptr, 0, 0, dialog.right - dialog.left, dialog.bottom - dialog.top + extra,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void JreNotFoundDialog::Centre() {
    RECT dialog;
    if (!GetWindowRect(window_, &dialog)) return;
    RECT workArea;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) {
        workArea.left = workArea.top = 0;
        workArea.right = GetSystemMetrics(SM_CXSCREEN);
        workArea.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    RECT reference = workArea;
    HWND owner = GetWindow(window_, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &reference);
    const Rect place = CentreDialog(FromRECT(reference), FromRECT(workArea), dialog.right - dialog.left,
                                    dialog.bottom - dialog.top);
    SetWindowPos(window_, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void JreNotFoundDialog::OnBrowse() {
    const std::string title = os_.LoadText(IDS_BROWSE_TITLE);
    // The browser with the new dialog style hosts COM objects and needs an
    // apartment-threaded thread; the launcher itself uses no COM, so the
    // thread leaves COM again once the browser is closed.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = window_;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = nullptr;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    browse.lpfn = nullptr;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    bool chosen = false;
    std::string path;
    if (item) {
        chosen = true;
        char buffer[MAX_PATH];
        buffer[0] = '\0';
        if (SHGetPathFromIDListA(item, buffer)) path = buffer;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    // A cancelled browse changes nothing.
    if (!chosen) return;

    SetDlgItemTextA(window_, IDC_JRE_PATH, path.c_str());
    const JreChoice choice = ChooseJreFolder(os_, path, jvmType_);
    jreFolder_ = choice.folder;
    jvmPath_ = choice.jvmPath;
    EnableWindow(GetDlgItem(window_, IDOK), jvmPath_.empty() ? FALSE : TRUE);
}

}  // namespace ui
}  // namespace launcher
