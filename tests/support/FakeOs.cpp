// The tests' in-memory operating system.
#include "support/FakeOs.h"

#include "launcher/Messages.h"
#include "launcher/ProfileFile.h"
#include "platform/ExpandText.h"

namespace launcher {

namespace {

std::string WithoutTrailingBackslash(std::string key) {
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

void FakeOs::AddFiles(const std::string& home, const std::vector<std::string>& relative) {
    for (const std::string& r : relative) paths.insert(home + r);
}

std::vector<std::string> FakeOs::CommandLineArguments() {
    calls.push_back("CommandLineArguments");
    return arguments;
}

bool FakeOs::ModuleFilePath(std::string& path, uint32_t& error) {
    calls.push_back("ModuleFilePath");
    if (modulePathFails) {
        error = modulePathError;
        return false;
    }
    path = modulePath;
    return true;
}

std::string FakeOs::ReadProfileValue(const std::string& file, const std::string& section, const std::string& key) {
    calls.push_back("ReadProfileValue");
    profileReads.push_back(section + "|" + key);
    auto it = files.find(file);
    return it == files.end() ? std::string() : ProfileValue(it->second, section, key);
}

bool FakeOs::WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                                const std::string& value) {
    calls.push_back("WriteProfileValue");
    files[file] = ProfileWithValue(files[file], section, key, value);
    return true;
}

bool FakeOs::RegistrySubKeys(const std::string& keyPath, std::vector<std::string>& names) {
    calls.push_back("RegistrySubKeys " + WithoutTrailingBackslash(keyPath));
    auto it = registryKeys.find(WithoutTrailingBackslash(keyPath));
    if (it == registryKeys.end()) return false;
    names = it->second;
    return true;
}

bool FakeOs::RegistryValue(const std::string& keyPath, const std::string& valueName, std::string& data) {
    auto it = registryValues.find(WithoutTrailingBackslash(keyPath) + "|" + valueName);
    if (it == registryValues.end()) return false;
    data = it->second;
    return true;
}

bool FakeOs::PathExists(const std::string& path) { return paths.count(path) != 0 || files.count(path) != 0; }

bool FakeOs::ListDirectory(const std::string& folder, std::vector<std::string>& names) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += '/';
    std::set<std::string> found;
    bool any = false;
    auto consider = [&](const std::string& p) {
        if (p.compare(0, prefix.size(), prefix) != 0) return;
        any = true;
        std::string rest = p.substr(prefix.size());
        const size_t slash = rest.find_first_of("/\\");
        if (slash != std::string::npos) rest = rest.substr(0, slash);
        if (!rest.empty()) found.insert(rest);
    };
    for (const std::string& p : paths) consider(p);
    for (const auto& f : files) consider(f.first);
    if (!any) return false;
    names.assign(found.begin(), found.end());
    return true;
}

bool FakeOs::ReadFilePrefix(const std::string& path, size_t limit, std::string& contents) {
    auto it = files.find(path);
    if (it == files.end()) return false;
    contents = it->second.substr(0, limit);
    return true;
}

bool FakeOs::AppendToFile(const std::string& path, const std::string& text) {
    files[path] += text;
    return true;
}

bool FakeOs::GetEnv(const std::string& name, std::string& value) {
    for (const auto& e : environment)
        if (Lower(e.first) == Lower(name)) {
            value = e.second;
            return true;
        }
    return false;
}

bool FakeOs::SetEnv(const std::string& name, const std::string& value) {
    calls.push_back("SetEnv " + name);
    for (auto& e : environment)
        if (Lower(e.first) == Lower(name)) {
            e.second = value;
            return true;
        }
    environment[name] = value;
    return true;
}

std::string FakeOs::ExpandEnvironment(const std::string& text) {
    return ExpandReferences(text, [this](const std::string& name, std::string& value) { return GetEnv(name, value); });
}

uint64_t FakeOs::PhysicalMemory() { return physicalMemory; }

LibraryHandle FakeOs::OpenLibrary(const std::string& path, const std::string& dependencyFolder, uint32_t& error) {
    calls.push_back("OpenLibrary");
    loaded.push_back(path);
    dependencyFolders.push_back(dependencyFolder);
    auto it = libraries.find(path);
    if (it == libraries.end()) {
        error = loadError;
        return nullptr;
    }
    return &it->second;
}

void* FakeOs::FindSymbol(LibraryHandle library, const char* name, uint32_t& error) {
    auto* symbols = static_cast<std::map<std::string, void*>*>(library);
    auto it = symbols->find(name);
    if (it == symbols->end()) {
        error = 127;
        return nullptr;
    }
    return it->second;
}

void FakeOs::ShowError(WindowHandle owner, const std::string& text) {
    calls.push_back("ShowError");
    shown.push_back({owner, text});
}

bool FakeOs::IsLeadByte(unsigned char c) { return leadBytes.count(c) != 0; }

std::string FakeOs::LoadText(int id) { return BuiltInText(id); }

namespace {

class FakeChannel : public InstanceChannel {
public:
    FakeChannel(FakeOs& os, bool first) : os_(os), first_(first) { os_.listening = first; }
    ~FakeChannel() override { os_.listening = false; }
    bool IsFirst() const override { return first_; }
    bool HandOver(const std::vector<std::string>& arguments) override {
        os_.handedOver.push_back(arguments);
        return os_.handOverSucceeds;
    }

private:
    FakeOs& os_;
    bool first_;
};

}  // namespace

std::unique_ptr<InstanceChannel> FakeOs::OpenInstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                             void* context) {
    calls.push_back("OpenInstanceChannel");
    instanceNames.push_back(name);
    if (instance == Instance::Unavailable) return nullptr;
    receiver_ = receiver;
    receiverContext_ = context;
    return std::unique_ptr<InstanceChannel>(new FakeChannel(*this, instance == Instance::First));
}

bool FakeOs::DeliverHandOver(const std::vector<std::string>& arguments) {
    if (!listening || !receiver_) return false;
    receiver_(receiverContext_, arguments);
    return true;
}

bool FakeOs::StartSplash(const std::string& imagePath, bool shadow, std::atomic<WindowHandle>& windowHandle) {
    calls.push_back("StartSplash");
    splashes.push_back(imagePath + "|" + (shadow ? "shadow" : "plain"));
    if (!splashStarts) return false;
    splashRunning = true;
    windowHandle.store(splashWindow);
    return true;
}

void FakeOs::StopSplash() {
    calls.push_back("StopSplash");
    splashRunning = false;
}

int FakeOs::ShowJreNotFound(const std::string& message, JvmType, std::string& folder, std::string& jvmPath) {
    calls.push_back("ShowJreNotFound");
    dialogMessages.push_back(message);
    if (dialogResult == 1) {
        folder = dialogFolder;
        jvmPath = dialogJvmPath;
    }
    return dialogResult;
}

}  // namespace launcher
