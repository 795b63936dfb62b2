// Win32 only: the hyperlink label's attachment, message handling, painting, colours, tooltip and navigation.
#include "ui/HyperLinkLabel.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <vector>

#include "ui/UiLogic.h"

namespace launcher {
namespace ui {

namespace {

const char kBrowserSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";

// The mouse messages relayed to the tooltip: WM_MOUSEFIRST to WM_MOUSEWHEEL.
constexpr UINT kLastRelayedMouseMessage = 0x020A;

void ReadColour(HKEY key, const char* name, COLORREF& colour) {
    BYTE buffer[kColourValueBufferSize];
    DWORD size = sizeof buffer, type = 0;
    // A value longer than the buffer fails with ERROR_MORE_DATA and is ignored.
    if (RegQueryValueExA(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) return;
    uint32_t parsed = 0;
    if (ColourFromRegistryValue(type, std::string(reinterpret_cast<const char*>(buffer), size), parsed))
        colour = parsed;
}

}  // namespace

HyperLinkLabel::~HyperLinkLabel() {
    if (ownsLinkFont_ && linkFont_) DeleteObject(linkFont_);
    if (handCursor_) DestroyCursor(handCursor_);
}

bool HyperLinkLabel::Attach(HWND control) {
    if (!Subclass(control)) return false;

    // A static control takes part in mouse input only with SS_NOTIFY.
    char className[8] = {0};
    GetClassNameA(window_, className, sizeof className);
    if (lstrcmpiA(className, "static") == 0)
        SetWindowLongA(window_, GWL_STYLE, GetWindowLongA(window_, GWL_STYLE) | SS_NOTIFY);

    const CursorPlanes& planes = HandCursorPlanes();
    handCursor_ = CreateCursor(ModuleInstance(), kHandHotspotX, kHandHotspotY, kCursorSize, kCursorSize,
                               planes.andPlane.data(), planes.xorPlane.data());

    textFont_ = reinterpret_cast<HFONT>(SendMessageA(GetParent(window_), WM_GETFONT, 0, 0));
    if (!textFont_) textFont_ = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (textFont_ && !linkFont_) {
        LOGFONTA description;
        if (GetObjectA(textFont_, sizeof description, &description) == sizeof description) {
            description.lfUnderline = 1;
            linkFont_ = CreateFontIndirectA(&description);
            ownsLinkFont_ = linkFont_ != nullptr;
        }
    }

    toolTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, window_, nullptr, ModuleInstance(), nullptr);

    if (label_.empty()) {
        const int length = GetWindowTextLengthA(window_);
        if (length > 0) {
            std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
            const int got = GetWindowTextA(window_, text.data(), length + 1);
            if (got > 0) SetLabel(std::string(text.data(), static_cast<size_t>(got)));
        }
    }
    ComputeLinkRect();
    if (target_.empty() && !label_.empty()) SetTarget(label_);
    ReadLinkColours();
    return true;
}

bool HyperLinkLabel::SetLabel(const std::string& text) {
    label_ = text;
    ComputeLinkRect();
    if (window_) SetWindowTextA(window_, label_.c_str());
    return true;
}

bool HyperLinkLabel::SetTarget(const std::string& text) {
    target_ = text;
    if (label_.empty()) ComputeLinkRect();
    if (toolTip_) {
        SendMessageA(toolTip_, TTM_ACTIVATE, TRUE, 0);
        TOOLINFOA tool;
        ZeroMemory(&tool, sizeof tool);
        // The record up to lParam: 44 bytes on 32-bit Windows.
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = 0;
        tool.hwnd = window_;
        tool.uId = 1;
        tool.rect = linkRect_;
        tool.hinst = ModuleInstance();
        tool.lpszText = const_cast<char*>(target_.c_str());
        tool.lParam = 0;
        SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return true;
}

bool HyperLinkLabel::Navigate() {
    const HINSTANCE result = ShellExecuteA(nullptr, "open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) return false;
    visited_ = true;
    if (window_) InvalidateRect(window_, nullptr, TRUE);
    return true;
}

UINT HyperLinkLabel::AlignmentFlag() const {
    switch (AlignmentOfStaticStyle(static_cast<uint32_t>(GetWindowLongA(window_, GWL_STYLE)))) {
    case TextAlignment::Centre: return DT_CENTER;
    case TextAlignment::Right: return DT_RIGHT;
    default: return DT_LEFT;
    }
}

bool HyperLinkLabel::ComputeLinkRect() {
    if (!window_ || (label_.empty() && target_.empty())) return false;
    RECT client;
    GetClientRect(window_, &client);
    RECT measured = client;
    HDC dc = GetDC(window_);
    if (!dc) return false;
    HGDIOBJ previous = linkFont_ ? SelectObject(dc, linkFont_) : nullptr;
    const UINT alignment = AlignmentFlag();
    DrawTextA(dc, ShownText().c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | alignment);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    const TextAlignment which =
        alignment == DT_CENTER ? TextAlignment::Centre : alignment == DT_RIGHT ? TextAlignment::Right : TextAlignment::Left;
    linkRect_ = ToRECT(PlaceLinkRect(FromRECT(measured), FromRECT(client), which));
    return true;
}

void HyperLinkLabel::ReadLinkColours() {
    HKEY key;
    // Read and write access, as the browser settings have always been
    // opened; a key that cannot be opened so leaves the defaults.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kBrowserSettingsKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
    ReadColour(key, "Anchor Color", linkColour_);
    ReadColour(key, "Anchor Color Visited", visitedColour_);
    RegCloseKey(key);
}

bool HyperLinkLabel::InLink(LPARAM lParam) const {
    POINT point;
    point.x = GET_X_LPARAM(lParam);
    point.y = GET_Y_LPARAM(lParam);
    return PtInRect(&linkRect_, point) != 0;
}

void HyperLinkLabel::Paint(HDC given) {
    PAINTSTRUCT paint;
    HDC dc = given ? given : BeginPaint(window_, &paint);
    if (!dc) return;
    RECT client;
    GetClientRect(window_, &client);
    HBRUSH background = reinterpret_cast<HBRUSH>(
        SendMessageA(GetParent(window_), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window_)));
    if (background) FillRect(dc, &client, background);

    SetBkMode(dc, TRANSPARENT);
    const COLORREF colour =
        !IsWindowEnabled(window_) ? GetSysColor(COLOR_GRAYTEXT) : visited_ ? visitedColour_ : linkColour_;
    const COLORREF previousColour = SetTextColor(dc, colour);
    HGDIOBJ previousFont = SelectObject(dc, linkFont_ ? linkFont_ : textFont_);
    RECT box = linkRect_;
    DrawTextA(dc, ShownText().c_str(), -1, &box, DT_WORDBREAK | AlignmentFlag());
    if (GetFocus() == window_) DrawFocusRect(dc, &linkRect_);
    SetTextColor(dc, previousColour);
    if (previousFont) SelectObject(dc, previousFont);
    if (!given) EndPaint(window_, &paint);
}

LRESULT HyperLinkLabel::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        if (toolTip_) DestroyWindow(toolTip_);
        toolTip_ = nullptr;
        return CallPrevious(message, wParam, lParam);
    }
    if (message >= WM_MOUSEFIRST && message <= kLastRelayedMouseMessage && toolTip_) {
        // The tool has no TTF_SUBCLASS: the tooltip learns of the mouse only here.
        MSG relayed;
        ZeroMemory(&relayed, sizeof relayed);
        relayed.hwnd = window_;
        relayed.message = message;
        relayed.wParam = wParam;
        relayed.lParam = lParam;
        SendMessageA(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    case WM_MOUSEMOVE:
        if (InLink(lParam) && !target_.empty()) {
            SetCursor(handCursor_);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        if (InLink(lParam)) {
            SetFocus(window_);
            SetCapture(window_);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window_) {
            ReleaseCapture();
            if (InLink(lParam)) Navigate();
        }
        return 0;
    case WM_CHAR:
        if (wParam == 13 || wParam == 32) Navigate();
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS;
    case WM_SETCURSOR: {
        POINT point;
        if (GetCursorPos(&point) && ScreenToClient(window_, &point) && PtInRect(&linkRect_, point) &&
            !target_.empty())
            return TRUE;
        break;
    }
    case WM_ENABLE:
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(textFont_);
    case WM_SETFONT:
        textFont_ = reinterpret_cast<HFONT>(wParam);
        if (lParam) {
            InvalidateRect(window_, nullptr, TRUE);
            UpdateWindow(window_);
        }
        return 0;
    case WM_UPDATEUISTATE:
        // The static would repaint itself in its own way.
        return 0;
    default:
        break;
    }
    return CallPrevious(message, wParam, lParam);
}

}  // namespace ui
}  // namespace launcher
