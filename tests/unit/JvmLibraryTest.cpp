// Tests of the JVM library location inside a Java home, the runtime marker and the "JVM Type" setting.
#include "discovery/JvmLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FakeOs.h"

namespace launcher {
namespace {

const char* TypeName(JvmType type) {
    switch (type) {
    case JvmType::Server: return "Server";
    case JvmType::FavorServer: return "FavorServer";
    case JvmType::Default: return "Default";
    }
    return "?";
}

TEST(LocateJvmLibrary, TriesTheVariantsInTheOrderOfTheType) {
    const std::string server = "bin\\server\\jvm.dll", client = "bin\\client\\jvm.dll",
                      classic = "bin\\classic\\jvm.dll", hotspot = "bin\\hotspot\\jvm.dll";
    const std::string lServer = "lib/server/libjvm.so", lClient = "lib/client/libjvm.so";
    struct Case {
        const char* name;
        const RuntimeLayout& layout;
        std::string home;  // the files below are relative to `root`
        std::string root;
        JvmType type;
        std::vector<std::string> present;
        std::string found;  // relative to `root`; empty: none
        bool hasServerVm;
    };
    const Case cases[] = {
        {"server wants the server VM only", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::Server, {client}, "",
         false},
        {"server with both", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::Server, {client, server}, server,
         true},
        {"favor_server with client and server", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::FavorServer,
         {client, server}, server, true},
        {"favor_server with a client only", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::FavorServer,
         {client}, client, false},
        {"favor_server falls to classic before hotspot", WindowsLayout(), "C:\\jre\\", "C:\\jre\\",
         JvmType::FavorServer, {hotspot, classic}, classic, false},
        {"favor_server with hotspot alone", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::FavorServer,
         {hotspot}, hotspot, false},
        {"default takes the client first", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::Default,
         {client, server}, client, false},
        {"default takes classic before hotspot and server", WindowsLayout(), "C:\\jre\\", "C:\\jre\\",
         JvmType::Default, {server, hotspot, classic}, classic, false},
        {"default with only hotspot", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::Default, {hotspot},
         hotspot, false},
        {"default with only a server VM", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::Default, {server},
         server, true},
        {"a runtime marker is no VM", WindowsLayout(), "C:\\jre\\", "C:\\jre\\", JvmType::Default,
         {"bin\\java.dll", "bin\\jvm.dll"}, "", false},
        {"home without its separator is not repaired", WindowsLayout(), "C:\\jre", "C:\\jre\\", JvmType::Default,
         {client, server}, "", false},
        {"Linux default takes the client first", PosixLayout(), "/opt/jdk/", "/opt/jdk/", JvmType::Default,
         {lServer, lClient}, lClient, false},
        {"Linux default with only the server VM", PosixLayout(), "/opt/jdk/", "/opt/jdk/", JvmType::Default,
         {lServer}, lServer, true},
        {"Linux server without one", PosixLayout(), "/opt/jdk/", "/opt/jdk/", JvmType::Server, {lClient}, "", false},
        // The classic and hotspot slots are empty on Linux: the home itself,
        // which exists, must not be taken for a library.
        {"Linux empty slots are never tried", PosixLayout(), "/opt/jdk/", "/opt/jdk/", JvmType::FavorServer, {""},
         "", false},
    };
    for (const Case& c : cases) {
        for (bool before : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + " (" + TypeName(c.type) + ", flag before " +
                         (before ? "true" : "false") + ")");
            FakeOs os;
            os.AddFiles(c.root, c.present);
            bool hasServerVm = before;
            const std::string path = LocateJvmLibrary(os, c.layout, c.home, c.type, hasServerVm);
            if (c.found.empty()) {
                EXPECT_EQ(path, "");
                EXPECT_EQ(hasServerVm, before) << "left untouched when nothing is found";
            } else {
                EXPECT_EQ(path, c.root + c.found);
                EXPECT_EQ(hasServerVm, c.hasServerVm);
            }
            EXPECT_EQ(LocateJvmLibrary(os, c.layout, c.home, c.type), path);
        }
    }
}

TEST(HasJavaRuntime, LooksForTheMarkerLibrary) {
    struct Case {
        const char* name;
        const RuntimeLayout& layout;
        std::string home;
        std::vector<std::string> present;
        bool expected;
    };
    const Case cases[] = {
        {"Windows marker present", WindowsLayout(), "C:\\jre\\", {"C:\\jre\\bin\\java.dll"}, true},
        {"a VM alone is no marker", WindowsLayout(), "C:\\jre\\", {"C:\\jre\\bin\\client\\jvm.dll"}, false},
        {"home without separator", WindowsLayout(), "C:\\jre", {"C:\\jre\\bin\\java.dll"}, false},
        {"empty home is relative", WindowsLayout(), "", {"bin\\java.dll"}, true},
        {"Linux marker present", PosixLayout(), "/opt/jdk/", {"/opt/jdk/lib/libjava.so"}, true},
        {"Windows marker on Linux", PosixLayout(), "/opt/jdk/", {"/opt/jdk/bin\\java.dll"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.AddFiles("", c.present);
        EXPECT_EQ(HasJavaRuntime(os, c.layout, c.home), c.expected);
    }
}

TEST(JvmTypeFromSetting, ExactValuesOnly) {
    struct Case {
        std::string text;
        JvmType expected;
    };
    const Case cases[] = {
        {"server", JvmType::Server},       {"favor_server", JvmType::FavorServer}, {"", JvmType::Default},
        {"Server", JvmType::Default},      {"favor_Server", JvmType::Default},     {" server", JvmType::Default},
        {"server ", JvmType::Default},     {"client", JvmType::Default},           {"default", JvmType::Default},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        EXPECT_EQ(JvmTypeFromSetting(c.text), c.expected);
    }
}

}  // namespace
}  // namespace launcher
