// The seam's implementation for the system the launcher runs on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace launcher {

// `arguments` are the program's arguments where the system hands them over
// already split (POSIX); Windows reads and splits its own command line.
std::unique_ptr<Os> CreateSystemOs(std::vector<std::string> arguments);

}  // namespace launcher
