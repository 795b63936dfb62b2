// The POSIX single-instance transport. Only POSIX-specific code here.
//
// The first start of an executable holds an advisory lock on "<key>.lock"
// and listens on the Unix-domain socket "<key>.sock", both in a folder that
// only the user can enter ($XDG_RUNTIME_DIR, or a private folder in /tmp), so
// that no other account can hand arguments in; the key is a hash of the
// executable's path. A later start connects, sends its argument area (the
// same layout as on Windows) and waits for one byte saying it was taken.
// Each later start has its own connection, so a burst of them cannot mix.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <new>

#include "instance/HandOverArea.h"
#include "instance/InstanceTransport.h"

namespace launcher {

namespace {

constexpr int kHandOverBoundMs = 5000;

long long NowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// A folder of the user's own that nobody else can enter, or empty.
std::string PrivateFolder() {
    const uid_t user = getuid();
    std::string folder;
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime && *runtime && lstat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == user &&
        (info.st_mode & 077) == 0) {
        folder = runtime;
    } else {
        folder = "/tmp/javalauncher-" + std::to_string(user);
        mkdir(folder.c_str(), 0700);
        if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != user ||
            (info.st_mode & 077) != 0)
            return std::string();
    }
    return folder + "/";
}

std::string KeyOf(const std::string& name) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    static const char digits[] = "0123456789abcdef";
    std::string key = "launcher-";
    for (int shift = 60; shift >= 0; shift -= 4) key += digits[(hash >> shift) & 15];
    return key;
}

bool FillAddress(const std::string& path, struct sockaddr_un& address) {
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

// Reads exactly `size` bytes before the deadline.
bool ReadFully(int fd, uint8_t* buffer, size_t size, long long deadline) {
    size_t done = 0;
    while (done < size) {
        const long long left = deadline - NowMs();
        if (left <= 0) return false;
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        const ssize_t n = read(fd, buffer + done, size - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteFully(int fd, const uint8_t* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = send(fd, buffer + done, size - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class PosixInstanceChannel : public InstanceChannel {
public:
    PosixInstanceChannel(HandOverReceiver receiver, void* context) : receiver_(receiver), context_(context) {}

    ~PosixInstanceChannel() override {
        if (listening_) {
            const char stop = 1;
            if (write(wake_[1], &stop, 1) < 0) {
            }
            pthread_join(listener_, nullptr);
        }
        if (listenFd_ >= 0) {
            close(listenFd_);
            unlink(socketPath_.c_str());
        }
        for (int fd : {wake_[0], wake_[1], connection_, lockFd_})
            if (fd >= 0) close(fd);
    }

    bool Open(const std::string& name) {
        const std::string folder = PrivateFolder();
        if (folder.empty()) return false;
        const std::string key = KeyOf(name);
        socketPath_ = folder + key + ".sock";
        lockFd_ = open((folder + key + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lockFd_ < 0) return false;
        // Either this start takes the lock and serves, or it reaches the one
        // that does. A first instance that is still starting, or ending,
        // holds the lock without listening: try again until the bound.
        const long long deadline = NowMs() + kHandOverBoundMs;
        do {
            if (flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
                first_ = true;
                return Listen();
            }
            connection_ = Connect();
            if (connection_ >= 0) return true;
            struct timespec pause = {0, 20 * 1000000L};
            nanosleep(&pause, nullptr);
        } while (NowMs() < deadline);
        return true;  // a later start that cannot reach the first: HandOver fails
    }

    bool IsFirst() const override { return first_; }

    bool HandOver(const std::vector<std::string>& arguments) override {
        if (connection_ < 0 || !HandOverFits(arguments)) return false;
        uint8_t area[kArgumentsSize];
        WriteHandOverArguments(arguments, area);
        uint8_t taken = 0;
        return WriteFully(connection_, area, sizeof area) &&
               ReadFully(connection_, &taken, 1, NowMs() + kHandOverBoundMs) && taken == 1;
    }

private:
    int Connect() {
        struct sockaddr_un address;
        if (!FillAddress(socketPath_, address)) return -1;
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }

    bool Listen() {
        struct sockaddr_un address;
        if (!FillAddress(socketPath_, address)) return false;
        unlink(socketPath_.c_str());  // left by a first instance that did not end cleanly
        listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listenFd_ < 0) return false;
        if (bind(listenFd_, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0 ||
            listen(listenFd_, 64) != 0 || pipe(wake_) != 0)
            return false;
        fcntl(wake_[0], F_SETFD, FD_CLOEXEC);
        fcntl(wake_[1], F_SETFD, FD_CLOEXEC);
        listening_ = pthread_create(&listener_, nullptr, &PosixInstanceChannel::ListenThread, this) == 0;
        return listening_;
    }

    static void* ListenThread(void* parameter) {
        PosixInstanceChannel& self = *static_cast<PosixInstanceChannel*>(parameter);
        for (;;) {
            struct pollfd p[2] = {{self.listenFd_, POLLIN, 0}, {self.wake_[0], POLLIN, 0}};
            if (poll(p, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (p[1].revents) break;
            if (p[0].revents & POLLIN) {
                const int connection = accept(self.listenFd_, nullptr, nullptr);
                if (connection >= 0) {
                    self.Serve(connection);
                    close(connection);
                }
            }
        }
        return nullptr;
    }

    void Serve(int connection) {
        struct ucred peer;
        socklen_t length = sizeof peer;
        if (getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != getuid()) return;
        uint8_t area[kArgumentsSize];
        if (!ReadFully(connection, area, sizeof area, NowMs() + kHandOverBoundMs)) return;
        const std::vector<std::string> arguments = ReadHandOverArguments(area);
        const uint8_t taken = 1;
        WriteFully(connection, &taken, 1);
        receiver_(context_, arguments);
    }

    HandOverReceiver receiver_;
    void* context_;
    std::string socketPath_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int connection_ = -1;
    int wake_[2] = {-1, -1};
    pthread_t listener_;
    bool listening_ = false;
    bool first_ = false;
};

}  // namespace

std::unique_ptr<InstanceChannel> OpenPosixInstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                          void* context) {
    std::unique_ptr<PosixInstanceChannel> channel(new (std::nothrow) PosixInstanceChannel(receiver, context));
    if (!channel || !channel->Open(name)) return nullptr;
    return std::unique_ptr<InstanceChannel>(channel.release());
}

}  // namespace launcher
