// The texts of the string table and the error messages built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace launcher {

// The compiled-in copy of the string table (the same texts as the
// executable's resources); empty for an unknown id.
std::string BuiltInText(int id);

// Formats in the manner of wsprintf for the two conversions the texts use:
// %s takes the next text argument, %d the number; %% is one percent sign.
std::string FormatText(const std::string& format, const std::string& s1, const std::string& s2 = std::string(),
                       int32_t d = 0);

// Each %s in turn takes the next of `texts`.
std::string FormatTexts(const std::string& format, const std::vector<std::string>& texts);

void ShowError(Os& os, WindowHandle owner, int id);
// A format with one text: 203, 211, 215.
void ShowFormattedError(Os& os, WindowHandle owner, int id, const std::string& s);
// A format with one text and a number: 202, 204, 222.
void ShowFormattedError(Os& os, WindowHandle owner, int id, const std::string& s, int32_t d);

}  // namespace launcher
