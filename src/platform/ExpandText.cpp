// Environment references in text, without the operating system.
#include "platform/ExpandText.h"

namespace launcher {

std::string ExpandReferences(const std::string& text,
                             const std::function<bool(const std::string& name, std::string& value)>& lookup) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        if (open == std::string::npos) break;
        const size_t close = text.find('%', open + 1);
        if (close == std::string::npos) break;
        out.append(text, i, open - i);
        std::string value;
        const std::string name = text.substr(open + 1, close - open - 1);
        if (!name.empty() && lookup(name, value)) {
            out += value;
            i = close + 1;
        } else {
            out.append(text, open, close - open);
            i = close;
        }
    }
    out.append(text, i, std::string::npos);
    return out;
}

}  // namespace launcher
