// The settings file beside the executable and the Java settings read from it.
#pragma once

#include <string>
#include <vector>

#include "discovery/RuntimeLayout.h"
#include "platform/Os.h"

namespace launcher {

struct Launcher;

constexpr const char* kJavaSection = "Java Runtime Environment";
constexpr const char* kApplicationSection = "Application";
constexpr const char* kClassPathSection = "Class Path";
constexpr const char* kDisplaySection = "Display";

// The settings file for an executable path: the extension replaced by "ini".
// False when there is no extension to replace (Windows: no '.' in the whole
// path); elsewhere ".ini" is appended to a file name without extension.
bool SettingsPathFor(Os& os, const RuntimeLayout& layout, const std::string& modulePath, std::string& settingsPath);
// The folder part of a path, ending in its separator; empty when none.
std::string FolderOf(Os& os, const RuntimeLayout& layout, const std::string& path);

// These show message 202 with 208 when the executable's path is unavailable.
bool ModuleFilePath(Launcher& launcher, std::string& path);
bool ModuleFolder(Launcher& launcher, std::string& folder);
bool ConfigFilePath(Launcher& launcher, std::string& path);

std::string ReadSetting(Os& os, const std::string& file, const char* section, const char* key);
// Stores `folder` as "JRE Path"; a failure is ignored.
void WriteJrePath(Launcher& launcher, const std::string& folder);

// Pieces of `text` between occurrences of `separator`, empty pieces kept.
std::vector<std::string> SplitList(const std::string& text, const std::string& separator);

// Fills the Java settings of the launcher; shows 210 when no main class is set.
bool ReadJavaSettings(Launcher& launcher);

}  // namespace launcher
