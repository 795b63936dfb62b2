// The layout of the hand-over area that later starts fill with their
// arguments for the first instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace launcher {

// The whole named area: the listener's thread id, the message number, then
// the arguments.
constexpr size_t kHandOverAreaSize = 1048;
constexpr size_t kThreadIdOffset = 0;
constexpr size_t kMessageOffset = 4;
constexpr size_t kArgumentsOffset = 8;
constexpr size_t kArgumentsSize = kHandOverAreaSize - kArgumentsOffset;

// The name of the area and of the message: the executable's path with every
// backslash replaced by an underscore.
std::string InstanceObjectName(const std::string& modulePath);

// Whether the arguments, each with its zero byte, and the closing zero byte
// fit the argument area.
bool HandOverFits(const std::vector<std::string>& arguments);

// Fills the argument area (kArgumentsSize bytes): each argument followed by a
// zero byte, then one more zero byte; the rest zero. False, and the area
// untouched, when they do not fit.
bool WriteHandOverArguments(const std::vector<std::string>& arguments, uint8_t* area);

// The arguments in an argument area: texts up to each zero byte, until two
// zero bytes in a row; an unfinished text at the end is dropped. Any bytes
// give a defined result.
std::vector<std::string> ReadHandOverArguments(const uint8_t* area);

}  // namespace launcher
