// Today's runtimes: the registry keys current installers write, JAVA_HOME,
// libraries of the other architecture, Unicode arguments, and the trace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/Architecture.h"
#include "discovery/FindJvm.h"
#include "launcher/Launcher.h"
#include "launcher/Settings.h"
#include "launcher/Utf.h"
#include "support/FakeJni.h"
#include "support/FakeOs.h"

namespace launcher {
namespace {

const char* const kSettingsFile = "C:\\Apps\\Tool\\tool.ini";

// The first bytes of a PE image built for `machine`.
std::string PeHeader(uint16_t machine) {
    std::string header(0x40, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    header[0x3c] = 0x40;
    header += std::string("PE\0\0", 4);
    header += static_cast<char>(machine & 0xff);
    header += static_cast<char>(machine >> 8);
    header += std::string(16, '\0');
    return header;
}

std::string ElfHeader(uint16_t elfMachine) {
    std::string header = "\x7f" "ELF";
    header += std::string("\x02\x01\x01", 3);
    header += std::string(9, '\0');  // the rest of the 16 identification bytes
    header += std::string("\x03\x00", 2);  // shared object
    header += static_cast<char>(elfMachine & 0xff);
    header += static_cast<char>(elfMachine >> 8);
    header += std::string(40, '\0');
    return header;
}

TEST(Architecture, MachineFromTheLibraryHeader) {
    struct Case {
        const char* name;
        std::string header;
        uint16_t machine;
    };
    const Case cases[] = {
        {"PE x86", PeHeader(0x014c), kMachineX86},
        {"PE x64", PeHeader(0x8664), kMachineX64},
        {"PE ARM64", PeHeader(0xaa64), kMachineArm64},
        {"ELF x86-64", ElfHeader(62), kMachineX64},
        {"ELF i386", ElfHeader(3), kMachineX86},
        {"not a library", "MZ but nothing else", kMachineUnknown},
        {"PE offset beyond the bytes read", PeHeader(0x8664).substr(0, 0x42), kMachineUnknown},
        {"empty", "", kMachineUnknown},
        {"text file", std::string(200, 'a'), kMachineUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LibraryMachine(c.header), c.machine);
    }
}

// A Windows machine with the settings file and the registry as a test lays
// them out.
struct Machine {
    FakeOs os;
    Launcher launcher{os, WindowsLayout()};

    explicit Machine(const std::string& settings = "") {
        os.files[kSettingsFile] = "[Java Runtime Environment]\nMain Class=App\n" + settings;
    }
    // A home with a server VM built for this machine's processor (or another).
    void Home(const std::string& home, uint16_t machine = NativeMachine(), const char* vm = "bin\\server\\jvm.dll") {
        os.files[home + vm] = PeHeader(machine);
        os.paths.insert(home + "bin\\java.dll");
    }
    void Key(const std::string& key, const std::string& name, const std::string& value, const std::string& data) {
        std::vector<std::string>& names = os.registryKeys[key];
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        os.registryValues[key + "\\" + name + "|" + value] = data;
    }
    bool Find() { return ReadJavaSettings(launcher) && FindJvm(launcher); }
};

TEST(CurrentRuntimes, RegistryKeysOfCurrentInstallers) {
    struct Case {
        const char* name;
        std::string settings;
        std::function<void(Machine&)> arrange;
        std::string jvmPath;  // empty: not found
    };
    const Case cases[] = {
        {"JavaSoft JDK key: the home is the runtime, no jre folder", "",
         [](Machine& m) {
             m.Key("Software\\JavaSoft\\JDK", "17.0.2", "JavaHome", "C:\\jdk17");
             m.Home("C:\\jdk17\\");
         },
         "C:\\jdk17\\bin\\server\\jvm.dll"},
        {"Eclipse Adoptium MSI path", "",
         [](Machine& m) {
             m.os.registryKeys["Software\\Eclipse Adoptium\\JDK"] = {"21.0.1.12"};
             m.os.registryValues["Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI|Path"] = "C:\\temurin21\\";
             m.Home("C:\\temurin21\\");
         },
         "C:\\temurin21\\bin\\server\\jvm.dll"},
        {"Microsoft build, highest version first", "",
         [](Machine& m) {
             m.os.registryKeys["Software\\Microsoft\\JDK"] = {"11.0.21.9", "17.0.9.8"};
             m.os.registryValues["Software\\Microsoft\\JDK\\11.0.21.9\\hotspot\\MSI|Path"] = "C:\\ms11\\";
             m.os.registryValues["Software\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI|Path"] = "C:\\ms17\\";
             m.Home("C:\\ms11\\");
             m.Home("C:\\ms17\\");
         },
         "C:\\ms17\\bin\\server\\jvm.dll"},
        {"range applies to vendor keys", "Maximum Version=11\n",
         [](Machine& m) {
             m.os.registryKeys["Software\\Microsoft\\JDK"] = {"11.0.21.9", "17.0.9.8"};
             m.os.registryValues["Software\\Microsoft\\JDK\\11.0.21.9\\hotspot\\MSI|Path"] = "C:\\ms11\\";
             m.os.registryValues["Software\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI|Path"] = "C:\\ms17\\";
             m.Home("C:\\ms11\\");
             m.Home("C:\\ms17\\");
         },
         "C:\\ms11\\bin\\server\\jvm.dll"},
        {"Azul Zulu: the release file tells the version", "Minimum Version=17.0.5\n",
         [](Machine& m) {
             m.Key("Software\\Azul Systems\\Zulu", "zulu-17", "InstallationPath", "C:\\zulu17\\");
             m.os.files["C:\\zulu17\\release"] = "JAVA_VERSION=\"17.0.9\"\n";
             m.Home("C:\\zulu17\\");
         },
         "C:\\zulu17\\bin\\server\\jvm.dll"},
        {"a candidate under the JavaSoft keys wins over current keys", "",
         [](Machine& m) {
             m.Key("Software\\JavaSoft\\Java Runtime Environment", "1.8", "JavaHome", "C:\\jre8");
             m.Home("C:\\jre8\\", NativeMachine(), "bin\\client\\jvm.dll");
             m.Key("Software\\JavaSoft\\JDK", "21", "JavaHome", "C:\\jdk21");
             m.Home("C:\\jdk21\\");
         },
         "C:\\jre8\\bin\\client\\jvm.dll"},
        {"only_JRE passes over vendor JDKs", "JVM Source=only_JRE\n",
         [](Machine& m) {
             m.os.registryKeys["Software\\Eclipse Adoptium\\JDK"] = {"21.0.1.12"};
             m.os.registryValues["Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI|Path"] = "C:\\temurin21\\";
             m.Home("C:\\temurin21\\");
             m.os.registryKeys["Software\\Eclipse Adoptium\\JRE"] = {"17.0.9.9"};
             m.os.registryValues["Software\\Eclipse Adoptium\\JRE\\17.0.9.9\\hotspot\\MSI|Path"] = "C:\\temurin17jre\\";
             m.Home("C:\\temurin17jre\\");
         },
         "C:\\temurin17jre\\bin\\server\\jvm.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m(c.settings);
        c.arrange(m);
        EXPECT_EQ(m.Find(), !c.jvmPath.empty());
        EXPECT_EQ(m.launcher.jvmPath, c.jvmPath);
    }
}

TEST(CurrentRuntimes, JavaHomeAfterTheRegistry) {
    struct Case {
        const char* name;
        std::string settings;
        std::string release;  // empty: no release file
        bool jdk8Layout;
        bool registered;
        std::string jvmPath;
    };
    const Case cases[] = {
        {"in range", "Minimum Version=17\n", "JAVA_VERSION=\"21.0.1\"\n", false, false,
         "C:\\java\\bin\\server\\jvm.dll"},
        {"outside the range", "Minimum Version=22\n", "JAVA_VERSION=\"21.0.1\"\n", false, false, ""},
        {"no release file, no bounds", "", "", false, false, "C:\\java\\bin\\server\\jvm.dll"},
        {"no release file with a bound", "Minimum Version=11\n", "", false, false, ""},
        {"a JDK 8 keeps its runtime in jre", "", "JAVA_VERSION=\"1.8.0_381\"\n", true, false,
         "C:\\java\\jre\\bin\\server\\jvm.dll"},
        {"a registered runtime comes first", "", "JAVA_VERSION=\"21.0.1\"\n", false, true,
         "C:\\registered\\bin\\server\\jvm.dll"},
        {"JVM Source outside the table searches nothing", "JVM Source=favor_jre\n", "JAVA_VERSION=\"21.0.1\"\n",
         false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m(c.settings);
        m.os.environment["JAVA_HOME"] = "C:\\java";
        if (!c.release.empty()) m.os.files["C:\\java\\release"] = c.release;
        m.Home(c.jdk8Layout ? "C:\\java\\jre\\" : "C:\\java\\");
        if (c.registered) {
            m.Key("Software\\JavaSoft\\JDK", "21.0.1", "JavaHome", "C:\\registered");
            m.Home("C:\\registered\\");
        }
        EXPECT_EQ(m.Find(), !c.jvmPath.empty());
        EXPECT_EQ(m.launcher.jvmPath, c.jvmPath);
    }
}

TEST(CurrentRuntimes, LibrariesOfTheOtherArchitectureNeverQualify) {
    const uint16_t other = NativeMachine() == kMachineX64 ? kMachineX86 : kMachineX64;
    Machine m("JRE Path=C:\\jre32\n");
    m.Home("C:\\jre32\\", other);
    m.Key("Software\\JavaSoft\\JDK", "17", "JavaHome", "C:\\jdk32");
    m.Home("C:\\jdk32\\", other);

    EXPECT_FALSE(m.Find());

    ASSERT_EQ(m.os.dialogMessages.size(), 1u);
    const std::string& message = m.os.dialogMessages[0];
    EXPECT_EQ(message, "Java runtimes were found, but only for " + MachineName(other) +
                           ", and this launcher is built for " + MachineName(NativeMachine()) +
                           ": use the launcher built for " + MachineName(other) +
                           ".\n\nThe Java Runtime Environment (JRE) was not found. Please  download and install "
                           "a JRE (latest version) from:");

    // Beside it, one of the right kind is taken and the sentence is not added.
    Machine right("JRE Path=C:\\jre32\n");
    right.Home("C:\\jre32\\", other);
    right.Key("Software\\JavaSoft\\JDK", "17", "JavaHome", "C:\\jdk64");
    right.Home("C:\\jdk64\\");
    EXPECT_TRUE(right.Find());
    EXPECT_EQ(right.launcher.jvmPath, "C:\\jdk64\\bin\\server\\jvm.dll");

    // A file that is no library at all is left for the loader to report.
    Machine garbage("JRE Path=C:\\odd\n");
    garbage.os.files["C:\\odd\\bin\\server\\jvm.dll"] = "not a library";
    EXPECT_TRUE(garbage.Find());
}

TEST(Utf, RoundTripsEveryArgument) {
    const std::u16string cases[] = {
        u"plain", u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac", u"\u4e2d\u6587.txt", u"\U0001F600 smile",
        std::u16string(1, static_cast<char16_t>(0xD800)) + u"lone surrogate", u"",
    };
    for (const std::u16string& text : cases) EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(u"\u00e9\U0001F600"), "\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("a\xff" "b\xc3"), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong
}

TEST(CurrentRuntimes, UnicodeArgumentsReachMainAsUtf16) {
    FakeOs os;
    FakeJvmWorld world;
    os.files[kSettingsFile] = "[Java Runtime Environment]\nMain Class=App\nJRE Path=C:\\jre\n[Class Path]\nClass Path=a\n";
    os.AddFiles("C:\\jre\\", {"bin\\client\\jvm.dll"});
    os.libraries["C:\\jre\\bin\\client\\jvm.dll"] = FakeJniSymbols();
    world.anyClassExists = true;
    world.Install();
    os.argumentsUtf8 = true;
    const std::vector<std::string> arguments = {"\xce\x95\xce\xbb", "\xe4\xb8\xad\xe6\x96\x87", "\xf0\x9f\x98\x80",
                                                "-nosplash"};
    os.arguments = arguments;

    ASSERT_EQ(RunLaunch(os, WindowsLayout()), 0);

    const std::vector<FakeJavaString> args = world.MainArgs();
    ASSERT_EQ(args.size(), arguments.size());
    for (size_t i = 0; i < args.size(); ++i) {
        EXPECT_EQ(args[i].charset, "UTF-16");
        EXPECT_EQ(args[i].text, arguments[i]);
    }
    EXPECT_TRUE(os.splashes.empty());
}

TEST(Trace, EveryDecisionWhenAskedForAndNothingOtherwise) {
    for (bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        FakeOs os;
        FakeJvmWorld world;
        os.files[kSettingsFile] = "[Java Runtime Environment]\nMain Class=App\nMinimum Version=1.8\n"
                                  "[Class Path]\nClass Path=app.jar\n";
        os.registryKeys["Software\\JavaSoft\\Java Runtime Environment"] = {"1.7", "1.8.0_381", "11"};
        for (const char* name : {"1.7", "1.8.0_381", "11"})
            os.registryValues[std::string("Software\\JavaSoft\\Java Runtime Environment\\") + name + "|JavaHome"] =
                std::string("C:\\jre") + name;
        os.AddFiles("C:\\jre1.8.0_381\\", {"bin\\client\\jvm.dll"});
        os.AddFiles("C:\\jre11\\", {"bin\\server\\jvm.dll"});
        os.libraries["C:\\jre11\\bin\\server\\jvm.dll"] = FakeJniSymbols();
        world.anyClassExists = true;
        world.Install();
        if (on) os.environment[kTraceVariable] = "C:\\trace.txt";

        ASSERT_EQ(RunLaunch(os, WindowsLayout()), 0);

        if (!on) {
            EXPECT_EQ(os.files.count("C:\\trace.txt"), 0u);
            continue;
        }
        const std::string trace = os.files["C:\\trace.txt"];
        for (const char* expected : {
                 "settings file C:\\Apps\\Tool\\tool.ini\n",
                 "source JRE Path: not set\n",
                 "source beside the executable: no runtime\n",
                 "    1.7: version 1.7 outside the range\n",
                 "    C:\\jre1.8.0_381\\bin\\client\\jvm.dll: found\n",
                 "  candidates in order:\n    11 C:\\jre11\\ (server VM)\n    1.8.0.381 C:\\jre1.8.0_381\\\n",
                 "  chosen: 11 C:\\jre11\\ (server VM)\n",
                 "JVM library C:\\jre11\\bin\\server\\jvm.dll\n",
                 "VM options:\n  -Djava.class.path=app.jar\n",
                 "create the VM: done\n",
                 "main of App: done\n",
                 "exit code 0\n",
             })
            EXPECT_NE(trace.find(expected), std::string::npos) << "missing: " << expected << "\nin:\n" << trace;
    }
}

}  // namespace
}  // namespace launcher
