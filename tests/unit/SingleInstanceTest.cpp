// The single-instance hand-over: the area's layout, which starts serve or
// hand over, and the delivery of hand-overs to secondaryMain around the VM's
// lifetime.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "instance/HandOverArea.h"
#include "launcher/Launcher.h"
#include "platform/Threads.h"
#include "support/FakeJni.h"
#include "support/FakeOs.h"

namespace launcher {
namespace {

using Args = std::vector<std::string>;

TEST(HandOverArea, ArgumentsRoundTripWithTheirLayoutRules) {
    struct Case {
        const char* name;
        Args written;
        bool fits;
        Args read;
    };
    const std::string a(600, 'a'), b(437, 'b');  // 600 + 437 + 3 = 1040 bytes
    const Case cases[] = {
        {"two arguments", {"a", "b"}, true, {"a", "b"}},
        {"no arguments give one empty string", {}, true, {""}},
        {"an empty argument ends the list", {"a", "", "b"}, true, {"a"}},
        {"spaces and high bytes kept", {"two words", "caf\xe9"}, true, {"two words", "caf\xe9"}},
        {"exactly full", {a, b}, true, {a, b}},
        {"one byte over", {a, b + "b"}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t area[kArgumentsSize];
        std::fill(area, area + kArgumentsSize, 0x55);
        EXPECT_EQ(HandOverFits(c.written), c.fits);
        EXPECT_EQ(WriteHandOverArguments(c.written, area), c.fits);
        if (c.fits) EXPECT_EQ(ReadHandOverArguments(area), c.read);
        else EXPECT_EQ(area[0], 0x55) << "a refused hand-over must leave the area alone";
    }
}

TEST(HandOverArea, AnyBytesReadToADefinedList) {
    uint8_t area[kArgumentsSize];
    std::fill(area, area + kArgumentsSize, 'x');  // no zero at all: the unfinished text is dropped
    EXPECT_TRUE(ReadHandOverArguments(area).empty());
    area[3] = 0;  // "xxx", then text that never ends
    EXPECT_EQ(ReadHandOverArguments(area), Args{"xxx"});
    std::fill(area, area + kArgumentsSize, 0);
    area[kArgumentsSize - 1] = 'y';  // beyond the walk
    EXPECT_EQ(ReadHandOverArguments(area), Args{""});
}

TEST(HandOverArea, ObjectNameFromTheExecutablePath) {
    EXPECT_EQ(InstanceObjectName("C:\\Apps\\Tool\\tool.exe"), "C:_Apps_Tool_tool.exe");
}

const char* const kSettingsFile = "C:\\Apps\\Tool\\tool.ini";
const char* const kJvm = "C:\\jre\\bin\\client\\jvm.dll";

struct Machine {
    FakeOs os;
    FakeJvmWorld world;

    explicit Machine(const char* singleInstance = "yes", const char* type = "") {
        os.files[kSettingsFile] = std::string("[Application]\nSingle Instance=") + singleInstance +
                                  "\nApplication Type=" + type +
                                  "\n[Java Runtime Environment]\nMain Class=app.Main\nJRE Path=C:\\jre\n"
                                  "[Class Path]\nClass Path=app.jar\n";
        os.AddFiles("C:\\jre\\", {"bin\\client\\jvm.dll"});
        os.libraries[kJvm] = FakeJniSymbols();
        world.classes["app/Main"] = FakeJavaClass{};
        world.Install();
    }
    int Launch() { return RunLaunch(os, WindowsLayout()); }
};

TEST(SingleInstance, SettingsDecideWhoServesAndWhoHandsOver) {
    struct Case {
        const char* name;
        const char* singleInstance;
        const char* type;
        FakeOs::Instance instance;
        bool handOverSucceeds;
        int exitCode;
        bool channelOpened;
        bool mainCalled;
    };
    const Case cases[] = {
        {"first instance runs the application", "yes", "", FakeOs::Instance::First, true, 0, true, true},
        {"later start hands over and ends with 0", "yes", "", FakeOs::Instance::Later, true, 0, true, false},
        {"later start whose hand-over failed", "yes", "", FakeOs::Instance::Later, false, -1, true, false},
        {"objects unavailable: runs on its own", "yes", "", FakeOs::Instance::Unavailable, true, 0, true, true},
        {"Yes is not yes", "Yes", "", FakeOs::Instance::Later, true, 0, false, true},
        {"a service never hands over", "yes", "service", FakeOs::Instance::Later, true, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m(c.singleInstance, c.type);
        m.os.arguments = {"a", "b"};
        m.os.instance = c.instance;
        m.os.handOverSucceeds = c.handOverSucceeds;

        EXPECT_EQ(m.Launch(), c.exitCode);

        EXPECT_EQ(!m.os.instanceNames.empty(), c.channelOpened);
        if (c.channelOpened) EXPECT_EQ(m.os.instanceNames[0], "C:_Apps_Tool_tool.exe");
        EXPECT_EQ(m.world.MainCalled(), c.mainCalled);
        EXPECT_TRUE(m.os.shown.empty());
        EXPECT_FALSE(m.os.listening) << "teardown releases the channel";
        if (c.instance == FakeOs::Instance::Later && c.channelOpened) {
            EXPECT_EQ(m.os.handedOver, (std::vector<Args>{{"a", "b"}}));
            // Nothing else is read, searched, shown or loaded.
            EXPECT_EQ(m.os.profileReads, (Args{"Application|Application Type", "Application|Single Instance"}));
            EXPECT_TRUE(m.os.loaded.empty());
            EXPECT_TRUE(m.os.splashes.empty());
        }
    }
}

TEST(SingleInstance, HandOversBeforeAndDuringMainReachSecondaryMainOnceEach) {
    Machine m;
    m.world.mainWaitsForSecondaryCalls = 3;
    m.world.onEvent = [&](const FakeJniEvent& event) {
        // The listener runs from Init on: this one arrives while the VM is
        // being created and is held until it is up.
        if (event.kind == "create_java_vm") EXPECT_TRUE(m.os.DeliverHandOver({"early"}));
        // Two more later starts while main runs.
        if (event.kind == "main") {
            m.os.DeliverHandOver({"during", "1"});
            m.os.DeliverHandOver({"during", "2"});
        }
    };

    EXPECT_EQ(m.Launch(), 0);

    std::vector<Args> received;
    for (const std::vector<FakeJavaString>& call : m.world.SecondaryMainArgs()) {
        Args args;
        for (const FakeJavaString& s : call) args.push_back(s.bytes);
        received.push_back(args);
    }
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, (std::vector<Args>{{"during", "1"}, {"during", "2"}, {"early"}}));
    // Each on its own attached thread, none on the main thread.
    for (int thread : m.world.ThreadsOf("secondary_main")) EXPECT_NE(thread, 1);
}

TEST(SingleInstance, HandOverAfterTheVmIsGoneIsDropped) {
    Machine m;
    ASSERT_EQ(m.Launch(), 0);
    // The listener ended with the launch; a hand-over that slipped in after
    // DestroyJavaVM is dropped by the dispatcher instead of calling the VM.
    HandOverDispatcher dispatcher;
    dispatcher.Close();
    HandOverDispatcher::Receive(&dispatcher, {"late"});
    EXPECT_EQ(dispatcher.Received(), 1);
    EXPECT_TRUE(m.world.SecondaryMainArgs().empty());
}

TEST(SingleInstance, MissingSecondaryMainIsPrintedAndTheApplicationGoesOn) {
    Machine m;
    m.world.classes["app/Main"].hasSecondaryMain = false;
    m.world.mainWaitsForSecondaryCalls = 0;
    m.world.mainSleepMs = 200;
    m.world.onEvent = [&](const FakeJniEvent& event) {
        if (event.kind == "main") m.os.DeliverHandOver({"x"});
    };
    EXPECT_EQ(m.Launch(), 0);
    const std::vector<std::string> described = m.world.ExceptionsDescribed();
    ASSERT_EQ(described.size(), 1u);
    EXPECT_NE(described[0].find("NoSuchMethodError"), std::string::npos);
    EXPECT_TRUE(m.os.shown.empty());
}

}  // namespace
}  // namespace launcher
