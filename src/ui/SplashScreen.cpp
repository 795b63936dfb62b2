// Win32 only: the splash window (picture check, loading, class, placement, painting) and its thread's start and end.
#include "ui/SplashScreen.h"

#include <new>
#include <string>

#include "ui/UiLogic.h"

namespace launcher {
namespace ui {

namespace {

const char kSplashClass[] = "SplashScreenWindow";

#ifndef CS_DROPSHADOW
#define CS_DROPSHADOW 0x00020000
#endif

// Whether the file at `path` is a whole bitmap, checked before LoadImageA
// sees it: a truncated file would otherwise load as a picture with garbage
// rows, and the window would show them.
bool IsWholeBitmapFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    std::string head(kBitmapHeadBytes, '\0');
    DWORD read = 0;
    const bool ok = GetFileSizeEx(file, &size) && ReadFile(file, &head[0], static_cast<DWORD>(head.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || size.QuadPart < 0) return false;
    head.resize(read);
    int32_t width = 0, height = 0;
    return CheckBitmapFile(head, static_cast<uint64_t>(size.QuadPart), width, height);
}

bool RegisterSplashClass(bool shadow) {
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | (shadow ? CS_DROPSHADOW : 0);
    windowClass.lpfnWndProc = &CustomWindow::WindowProcedure;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kSplashClass;
    if (RegisterWindowClass(windowClass)) return true;
    // Systems without drop shadows refuse the style.
    if (!shadow) return false;
    windowClass.style &= ~static_cast<UINT>(CS_DROPSHADOW);
    return RegisterWindowClass(windowClass);
}

}  // namespace

SplashScreen::~SplashScreen() {
    if (bitmap_) DeleteObject(bitmap_);
}

HWND SplashScreen::Create(const std::string& imagePath, bool shadow) {
    if (window_ || bitmap_) return nullptr;
    if (!IsWholeBitmapFile(imagePath)) return nullptr;
    bitmap_ = static_cast<HBITMAP>(
        LoadImageA(ModuleInstance(), imagePath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap_) return nullptr;
    BITMAP info;
    if (GetObjectA(bitmap_, sizeof info, &info) == 0) return nullptr;
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (width_ <= 0 || height_ <= 0) return nullptr;

    if (!RegisterSplashClass(shadow)) return nullptr;
    const Rect place = CentreOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width_, height_);
    return CreateNative(WS_EX_TOOLWINDOW, kSplashClass, nullptr, WS_POPUP, place.left, place.top, width_, height_,
                        nullptr);
}

LRESULT SplashScreen::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        // The picture covers the whole window; erasing first would flicker.
        return 1;
    default:
        return CustomWindow::ProcessMessage(message, wParam, lParam);
    }
}

void SplashScreen::Paint() {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window_, &paint);
    if (!target) return;
    HDC memory = CreateCompatibleDC(target);
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, bitmap_);
        BitBlt(target, 0, 0, width_, height_, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    EndPaint(window_, &paint);
}

// ---------------------------------------------------------------- thread

bool SplashThread::Start(const std::string& imagePath, bool shadow, std::atomic<WindowHandle>& windowHandle) {
    if (thread_ || window_) return false;
    window_.reset(new (std::nothrow) SplashScreen());
    if (!window_) return false;
    imagePath_ = imagePath;
    shadow_ = shadow;
    windowHandle_ = &windowHandle;
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &SplashThread::ThreadMain, this, 0, &threadId_);
    if (!thread_) {
        // Nothing runs, so teardown has nothing to wait for.
        if (ready_) CloseHandle(ready_);
        ready_ = nullptr;
        window_.reset();
        return false;
    }
    if (ready_) {
        const HANDLE waits[2] = {ready_, thread_};
        WaitForMultipleObjects(2, waits, FALSE, kReadyWaitMs);
    }
    return true;
}

DWORD WINAPI SplashThread::ThreadMain(void* parameter) {
    SplashThread& self = *static_cast<SplashThread*>(parameter);
    HWND window = self.window_->Create(self.imagePath_, self.shadow_);
    if (window) {
        // The one write of the handle; the main thread reads it as the owner
        // of its error boxes from now on.
        self.windowHandle_->store(window);
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    if (self.ready_) SetEvent(self.ready_);
    // Without a window the thread still waits for its quit message, so that
    // the teardown is the same on every path.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (window) DestroyWindow(window);
    return 0;
}

void SplashThread::Stop() {
    if (thread_) {
        // A thread that has no message queue yet misses the first posts, so
        // post until it has ended; the wait on its handle is the pause
        // between attempts and returns as soon as the thread is gone.
        for (;;) {
            PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
            DWORD status = 0;
            if (!GetExitCodeThread(thread_, &status) || status != STILL_ACTIVE) break;
            WaitForSingleObject(thread_, 10);
        }
        CloseHandle(thread_);
        thread_ = nullptr;
        threadId_ = 0;
    }
    if (ready_) CloseHandle(ready_);
    ready_ = nullptr;
    window_.reset();
}

}  // namespace ui
}  // namespace launcher
