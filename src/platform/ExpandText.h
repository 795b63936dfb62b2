// %NAME% references in a text, expanded the way ExpandEnvironmentStrings
// does, for the seam implementations that have no such system call.
#pragma once

#include <functional>
#include <string>

namespace launcher {

// Each %NAME% whose variable `lookup` finds is replaced by its value; an
// undefined one stays as written, and its closing '%' may open the next
// reference.
std::string ExpandReferences(const std::string& text,
                             const std::function<bool(const std::string& name, std::string& value)>& lookup);

}  // namespace launcher
