// An in-memory operating system for the unit tests: a few maps behind the
// seam, and a record of what the launcher showed and loaded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace launcher {

class FakeOs : public Os {
public:
    // Text shown, with the owner window it was shown over.
    struct Shown {
        WindowHandle owner;
        std::string text;
    };

    // --- configuration ---
    std::vector<std::string> arguments;
    bool argumentsUtf8 = false;
    std::string modulePath = "C:\\Apps\\Tool\\tool.exe";
    bool modulePathFails = false;
    uint32_t modulePathError = 0;
    // file -> contents, in the profile format (read through ProfileValue).
    std::map<std::string, std::string> files;
    // Paths that exist (files or folders), besides the keys of `files`.
    std::set<std::string> paths;
    // Registry: key path (no trailing backslash) -> sub-key names; and
    // key path + "|" + value name -> raw data.
    std::map<std::string, std::vector<std::string>> registryKeys;
    std::map<std::string, std::string> registryValues;
    std::map<std::string, std::string> environment;
    uint64_t physicalMemory = 512ull * 1024 * 1024;
    // Loadable libraries: path -> exported symbols.
    std::map<std::string, std::map<std::string, void*>> libraries;
    uint32_t loadError = 126;
    int dialogResult = 2;
    std::string dialogFolder, dialogJvmPath;
    // The window handle a started splash reports (null: none appears).
    WindowHandle splashWindow = nullptr;
    bool splashStarts = true;
    // The single-instance objects: none can be opened, or this process is
    // the first or a later start.
    enum class Instance { Unavailable, First, Later };
    Instance instance = Instance::First;
    bool handOverSucceeds = true;
    // Lead bytes of a double-byte code page (none by default).
    std::set<unsigned char> leadBytes;

    // --- record ---
    std::vector<Shown> shown;
    std::vector<std::string> loaded;               // library paths, in order
    std::vector<std::string> dependencyFolders;    // as passed with each load
    std::vector<std::string> dialogMessages;       // not-found texts shown
    std::vector<std::string> profileReads;         // "section|key", in order
    std::vector<std::string> calls;                // every seam call, by name
    std::vector<std::string> splashes;             // "path|shadow" of each StartSplash
    bool splashRunning = false;
    std::vector<std::string> instanceNames;        // names the channel was opened with
    std::vector<std::vector<std::string>> handedOver;  // a later start's arguments
    bool listening = false;                        // a first instance's channel is open

    // Passes arguments to the listener of an open first-instance channel, as
    // a later start would; false when no listener is there.
    bool DeliverHandOver(const std::vector<std::string>& arguments);

    // Convenience for tests: a Java home with the given relative files.
    void AddFiles(const std::string& home, const std::vector<std::string>& relative);

    std::vector<std::string> CommandLineArguments() override;
    bool ArgumentsAreUtf8() override { return argumentsUtf8; }
    bool ModuleFilePath(std::string& path, uint32_t& error) override;
    std::string ReadProfileValue(const std::string& file, const std::string& section,
                                  const std::string& key) override;
    bool WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                            const std::string& value) override;
    bool RegistrySubKeys(const std::string& keyPath, std::vector<std::string>& names) override;
    bool RegistryValue(const std::string& keyPath, const std::string& valueName, std::string& data) override;
    bool PathExists(const std::string& path) override;
    bool ListDirectory(const std::string& folder, std::vector<std::string>& names) override;
    bool ReadFilePrefix(const std::string& path, size_t limit, std::string& contents) override;
    bool AppendToFile(const std::string& path, const std::string& text) override;
    bool GetEnv(const std::string& name, std::string& value) override;
    bool SetEnv(const std::string& name, const std::string& value) override;
    std::string ExpandEnvironment(const std::string& text) override;
    uint64_t PhysicalMemory() override;
    LibraryHandle OpenLibrary(const std::string& path, const std::string& dependencyFolder,
                              uint32_t& error) override;
    void* FindSymbol(LibraryHandle library, const char* name, uint32_t& error) override;
    void ShowError(WindowHandle owner, const std::string& text) override;
    bool IsLeadByte(unsigned char c) override;
    std::string LoadText(int id) override;
    std::unique_ptr<InstanceChannel> OpenInstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                         void* context) override;
    bool StartSplash(const std::string& imagePath, bool shadow, std::atomic<WindowHandle>& windowHandle) override;
    void StopSplash() override;
    int ShowJreNotFound(const std::string& message, JvmType type, std::string& folder,
                        std::string& jvmPath) override;

    HandOverReceiver receiver_ = nullptr;
    void* receiverContext_ = nullptr;
};

}  // namespace launcher
