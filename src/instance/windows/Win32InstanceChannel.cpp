// The Windows single-instance transport. Only Win32-specific code here: the
// named file mapping, the registered thread message, and the named mutex and
// event that keep concurrent later starts from overwriting each other.
//
// A later start takes its turn (mutex "<name>.turn"), writes its arguments
// into the area, posts the message to the listener thread and waits until
// the listener has copied them out (event "<name>.taken"); only then may the
// next later start write. So none of a burst of starts loses or mixes its
// arguments, and a start that cannot hand over within its bound says so.
#include <windows.h>

#include <cstring>
#include <new>

#include "instance/HandOverArea.h"
#include "instance/InstanceTransport.h"

namespace launcher {

namespace {

// How long a later start waits for its turn and for the first instance to
// take its arguments.
constexpr DWORD kHandOverBoundMs = 5000;

class Win32InstanceChannel : public InstanceChannel {
public:
    Win32InstanceChannel(HandOverReceiver receiver, void* context) : receiver_(receiver), context_(context) {}

    ~Win32InstanceChannel() override {
        if (listener_) {
            // The quit message may reach a thread that has not yet made its
            // queue: post again until the thread is gone.
            do {
                PostThreadMessageA(listenerId_, WM_QUIT, 0, 0);
            } while (WaitForSingleObject(listener_, 10) == WAIT_TIMEOUT);
            CloseHandle(listener_);
        }
        if (view_) UnmapViewOfFile(view_);
        for (HANDLE h : {mapping_, turn_, taken_, ready_})
            if (h) CloseHandle(h);
    }

    bool Open(const std::string& name) {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(kHandOverAreaSize), name.c_str());
        if (!mapping_) return false;
        first_ = GetLastError() != ERROR_ALREADY_EXISTS;
        view_ = static_cast<uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
        turn_ = CreateMutexA(nullptr, FALSE, (name + ".turn").c_str());
        taken_ = CreateEventA(nullptr, FALSE, FALSE, (name + ".taken").c_str());
        if (!view_ || !turn_ || !taken_) return false;
        if (!first_) return true;

        message_ = RegisterWindowMessageA(name.c_str());
        if (message_ == 0) return false;
        Store(kMessageOffset, message_);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!ready_) return false;
        listener_ = CreateThread(nullptr, 0, &Win32InstanceChannel::Listen, this, 0, &listenerId_);
        if (!listener_) return false;
        // The thread id is published only once the thread has its message
        // queue, so that no later start posts into the void.
        HANDLE both[2] = {ready_, listener_};
        return WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0;
    }

    bool IsFirst() const override { return first_; }

    bool HandOver(const std::vector<std::string>& arguments) override {
        if (!HandOverFits(arguments)) return false;
        const DWORD start = GetTickCount();
        auto remaining = [start]() -> DWORD {
            const DWORD spent = GetTickCount() - start;
            return spent >= kHandOverBoundMs ? 0 : kHandOverBoundMs - spent;
        };
        const DWORD turn = WaitForSingleObject(turn_, kHandOverBoundMs);
        if (turn != WAIT_OBJECT_0 && turn != WAIT_ABANDONED) return false;
        bool delivered = false;
        // The first instance may still be starting its listener.
        DWORD thread = Load(kThreadIdOffset), message = Load(kMessageOffset);
        while ((thread == 0 || message == 0) && remaining() > 0) {
            Sleep(10);
            thread = Load(kThreadIdOffset);
            message = Load(kMessageOffset);
        }
        if (thread != 0 && message != 0 && WriteHandOverArguments(arguments, view_ + kArgumentsOffset)) {
            ResetEvent(taken_);
            if (PostThreadMessageA(thread, message, 0, 0))
                delivered = WaitForSingleObject(taken_, remaining()) == WAIT_OBJECT_0;
        }
        ReleaseMutex(turn_);
        return delivered;
    }

private:
    DWORD Load(size_t offset) const {
        return static_cast<DWORD>(InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(view_ + offset), 0, 0));
    }
    void Store(size_t offset, DWORD value) {
        InterlockedExchange(reinterpret_cast<volatile LONG*>(view_ + offset), static_cast<LONG>(value));
    }

    static DWORD WINAPI Listen(void* parameter) {
        Win32InstanceChannel& self = *static_cast<Win32InstanceChannel*>(parameter);
        MSG msg;
        PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
        self.Store(kThreadIdOffset, GetCurrentThreadId());
        SetEvent(self.ready_);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message != self.message_) continue;
            const std::vector<std::string> arguments = ReadHandOverArguments(self.view_ + kArgumentsOffset);
            SetEvent(self.taken_);
            self.receiver_(self.context_, arguments);
        }
        return 0;
    }

    HandOverReceiver receiver_;
    void* context_;
    HANDLE mapping_ = nullptr;
    uint8_t* view_ = nullptr;
    HANDLE turn_ = nullptr;
    HANDLE taken_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE listener_ = nullptr;
    DWORD listenerId_ = 0;
    UINT message_ = 0;
    bool first_ = false;
};

}  // namespace

std::unique_ptr<InstanceChannel> OpenWin32InstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                          void* context) {
    std::unique_ptr<Win32InstanceChannel> channel(new (std::nothrow) Win32InstanceChannel(receiver, context));
    if (!channel || !channel->Open(name)) return nullptr;
    return std::unique_ptr<InstanceChannel>(channel.release());
}

}  // namespace launcher
