// A trace of every decision of a launch, written to the file that the
// environment variable KX_LAUNCHER_TRACE names. Off unless that variable is
// set; when off, nothing is formatted or written.
#pragma once

#include <string>

#include "platform/Os.h"

namespace launcher {

constexpr const char* kTraceVariable = "KX_LAUNCHER_TRACE";

class Trace {
public:
    // Reads the variable once.
    void Start(Os& os);
    bool On() const { return os_ != nullptr; }
    // Appends one line; callers check On() first when the text is costly.
    void Line(const std::string& text) const;

private:
    Os* os_ = nullptr;
    std::string path_;
};

}  // namespace launcher
