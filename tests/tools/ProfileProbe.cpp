// Windows probe: answers profile requests with GetPrivateProfileStringA and WritePrivateProfileStringA.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ProfileRequests.h"

namespace {

// The whole value: the buffer grows until the result no longer fills it.
std::string ReadValue(const std::string& file, const std::string& section, const std::string& key) {
    DWORD size = 1 << 16;
    for (;;) {
        std::vector<char> buffer(size);
        const DWORD length =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), size, file.c_str());
        if (length + 1 < size || size >= (1u << 30)) return std::string(buffer.data(), length);
        size *= 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ProfileProbe INI-FILE (get SECTION KEY | set SECTION KEY VALUE | @REQUESTS)...\n");
        return 2;
    }
    std::vector<profile_probe::Request> requests;
    if (!profile_probe::ParseArguments(argc, argv, 2, requests)) return 2;
    std::string file = argv[1];
    for (const profile_probe::Request& request : requests) {
        if (request.kind == profile_probe::Request::File) {
            file = request.file;
        } else if (request.kind == profile_probe::Request::Set) {
            const BOOL written = WritePrivateProfileStringA(request.section.c_str(), request.key.c_str(),
                                                            request.value.c_str(), file.c_str());
            std::printf("set %s\n", written ? "ok" : "failed");
        } else {
            std::printf("%s\n", profile_probe::ToHex(ReadValue(file, request.section, request.key)).c_str());
        }
    }
    std::fflush(stdout);
    return 0;
}
