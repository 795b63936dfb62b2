// robot.exe: a Win32 console program that the Wine tests run to act as a person would: it starts a program, watches its windows, reports them as JSON lines and answers message boxes.
//
//   robot run [--timeout SECONDS] [--press ok|none] [--cwd DIR] [--stdout FILE] [--stderr FILE]
//             -- COMMANDLINE
//       Starts COMMANDLINE as the one command-line string of CreateProcessW (its first token
//       names the program), so that a test controls the exact quoting the program sees.
//       COMMANDLINE is the argument after "--" as the Windows rules split robot's own command
//       line; run from Linux through Wine it is exactly the Unix argument, so pass the whole
//       command line as one argument. Several arguments after "--" are joined by single
//       spaces. --stdout/--stderr give the program those files as its
//       standard handles (a GUI program has none otherwise). While the program runs, its
//       top-level windows are looked at every 50 ms and each is reported once, when it is
//       visible:
//         {"event":"box","caption":..,"text":..,"owner":<handle, 0 for none>,"ownerClass":..,
//          "style":<n>,"icon":true|false,"iconKind":"error"|"warning"|"information"|"unknown"|
//          "none","buttons":[texts],"statics":[texts],"controls":[{"id":..,"class":..,"text":..}]}
//             for a dialog (class "#32770"); "text" is the static control 0xFFFF that message
//             boxes use when it is the only text, or else all static texts joined by line feeds;
//             "controls" are all child windows in order; "iconKind" is told
//             by the icon's colours on the screen (red error, yellow warning, blue information
//             or question). With --press ok (the
//             default) the box is then answered by clicking its IDOK button, or IDCANCEL when
//             there is no OK or it is disabled: {"event":"press","id":1,"text":"OK"}.
//         {"event":"window","handle":..,"class":..,"classStyle":<n>,"title":..,"rect":[l,t,r,b],
//          "style":<n>,"exstyle":<n>}
//             for any other window.
//       At the end {"event":"exit","code":<exit code, unsigned: -1 is 4294967295>}, and robot
//       exits with 0. After --timeout seconds (default 30) the program is terminated,
//       {"event":"timeout"} is written and robot exits with 2. A program that cannot be
//       started gives {"event":"error","text":..,"code":<GetLastError>} and exit status 1.
//
//   robot env NAME
//       {"event":"env","name":..,"value":<text, or null when unset>}: the variable as robot
//       sees it, for checking what a test's environment reaches Windows programs.
//
// Commands on a window that another robot (run --press none) has started; each finds a
// visible top-level window of any process by WINDOW = [--title TEXT] [--class NAME]
// [--wait SECONDS] (default 10; both given: both must match) and prints one JSON line, or
// {"event":"error","text":..} and exit status 1 when there is no such window or control:
//   robot dialog WINDOW
//       {"event":"dialog","handle":..,"title":..,"class":..,"rect":[l,t,r,b] (screen),
//        "client":[l,t,r,b] (screen),"style":..,"exstyle":..,"owner":..,"ownerClass":..,
//        "baseUnits":[x,y],"workArea":[l,t,r,b],"focus":<control id or null>,"tabOrder":[ids],
//        "controls":[{"id":..,
//        "class":..,"text":..,"style":..,"exstyle":..,"enabled":..,"visible":..,
//        "rect":[l,t,r,b] (dialog client pixels)}, ...]} with the controls in child order.
//       baseUnits are those of a probe dialog with the same template header as the launcher's
//       (DS_SETFONT | DS_FIXEDSYS, "MS Shell Dlg" 8), so that a test turns the template's
//       dialog units into the pixels to expect: x * baseUnits[0] / 4, y * baseUnits[1] / 8.
//   robot press WINDOW --id N
//       Presses a button as a person would: only when it is enabled, by the command its
//       click sends. {"event":"press","id":..,"enabled":..,"pressed":..}
//   robot click WINDOW --id N [--at X,Y]
//       A real left click (mouse input) at X,Y of the control's client area (default its
//       centre). {"event":"click","id":..,"point":[x,y] (screen)}
//   robot move WINDOW --id N [--at X,Y]
//       Moves the mouse there (and then by one pixel and back, so the window sees the move).
//       {"event":"move","id":..,"point":[x,y]}
//   robot key WINDOW [--id N] --key escape|enter|space|tab|a..z
//       Posts the key's down and up messages to the control (default: the window that has
//       the keyboard focus in the window's thread), through the dialog's own message loop
//       as a typed key goes. {"event":"key","key":..,"target":<control id or 0>}
//   robot key WINDOW [--id N] --char CODE
//       Posts the character alone (WM_CHAR), as a key combination such as Ctrl+M (13)
//       types it. {"event":"key","char":..,"target":<control id or 0>}
//   robot pixels WINDOW [--id N]
//       The colours on the screen in the control's (or window's) client area, most
//       frequent first: {"event":"pixels","colours":[["rrggbb",count],...]} (at most 8).
//   robot tooltip WINDOW --id N
//       The tooltip windows of the control's top-level window and their tools for the control
//       (tooltips without such a tool are left out):
//       {"event":"tooltip","tips":[{"visible":..,"rect":[..] (screen),"tools":[{"id":..,
//        "flags":..,"window":<handle>,"rect":[..] (control client),"text":..}]}]}
//   robot browse WINDOW (--path PATH | --cancel)
//       Answers the shell's folder browser: selects PATH (its drive by BFFM_SETSELECTION, then
//       each folder by its name in the tree) and presses OK, or presses Cancel. {"event":"browse","title":..,"statics":[..],"selected":<caret item
//       text>,"pressed":"ok"|"cancel"}
//   robot close WINDOW
//       Sends what the window's close box sends (WM_SYSCOMMAND SC_CLOSE).
//       {"event":"close","handle":..}
//   robot record FILE ARGS...
//       Appends {"event":"record","args":[..]} to FILE: a stand-in for a program that a test
//       registers (for example as the URL handler that the shell starts).
//
// Texts are read through the wide functions and written as JSON text (non-ASCII as \uXXXX).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------ output

void AppendEscaped(std::string& out, unsigned code) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            AppendEscaped(out, static_cast<unsigned>(c) & 0xFFFF);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Json(const std::vector<std::wstring>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + Json(items[i]);
    return out + "]";
}

void Emit(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// ------------------------------------------------------------ windows

// Asked of the window itself: GetWindowText on another process's window
// gives only the text it was created with, not what an edit control holds.
std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) length = 0;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, 2000, &got))
        got = 0;
    text.resize(static_cast<size_t>(got <= length ? got : length));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256];
    int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool IsClass(HWND window, const wchar_t* name) { return lstrcmpiW(ClassOf(window).c_str(), name) == 0; }

// Which standard icon a message box shows, told by its colours on the screen:
// icon handles of another process cannot be compared under Wine. Red is the
// error icon, yellow the warning, blue information or question.
const char* IconKind(HWND iconControl) {
    RECT r;
    if (!GetWindowRect(iconControl, &r) || r.right <= r.left || r.bottom <= r.top) return "none";
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) return "unknown";
    int red = 0, yellow = 0, blue = 0;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        int b = pixels[i], g = pixels[i + 1], rd = pixels[i + 2];
        if (rd > 150 && g < 110 && b < 110) ++red;
        else if (rd > 170 && g > 140 && b < 110) ++yellow;
        else if (b > 150 && rd < 120) ++blue;
    }
    int most = red > yellow ? (red > blue ? red : blue) : (yellow > blue ? yellow : blue);
    if (most < width * height / 20) return "unknown";
    return most == red ? "error" : most == yellow ? "warning" : "information";
}

void ReportBox(HWND box) {
    // Painted before it is looked at.
    UpdateWindow(box);
    std::wstring text, boxText;
    int textControls = 0;
    std::vector<std::wstring> buttons, statics;
    std::string controls;
    HWND icon = nullptr;
    for (HWND child : Children(box)) {
        controls += std::string(controls.empty() ? "" : ",") + "{\"id\":" +
                    std::to_string(static_cast<short>(GetDlgCtrlID(child))) + ",\"class\":" + Json(ClassOf(child)) +
                    ",\"text\":" + Json(WindowText(child)) + "}";
        if (IsClass(child, L"Button")) {
            buttons.push_back(WindowText(child));
        } else if (IsClass(child, L"Static")) {
            LONG style = GetWindowLongW(child, GWL_STYLE);
            // A box without an icon may keep an empty or hidden icon control.
            if ((style & SS_TYPEMASK) == SS_ICON) {
                if (IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0) != 0) icon = child;
                continue;
            }
            statics.push_back(WindowText(child));
            if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF) {
                boxText = statics.back();
                ++textControls;
            }
        }
    }
    // A message box has one text control; a dialog's unnamed labels are no message.
    if (textControls == 1 && statics.size() == 1)
        text = boxText;
    else
        for (size_t i = 0; i < statics.size(); ++i) text += (i ? L"\n" : L"") + statics[i];
    HWND owner = GetWindow(box, GW_OWNER);
    Emit("{\"event\":\"box\",\"caption\":" + Json(WindowText(box)) + ",\"text\":" + Json(text) +
         ",\"owner\":" + std::to_string(reinterpret_cast<unsigned long long>(owner)) +
         ",\"ownerClass\":" + Json(owner ? ClassOf(owner) : std::wstring()) +
         ",\"style\":" + std::to_string(static_cast<unsigned long>(GetWindowLongW(box, GWL_STYLE))) +
         ",\"icon\":" + (icon ? "true" : "false") + ",\"iconKind\":\"" + (icon ? IconKind(icon) : "none") +
         "\",\"buttons\":" + Json(buttons) + ",\"statics\":" + Json(statics) + ",\"controls\":[" + controls +
         "]}");
}

void ReportWindow(HWND window) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    Emit("{\"event\":\"window\",\"handle\":" +
         std::to_string(reinterpret_cast<unsigned long long>(window)) + ",\"class\":" + Json(ClassOf(window)) +
         ",\"classStyle\":" + std::to_string(static_cast<unsigned long>(GetClassLongW(window, GCL_STYLE))) +
         ",\"title\":" + Json(WindowText(window)) +
         ",\"rect\":[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "],\"style\":" +
         std::to_string(static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE))) + ",\"exstyle\":" +
         std::to_string(static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE))) + "}");
}

// The button a person would press to get rid of the box: OK, else Cancel
// (also when OK is there but disabled).
void PressOk(HWND box) {
    int id = IDOK;
    HWND button = GetDlgItem(box, IDOK);
    if (!button || !IsWindowEnabled(button)) {
        id = IDCANCEL;
        button = GetDlgItem(box, IDCANCEL);
    }
    Emit("{\"event\":\"press\",\"id\":" + std::to_string(id) + ",\"text\":" +
         Json(button ? WindowText(button) : std::wstring()) + "}");
    if (button) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    }
    // BM_CLICK can miss a box that is not the active window; the command a
    // click sends cannot.
    if (IsWindow(box) && IsWindowVisible(box))
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

struct Watch {
    DWORD processId = 0;
    bool press = true;
    std::set<HWND> reported;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    Watch* watch = reinterpret_cast<Watch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == watch->processId) watch->found.push_back(window);
    return TRUE;
}

void LookAtWindows(Watch& watch) {
    watch.found.clear();
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&watch));
    for (HWND window : watch.found) {
        // A dialog is shown only once its controls are filled in.
        if (watch.reported.count(window) || !IsWindowVisible(window)) continue;
        watch.reported.insert(window);
        if (IsClass(window, L"#32770")) {
            ReportBox(window);
            if (watch.press) PressOk(window);
        } else {
            ReportWindow(window);
        }
    }
}

// ------------------------------------------------------------ commands on a running program

int Usage();

struct Options {
    std::wstring title, className;
    bool hasTitle = false, hasClass = false;
    double waitSeconds = 10;
    int id = 0;
    bool hasId = false;
    bool hasAt = false;
    int atX = 0, atY = 0;
    std::wstring key, path;
    bool cancel = false;
    int character = -1;
};

int Fail(const std::string& text) {
    Emit("{\"event\":\"error\",\"text\":" + Json(std::wstring(text.begin(), text.end())) + "}");
    return 1;
}

bool ParseOptions(const std::vector<std::wstring>& args, size_t from, Options& o) {
    for (size_t i = from; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (!hasValue) return false;
        const std::wstring& v = args[++i];
        if (a == L"--title") {
            o.title = v;
            o.hasTitle = true;
        } else if (a == L"--class") {
            o.className = v;
            o.hasClass = true;
        } else if (a == L"--wait") {
            o.waitSeconds = std::wcstod(v.c_str(), nullptr);
        } else if (a == L"--id") {
            o.id = static_cast<int>(std::wcstol(v.c_str(), nullptr, 10));
            o.hasId = true;
        } else if (a == L"--at") {
            if (std::swscanf(v.c_str(), L"%d,%d", &o.atX, &o.atY) != 2) return false;
            o.hasAt = true;
        } else if (a == L"--key") {
            o.key = v;
        } else if (a == L"--char") {
            o.character = static_cast<int>(std::wcstol(v.c_str(), nullptr, 10));
        } else if (a == L"--path") {
            o.path = v;
        } else if (a == L"--cancel") {
            o.cancel = v != L"no";
        } else {
            return false;
        }
    }
    return o.hasTitle || o.hasClass;
}

struct Search {
    const Options* options;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    if (search->options->hasTitle && WindowText(window) != search->options->title) return TRUE;
    if (search->options->hasClass && !IsClass(window, search->options->className.c_str())) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTarget(const Options& o) {
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(o.waitSeconds * 1000);
    for (;;) {
        Search search;
        search.options = &o;
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            // A dialog is filled in before it is shown; give it a moment to paint.
            Sleep(100);
            return search.found;
        }
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

std::string RectJson(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
}

std::string Handle(HWND window) { return std::to_string(reinterpret_cast<unsigned long long>(window)); }

INT_PTR CALLBACK ProbeProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The dialog base units of the launcher's template header, from a probe
// dialog made here with the same style and font.
void ProbeBaseUnits(int& x, int& y) {
    std::vector<WORD> t;
    auto word = [&](WORD w) { t.push_back(w); };
    auto dword = [&](DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    };
    word(1);       // dlgVer
    word(0xFFFF);  // signature
    dword(0);      // helpID
    dword(0);      // exStyle
    dword(0x80C800C8 & ~WS_VISIBLE);
    word(0);  // no controls
    word(0);
    word(0);
    word(219);
    word(145);
    word(0);  // menu
    word(0);  // class
    word(0);  // title
    word(8);  // points
    word(400);
    word(0x0100);  // italic 0, charset 1
    for (const wchar_t* f = L"MS Shell Dlg"; *f; ++f) word(static_cast<WORD>(*f));
    word(0);
    HWND probe = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                            nullptr, ProbeProcedure, 0);
    RECT r = {0, 0, 4, 8};
    if (probe) {
        MapDialogRect(probe, &r);
        DestroyWindow(probe);
    }
    x = r.right;
    y = r.bottom;
}

int ReportDialog(HWND dialog) {
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    int baseX = 0, baseY = 0;
    ProbeBaseUnits(baseX, baseY);
    std::string controls;
    for (HWND child : Children(dialog)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        controls += std::string(controls.empty() ? "" : ",") + "{\"id\":" +
                    std::to_string(static_cast<short>(GetDlgCtrlID(child))) + ",\"class\":" + Json(ClassOf(child)) +
                    ",\"text\":" + Json(WindowText(child)) + ",\"style\":" +
                    std::to_string(static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE))) + ",\"exstyle\":" +
                    std::to_string(static_cast<unsigned long>(GetWindowLongW(child, GWL_EXSTYLE))) +
                    ",\"enabled\":" + (IsWindowEnabled(child) ? "true" : "false") +
                    ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") + ",\"rect\":" + RectJson(r) + "}";
    }
    // The order the Tab key takes, from the first tab stop round to it again.
    std::string tabOrder;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND item = first; item;) {
        tabOrder += std::string(tabOrder.empty() ? "" : ",") + std::to_string(static_cast<short>(GetDlgCtrlID(item)));
        item = GetNextDlgTabItem(dialog, item, FALSE);
        if (item == first || tabOrder.size() > 400) break;
    }
    GUITHREADINFO gui;
    std::memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    std::string focus = "null";
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) && gui.hwndFocus &&
        GetParent(gui.hwndFocus) == dialog)
        focus = std::to_string(static_cast<short>(GetDlgCtrlID(gui.hwndFocus)));
    RECT workArea = {0, 0, 0, 0};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    HWND owner = GetWindow(dialog, GW_OWNER);
    Emit("{\"event\":\"dialog\",\"handle\":" + Handle(dialog) + ",\"title\":" + Json(WindowText(dialog)) +
         ",\"class\":" + Json(ClassOf(dialog)) + ",\"rect\":" + RectJson(window) + ",\"client\":" + RectJson(client) +
         ",\"style\":" + std::to_string(static_cast<unsigned long>(GetWindowLongW(dialog, GWL_STYLE))) +
         ",\"exstyle\":" + std::to_string(static_cast<unsigned long>(GetWindowLongW(dialog, GWL_EXSTYLE))) +
         ",\"owner\":" + Handle(owner) + ",\"ownerClass\":" + Json(owner ? ClassOf(owner) : std::wstring()) +
         ",\"baseUnits\":[" + std::to_string(baseX) + "," + std::to_string(baseY) + "],\"workArea\":" +
         RectJson(workArea) + ",\"focus\":" + focus +
         ",\"tabOrder\":[" + tabOrder + "],\"controls\":[" + controls + "]}");
    return 0;
}

// A point of the control's client area on the screen.
POINT ScreenPoint(HWND control, const Options& o) {
    RECT client;
    GetClientRect(control, &client);
    POINT p;
    p.x = o.hasAt ? o.atX : (client.right - client.left) / 2;
    p.y = o.hasAt ? o.atY : (client.bottom - client.top) / 2;
    ClientToScreen(control, &p);
    return p;
}

void SendMouse(DWORD flags, const POINT& p) {
    INPUT input;
    std::memset(&input, 0, sizeof input);
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((p.x * 65535.0) / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
    input.mi.dy = static_cast<LONG>((p.y * 65535.0) / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

std::string PointJson(const POINT& p) { return "[" + std::to_string(p.x) + "," + std::to_string(p.y) + "]"; }

int MoveOrClick(HWND control, const Options& o, bool click) {
    POINT p = ScreenPoint(control, o);
    POINT beside = p;
    beside.x += 1;
    SendMouse(MOUSEEVENTF_MOVE, beside);
    Sleep(50);
    SendMouse(MOUSEEVENTF_MOVE, p);
    Sleep(100);
    if (click) {
        SendMouse(MOUSEEVENTF_LEFTDOWN, p);
        Sleep(50);
        SendMouse(MOUSEEVENTF_LEFTUP, p);
        Sleep(100);
    }
    Emit(std::string("{\"event\":\"") + (click ? "click" : "move") + "\",\"id\":" + std::to_string(o.id) +
         ",\"point\":" + PointJson(p) + "}");
    return 0;
}

int Press(HWND dialog, const Options& o) {
    HWND button = GetDlgItem(dialog, o.id);
    if (!button) return Fail("no control with that id");
    const bool enabled = IsWindowEnabled(button) != 0;
    if (enabled) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(o.id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Emit("{\"event\":\"press\",\"id\":" + std::to_string(o.id) + ",\"enabled\":" + (enabled ? "true" : "false") +
         ",\"pressed\":" + (enabled ? "true" : "false") + "}");
    return 0;
}

int Key(HWND dialog, const Options& o) {
    UINT vk = 0;
    if (o.character >= 0 && o.key.empty()) {
        // A character as a key combination types it (Ctrl+M gives 13), without its key-down.
        HWND target = o.hasId ? GetDlgItem(dialog, o.id) : dialog;
        if (!target) return Fail("no control with that id");
        PostMessageW(target, WM_CHAR, static_cast<WPARAM>(o.character), 1);
        Sleep(200);
        Emit("{\"event\":\"key\",\"char\":" + std::to_string(o.character) + ",\"target\":" +
             std::to_string(o.hasId ? o.id : 0) + "}");
        return 0;
    }
    if (o.key == L"escape") vk = VK_ESCAPE;
    else if (o.key == L"enter") vk = VK_RETURN;
    else if (o.key == L"space") vk = VK_SPACE;
    else if (o.key == L"tab") vk = VK_TAB;
    else if (o.key.size() == 1 && o.key[0] >= L'a' && o.key[0] <= L'z') vk = static_cast<UINT>(o.key[0] - L'a' + 'A');
    if (!vk) return Fail("unknown key");
    HWND target = nullptr;
    if (o.hasId) {
        target = GetDlgItem(dialog, o.id);
        if (!target) return Fail("no control with that id");
    } else {
        GUITHREADINFO gui;
        std::memset(&gui, 0, sizeof gui);
        gui.cbSize = sizeof gui;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui)) target = gui.hwndFocus;
        if (!target) target = dialog;
    }
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, vk, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageW(target, WM_KEYUP, vk, 1 | (static_cast<LPARAM>(scan) << 16) | (1u << 30) | (1u << 31));
    Sleep(200);
    Emit("{\"event\":\"key\",\"key\":" + Json(o.key) + ",\"target\":" +
         std::to_string(target == dialog ? 0 : static_cast<short>(GetDlgCtrlID(target))) + "}");
    return 0;
}

int Pixels(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return Fail("empty window");
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) return Fail("cannot read the screen");
    std::vector<std::pair<unsigned, int>> counts;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        unsigned rgb = static_cast<unsigned>(pixels[i + 2]) << 16 | static_cast<unsigned>(pixels[i + 1]) << 8 | pixels[i];
        bool known = false;
        for (auto& c : counts)
            if (c.first == rgb) {
                ++c.second;
                known = true;
                break;
            }
        if (!known) counts.push_back({rgb, 1});
    }
    std::sort(counts.begin(), counts.end(), [](const std::pair<unsigned, int>& a, const std::pair<unsigned, int>& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    std::string out;
    for (size_t i = 0; i < counts.size() && i < 8; ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%06x", counts[i].first);
        out += std::string(i ? "," : "") + "[\"" + hex + "\"," + std::to_string(counts[i].second) + "]";
    }
    Emit("{\"event\":\"pixels\",\"rect\":" + RectJson(r) + ",\"colours\":[" + out + "]}");
    return 0;
}

// Memory in the other process, for the messages whose parameters point at
// a structure: common-control messages are not marshalled between processes.
class RemoteMemory {
public:
    RemoteMemory(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    bool ok() const { return address_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
    }
    bool Read(size_t offset, void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

std::wstring FromAnsi(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], length);
    out.resize(static_cast<size_t>(length - 1));
    return out;
}

struct TipSearch {
    HWND owner;
    std::vector<HWND> tips;
};

BOOL CALLBACK CollectTip(HWND window, LPARAM param) {
    TipSearch* search = reinterpret_cast<TipSearch*>(param);
    // A tooltip created with a control as its parent is owned by the
    // control's top-level window.
    if (IsClass(window, L"tooltips_class32") && GetWindow(window, GW_OWNER) == search->owner)
        search->tips.push_back(window);
    return TRUE;
}

int Tooltip(HWND dialog, const Options& o) {
    HWND control = GetDlgItem(dialog, o.id);
    if (!control) return Fail("no control with that id");
    TipSearch search;
    search.owner = GetAncestor(control, GA_ROOT);
    EnumWindows(CollectTip, reinterpret_cast<LPARAM>(&search));
    std::string tips;
    for (HWND tip : search.tips) {
        RECT tipRect;
        GetWindowRect(tip, &tipRect);
        std::string tools;
        const LRESULT count = SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0);
        const size_t textOffset = sizeof(TOOLINFOA), textSize = 1024;
        RemoteMemory remote(tip, textOffset + textSize);
        for (LRESULT i = 0; remote.ok() && i < count; ++i) {
            TOOLINFOA info;
            std::memset(&info, 0, sizeof info);
            info.cbSize = sizeof info;
            info.lpszText = remote.at(textOffset);
            char empty[1] = {0};
            remote.Write(0, &info, sizeof info);
            remote.Write(textOffset, empty, 1);
            if (!SendMessageW(tip, TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.at(0))))
                continue;
            std::vector<char> text(textSize, '\0');
            remote.Read(0, &info, sizeof info);
            remote.Read(textOffset, text.data(), textSize - 1);
            if (info.hwnd != control) continue;
            tools += std::string(tools.empty() ? "" : ",") + "{\"id\":" + std::to_string(info.uId) + ",\"flags\":" +
                     std::to_string(info.uFlags) + ",\"window\":" + Handle(info.hwnd) + ",\"rect\":" +
                     RectJson(info.rect) + ",\"text\":" + Json(FromAnsi(text.data())) + "}";
        }
        if (tools.empty()) continue;
        tips += std::string(tips.empty() ? "" : ",") + "{\"visible\":" + (IsWindowVisible(tip) ? "true" : "false") +
                ",\"rect\":" + RectJson(tipRect) + ",\"tools\":[" + tools + "]}";
    }
    Emit("{\"event\":\"tooltip\",\"control\":" + Handle(control) + ",\"tips\":[" + tips + "]}");
    return 0;
}

HWND FindChildOfClass(HWND parent, const wchar_t* name) {
    for (HWND child : Children(parent)) {
        if (IsClass(child, name)) return child;
        if (HWND inner = FindChildOfClass(child, name)) return inner;
    }
    return nullptr;
}

LRESULT SendTree(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(tree, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

std::wstring ItemText(HWND tree, LRESULT item) {
    if (!item) return std::wstring();
    const size_t textOffset = sizeof(TVITEMA), textSize = 520;
    RemoteMemory remote(tree, textOffset + textSize);
    if (!remote.ok()) return std::wstring();
    TVITEMA tv;
    std::memset(&tv, 0, sizeof tv);
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = reinterpret_cast<HTREEITEM>(item);
    tv.pszText = remote.at(textOffset);
    tv.cchTextMax = static_cast<int>(textSize - 1);
    remote.Write(0, &tv, sizeof tv);
    if (!SendTree(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at(0)))) return std::wstring();
    std::vector<char> text(textSize, '\0');
    remote.Read(textOffset, text.data(), textSize - 1);
    return FromAnsi(text.data());
}

std::wstring CaretItemText(HWND tree) { return ItemText(tree, SendTree(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)); }

// Whether the browser's caret item is the folder `path` names: its last
// component, or "(C:)" for a drive root.
bool IsCaretFolder(const std::wstring& caret, const std::wstring& path) {
    std::wstring trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
    if (trimmed.size() == 2 && trimmed[1] == L':')
        return caret.find(L"(" + trimmed + L")") != std::wstring::npos ||
               caret.find(L"(" + std::wstring(1, static_cast<wchar_t>(towupper(trimmed[0]))) + L":)") !=
                   std::wstring::npos;
    const size_t slash = trimmed.find_last_of(L"\\/");
    const std::wstring last = slash == std::wstring::npos ? trimmed : trimmed.substr(slash + 1);
    return lstrcmpiW(caret.c_str(), last.c_str()) == 0;
}

bool SelectInBrowser(HWND browser, const std::wstring& path) {
    int length = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> ansi(static_cast<size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi.data(), length, nullptr, nullptr);
    RemoteMemory remote(browser, ansi.size());
    if (!remote.ok() || !remote.Write(0, ansi.data(), ansi.size())) return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote.at(0)), SMTO_ABORTIFHUNG,
                        10000, &result);
    return result != 0;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Selects the folder `path` in the browser's tree. The drive goes through
// BFFM_SETSELECTIONA; below it each folder is found by its name and
// selected, as a person clicks through the tree. (The browser's own walk
// compares folders with their time stamps and misses any folder whose
// stamps changed since the path was parsed.)
bool SelectPath(HWND browser, HWND tree, const std::wstring& path, std::wstring& selected, std::string& problem) {
    if (!tree) {
        problem = "no tree";
        return false;
    }
    if (path.size() < 2 || path[1] != L':') {
        SelectInBrowser(browser, path);
        Sleep(200);
        selected = CaretItemText(tree);
        problem = "shows " + Narrow(selected);
        return IsCaretFolder(selected, path);
    }
    const std::wstring root = path.substr(0, 2) + L"\\";
    bool rooted = false;
    for (int attempt = 0; attempt < 30 && !rooted; ++attempt) {
        if (attempt) Sleep(300);
        SelectInBrowser(browser, root);
        rooted = IsCaretFolder(CaretItemText(tree), root);
    }
    if (!rooted) {
        problem = "the drive is not there; the tree shows " + Narrow(CaretItemText(tree));
        return false;
    }
    std::vector<std::wstring> names;
    std::wstring name;
    for (size_t i = 2; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else {
            name += path[i];
        }
    }
    for (const std::wstring& wanted : names) {
        const LRESULT parent = SendTree(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        LRESULT found = 0;
        for (int attempt = 0; attempt < 20 && !found; ++attempt) {
            if (attempt) Sleep(200);
            SendTree(tree, TVM_EXPAND, TVE_EXPAND, parent);
            for (LRESULT child = SendTree(tree, TVM_GETNEXTITEM, TVGN_CHILD, parent); child && !found;
                 child = SendTree(tree, TVM_GETNEXTITEM, TVGN_NEXT, child))
                if (lstrcmpiW(ItemText(tree, child).c_str(), wanted.c_str()) == 0) found = child;
        }
        if (!found) {
            problem = "no folder " + Narrow(wanted) + " below " + Narrow(ItemText(tree, parent));
            return false;
        }
        SendTree(tree, TVM_SELECTITEM, TVGN_CARET, found);
    }
    Sleep(100);
    selected = CaretItemText(tree);
    problem = "shows " + Narrow(selected);
    return IsCaretFolder(selected, path);
}

int Browse(HWND browser, const Options& o) {
    std::vector<std::wstring> statics;
    for (HWND child : Children(browser))
        if (IsClass(child, L"Static")) statics.push_back(WindowText(child));
    const std::wstring title = WindowText(browser);
    HWND tree = FindChildOfClass(browser, L"SysTreeView32");
    std::wstring selected;
    int id = IDCANCEL;
    if (!o.cancel) {
        if (o.path.empty()) return Fail("browse needs --path or --cancel");
        std::string problem;
        if (!SelectPath(browser, tree, o.path, selected, problem)) {
            PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return Fail("the browser did not select the folder: " + problem);
        }
        id = IDOK;
    }
    HWND button = GetDlgItem(browser, id);
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    // Wine waits for the closed browser to leave the screen.
    for (int i = 0; i < 100 && IsWindow(browser); ++i) Sleep(50);
    Emit("{\"event\":\"browse\",\"title\":" + Json(title) + ",\"statics\":" + Json(statics) +
         ",\"selected\":" + Json(selected) + ",\"pressed\":\"" + (id == IDOK ? "ok" : "cancel") +
         "\",\"closed\":" + (IsWindow(browser) ? "false" : "true") + "}");
    return 0;
}

int Record(const std::vector<std::wstring>& args) {
    std::string line = "{\"event\":\"record\",\"args\":" +
                       Json(std::vector<std::wstring>(args.begin() + 3, args.end())) + "}\n";
    HANDLE file = CreateFileW(args[2].c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}

int WindowCommand(const std::vector<std::wstring>& args) {
    Options o;
    if (!ParseOptions(args, 2, o)) return Usage();
    const std::wstring& command = args[1];
    HWND window = FindTarget(o);
    if (!window) return Fail("no such window");
    if (command == L"dialog") return ReportDialog(window);
    if (command == L"browse") return Browse(window, o);
    if (command == L"key") return Key(window, o);
    if (command == L"close") {
        // What the close box sends.
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(200);
        Emit("{\"event\":\"close\",\"handle\":" + Handle(window) + "}");
        return 0;
    }
    if (command == L"pixels" && !o.hasId) return Pixels(window);
    if (!o.hasId) return Usage();
    HWND control = GetDlgItem(window, o.id);
    if (!control) return Fail("no control with that id");
    if (command == L"press") return Press(window, o);
    if (command == L"click") return MoveOrClick(control, o, true);
    if (command == L"move") return MoveOrClick(control, o, false);
    if (command == L"pixels") return Pixels(control);
    if (command == L"tooltip") return Tooltip(window, o);
    return Usage();
}

// ------------------------------------------------------------ command line

int Usage() {
    std::fputs("usage: robot run [--timeout SECONDS] [--press ok|none] [--cwd DIR] [--stdout FILE] [--stderr FILE]"
               " -- COMMANDLINE\n       robot env NAME\n"
               "       robot dialog|press|click|move|key|pixels|tooltip|browse|close [--title TEXT] [--class NAME]"
               " [--wait SECONDS] [--id N] [--at X,Y] [--key KEY] [--char CODE] [--path PATH] [--cancel yes]\n"
               "       robot record FILE ARGS...\n",
               stderr);
    return 1;
}

HANDLE OpenForChild(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// options: robot's arguments after "run" and before "--".
int Run(const std::vector<std::wstring>& options, const std::wstring& commandLine) {
    unsigned timeoutSeconds = 30;
    bool press = true;
    std::wstring cwd, stdoutFile, stderrFile;
    for (size_t i = 0; i < options.size(); ++i) {
        const std::wstring& o = options[i];
        bool hasValue = i + 1 < options.size();
        if (o == L"--timeout" && hasValue)
            timeoutSeconds = static_cast<unsigned>(std::wcstoul(options[++i].c_str(), nullptr, 10));
        else if (o == L"--press" && hasValue)
            press = options[++i] != L"none";
        else if (o == L"--cwd" && hasValue)
            cwd = options[++i];
        else if (o == L"--stdout" && hasValue)
            stdoutFile = options[++i];
        else if (o == L"--stderr" && hasValue)
            stderrFile = options[++i];
        else
            return Usage();
    }
    if (commandLine.empty()) return Usage();

    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    HANDLE out = INVALID_HANDLE_VALUE, err = INVALID_HANDLE_VALUE;
    bool redirect = !stdoutFile.empty() || !stderrFile.empty();
    if (redirect) {
        if (!stdoutFile.empty()) out = OpenForChild(stdoutFile);
        if (!stderrFile.empty()) err = OpenForChild(stderrFile);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = out != INVALID_HANDLE_VALUE ? out : nullptr;
        startup.hStdError = err != INVALID_HANDLE_VALUE ? err : nullptr;
    }
    PROCESS_INFORMATION process;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, redirect ? TRUE : FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &startup, &process)) {
        Emit("{\"event\":\"error\",\"text\":\"CreateProcess failed\",\"code\":" + std::to_string(GetLastError()) + "}");
        return 1;
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    CloseHandle(process.hThread);

    Watch watch;
    watch.processId = process.dwProcessId;
    watch.press = press;
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000;
    for (;;) {
        LookAtWindows(watch);
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
        if (GetTickCount64() >= deadline) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            Emit("{\"event\":\"timeout\"}");
            return 2;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    Emit("{\"event\":\"exit\",\"code\":" + std::to_string(static_cast<unsigned long>(code)) + "}");
    return 0;
}

int PrintEnv(const std::wstring& name) {
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    std::string value = "null";
    if (size != 0) {
        std::wstring buffer(size, L'\0');
        DWORD length = GetEnvironmentVariableW(name.c_str(), &buffer[0], size);
        buffer.resize(length < size ? length : 0);
        value = Json(buffer);
    }
    Emit("{\"event\":\"env\",\"name\":" + Json(name) + ",\"value\":" + value + "}");
    return 0;
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return Usage();
    std::vector<std::wstring> args(argv, argv + count);
    LocalFree(argv);
    if (args.size() == 3 && args[1] == L"env") return PrintEnv(args[2]);
    if (args.size() >= 3 && args[1] == L"record") return Record(args);
    static const wchar_t* const kWindowCommands[] = {L"dialog", L"press", L"click", L"move",
                                                     L"key",    L"pixels", L"tooltip", L"browse",
                                                     L"close"};
    for (const wchar_t* command : kWindowCommands)
        if (args.size() >= 2 && args[1] == command) return WindowCommand(args);
    if (args.size() < 2 || args[1] != L"run") return Usage();
    std::vector<std::wstring> options;
    size_t i = 2;
    for (; i < args.size() && args[i] != L"--"; ++i) options.push_back(args[i]);
    if (i == args.size()) return Usage();
    std::wstring commandLine;
    for (++i; i < args.size(); ++i) commandLine += (commandLine.empty() ? L"" : L" ") + args[i];
    return Run(options, commandLine);
}
