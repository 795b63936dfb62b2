// Fuzz target: a runtime's release file (ReleaseVersion) and the version its text parses to.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "discovery/InstalledRuntimes.h"
#include "discovery/JreVersion.h"

using fuzz::Quoted;
using launcher::ReleaseVersion;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string contents(reinterpret_cast<const char*>(data), size);
    std::string version = "untouched";
    const bool found = ReleaseVersion(contents, version);

    // The first line that starts with the key decides; its value loses one
    // pair of enclosing double quotes and a CR at the line's end.
    const std::string key = "JAVA_VERSION=";
    bool expectedFound = false;
    std::string expected;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) end = contents.size();
        if (contents.compare(start, key.size(), key) == 0 && start + key.size() <= end) {
            expected = contents.substr(start + key.size(), end - start - key.size());
            if (!expected.empty() && expected.back() == '\r') expected.pop_back();
            if (expected.size() >= 2 && expected.front() == '"' && expected.back() == '"')
                expected = expected.substr(1, expected.size() - 2);
            expectedFound = !expected.empty();
            break;
        }
        start = end + 1;
    }
    FUZZ_CHECK(found == expectedFound, Quoted(contents) + " gave " + Quoted(version));
    FUZZ_CHECK(found ? version == expected : version == "untouched", Quoted(contents) + " gave " + Quoted(version));
    if (found) {
        FUZZ_CHECK(version.find('\n') == std::string::npos, Quoted(version));
        const launcher::JreVersion parsed = launcher::Parse(version, 0);
        FUZZ_CHECK(parsed.count >= 0 && parsed.count <= 5, Quoted(version));
    }
    return 0;
}
