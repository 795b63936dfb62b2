// badinput.exe: a console program of the bad-input tests that plays a hostile or careless program writing what the launcher reads.
//
//   badinput area NAME arguments HEX
//       Opens the file mapping NAME (the launcher's path with '\' replaced by '_'), writes the
//       bytes HEX (two hex digits a byte, at most 1040 bytes) at offset 8, where the arguments of
//       a hand-over lie, and posts the message number stored at offset 4 to the thread whose id
//       is stored at offset 0, as a later start would.
//   badinput area NAME whole HEX
//       Writes HEX (at most 1048 bytes) from offset 0, the listener's thread id and message
//       number included, and posts nothing.
//       Both print {"event":"written","thread":<id read>,"message":<number read>,
//       "posted":true|false,"error":<GetLastError after the post, 0 when it worked>}.
//   badinput regvalue KEY NAME TYPE HEX
//       Creates HKEY_LOCAL_MACHINE\KEY and stores the value NAME of registry type TYPE (a
//       number: 1 REG_SZ, 3 REG_BINARY, 4 REG_DWORD...) with exactly the bytes HEX, as
//       RegSetValueExW keeps them: a string without its terminating NUL stays without one.
//       Prints {"event":"stored","size":<bytes>}.
// A failure prints {"event":"error","text":..,"code":<GetLastError>} and exits with 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const size_t kAreaSize = 1048;
const size_t kArgumentsOffset = 8;

int Fail(const char* text, DWORD code) {
    std::printf("{\"event\":\"error\",\"text\":\"%s\",\"code\":%lu}\n", text, code);
    return 1;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const char* text, std::string& bytes) {
    const size_t length = std::strlen(text);
    if (length % 2) return false;
    for (size_t i = 0; i < length; i += 2) {
        const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high << 4 | low);
    }
    return true;
}

int WriteArea(const char* name, const char* mode, const std::string& bytes) {
    const bool whole = std::strcmp(mode, "whole") == 0;
    if (!whole && std::strcmp(mode, "arguments") != 0) return Fail("the mode is arguments or whole", 0);
    const size_t offset = whole ? 0 : kArgumentsOffset;
    if (bytes.size() > kAreaSize - offset) return Fail("too many bytes for the area", 0);

    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE | FILE_MAP_READ, FALSE, name);
    if (!mapping) return Fail("OpenFileMappingA", GetLastError());
    unsigned char* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kAreaSize));
    if (!view) return Fail("MapViewOfFile", GetLastError());
    DWORD thread = 0, message = 0;
    std::memcpy(&thread, view, 4);
    std::memcpy(&message, view + 4, 4);
    std::memcpy(view + offset, bytes.data(), bytes.size());
    bool posted = false;
    DWORD error = 0;
    if (!whole) {
        posted = PostThreadMessageA(thread, message, 0, 0) != 0;
        error = posted ? 0 : GetLastError();
    }
    std::printf("{\"event\":\"written\",\"thread\":%lu,\"message\":%lu,\"posted\":%s,\"error\":%lu}\n", thread, message,
                posted ? "true" : "false", error);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return 0;
}

int StoreValue(const char* keyPath, const char* name, const char* type, const std::string& bytes) {
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return Fail("RegCreateKeyExA", static_cast<DWORD>(status));
    std::wstring wideName;
    for (const char* c = name; *c; ++c) wideName += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    // The system adds the NUL a string's size forgot when one follows the data
    // in memory; what follows here is not one.
    std::string data = bytes + std::string(4, '\xFF');
    status = RegSetValueExW(key, wideName.c_str(), 0, std::strtoul(type, nullptr, 10),
                            reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return Fail("RegSetValueExW", static_cast<DWORD>(status));
    std::printf("{\"event\":\"stored\",\"size\":%u}\n", static_cast<unsigned>(bytes.size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string bytes;
    if (argc == 5 && std::strcmp(argv[1], "area") == 0) {
        if (!FromHex(argv[4], bytes)) return Fail("HEX is not an even number of hex digits", 0);
        return WriteArea(argv[2], argv[3], bytes);
    }
    if (argc == 6 && std::strcmp(argv[1], "regvalue") == 0) {
        if (!FromHex(argv[5], bytes)) return Fail("HEX is not an even number of hex digits", 0);
        return StoreValue(argv[2], argv[3], argv[4], bytes);
    }
    return Fail("usage: badinput area NAME arguments|whole HEX | regvalue KEY NAME TYPE HEX", 0);
}
