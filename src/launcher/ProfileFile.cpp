// PLACEHOLDER until the profile reader lands: plain key lookup only.
#include "launcher/ProfileFile.h"

namespace launcher {

namespace {
std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}
}  // namespace

std::string ProfileValue(const std::string& contents, const std::string& section, const std::string& key) {
    bool in = false;
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t end = contents.find('\n', pos);
        if (end == std::string::npos) end = contents.size();
        std::string line = Trim(contents.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            in = close != std::string::npos && SameName(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        size_t eq = line.find('=');
        if (!in || eq == std::string::npos || line[0] == ';') continue;
        if (SameName(Trim(line.substr(0, eq)), key)) {
            std::string v = Trim(line.substr(eq + 1));
            if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
            return v;
        }
    }
    return std::string();
}

std::string ProfileWithValue(const std::string& contents, const std::string& section, const std::string& key,
                             const std::string& value) {
    return contents + "\n[" + section + "]\n" + key + "=" + value + "\n";
}

}  // namespace launcher
