// Tests of the JVM option list: parameter splitting, quotes, memory percentages, the settings read, the library path, Path and the KX_ variables.
#include "vm/VmOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/Launcher.h"
#include "support/FakeOs.h"

namespace launcher {
namespace {

using Options = std::vector<std::string>;

constexpr uint64_t kMiB = 1024ull * 1024;
constexpr uint64_t kGiB = 1024 * kMiB;

TEST(SplitVmParameters, SpacesQuotesAndPercentages) {
    struct Case {
        const char* name;
        std::string text;
        Options expected;
    };
    const Case cases[] = {
        {"empty text gives no parameter", "", {}},
        {"two spaces between two parameters", "-Xmx256m  -Dx=1", {"-Xmx256m", "-Dx=1"}},
        {"trailing spaces add nothing", "-Da   ", {"-Da"}},
        {"a leading space gives an empty first option", " -Da", {"", "-Da"}},
        {"a tab does not separate", "-Da\t-Db", {"-Da\t-Db"}},
        {"quoted value with a space stays one option, unquoted", "-Dapp.home=\"C:\\Program Files\\App\" -Dy=2",
         {"-Dapp.home=C:\\Program Files\\App", "-Dy=2"}},
        {"whole parameter quoted", "\"-Dname=a b\" -X", {"-Dname=a b", "-X"}},
        {"text goes on after the closing quote", "-Da=\"x y\"z -Db", {"-Da=x yz", "-Db"}},
        {"two quoted parts in one parameter", "\"a b\"c\"d e\"", {"a bcd e"}},
        // The doubled quote ends the first pair and leaves one quote; the
        // last quote then has no partner and stays as well.
        {"two quotes in a row inside a quoted part", "-Dq=\"a\"\"b\" -Dz", {"-Dq=a\"b\"", "-Dz"}},
        // The second quote of a doubled pair closes the quoted part, so the
        // space after it separates.
        {"a doubled quote closes the quoted part", "\"a\"\" b\" c", {"a\"", "b\"", "c"}},
        {"an unclosed quote stays and the next space ends the option", "-Dx=\"abc def -Dy",
         {"-Dx=\"abc", "def", "-Dy"}},
        {"an empty pair of quotes", "-Dq=\"\" -Dr", {"-Dq=", "-Dr"}},
        {"a quote after the first space does not join", "-Da -Db=\"c d\"", {"-Da", "-Db=c d"}},
        {"memory percentages are rewritten", "-Xmx25P -Xms10p -Xss2.5P",
         {"-Xmx131072K", "-Xms52428K", "-Xss131072K"}},
        {"quotes are stripped before the percentage test", "\"-Xmx25P\"", {"-Xmx131072K"}},
        {"other sizes and look-alikes pass unchanged", "-Xmx256m -XX:MaxPermSize=20P -Dsize=5P -xmx25P -Xmx25",
         {"-Xmx256m", "-XX:MaxPermSize=20P", "-Dsize=5P", "-xmx25P", "-Xmx25"}},
        {"a percentage without digits", "-XmxP", {"-XmxP0K"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options parameters{"kept"};
        SplitVmParameters(c.text, 512 * kMiB, parameters);
        Options expected{"kept"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(parameters, expected);
    }
}

TEST(IsMemoryPercentage, PrefixAndFinalLetter) {
    struct Case {
        std::string parameter;
        bool expected;
    };
    const Case cases[] = {
        {"-Xmx25P", true},  {"-Xms10p", true},   {"-Xss1P", true},    {"-XmxP", true},
        {"-Xmx256m", false}, {"-Xmn25P", false}, {"-xmx25P", false},  {"-XMX25P", false},
        {"-Xmx25P ", false}, {"-Xmx", false},    {"P", false},        {"", false},
        {"-XX:MaxPermSize=20P", false},          {"-Dsize=5P", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.parameter + "\"");
        EXPECT_EQ(IsMemoryPercentage(c.parameter), c.expected);
    }
}

TEST(ApplyMemoryPercentage, ShareOfPhysicalMemoryInKilobytes) {
    struct Case {
        const char* name;
        std::string parameter;
        uint64_t memory;
        std::string expected;
    };
    const Case cases[] = {
        {"a quarter of 512 MiB", "-Xmx25P", 512 * kMiB, "-Xmx131072K"},
        {"fraction truncated", "-Xms10p", 512 * kMiB, "-Xms52428K"},
        {"a dot is skipped: 2.5 reads as 25", "-Xmx2.5P", 512 * kMiB, "-Xmx131072K"},
        {"other characters between digits are skipped", "-Xmx1x2P", 512 * kMiB, "-Xmx62914K"},
        {"text before the first digit is kept", "-Xss-5P", 512 * kMiB, "-Xss-26214K"},
        {"no digit", "-XmxP", 512 * kMiB, "-XmxP0K"},
        {"zero percent", "-Xmx0P", 512 * kMiB, "-Xmx0K"},
        {"more than all of it", "-Xmx200P", 512 * kMiB, "-Xmx1048576K"},
        {"memory above 4 GiB", "-Xmx50P", 8 * kGiB, "-Xmx4194304K"},
        {"a quarter of 64 GiB", "-Xmx25P", 64 * kGiB, "-Xmx16777216K"},
        {"less than a kilobyte of memory", "-Xmx50P", 1023, "-Xmx0K"},
        {"a huge percentage saturates", "-Xmx99999999999999999999999P", 64 * kGiB, "-Xmx9223372036854775807K"},
        {"more digits than a double holds", "-Xmx" + std::string(400, '9') + "P", 64 * kGiB,
         "-Xmx9223372036854775807K"},
        {"empty parameter", "", 512 * kMiB, "0K"},
        {"more digits than a double holds, no memory", "-Xmx" + std::string(400, '9') + "P", 0, "-Xmx0K"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ApplyMemoryPercentage(c.parameter, c.memory), c.expected);
    }
}

TEST(ReadOptionSettings, ClassPathParametersAndStoredValues) {
    struct Case {
        const char* name;
        std::string settings;
        Options options;
        std::string libraryPath, outputFile, errorFile, systemPath;
    };
    const Case cases[] = {
        {"class path alone", "[Class Path]\r\nClass Path=lib\\app.jar\r\n", {"-Djava.class.path=lib\\app.jar"}, "",
         "", "", ""},
        {"class path taken whole, not split", "[Class Path]\r\nClass Path=lib\\a b.jar;lib\\c.jar\r\n",
         {"-Djava.class.path=lib\\a b.jar;lib\\c.jar"}, "", "", "", ""},
        {"class path expanded, undefined names kept", "[Class Path]\r\nClass Path=%APP%\\a.jar;%NOPE%\\b.jar\r\n",
         {"-Djava.class.path=C:\\App\\a.jar;%NOPE%\\b.jar"}, "", "", "", ""},
        {"parameters follow the class path, expanded",
         "[Class Path]\r\nClass Path=a.jar\r\n[Java Runtime Environment]\r\n"
         "Virtual Machine Parameters=-Xmx25P -Djava.io.tmpdir=%TEMP% \"-Dhome=%APP%\\x y\"\r\n",
         {"-Djava.class.path=a.jar", "-Xmx131072K", "-Djava.io.tmpdir=C:\\Temp", "-Dhome=C:\\App\\x y"}, "", "", "",
         ""},
        {"the other values are stored unexpanded",
         "[Class Path]\r\nClass Path=a.jar\r\n[Java Runtime Environment]\r\nLibrary Path=%APP%\\native\r\n"
         "System Path=%APP%\\bin\r\n[Application]\r\nOutput File=%TEMP%\\out.txt\r\nError File=err.txt\r\n",
         {"-Djava.class.path=a.jar"}, "%APP%\\native", "%TEMP%\\out.txt", "err.txt", "%APP%\\bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.environment = {{"APP", "C:\\App"}, {"TEMP", "C:\\Temp"}};
        os.files["C:\\Apps\\Tool\\tool.ini"] = c.settings;
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadOptionSettings(launcher));
        EXPECT_EQ(launcher.vmOptions, c.options);
        EXPECT_EQ(launcher.libraryPath, c.libraryPath);
        EXPECT_EQ(launcher.outputFile, c.outputFile);
        EXPECT_EQ(launcher.errorFile, c.errorFile);
        EXPECT_EQ(launcher.systemPath, c.systemPath);
        EXPECT_TRUE(os.shown.empty());
    }
}

TEST(ReadOptionSettings, Failures) {
    struct Case {
        const char* name;
        std::string modulePath;
        std::string settings;
        std::string shown;  // empty: nothing shown
        std::vector<std::string> reads;
    };
    const Case cases[] = {
        {"no class path", "C:\\Apps\\Tool\\tool.exe",
         "[Java Runtime Environment]\r\nVirtual Machine Parameters=-Xmx1g\r\nLibrary Path=x\r\n",
         "Java Class Path was not specified in INI file.", {"Class Path|Class Path"}},
        {"class path in the wrong section", "C:\\Apps\\Tool\\tool.exe",
         "[Java Runtime Environment]\r\nClass Path=a.jar\r\n", "Java Class Path was not specified in INI file.",
         {"Class Path|Class Path"}},
        {"executable path without a dot", "C:\\Apps\\Tool\\tool", "[Class Path]\r\nClass Path=a.jar\r\n", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePath = c.modulePath;
        os.files["C:\\Apps\\Tool\\tool.ini"] = c.settings;
        Launcher launcher(os, WindowsLayout());
        EXPECT_FALSE(ReadOptionSettings(launcher));
        EXPECT_TRUE(launcher.vmOptions.empty());
        EXPECT_EQ(os.profileReads, c.reads);
        if (c.shown.empty()) {
            EXPECT_TRUE(os.shown.empty());
        } else {
            ASSERT_EQ(os.shown.size(), 1u);
            EXPECT_EQ(os.shown[0].text, c.shown);
        }
    }
}

TEST(ApplyEnvironment, LibraryPathOptionAndSearchPath) {
    struct Case {
        const char* name;
        const RuntimeLayout& layout;
        std::string modulePath, jvmPath, libraryPath, systemPath;
        std::string pathBefore;
        std::string libraryOption;  // empty: none appended
        std::string pathAfter;
    };
    const Case cases[] = {
        {"neither setting", WindowsLayout(), "C:\\Apps\\Tool\\tool.exe", "C:\\jre\\bin\\client\\jvm.dll", "", "",
         "C:\\Windows", "", "C:\\Windows"},
        {"library path pieces in order", WindowsLayout(), "C:\\Apps\\Tool\\tool.exe", "C:\\jre\\bin\\client\\jvm.dll",
         "C:\\native", "", "C:\\Windows",
         "-Djava.library.path=C:\\native;C:\\Apps\\Tool\\;.;C:\\Windows;C:\\jre\\lib", "C:\\Windows"},
        {"library path expanded", WindowsLayout(), "C:\\Apps\\Tool\\tool.exe", "C:\\jre\\bin\\client\\jvm.dll",
         "%APP%\\native", "", "C:\\Windows",
         "-Djava.library.path=C:\\App\\native;C:\\Apps\\Tool\\;.;C:\\Windows;C:\\jre\\lib", "C:\\Windows"},
        {"system path extends Path after the library path took it", WindowsLayout(), "C:\\Apps\\Tool\\tool.exe",
         "C:\\jre\\bin\\client\\jvm.dll", "C:\\native", "%APP%\\bin;D:\\tools", "C:\\Windows",
         "-Djava.library.path=C:\\native;C:\\Apps\\Tool\\;.;C:\\Windows;C:\\jre\\lib",
         "C:\\Windows;C:\\App\\bin;D:\\tools"},
        {"system path alone", WindowsLayout(), "C:\\Apps\\Tool\\tool.exe", "C:\\jre\\bin\\client\\jvm.dll", "",
         "D:\\tools", "C:\\Windows", "", "C:\\Windows;D:\\tools"},
        {"Linux separators and PATH", PosixLayout(), "/opt/app/tool", "/usr/lib/jvm/jdk/lib/server/libjvm.so",
         "/opt/native", "/opt/app/bin", "/usr/bin",
         "-Djava.library.path=/opt/native:/opt/app/:.:/usr/bin:/usr/lib/jvm/jdk/lib", "/usr/bin:/opt/app/bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePath = c.modulePath;
        const std::string pathVariable = c.layout.pathVariable;
        os.environment = {{pathVariable, c.pathBefore}, {"APP", "C:\\App"}};
        Launcher launcher(os, c.layout);
        launcher.jvmPath = c.jvmPath;
        launcher.libraryPath = c.libraryPath;
        launcher.systemPath = c.systemPath;
        launcher.vmOptions = {"-Djava.class.path=a.jar"};
        ApplyEnvironment(launcher);
        Options expected{"-Djava.class.path=a.jar"};
        if (!c.libraryOption.empty()) expected.push_back(c.libraryOption);
        EXPECT_EQ(launcher.vmOptions, expected);
        EXPECT_EQ(os.environment[pathVariable], c.pathAfter);
        int pathWrites = 0;
        for (const std::string& call : os.calls) pathWrites += call == "SetEnv " + pathVariable;
        EXPECT_EQ(pathWrites, c.systemPath.empty() ? 0 : 1);
    }
}

TEST(SetJvmVariables, PathAndHomeFromTheLibrary) {
    struct Case {
        const RuntimeLayout& layout;
        std::string jvmPath, home;
    };
    const Case cases[] = {
        {WindowsLayout(), "C:\\Java\\jre\\bin\\client\\jvm.dll", "C:\\Java\\jre"},
        {WindowsLayout(), "C:\\jdk5\\jre\\bin\\server\\jvm.dll", "C:\\jdk5\\jre"},
        {WindowsLayout(), "runtime\\bin\\client\\jvm.dll", "runtime"},
        {WindowsLayout(), "bin\\client\\jvm.dll", "bin"},
        {WindowsLayout(), "jvm.dll", "jvm.dll"},
        {WindowsLayout(), "", ""},
        {PosixLayout(), "/usr/lib/jvm/jdk-17/lib/server/libjvm.so", "/usr/lib/jvm/jdk-17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jvmPath);
        FakeOs os;
        Launcher launcher(os, c.layout);
        launcher.jvmPath = c.jvmPath;
        SetJvmVariables(launcher);
        EXPECT_EQ(os.environment["KX_JVM_PATH"], c.jvmPath);
        EXPECT_EQ(os.environment["KX_JVM_HOME"], c.home);
        EXPECT_EQ(JvmHomeOf(c.jvmPath, c.layout.separator), c.home);
    }
}

}  // namespace
}  // namespace launcher
