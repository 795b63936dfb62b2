// Profile (INI) files read and written with the semantics of the Windows
// profile functions, for the systems that do not have them.
#pragma once

#include <string>

namespace launcher {

// The value of `key` in `section` of the profile file whose bytes are
// `contents`, as GetPrivateProfileStringA with an empty default would return
// it: names match without regard to ASCII case, white space around names and
// values is dropped, one pair of enclosing quotes is dropped, only the first
// section of a name counts; absent reads as empty. ProfileFile.cpp lists the
// rules in full.
std::string ProfileValue(const std::string& contents, const std::string& section, const std::string& key);

// The bytes of the file `contents` after `key` in `section` has been set to
// `value`, as WritePrivateProfileStringA leaves it under Wine: unchanged when
// the key already holds that value; otherwise the whole file written again in
// a normal form (CR LF line ends, no blank lines), the existing key replaced
// where it stands, a missing key added at the end of its section, a missing
// section added at the end. An empty `contents` stands for a missing file.
std::string ProfileWithValue(const std::string& contents, const std::string& section, const std::string& key,
                             const std::string& value);

}  // namespace launcher
