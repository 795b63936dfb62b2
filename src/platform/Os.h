// The one seam between the launcher's logic and the operating system.
//
// Everything the launch sequence asks of the system goes through this
// interface: the Win32 implementation (platform/windows), the POSIX one
// (platform/posix) and the tests' in-memory fake implement it. Nothing outside
// those implementations includes <windows.h> or <dlfcn.h>.
//
// Strings are byte strings in the system's native encoding: the ANSI code page
// on Windows, the locale's encoding on POSIX.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace launcher {

// An opaque native window handle (HWND on Windows); null when there is none.
using WindowHandle = void*;

// An opaque loaded-library handle; null when loading failed.
using LibraryHandle = void*;

// Which JVM variant the settings ask for ("JVM Type").
enum class JvmType { Default = 0, Server = 1, FavorServer = 2 };

// Called on the single-instance listener thread with the arguments of each
// later start.
using HandOverReceiver = void (*)(void* context, const std::vector<std::string>& arguments);

// The named objects that tie the starts of one executable together.
class InstanceChannel {
public:
    // The first instance's listener ends here; the objects are released.
    virtual ~InstanceChannel() = default;
    // This process created the objects and serves hand-overs.
    virtual bool IsFirst() const = 0;
    // A later start: hands `arguments` to the first instance. True once the
    // first instance has taken them; false when they do not fit or could not
    // be delivered within a few seconds.
    virtual bool HandOver(const std::vector<std::string>& arguments) = 0;
};

class Os {
public:
    virtual ~Os() = default;

    // The command-line arguments, the program's own name removed. Windows
    // splits its whole command line with SplitCommandLine; POSIX has argv.
    virtual std::vector<std::string> CommandLineArguments() = 0;
    // Whether those arguments are UTF-8 (Windows, which takes its command
    // line as UTF-16) rather than in the system's native encoding.
    virtual bool ArgumentsAreUtf8() = 0;

    // The full path of the running executable. On failure returns false and
    // sets `error` to the system's error code.
    virtual bool ModuleFilePath(std::string& path, uint32_t& error) = 0;

    // Profile (INI) files, with the semantics of the Windows profile
    // functions: a missing file, section or key reads as empty.
    virtual std::string ReadProfileValue(const std::string& file, const std::string& section,
                                          const std::string& key) = 0;
    virtual bool WriteProfileValue(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& value) = 0;

    // The registry below HKEY_LOCAL_MACHINE, read only. `keyPath` uses
    // backslashes and may end in one. Both return false when the key or value
    // cannot be read; a POSIX system has no registry and always returns false.
    virtual bool RegistrySubKeys(const std::string& keyPath, std::vector<std::string>& names) = 0;
    // The raw data of a value, whatever its type; the caller takes the text up
    // to the first NUL.
    virtual bool RegistryValue(const std::string& keyPath, const std::string& valueName,
                               std::string& data) = 0;

    // Files and folders.
    virtual bool PathExists(const std::string& path) = 0;
    virtual bool ListDirectory(const std::string& folder, std::vector<std::string>& names) = 0;
    // Reads at most `limit` bytes of a file; false when it cannot be opened.
    virtual bool ReadFilePrefix(const std::string& path, size_t limit, std::string& contents) = 0;

    // Appends `text` to a file, creating it when missing.
    virtual bool AppendToFile(const std::string& path, const std::string& text) = 0;

    // The process environment.
    virtual bool GetEnv(const std::string& name, std::string& value) = 0;
    virtual bool SetEnv(const std::string& name, const std::string& value) = 0;
    // Replaces each %NAME% by the variable's value; undefined names stay as
    // written. On failure the text comes back unchanged.
    virtual std::string ExpandEnvironment(const std::string& text) = 0;

    // Total physical memory in bytes.
    virtual uint64_t PhysicalMemory() = 0;

    // Loads a library. `dependencyFolder`, when not empty, is searched for
    // the libraries it depends on while it loads. On failure returns null and
    // sets `error` to the system's error code.
    virtual LibraryHandle OpenLibrary(const std::string& path, const std::string& dependencyFolder,
                                      uint32_t& error) = 0;
    // Null when the library has no such export.
    virtual void* FindSymbol(LibraryHandle library, const char* name, uint32_t& error) = 0;

    // Shows an error to the user: an error message box owned by `owner` on
    // Windows, a line on standard error elsewhere.
    virtual void ShowError(WindowHandle owner, const std::string& text) = 0;

    // Whether `c` starts a two-byte character in the system's encoding (a
    // double-byte ANSI code page); text scans step over such pairs so that a
    // trailing byte is never taken for a '\\' or '.'.
    virtual bool IsLeadByte(unsigned char c) = 0;

    // The text of a string-table entry of the executable.
    virtual std::string LoadText(int id) = 0;

    // Opens the single-instance objects named `name`. A first instance
    // starts listening at once and passes every hand-over to `receiver`.
    // Null when the objects cannot be set up: the process runs on its own.
    virtual std::unique_ptr<InstanceChannel> OpenInstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                                 void* context) = 0;

    // The splash window: shows the bitmap at `imagePath` centred on the
    // screen, on a thread of its own, until StopSplash. `windowHandle` is
    // set once the window exists. False when no splash thread was started.
    // Nothing that goes wrong with the picture stops the launch.
    virtual bool StartSplash(const std::string& imagePath, bool shadow, std::atomic<WindowHandle>& windowHandle) = 0;
    // Ends the splash thread, when one was started, and waits for it.
    virtual void StopSplash() = 0;

    // The JRE Not Found dialog, modal. Returns 1 after OK, with the folder
    // chosen (ending in a separator) and the JVM library found in it; any
    // other value means the user gave up or no dialog could be shown.
    virtual int ShowJreNotFound(const std::string& message, JvmType type, std::string& folder,
                                std::string& jvmPath) = 0;
};

}  // namespace launcher
