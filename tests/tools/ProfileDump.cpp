// Native twin of ProfileProbe: answers the same profile requests with ProfileValue and ProfileWithValue.
#include <cstdio>
#include <string>
#include <vector>

#include "ProfileRequests.h"
#include "launcher/ProfileFile.h"

namespace {

bool WriteWholeFile(const std::string& path, const std::string& contents) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: profile_dump INI-FILE (get SECTION KEY | set SECTION KEY VALUE | @REQUESTS)...\n");
        return 2;
    }
    std::vector<profile_probe::Request> requests;
    if (!profile_probe::ParseArguments(argc, argv, 2, requests)) return 2;
    std::string file = argv[1];
    for (const profile_probe::Request& request : requests) {
        if (request.kind == profile_probe::Request::File) {
            file = request.file;
            continue;
        }
        // A missing file reads as empty, and a write creates it.
        std::string contents;
        profile_probe::ReadWholeFile(file, contents);
        if (request.kind == profile_probe::Request::Set) {
            const std::string updated =
                launcher::ProfileWithValue(contents, request.section, request.key, request.value);
            const bool written = updated == contents || WriteWholeFile(file, updated);
            std::printf("set %s\n", written ? "ok" : "failed");
        } else {
            const std::string value = launcher::ProfileValue(contents, request.section, request.key);
            std::printf("%s\n", profile_probe::ToHex(value).c_str());
        }
    }
    std::fflush(stdout);
    return 0;
}
