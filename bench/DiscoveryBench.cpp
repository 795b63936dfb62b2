// The launcher's own work before the VM, timed inside one process: Init (settings, single-instance check, discovery) and the option settings, on the real system seam.
//
//   discovery_bench ITERATIONS [RUNTIMES-FOLDER]
//
// The settings file is the one beside this program (its name with "ini"), as
// for the launcher. Installed runtimes are those of RUNTIMES-FOLDER on POSIX
// systems (default /usr/lib/jvm/) and those of the registry on Windows. Prints
// one JSON line: {"iterations":N,"first_us":..,"median_us":..,"min_us":..,
// "jvm":<the library chosen>}, or {"error":..} and exit code 1 when no
// runtime was found.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "discovery/RuntimeLayout.h"
#include "launcher/Launcher.h"
#include "platform/SystemOs.h"
#include "vm/VmOptions.h"

namespace {

std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    launcher::RuntimeLayout layout = launcher::NativeLayout();
    if (argc > 2 && !layout.hasRegistry) layout.installedRuntimesFolder = launcher::WithTrailingSeparator(argv[2], layout);
    std::unique_ptr<launcher::Os> os = launcher::CreateSystemOs({});

    std::vector<double> micros;
    std::string jvm;
    for (long i = 0; i < iterations; ++i) {
        const auto start = std::chrono::steady_clock::now();
        bool ok;
        {
            launcher::Launcher run(*os, layout);
            ok = run.Init() && launcher::ReadOptionSettings(run);
            jvm = run.jvmPath;
        }
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
            std::printf("{\"error\":\"no runtime found, or the settings are incomplete\"}\n");
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (micros.empty()) {
        std::printf("{\"iterations\":0}\n");
        return 0;
    }
    const double first = micros.front();
    std::sort(micros.begin(), micros.end());
    std::printf("{\"iterations\":%ld,\"first_us\":%.1f,\"median_us\":%.1f,\"min_us\":%.1f,\"jvm\":%s}\n", iterations,
                first, micros[micros.size() / 2], micros.front(), JsonText(jvm).c_str());
    return 0;
}
