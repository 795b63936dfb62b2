// Keeping an application to one instance: later starts hand their arguments
// over, and the first instance's application receives them in secondaryMain.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

#include "platform/Threads.h"

namespace launcher {

struct Launcher;

// Reads "Application Type" and "Single Instance" and, when asked for, opens
// the instance objects: a first instance starts listening, a later one hands
// its arguments over. False only when the settings file path cannot be had
// or a later start's hand-over failed.
bool SetupSingleInstance(Launcher& launcher);

// Passes hand-overs to secondaryMain, each on a thread of its own attached to
// the VM. Hand-overs that arrive before the VM exists are held until it does;
// those that arrive after it is gone are dropped: nothing calls into a VM
// that does not exist.
class HandOverDispatcher {
public:
    HandOverDispatcher() = default;
    HandOverDispatcher(const HandOverDispatcher&) = delete;
    HandOverDispatcher& operator=(const HandOverDispatcher&) = delete;

    // From the listener thread.
    static void Receive(void* dispatcher, const std::vector<std::string>& arguments);
    // The VM is up and the main class known: held hand-overs are served now.
    void Open(JavaVM* vm, const std::string& mainClass, bool utf8, jstring encoding);
    // The VM is gone (or never came): from now on hand-overs are dropped.
    // Waits a little for serving threads that are still on their way out.
    void Close();

    // Hand-overs received so far, served or not (for the tests).
    int Received();

private:
    enum class State { Waiting, Serving, Closed };
    struct Job {
        HandOverDispatcher* dispatcher;
        std::vector<std::string> arguments;
    };

    void Accept(const std::vector<std::string>& arguments);
    // With the mutex held.
    void StartServing(const std::vector<std::string>& arguments);
    static void Serve(void* job);

    Mutex mutex_;
    State state_ = State::Waiting;
    std::vector<std::vector<std::string>> held_;
    int active_ = 0;
    int received_ = 0;
    JavaVM* vm_ = nullptr;
    std::string mainClass_;
    bool utf8_ = false;
    jstring encoding_ = nullptr;
};

}  // namespace launcher
