// The two threading facilities the portable code needs: a mutex and a
// detached thread. (The Windows compiler runtime used here has no
// std::thread or std::mutex, and pulling in a threads library would double
// the executable.)
#pragma once

namespace launcher {

class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void Lock();
    void Unlock();

private:
    // Large and aligned enough for a CRITICAL_SECTION or a pthread_mutex_t.
    alignas(16) unsigned char storage_[64];
};

class Lock {
public:
    explicit Lock(Mutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~Lock() { mutex_.Unlock(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    Mutex& mutex_;
};

// Runs `body(argument)` on a new thread that nobody joins. False when no
// thread could be started.
bool StartDetachedThread(void (*body)(void*), void* argument);

// Sleeps the calling thread.
void SleepMilliseconds(unsigned milliseconds);

}  // namespace launcher
