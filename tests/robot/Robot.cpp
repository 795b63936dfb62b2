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
//          "none","buttons":[texts],"statics":[texts]}
//             for a dialog (class "#32770"); "text" is the static control 0xFFFF that message
//             boxes use, or else all static texts joined by line feeds; "iconKind" is told
//             by the icon's colours on the screen (red error, yellow warning, blue information
//             or question). With --press ok (the
//             default) the box is then answered by clicking its IDOK button, or IDCANCEL when
//             there is no OK: {"event":"press","id":1,"text":"OK"}.
//         {"event":"window","class":..,"title":..,"rect":[l,t,r,b],"style":<n>,"exstyle":<n>}
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
// Texts are read through the wide functions and written as JSON text (non-ASCII as \uXXXX).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
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
    std::wstring text;
    bool hasTextControl = false;
    std::vector<std::wstring> buttons, statics;
    HWND icon = nullptr;
    for (HWND child : Children(box)) {
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
                text = statics.back();
                hasTextControl = true;
            }
        }
    }
    if (!hasTextControl)
        for (size_t i = 0; i < statics.size(); ++i) text += (i ? L"\n" : L"") + statics[i];
    HWND owner = GetWindow(box, GW_OWNER);
    Emit("{\"event\":\"box\",\"caption\":" + Json(WindowText(box)) + ",\"text\":" + Json(text) +
         ",\"owner\":" + std::to_string(reinterpret_cast<unsigned long long>(owner)) +
         ",\"ownerClass\":" + Json(owner ? ClassOf(owner) : std::wstring()) +
         ",\"style\":" + std::to_string(static_cast<unsigned long>(GetWindowLongW(box, GWL_STYLE))) +
         ",\"icon\":" + (icon ? "true" : "false") + ",\"iconKind\":\"" + (icon ? IconKind(icon) : "none") +
         "\",\"buttons\":" + Json(buttons) + ",\"statics\":" + Json(statics) + "}");
}

void ReportWindow(HWND window) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    Emit("{\"event\":\"window\",\"class\":" + Json(ClassOf(window)) + ",\"title\":" + Json(WindowText(window)) +
         ",\"rect\":[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "],\"style\":" +
         std::to_string(static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE))) + ",\"exstyle\":" +
         std::to_string(static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE))) + "}");
}

// The button a person would press to get rid of the box: OK, else Cancel.
void PressOk(HWND box) {
    int id = IDOK;
    HWND button = GetDlgItem(box, IDOK);
    if (!button) {
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

// ------------------------------------------------------------ command line

int Usage() {
    std::fputs("usage: robot run [--timeout SECONDS] [--press ok|none] [--cwd DIR] [--stdout FILE] [--stderr FILE]"
               " -- COMMANDLINE\n       robot env NAME\n",
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
    if (args.size() < 2 || args[1] != L"run") return Usage();
    std::vector<std::wstring> options;
    size_t i = 2;
    for (; i < args.size() && args[i] != L"--"; ++i) options.push_back(args[i]);
    if (i == args.size()) return Usage();
    std::wstring commandLine;
    for (++i; i < args.size(); ++i) commandLine += (commandLine.empty() ? L"" : L" ") + args[i];
    return Run(options, commandLine);
}
