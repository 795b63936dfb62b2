// Writing and reading the arguments of a hand-over.
#include "instance/HandOverArea.h"

#include <cstring>

namespace launcher {

std::string InstanceObjectName(const std::string& modulePath) {
    std::string name = modulePath;
    for (char& c : name)
        if (c == '\\') c = '_';
    return name;
}

bool HandOverFits(const std::vector<std::string>& arguments) {
    size_t needed = 1;
    for (const std::string& a : arguments) {
        needed += a.size() + 1;
        if (needed > kArgumentsSize) return false;
    }
    return true;
}

bool WriteHandOverArguments(const std::vector<std::string>& arguments, uint8_t* area) {
    if (!HandOverFits(arguments)) return false;
    std::memset(area, 0, kArgumentsSize);
    size_t position = 0;
    for (const std::string& a : arguments) {
        std::memcpy(area + position, a.data(), a.size());
        position += a.size() + 1;
    }
    return true;
}

std::vector<std::string> ReadHandOverArguments(const uint8_t* area) {
    std::vector<std::string> list;
    std::string current;
    // The byte after the last position walked is still inside the area.
    for (size_t i = 0; i < kArgumentsSize - 1; ++i) {
        if (area[i] != 0) {
            current += static_cast<char>(area[i]);
            continue;
        }
        list.push_back(current);
        if (area[i + 1] == 0) return list;
        current.clear();
    }
    return list;
}

}  // namespace launcher
