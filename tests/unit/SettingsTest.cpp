// Tests of the settings file: its path, the executable's folder, the list splitter, the Java settings and the write-back of "JRE Path".
#include "launcher/Settings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "launcher/Launcher.h"
#include "launcher/ProfileFile.h"
#include "support/FakeOs.h"

namespace launcher {
namespace {

constexpr const char* kNoModulePath = "Windows exception: failed to get the module path (errno = 5).\n";
constexpr const char* kNoMainClass = "Main class was not specified in INI file.";

const char* LayoutName(const RuntimeLayout& layout) { return &layout == &WindowsLayout() ? "Windows" : "Linux"; }

TEST(SettingsPathFor, ReplacesTheExtensionByLayout) {
    struct Case {
        const RuntimeLayout& layout;
        std::string modulePath;
        std::set<unsigned char> leadBytes;
        bool found;
        std::string expected;
    };
    const Case cases[] = {
        {WindowsLayout(), "C:\\Apps\\Tool\\tool.exe", {}, true, "C:\\Apps\\Tool\\tool.ini"},
        {WindowsLayout(), "C:\\Apps\\tool.beta.exe", {}, true, "C:\\Apps\\tool.beta.ini"},
        {WindowsLayout(), "C:\\my.apps\\tool", {}, true, "C:\\my.ini"},
        {WindowsLayout(), "C:\\Apps\\tool.", {}, true, "C:\\Apps\\tool.ini"},
        {WindowsLayout(), "C:\\Apps\\tool", {}, false, ""},
        {WindowsLayout(), "", {}, false, ""},
        // A '.' that is the trail byte of a double-byte character is no dot.
        {WindowsLayout(), "C:\\My.Apps\\t\x81.exe", {0x81}, true, "C:\\My.ini"},
        {WindowsLayout(), "C:\\My.Apps\\t\x81.exe", {}, true, "C:\\My.Apps\\t\x81.ini"},
        {WindowsLayout(), "C:\\Apps\\t\x81.exe", {0x81}, false, ""},
        // A lead byte at the very end has no trail byte to skip.
        {WindowsLayout(), "C:\\a.b\\t\x81", {0x81}, true, "C:\\a.ini"},
        {PosixLayout(), "/opt/app/tool", {}, true, "/opt/app/tool.ini"},
        {PosixLayout(), "/opt/app/tool.bin", {}, true, "/opt/app/tool.ini"},
        {PosixLayout(), "/opt/app/tool.beta.bin", {}, true, "/opt/app/tool.beta.ini"},
        {PosixLayout(), "/opt/my.app/tool", {}, true, "/opt/my.app/tool.ini"},
        {PosixLayout(), "tool", {}, true, "tool.ini"},
        {PosixLayout(), "", {}, false, ""},
        // With 0x81 a lead byte, the '/' after it is no separator, so the
        // file name starts after "/opt/" and holds a dot.
        {PosixLayout(), "/opt/a.b\x81/tool", {0x81}, true, "/opt/a.ini"},
        {PosixLayout(), "/opt/a.b\x81/tool", {}, true, "/opt/a.b\x81/tool.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(LayoutName(c.layout)) + " " + c.modulePath);
        FakeOs os;
        os.leadBytes = c.leadBytes;
        std::string path = "unchanged";
        EXPECT_EQ(SettingsPathFor(os, c.layout, c.modulePath, path), c.found);
        EXPECT_EQ(path, c.found ? c.expected : "unchanged");
    }
}

TEST(ModuleFolder, EndsAtTheLastSeparator) {
    struct Case {
        const RuntimeLayout& layout;
        std::string modulePath;
        std::set<unsigned char> leadBytes;
        std::string expected;
    };
    const Case cases[] = {
        {WindowsLayout(), "C:\\Apps\\Tool\\tool.exe", {}, "C:\\Apps\\Tool\\"},
        {WindowsLayout(), "tool.exe", {}, ""},
        {WindowsLayout(), "C:\\Apps\\\x81\\t.exe", {0x81}, "C:\\Apps\\"},
        {WindowsLayout(), "C:\\Apps\\\x81\\t.exe", {}, "C:\\Apps\\\x81\\"},
        {WindowsLayout(), "C:\\Apps/tool.exe", {}, "C:\\"},
        {PosixLayout(), "/opt/app/tool", {}, "/opt/app/"},
        {PosixLayout(), "tool", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(LayoutName(c.layout)) + " " + c.modulePath);
        FakeOs os;
        os.modulePath = c.modulePath;
        os.leadBytes = c.leadBytes;
        Launcher launcher(os, c.layout);
        std::string folder;
        EXPECT_TRUE(ModuleFolder(launcher, folder));
        EXPECT_EQ(folder, c.expected);
        EXPECT_TRUE(os.shown.empty());
    }
}

TEST(ModulePath, FailureShowsTheSystemErrorOnce) {
    struct Case {
        const char* name;
        bool (*step)(Launcher&, std::string&);
    };
    const Case cases[] = {
        {"ModuleFilePath", &ModuleFilePath},
        {"ModuleFolder", &ModuleFolder},
        {"ConfigFilePath", &ConfigFilePath},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePathFails = true;
        os.modulePathError = 5;
        Launcher launcher(os, WindowsLayout());
        std::string result;
        EXPECT_FALSE(c.step(launcher, result));
        ASSERT_EQ(os.shown.size(), 1u);
        EXPECT_EQ(os.shown[0].text, kNoModulePath);
        EXPECT_EQ(os.shown[0].owner, nullptr);
    }
}

TEST(SplitList, KeepsEveryPieceUntrimmed) {
    struct Case {
        std::string text, separator;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"", ";", {""}},
        {"1.5", ";", {"1.5"}},
        {"1.5;1.4", ";", {"1.5", "1.4"}},
        {"1.4;", ";", {"1.4", ""}},
        {";", ";", {"", ""}},
        {";;1.6", ";", {"", "", "1.6"}},
        {" 1.5 ; 1.4", ";", {" 1.5 ", " 1.4"}},
        {"a::b", "::", {"a", "b"}},
        {"a:::b", "::", {"a", ":b"}},
        {"a:b", "::", {"a:b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\" at \"" + c.separator + "\"");
        EXPECT_EQ(SplitList(c.text, c.separator), c.expected);
    }
}

// A settings file for C:\Apps\Tool\tool.exe holding the given Java lines.
FakeOs WithJavaSection(const std::string& lines) {
    FakeOs os;
    os.files["C:\\Apps\\Tool\\tool.ini"] = "[Java Runtime Environment]\r\n" + lines;
    return os;
}

TEST(ReadJavaSettings, VersionBoundsPreferredAndJrePath) {
    const std::string longPath = "D:\\" + std::string(300, 'j') + "\\";
    struct Case {
        const char* name;
        std::string lines;
        JreVersion minVersion, maxVersion;
        std::vector<std::string> preferred;
        std::string jrePath;
    };
    const Case cases[] = {
        {"nothing but the main class", "", {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {""}, ""},
        {"minimum 1.4, maximum any", "Minimum Version=1.4\r\nMaximum Version=any\r\n", {{1, 4, 0, 0}, 2},
         {{65535, 65535, 65535, 65535}, 4}, {""}, ""},
        {"minimum any, maximum 1.5", "Minimum Version=any\r\nMaximum Version=1.5\r\n", {{0, 0, 0, 0}, 4},
         {{1, 5, 65535, 65535}, 2}, {""}, ""},
        {"bounds with four groups", "Minimum Version=1.4.2_06\r\nMaximum Version=1.4.2.6\r\n", {{1, 4, 2, 6}, 4},
         {{1, 4, 2, 6}, 4}, {""}, ""},
        {"preferred with a trailing separator", "Preferred versions=1.4;\r\n", {{0, 0, 0, 0}, 0},
         {{0, 0, 0, 0}, 0}, {"1.4", ""}, ""},
        {"two preferred versions", "Preferred versions=1.6;1.5\r\n", {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0},
         {"1.6", "1.5"}, ""},
        {"JRE Path taken as written", "JRE Path=D:\\Java\\jre\r\n", {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {""},
         "D:\\Java\\jre"},
        {"a value longer than 256 characters is read whole", "JRE Path=" + longPath + "\r\n", {{0, 0, 0, 0}, 0},
         {{0, 0, 0, 0}, 0}, {""}, longPath},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os = WithJavaSection(c.lines + "Main Class=App\r\n");
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(launcher.minVersion.numbers[k], c.minVersion.numbers[k]) << "minimum component " << k;
            EXPECT_EQ(launcher.maxVersion.numbers[k], c.maxVersion.numbers[k]) << "maximum component " << k;
        }
        EXPECT_EQ(launcher.minVersion.count, c.minVersion.count);
        EXPECT_EQ(launcher.maxVersion.count, c.maxVersion.count);
        EXPECT_EQ(launcher.preferredVersions, c.preferred);
        EXPECT_EQ(launcher.jrePath, c.jrePath);
    }
}

TEST(ReadJavaSettings, JvmTypeIsComparedExactly) {
    struct Case {
        std::string lines;
        JvmType expected;
    };
    const Case cases[] = {
        {"", JvmType::Default},
        {"JVM Type=server\r\n", JvmType::Server},
        {"JVM Type=favor_server\r\n", JvmType::FavorServer},
        {"JVM Type=Server\r\n", JvmType::Default},
        {"JVM Type=client\r\n", JvmType::Default},
        {"jvm type=server\r\n", JvmType::Server},  // key names match without regard to case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        FakeOs os = WithJavaSection(c.lines + "Main Class=App\r\n");
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        EXPECT_EQ(launcher.jvmType, c.expected);
    }
}

TEST(ReadJavaSettings, JvmSourceSetsTheThreeFlags) {
    struct Case {
        std::string value;
        bool sourceBothBefore;
        bool sourceBoth, sourceJdk, sourceJre;
    };
    const Case cases[] = {
        {"", true, true, false, false},
        {"", false, false, false, false},  // an empty value leaves sourceBoth as it was
        {"favor_JRE", true, true, false, true},
        {"favor_JDK", true, true, true, false},
        {"favor_JDK", false, true, true, false},
        {"only_JRE", true, false, false, true},
        {"only_JDK", true, false, true, false},
        {"favor_jre", true, false, false, false},
        {"ONLY_JDK", true, false, false, false},
        {"both", true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("JVM Source \"" + c.value + "\", sourceBoth before " + (c.sourceBothBefore ? "true" : "false"));
        FakeOs os = WithJavaSection("JVM Source=" + c.value + "\r\nMain Class=App\r\n");
        Launcher launcher(os, WindowsLayout());
        launcher.sourceBoth = c.sourceBothBefore;
        launcher.sourceJdk = launcher.sourceJre = true;
        ASSERT_TRUE(ReadJavaSettings(launcher));
        EXPECT_EQ(launcher.sourceBoth, c.sourceBoth);
        EXPECT_EQ(launcher.sourceJdk, c.sourceJdk);
        EXPECT_EQ(launcher.sourceJre, c.sourceJre);
    }
}

TEST(ReadJavaSettings, MainClassDotsBecomeSlashes) {
    struct Case {
        std::string value;
        std::set<unsigned char> leadBytes;
        std::string expected;
    };
    const Case cases[] = {
        {"App", {}, "App"},
        {"com.example.App", {}, "com/example/App"},
        {"com.example.App$Inner", {}, "com/example/App$Inner"},
        {"a..b.", {}, "a//b/"},
        // The '.' after lead byte 0x81 is its trail byte and stays.
        {"p\x81.q.App", {0x81}, "p\x81.q/App"},
        {"p\x81.q.App", {}, "p\x81/q/App"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        FakeOs os = WithJavaSection("Main Class=" + c.value + "\r\n");
        os.leadBytes = c.leadBytes;
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        EXPECT_EQ(launcher.mainClass, c.expected);
        EXPECT_TRUE(os.shown.empty());
    }
}

TEST(ReadJavaSettings, FailuresAndWhatTheyShow) {
    const std::vector<std::string> allKeys = {
        "Java Runtime Environment|Minimum Version", "Java Runtime Environment|Maximum Version",
        "Java Runtime Environment|Preferred versions", "Java Runtime Environment|JRE Path",
        "Java Runtime Environment|JVM Type",        "Java Runtime Environment|JVM Source",
        "Java Runtime Environment|Main Class"};
    struct Case {
        const char* name;
        std::string modulePath;
        bool modulePathFails;
        std::string settings;  // empty: no settings file
        std::string shown;     // empty: nothing shown
        std::vector<std::string> reads;
    };
    const Case cases[] = {
        {"no settings file at all", "C:\\Apps\\Tool\\tool.exe", false, "", kNoMainClass, allKeys},
        {"main class empty", "C:\\Apps\\Tool\\tool.exe", false,
         "[Java Runtime Environment]\r\nMain Class=\r\nMinimum Version=1.4\r\n", kNoMainClass, allKeys},
        {"main class in another section", "C:\\Apps\\Tool\\tool.exe", false, "[Application]\r\nMain Class=App\r\n",
         kNoMainClass, allKeys},
        {"executable path without a dot", "C:\\Apps\\Tool\\tool", false,
         "[Java Runtime Environment]\r\nMain Class=App\r\n", "", {}},
        {"executable path unavailable", "C:\\Apps\\Tool\\tool.exe", true,
         "[Java Runtime Environment]\r\nMain Class=App\r\n", kNoModulePath, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePath = c.modulePath;
        os.modulePathFails = c.modulePathFails;
        os.modulePathError = 5;
        if (!c.settings.empty()) os.files["C:\\Apps\\Tool\\tool.ini"] = c.settings;
        Launcher launcher(os, WindowsLayout());
        EXPECT_FALSE(ReadJavaSettings(launcher));
        if (c.shown.empty()) {
            EXPECT_TRUE(os.shown.empty());
        } else {
            ASSERT_EQ(os.shown.size(), 1u);
            EXPECT_EQ(os.shown[0].text, c.shown);
        }
        EXPECT_EQ(os.profileReads, c.reads);
        EXPECT_TRUE(launcher.mainClass.empty());
    }
}

TEST(ReadJavaSettings, ErrorIsOwnedByTheSplashWindow) {
    FakeOs os;
    Launcher launcher(os, WindowsLayout());
    int window = 0;
    launcher.splashWindowHandle = &window;
    EXPECT_FALSE(ReadJavaSettings(launcher));
    ASSERT_EQ(os.shown.size(), 1u);
    EXPECT_EQ(os.shown[0].owner, &window);
}

TEST(WriteJrePath, StoresTheFolderInTheJavaSection) {
    struct Case {
        const char* name;
        std::string modulePath;
        std::string before;  // the settings file's text; empty: no file
        bool written;
    };
    const Case cases[] = {
        {"no settings file yet", "C:\\Apps\\Tool\\tool.exe", "", true},
        {"file with other keys", "C:\\Apps\\Tool\\tool.exe",
         "[Java Runtime Environment]\r\nMain Class=App\r\nJRE Path=C:\\old\\\r\n[Class Path]\r\nClass Path=a.jar\r\n",
         true},
        {"executable path without a dot", "C:\\Apps\\Tool\\tool", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePath = c.modulePath;
        const std::string file = "C:\\Apps\\Tool\\tool.ini";
        if (!c.before.empty()) os.files[file] = c.before;
        Launcher launcher(os, WindowsLayout());
        WriteJrePath(launcher, "D:\\Java\\jre\\");
        if (!c.written) {
            EXPECT_TRUE(os.files.empty());
            continue;
        }
        const std::string after = os.files[file];
        EXPECT_EQ(ProfileValue(after, "Java Runtime Environment", "JRE Path"), "D:\\Java\\jre\\");
        EXPECT_EQ(ProfileValue(after, "Java Runtime Environment", "Main Class"),
                  ProfileValue(c.before, "Java Runtime Environment", "Main Class"));
        EXPECT_EQ(ProfileValue(after, "Class Path", "Class Path"), ProfileValue(c.before, "Class Path", "Class Path"));
    }
}

}  // namespace
}  // namespace launcher
