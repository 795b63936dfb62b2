// Win32 only: the splash screen, a borderless window showing one bitmap centred on the screen, and the thread that owns it.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/Os.h"
#include "ui/Window.h"

namespace launcher {
namespace ui {

class SplashScreen : public CustomWindow {
public:
    ~SplashScreen() override;

    // Loads the picture and creates the (hidden) window at its size, centred
    // on the primary screen. Null when the file is not a whole Windows
    // bitmap, the picture does not load, or the class or window cannot be
    // made: no window is ever shown without its picture.
    HWND Create(const std::string& imagePath, bool shadow);

protected:
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();

    HBITMAP bitmap_ = nullptr;
    int width_ = 0, height_ = 0;
};

// The splash thread and its window object, from StartSplash to StopSplash.
class SplashThread {
public:
    SplashThread() = default;
    ~SplashThread() { Stop(); }
    SplashThread(const SplashThread&) = delete;
    SplashThread& operator=(const SplashThread&) = delete;

    // Starts the thread, which creates and shows the window, stores its
    // handle once in `windowHandle` and pumps messages until Stop. Returns
    // once the window is on the screen or the thread has given up on it, and
    // after kReadyWaitMs at the latest: so an error box shown after Start has
    // the splash as its owner whenever there is one, and a slow picture
    // never holds the launch up for long. False when the object or the
    // thread cannot be had (nothing then runs and Stop has nothing to wait
    // for). One splash per object.
    bool Start(const std::string& imagePath, bool shadow, std::atomic<WindowHandle>& windowHandle);

    // Posts the quit message until the thread has ended, then frees the
    // window object. Safe to call when nothing was started, and repeatedly.
    void Stop();

    static constexpr DWORD kReadyWaitMs = 2000;

private:
    static DWORD WINAPI ThreadMain(void* parameter);

    // Written before the thread starts, only read by it.
    std::string imagePath_;
    bool shadow_ = false;
    std::atomic<WindowHandle>* windowHandle_ = nullptr;
    std::unique_ptr<SplashScreen> window_;

    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    // Set by the thread once its window is shown or will not be; kept until
    // the thread has ended, since it may be set after Start stopped waiting.
    HANDLE ready_ = nullptr;
};

}  // namespace ui
}  // namespace launcher
