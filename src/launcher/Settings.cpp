// Where the settings file is, and the Java settings it holds.
#include "launcher/Settings.h"

#include "discovery/JvmLibrary.h"
#include "launcher/Launcher.h"
#include "launcher/Messages.h"
#include "resources/strings.h"

namespace launcher {

namespace {

// Positions of the characters of `text` that are `c`, scanning character by
// character so that the trail byte of a double-byte character never matches.
size_t FindLast(Os& os, const std::string& text, char c, size_t from = 0) {
    size_t found = std::string::npos;
    for (size_t i = from; i < text.size();) {
        if (text[i] == c) found = i;
        i += (os.IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    return found;
}

}  // namespace

bool SettingsPathFor(Os& os, const RuntimeLayout& layout, const std::string& modulePath, std::string& settingsPath) {
    size_t nameStart = 0;
    if (layout.extensionOfFileNameOnly) {
        const size_t separator = FindLast(os, modulePath, layout.separator);
        nameStart = separator == std::string::npos ? 0 : separator + 1;
    }
    const size_t dot = FindLast(os, modulePath, '.', nameStart);
    if (dot != std::string::npos) {
        settingsPath = modulePath.substr(0, dot + 1) + "ini";
        return true;
    }
    if (!layout.extensionOfFileNameOnly || modulePath.empty()) return false;
    settingsPath = modulePath + ".ini";
    return true;
}

std::string FolderOf(Os& os, const RuntimeLayout& layout, const std::string& path) {
    const size_t separator = FindLast(os, path, layout.separator);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

bool ModuleFilePath(Launcher& launcher, std::string& path) {
    uint32_t error = 0;
    if (launcher.os.ModuleFilePath(path, error)) return true;
    ShowFormattedError(launcher.os, launcher.ErrorOwner(), IDS_WINDOWS_EXCEPTION,
                       launcher.os.LoadText(IDS_NO_MODULE_PATH), static_cast<int32_t>(error));
    return false;
}

bool ModuleFolder(Launcher& launcher, std::string& folder) {
    std::string path;
    if (!ModuleFilePath(launcher, path)) return false;
    folder = FolderOf(launcher.os, launcher.layout, path);
    return true;
}

bool ConfigFilePath(Launcher& launcher, std::string& path) {
    std::string modulePath;
    if (!ModuleFilePath(launcher, modulePath)) return false;
    return SettingsPathFor(launcher.os, launcher.layout, modulePath, path);
}

std::string ReadSetting(Os& os, const std::string& file, const char* section, const char* key) {
    return os.ReadProfileValue(file, section, key);
}

void WriteJrePath(Launcher& launcher, const std::string& folder) {
    std::string file;
    if (!ConfigFilePath(launcher, file)) return;
    launcher.os.WriteProfileValue(file, kJavaSection, "JRE Path", folder);
}

std::vector<std::string> SplitList(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(separator, start);
        if (found == std::string::npos) break;
        pieces.push_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

bool ReadJavaSettings(Launcher& launcher) {
    std::string file;
    if (!ConfigFilePath(launcher, file)) return false;
    Os& os = launcher.os;
    launcher.minVersion = MinimumFromSetting(ReadSetting(os, file, kJavaSection, "Minimum Version"));
    launcher.maxVersion = MaximumFromSetting(ReadSetting(os, file, kJavaSection, "Maximum Version"));
    launcher.preferredVersions = SplitList(ReadSetting(os, file, kJavaSection, "Preferred versions"), ";");
    launcher.jrePath = ReadSetting(os, file, kJavaSection, "JRE Path");
    launcher.jvmType = JvmTypeFromSetting(ReadSetting(os, file, kJavaSection, "JVM Type"));
    const std::string source = ReadSetting(os, file, kJavaSection, "JVM Source");
    if (!source.empty()) launcher.sourceBoth = source == "favor_JRE" || source == "favor_JDK";
    launcher.sourceJdk = source == "favor_JDK" || source == "only_JDK";
    launcher.sourceJre = source == "favor_JRE" || source == "only_JRE";
    const std::string mainClass = ReadSetting(os, file, kJavaSection, "Main Class");
    if (mainClass.empty()) {
        ShowError(os, launcher.ErrorOwner(), IDS_NO_MAIN_CLASS);
        return false;
    }
    launcher.mainClass = mainClass;
    for (size_t i = 0; i < launcher.mainClass.size();) {
        if (launcher.mainClass[i] == '.') launcher.mainClass[i] = '/';
        i += (os.IsLeadByte(static_cast<unsigned char>(launcher.mainClass[i])) && i + 1 < launcher.mainClass.size()) ? 2 : 1;
    }
    return true;
}

}  // namespace launcher
