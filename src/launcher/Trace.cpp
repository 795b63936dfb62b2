// The decision trace.
#include "launcher/Trace.h"

namespace launcher {

void Trace::Start(Os& os) {
    std::string path;
    if (!os.GetEnv(kTraceVariable, path) || path.empty()) return;
    path_ = path;
    os_ = &os;
}

void Trace::Line(const std::string& text) const {
    if (os_) os_->AppendToFile(path_, text + "\n");
}

}  // namespace launcher
