// Building the JVM options and preparing the environment the VM starts in.
#include "vm/VmOptions.h"

#include <cmath>
#include <cstdint>

#include "launcher/Launcher.h"
#include "launcher/Messages.h"
#include "launcher/Settings.h"
#include "resources/strings.h"

namespace launcher {

size_t FindParameterEnd(const std::string& text, size_t start) {
    size_t s = text.find(' ', start);
    size_t q = text.find('"', start);
    while (q != std::string::npos) {
        if (s == std::string::npos) return text.size();
        if (s < q) return s;
        size_t c = text.find('"', q + 1);
        if (c == std::string::npos) return s;
        if (c + 1 < text.size() && text[c + 1] == '"') ++c;
        q = text.find('"', c + 1);
        s = text.find(' ', c + 1);
    }
    return s == std::string::npos ? text.size() : s;
}

std::string StripQuotes(const std::string& parameter) {
    std::string p = parameter;
    size_t q1 = p.find('"');
    while (q1 != std::string::npos) {
        size_t q2 = p.find('"', q1 + 1);
        if (q2 == std::string::npos) break;
        if (q2 + 1 < p.size() && p[q2 + 1] == '"') ++q2;
        const std::string inner = p.substr(q1 + 1, q2 - q1 - 1);
        p.replace(q1, q2 - q1 + 1, inner);
        q1 = p.find('"', q1 + inner.size());
    }
    return p;
}

bool IsMemoryPercentage(const std::string& parameter) {
    if (parameter.size() < 5) return false;
    const std::string prefix = parameter.substr(0, 4);
    if (prefix != "-Xms" && prefix != "-Xmx" && prefix != "-Xss") return false;
    const char last = parameter.back();
    return last == 'P' || last == 'p';
}

std::string ApplyMemoryPercentage(const std::string& parameter, uint64_t physicalMemory) {
    // An empty parameter has no last character; its end stands in for one.
    const size_t last = parameter.empty() ? 0 : parameter.size() - 1;
    size_t d = 0;
    while (d < parameter.size() && !(parameter[d] >= '0' && parameter[d] <= '9')) ++d;
    // Digits may be many: the share saturates instead of overflowing, and the
    // size is held in 64 bits so that large memories do not wrap.
    double percent = 0;
    if (d < last)
        for (size_t i = d; i < last; ++i)
            if (parameter[i] >= '0' && parameter[i] <= '9') percent = percent * 10 + (parameter[i] - '0');
    const double totalKb = static_cast<double>(physicalMemory >> 10);
    double value = std::trunc(totalKb * (percent * 0.01));
    const double maximum = 9223372036854775807.0;
    // No memory times a share beyond a double's range is NaN, which has no
    // integer value: count it as nothing.
    long long kilobytes = !(value > 0) ? 0 : value >= maximum ? INT64_MAX : static_cast<long long>(value);
    return parameter.substr(0, d) + std::to_string(kilobytes) + "K";
}

void SplitVmParameters(const std::string& text, uint64_t physicalMemory, std::vector<std::string>& parameters) {
    size_t position = 0;
    while (position < text.size()) {
        const size_t end = FindParameterEnd(text, position);
        std::string parameter = StripQuotes(text.substr(position, end - position));
        if (IsMemoryPercentage(parameter)) parameter = ApplyMemoryPercentage(parameter, physicalMemory);
        parameters.push_back(parameter);
        position = end;
        while (position < text.size() && text[position] == ' ') ++position;
    }
}

std::string JvmHomeOf(const std::string& jvmPath, char separator) {
    std::string home = jvmPath;
    for (int k = 0; k < 3; ++k) {
        const size_t cut = home.rfind(separator);
        if (cut == std::string::npos) break;
        home.erase(cut);
    }
    return home;
}

bool ReadOptionSettings(Launcher& launcher) {
    std::string file;
    if (!ConfigFilePath(launcher, file)) return false;
    Os& os = launcher.os;
    const std::string classPath = ReadSetting(os, file, kClassPathSection, "Class Path");
    if (classPath.empty()) {
        ShowError(os, launcher.ErrorOwner(), IDS_NO_CLASS_PATH);
        return false;
    }
    std::vector<std::string> working{"-Djava.class.path=" + classPath};
    SplitVmParameters(ReadSetting(os, file, kJavaSection, "Virtual Machine Parameters"), os.PhysicalMemory(),
                      working);
    for (const std::string& option : working) launcher.vmOptions.push_back(os.ExpandEnvironment(option));
    launcher.libraryPath = ReadSetting(os, file, kJavaSection, "Library Path");
    launcher.outputFile = ReadSetting(os, file, kApplicationSection, "Output File");
    launcher.errorFile = ReadSetting(os, file, kApplicationSection, "Error File");
    launcher.systemPath = ReadSetting(os, file, kJavaSection, "System Path");
    return true;
}

void ApplyEnvironment(Launcher& launcher) {
    Os& os = launcher.os;
    const RuntimeLayout& layout = launcher.layout;
    const std::string list(1, layout.pathListSeparator);
    const std::string pathReference = "%" + layout.pathVariable + "%";
    if (!launcher.libraryPath.empty()) {
        // The configured folders first, then the application's own folder and
        // the current one, then the search path, and last the runtime's lib.
        std::string folder;
        std::string modulePath;
        uint32_t error = 0;
        if (os.ModuleFilePath(modulePath, error)) folder = FolderOf(os, layout, modulePath);
        const std::string value = launcher.libraryPath + list + folder + list + "." + list + pathReference + list +
                                  JvmHomeOf(launcher.jvmPath, layout.separator) + layout.separator + "lib";
        launcher.vmOptions.push_back("-Djava.library.path=" + os.ExpandEnvironment(value));
    }
    if (!launcher.systemPath.empty())
        os.SetEnv(layout.pathVariable, os.ExpandEnvironment(pathReference + list + launcher.systemPath));
}

void SetJvmVariables(Launcher& launcher) {
    launcher.os.SetEnv("KX_JVM_PATH", launcher.jvmPath);
    launcher.os.SetEnv("KX_JVM_HOME", JvmHomeOf(launcher.jvmPath, launcher.layout.separator));
}

}  // namespace launcher
