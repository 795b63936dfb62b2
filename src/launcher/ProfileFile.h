// Profile (INI) files read and written with the semantics of the Windows
// profile functions, for the systems that do not have them.
#pragma once

#include <string>

namespace launcher {

// The value of `key` in `section` of the profile text `contents`, as
// GetPrivateProfileStringA with an empty default would return it: names match
// without regard to ASCII case, white space around names and values is
// dropped, one pair of enclosing quotes is dropped, comment lines are
// skipped; absent reads as empty.
std::string ProfileValue(const std::string& contents, const std::string& section, const std::string& key);

// `contents` with `key` in `section` set to `value`, as
// WritePrivateProfileStringA would leave the file: an existing key is
// replaced in place, a missing key is added at the end of its section, a
// missing section is added at the end of the text.
std::string ProfileWithValue(const std::string& contents, const std::string& section, const std::string& key,
                             const std::string& value);

}  // namespace launcher
