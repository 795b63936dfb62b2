// The whole launch sequence against the fake system and the fake JVM: order
// of steps, exit codes, and which message is shown with which arguments.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "launcher/Launcher.h"
#include "support/FakeJni.h"
#include "support/FakeOs.h"

namespace launcher {
namespace {

const char* const kSettingsFile = "C:\\Apps\\Tool\\tool.ini";
const char* const kHome = "C:\\jre\\";
const char* const kJvm = "C:\\jre\\bin\\client\\jvm.dll";

// A machine where tool.exe finds its runtime through "JRE Path".
struct Machine {
    FakeOs os;
    FakeJvmWorld world;

    Machine() {
        os.files[kSettingsFile] =
            "[Java Runtime Environment]\n"
            "Main Class=com.example.App\n"
            "JRE Path=C:\\jre\n"
            "[Class Path]\n"
            "Class Path=app.jar\n";
        os.AddFiles(kHome, {"bin\\java.dll", "bin\\client\\jvm.dll"});
        os.libraries[kJvm] = FakeJniSymbols();
        world.classes["com/example/App"] = FakeJavaClass{};
        world.Install();
    }

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        os.WriteProfileValue(kSettingsFile, section, key, value);
        os.calls.clear();
    }

    int Launch() { return RunLaunch(os, WindowsLayout()); }

    std::vector<std::string> ShownTexts() const {
        std::vector<std::string> texts;
        for (const FakeOs::Shown& s : os.shown) texts.push_back(s.text);
        return texts;
    }
};

TEST(LaunchSequence, StartsTheMainClassWithTheArgumentsAndExitsWithZero) {
    Machine m;
    m.os.arguments = {"one", "two words", "-nosplash", "caf\xe9"};
    m.Set("Java Runtime Environment", "Virtual Machine Parameters", "-Xmx64m -Dapp.home=\"C:\\Program Files\\App\"");

    EXPECT_EQ(m.Launch(), 0);

    EXPECT_TRUE(m.os.shown.empty());
    ASSERT_EQ(m.os.loaded, std::vector<std::string>{kJvm});
    // Current runtimes' jvm.dll imports the C runtime from the home's bin.
    EXPECT_EQ(m.os.dependencyFolders, std::vector<std::string>{"C:\\jre\\bin"});
    const FakeVmCreation creation = m.world.Creation();
    EXPECT_EQ(creation.version, JNI_VERSION_1_2);
    EXPECT_FALSE(creation.ignoreUnrecognized);
    EXPECT_EQ(creation.options, (std::vector<std::string>{"-Djava.class.path=app.jar", "-Xmx64m",
                                                         "-Dapp.home=C:\\Program Files\\App"}));
    const std::vector<FakeJavaString> args = m.world.MainArgs();
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[1].bytes, "two words");
    EXPECT_EQ(args[2].bytes, "-nosplash");
    // The bytes are decoded with the system's native encoding, not with the
    // runtime's default charset (UTF-8 since Java 18).
    EXPECT_EQ(args[3].bytes, "caf\xe9");
    EXPECT_EQ(args[3].charset, "Cp1252");
    EXPECT_EQ(args[3].text, "caf\xc3\xa9");
    EXPECT_EQ(m.os.environment["KX_JVM_PATH"], kJvm);
    EXPECT_EQ(m.os.environment["KX_JVM_HOME"], "C:\\jre");

    // main runs, the main thread detaches, and teardown destroys the VM last.
    const std::vector<std::string> kinds = m.world.Kinds();
    auto position = [&](const std::string& kind) {
        for (size_t i = 0; i < kinds.size(); ++i)
            if (kinds[i] == kind) return static_cast<int>(i);
        return -1;
    };
    EXPECT_LT(position("create_java_vm"), position("main"));
    EXPECT_LT(position("main"), position("detach_current_thread"));
    EXPECT_LT(position("detach_current_thread"), position("destroy_java_vm"));
    EXPECT_EQ(m.world.UnreleasedUtfChars(), 0u);
}

TEST(LaunchSequence, ReadsTheSettingsInTheirOrder) {
    Machine m;
    m.Set("Application", "Output File", ::testing::TempDir() + "launch-sequence-out.txt");
    ASSERT_EQ(m.Launch(), 0);
    const std::vector<std::string> expected = {
        "Application|Application Type", "Application|Single Instance", "Java Runtime Environment|Minimum Version", "Java Runtime Environment|Maximum Version",
        "Java Runtime Environment|Preferred versions", "Java Runtime Environment|JRE Path",
        "Java Runtime Environment|JVM Type", "Java Runtime Environment|JVM Source",
        "Java Runtime Environment|Main Class", "Display|Splash Screen", "Display|Splash Screen Shadow",
        "Class Path|Class Path",
        "Java Runtime Environment|Virtual Machine Parameters", "Java Runtime Environment|Library Path",
        "Application|Output File", "Application|Error File", "Java Runtime Environment|System Path"};
    EXPECT_EQ(m.os.profileReads, expected);
}

TEST(LaunchSequence, SplashFromStartUntilTeardownUnlessSwitchedOff) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* picture;
        const char* shadow;
        bool classPath;
        std::vector<std::string> splashes;
        bool displayRead;
    };
    const Case cases[] = {
        {"picture with shadow", {}, "splash.bmp", "true", true, {"splash.bmp|shadow"}, true},
        {"shadow needs exactly true", {}, "splash.bmp", "True", true, {"splash.bmp|plain"}, true},
        {"no picture", {}, "", "true", true, {}, true},
        {"-nosplash", {"a", "-nosplash"}, "splash.bmp", "", true, {}, false},
        {"/nosplash", {"/nosplash"}, "splash.bmp", "", true, {}, false},
        {"other spelling is an ordinary argument", {"-NoSplash"}, "splash.bmp", "", true, {"splash.bmp|plain"}, true},
        {"failed launch still ends the splash", {}, "splash.bmp", "", false, {"splash.bmp|plain"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m;
        m.os.arguments = c.arguments;
        m.os.splashWindow = reinterpret_cast<WindowHandle>(0x1234);
        m.Set("Display", "Splash Screen", c.picture);
        m.Set("Display", "Splash Screen Shadow", c.shadow);
        if (!c.classPath) m.Set("Class Path", "Class Path", "");

        m.Launch();

        EXPECT_EQ(m.os.splashes, c.splashes);
        EXPECT_FALSE(m.os.splashRunning);
        bool displayRead = false;
        for (const std::string& read : m.os.profileReads) displayRead = displayRead || read.rfind("Display|", 0) == 0;
        EXPECT_EQ(displayRead, c.displayRead);
        // Every argument, the switches included, reaches main.
        if (c.classPath) EXPECT_EQ(m.world.MainArgs().size(), c.arguments.size());
        // A box shown while the splash is up is owned by it.
        for (const FakeOs::Shown& s : m.os.shown) EXPECT_EQ(s.owner, m.os.splashWindow);
    }
}

TEST(LaunchSequence, WithoutArgumentsMainGetsAnEmptyArray) {
    Machine m;
    ASSERT_EQ(m.Launch(), 0);
    ASSERT_TRUE(m.world.MainCalled());
    EXPECT_TRUE(m.world.MainArgs().empty());
}

TEST(LaunchSequence, FailuresShowTheirMessageAndExitWithMinusOne) {
    struct Case {
        const char* name;
        std::function<void(Machine&)> arrange;
        int exitCode;
        std::vector<std::string> shown;
        bool libraryLoaded;
        bool vmCreated;
    };
    const Case cases[] = {
        {"no settings file", [](Machine& m) { m.os.files.clear(); }, -1,
         {"Main class was not specified in INI file."}, false, false},
        {"no class path", [](Machine& m) { m.Set("Class Path", "Class Path", ""); }, -1,
         {"Java Class Path was not specified in INI file."}, false, false},
        {"executable path unavailable",
         [](Machine& m) {
             m.os.modulePathFails = true;
             m.os.modulePathError = 5;
         },
         -1, {"Windows exception: failed to get the module path (errno = 5).\n"}, false, false},
        {"executable path without a dot", [](Machine& m) { m.os.modulePath = "C:\\Apps\\Tool\\tool"; }, -1, {},
         false, false},
        {"library does not load", [](Machine& m) { m.os.libraries.clear(); }, -1,
         {"Failed to load Java VM library: C:\\jre\\bin\\client\\jvm.dll (errno = 126).\n"}, true, false},
        {"library without JNI_GetDefaultJavaVMInitArgs",
         [](Machine& m) { m.os.libraries[kJvm].erase("JNI_GetDefaultJavaVMInitArgs"); }, -1,
         {"Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n"}, true, false},
        {"library without JNI_CreateJavaVM", [](Machine& m) { m.os.libraries[kJvm].erase("JNI_CreateJavaVM"); },
         -1, {"Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n"}, true, false},
        {"VM refuses to start", [](Machine& m) { m.world.createResult = JNI_ENOMEM; }, -1,
         {"JNI exception: failed to create the Java VM.\n"}, true, false},
        {"unrecognised option",
         [](Machine& m) { m.Set("Java Runtime Environment", "Virtual Machine Parameters", "-Xfoo"); }, -1,
         {"JNI exception: failed to create the Java VM.\n"}, true, false},
        {"main class missing", [](Machine& m) { m.world.classes.clear(); }, -1,
         {"Could not find the main class com/example/App.\n"}, true, true},
        {"no main, exception pending", [](Machine& m) { m.world.classes["com/example/App"].hasMain = false; },
         -1, {}, true, true},
        {"no main, nothing pending",
         [](Machine& m) {
             m.world.classes["com/example/App"].hasMain = false;
             m.world.missingMethodThrows = false;
         },
         -1, {"No main method found in specified class.\n"}, true, true},
        {"main throws", [](Machine& m) { m.world.mainThrows = "java/lang/IllegalStateException"; }, 0, {}, true,
         true},
        {"detach fails", [](Machine& m) { m.world.detachFails = true; }, -1, {}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m;
        c.arrange(m);
        EXPECT_EQ(m.Launch(), c.exitCode);
        EXPECT_EQ(m.ShownTexts(), c.shown);
        EXPECT_EQ(!m.os.loaded.empty(), c.libraryLoaded);
        EXPECT_EQ(m.world.Destroyed(), c.vmCreated);
        // No box before the splash exists has an owner.
        for (const FakeOs::Shown& s : m.os.shown) EXPECT_EQ(s.owner, nullptr);
    }
}

TEST(LaunchSequence, PendingJavaExceptionsArePrinted) {
    struct Case {
        const char* name;
        std::function<void(Machine&)> arrange;
        std::vector<std::string> described;
    };
    const Case cases[] = {
        {"main class missing", [](Machine& m) { m.world.classes.clear(); },
         {"java.lang.NoClassDefFoundError: com/example/App"}},
        {"no main", [](Machine& m) { m.world.classes["com/example/App"].hasMain = false; },
         {"java.lang.NoSuchMethodError: main"}},
        {"main throws",
         [](Machine& m) {
             m.world.mainThrows = "java/lang/IllegalStateException";
             m.world.mainThrowsMessage = "boom";
         },
         {"java.lang.IllegalStateException: boom"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m;
        c.arrange(m);
        m.Launch();
        EXPECT_EQ(m.world.ExceptionsDescribed(), c.described);
    }
}

TEST(LaunchSequence, RedirectsTheStandardStreamsBeforeMain) {
    Machine m;
    const std::string out = ::testing::TempDir() + "launch-sequence-unopenable.txt";
    const std::string err = ::testing::TempDir() + "launch-sequence-err.txt";
    m.Set("Application", "Output File", out);
    m.Set("Application", "Error File", err);
    m.world.unopenableFiles = {out};

    EXPECT_EQ(m.Launch(), 0);

    // The output file cannot be opened: its exception is printed, standard
    // output stays, and the error file is still applied.
    using Redirection = std::pair<std::string, std::string>;
    EXPECT_EQ(m.world.Redirections(), (std::vector<Redirection>{{"set_err", err}}));
    ASSERT_EQ(m.world.ExceptionsDescribed().size(), 1u);
    EXPECT_NE(m.world.ExceptionsDescribed()[0].find("FileNotFoundException"), std::string::npos);
    EXPECT_TRUE(m.world.MainCalled());
}

TEST(LaunchSequence, ARuntimeWithoutNativeEncodingPropertyUsesItsDefaultCharset) {
    Machine m;
    m.world.systemProperties.erase("sun.jnu.encoding");
    m.os.arguments = {"x"};
    ASSERT_EQ(m.Launch(), 0);
    ASSERT_EQ(m.world.MainArgs().size(), 1u);
    EXPECT_EQ(m.world.MainArgs()[0].charset, m.world.defaultCharset);
}

TEST(LaunchSequence, NoRuntimeFoundShowsTheRequirementAndDialogResultDecides) {
    struct Case {
        const char* name;
        int dialogResult;
        int exitCode;
    };
    const Case cases[] = {{"cancel", 2, -1}, {"dialog not shown", 0, -1}, {"ok", 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m;
        m.Set("Java Runtime Environment", "JRE Path", "");
        m.Set("Java Runtime Environment", "Minimum Version", "1.4");
        m.Set("Java Runtime Environment", "Maximum Version", "any");
        m.os.dialogResult = c.dialogResult;
        m.os.dialogFolder = "D:\\Java\\jre\\";
        m.os.dialogJvmPath = "D:\\Java\\jre\\bin\\client\\jvm.dll";
        m.os.libraries[m.os.dialogJvmPath] = FakeJniSymbols();
        const std::string before = m.os.files[kSettingsFile];

        EXPECT_EQ(m.Launch(), c.exitCode);

        EXPECT_EQ(m.os.dialogMessages,
                  std::vector<std::string>{"The Java Runtime Environment (JRE) was not found. Please  download and "
                                           "install a JRE (minimum version 1.4) from:"});
        if (c.dialogResult == 1) {
            EXPECT_EQ(m.os.loaded, std::vector<std::string>{m.os.dialogJvmPath});
            EXPECT_NE(m.os.files[kSettingsFile].find("JRE Path=D:\\Java\\jre\\"), std::string::npos);
        } else {
            EXPECT_TRUE(m.os.loaded.empty());
            EXPECT_EQ(m.os.files[kSettingsFile], before);
        }
    }
}

}  // namespace
}  // namespace launcher
