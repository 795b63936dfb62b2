// UTF-8 and UTF-16, for arguments that must reach Java whatever the ANSI code
// page can hold.
#pragma once

#include <string>

namespace launcher {

// An unpaired surrogate is kept, written as its own three bytes, so that
// converting back gives the very same text.
std::string Utf16ToUtf8(const std::u16string& text);
// Bytes that are no UTF-8 become U+FFFD each.
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace launcher
