// Tests of runtime discovery: registry candidates and their choice, the Linux installed-runtimes search, the search order and the requirement text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/Candidates.h"
#include "discovery/FindJvm.h"
#include "discovery/InstalledRuntimes.h"
#include "discovery/RegistrySearch.h"
#include "launcher/Launcher.h"
#include "launcher/ProfileFile.h"
#include "launcher/Settings.h"
#include "support/FakeOs.h"

namespace launcher {
namespace {

const std::string kJdk = "Software\\JavaSoft\\Java Development Kit";
const std::string kJre = "Software\\JavaSoft\\Java Runtime Environment";
const std::string kOpenedJdk = "RegistrySubKeys " + kJdk;
const std::string kOpenedJre = "RegistrySubKeys " + kJre;

const std::string kClient = "bin\\client\\jvm.dll";
const std::string kServer = "bin\\server\\jvm.dll";
const std::string kMarker = "bin\\java.dll";

const std::string kWindowsSettings = "C:\\Apps\\Tool\\tool.ini";
const std::string kLinuxSettings = "/opt/app/tool.ini";

// One registered runtime: a version sub-key with its "JavaHome", and the VM
// variants present in its home (for a JDK, in its jre\ folder).
struct Registered {
    bool jdk;
    std::string name;
    std::string javaHome;
    std::vector<std::string> vms;
};

void Register(FakeOs& os, const std::vector<Registered>& runtimes) {
    for (const Registered& r : runtimes) {
        const std::string& key = r.jdk ? kJdk : kJre;
        os.registryKeys[key].push_back(r.name);
        os.registryValues[key + "\\" + r.name + "|JavaHome"] = r.javaHome;
        std::string home = r.javaHome;
        if (home.back() != '\\') home += '\\';
        os.AddFiles(r.jdk ? home + "jre\\" : home, r.vms);
    }
}

// The Java section of the settings file: the given lines and a main class.
void WriteSettings(FakeOs& os, const std::string& file, const std::string& lines) {
    os.files[file] = "[Java Runtime Environment]\r\n" + lines + "Main Class=App\r\n";
}

std::vector<std::string> RegistryKeysOpened(const FakeOs& os) {
    std::vector<std::string> opened;
    for (const std::string& call : os.calls)
        if (call.rfind("RegistrySubKeys ", 0) == 0) opened.push_back(call);
    return opened;
}

TEST(SearchRegistry, SourceKindServerAndPreferredVersionsDecide) {
    struct Case {
        const char* name;
        std::string settings;
        std::vector<Registered> runtimes;
        std::string home;  // empty: nothing chosen
        std::vector<std::string> keysOpened;
    };
    const std::vector<std::string> both{kOpenedJdk, kOpenedJre};
    const Case cases[] = {
        {"only_JDK never opens the JRE key",
         "JVM Source=only_JDK\r\n",
         {{false, "1.5.0", "C:\\jre5", {kClient}}},
         "",
         {kOpenedJdk}},
        {"wrong-case source searches no key",
         "JVM Source=favor_jre\r\n",
         {{true, "1.5.0", "C:\\jdk5", {kClient}}, {false, "1.5.0", "C:\\jre5", {kClient}}},
         "",
         {}},
        {"unknown source searches no key",
         "JVM Source=registry\r\n",
         {{false, "1.5.0", "C:\\jre5", {kClient}}},
         "",
         {}},
        {"no preference: the JDK, collected first, wins a tie",
         "",
         {{false, "1.5.0", "C:\\jre5", {kClient}}, {true, "1.5.0", "C:\\jdk5", {kClient}}},
         "C:\\jdk5\\jre\\",
         both},
        {"no preference: the higher version wins over the JDK",
         "",
         {{true, "1.5.0", "C:\\jdk5", {kClient}}, {false, "1.6.0", "C:\\jre6", {kClient}}},
         "C:\\jre6\\",
         both},
        {"favor_JRE takes a lower JRE over a JDK",
         "JVM Source=favor_JRE\r\n",
         {{true, "1.5.0", "C:\\jdk5", {kClient}}, {false, "1.4.2", "C:\\jre142", {kClient}}},
         "C:\\jre142\\",
         both},
        {"favor_JDK takes a lower JDK over a JRE",
         "JVM Source=favor_JDK\r\n",
         {{false, "1.6.0", "C:\\jre6", {kClient}}, {true, "1.4.2", "C:\\jdk142", {kClient}}},
         "C:\\jdk142\\jre\\",
         both},
        {"only_JRE ignores a higher JDK",
         "JVM Source=only_JRE\r\n",
         {{true, "1.6.0", "C:\\jdk6", {kClient}}, {false, "1.4.2", "C:\\jre142", {kClient}}},
         "C:\\jre142\\",
         {kOpenedJre}},
        {"favor_server: a JDK with a server VM beats a higher client JRE",
         "JVM Type=favor_server\r\n",
         {{true, "1.4.2", "C:\\j2sdk1.4.2", {kServer}}, {false, "1.5.0", "C:\\jre5", {kClient}}},
         "C:\\j2sdk1.4.2\\jre\\",
         both},
        {"favor_server: a JRE with client and server counts as client",
         "JVM Type=favor_server\r\n",
         {{false, "1.6.0", "C:\\jre6", {kClient, kServer}}, {false, "1.5.0", "C:\\jre5", {kServer}}},
         "C:\\jre5\\",
         both},
        {"favor_server: a JDK with client and server counts as server",
         "JVM Type=favor_server\r\n",
         {{false, "1.6.0", "C:\\jre6", {kClient, kServer}}, {true, "1.5.0", "C:\\jdk5", {kClient, kServer}}},
         "C:\\jdk5\\jre\\",
         both},
        {"favor_server: the favoured kind still comes first",
         "JVM Type=favor_server\r\nJVM Source=favor_JRE\r\n",
         {{true, "1.5.0", "C:\\jdk5", {kServer}}, {false, "1.4.2", "C:\\jre142", {kClient}}},
         "C:\\jre142\\",
         both},
        {"server: only homes with a server VM qualify",
         "JVM Type=server\r\n",
         {{false, "1.6.0", "C:\\jre6", {kClient}}, {false, "1.5.0", "C:\\jre5", {kServer}}},
         "C:\\jre5\\",
         both},
        {"server: client VMs only give nothing",
         "JVM Type=server\r\n",
         {{true, "1.6.0", "C:\\jdk6", {kClient}}, {false, "1.5.0", "C:\\jre5", {kClient}}},
         "",
         both},
        {"preferred 1.4 takes the highest matching candidate",
         "Preferred versions=1.4\r\n",
         {{false, "1.4.2", "C:\\jre142", {kClient}},
          {false, "1.5.0", "C:\\jre150", {kClient}},
          {false, "1.4.2_06", "C:\\jre14206", {kClient}}},
         "C:\\jre14206\\",
         both},
        {"the first preferred entry that matches decides",
         "Preferred versions=1.3;1.4\r\n",
         {{false, "1.4.2", "C:\\jre142", {kClient}}, {false, "1.3.1", "C:\\jre131", {kClient}}},
         "C:\\jre131\\",
         both},
        {"an empty preferred entry matches nothing here",
         "Preferred versions=;1.4\r\n",
         {{false, "1.5.0", "C:\\jre150", {kClient}}, {false, "1.4.2", "C:\\jre142", {kClient}}},
         "C:\\jre142\\",
         both},
        {"no preferred match: the first of the sorted list",
         "Preferred versions=1.6\r\n",
         {{false, "1.4.2", "C:\\jre142", {kClient}}, {false, "1.5.0", "C:\\jre150", {kClient}}},
         "C:\\jre150\\",
         both},
        {"preferred versions override the favoured kind",
         "JVM Source=favor_JDK\r\nPreferred versions=1.4\r\n",
         {{true, "1.5.0", "C:\\jdk5", {kClient}}, {false, "1.4.2", "C:\\jre142", {kClient}}},
         "C:\\jre142\\",
         both},
        {"preferred versions never widen the range",
         "Maximum Version=1.5\r\nPreferred versions=1.6\r\n",
         {{false, "1.6.0", "C:\\jre6", {kClient}}, {false, "1.5.0", "C:\\jre5", {kClient}}},
         "C:\\jre5\\",
         both},
        {"preferred versions never bring in a home without a VM",
         "Preferred versions=1.6\r\n",
         {{false, "1.6.0", "C:\\jre6", {kMarker}}, {false, "1.5.0", "C:\\jre5", {kClient}}},
         "C:\\jre5\\",
         both},
        {"nothing inside the range",
         "Minimum Version=1.4\r\nMaximum Version=1.5\r\n",
         {{false, "1.3.1", "C:\\jre131", {kClient}}, {false, "1.6.0", "C:\\jre6", {kClient}}},
         "",
         both},
        {"no JavaSoft keys at all", "", {}, "", both},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        WriteSettings(os, kWindowsSettings, c.settings);
        Register(os, c.runtimes);
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        std::string home = "unchanged";
        EXPECT_EQ(SearchRegistry(launcher, home), !c.home.empty());
        EXPECT_EQ(home, c.home.empty() ? "unchanged" : c.home);
        // The JavaSoft keys are read first; the keys of current runtimes
        // only when those gave no candidate.
        const std::vector<std::string> opened = RegistryKeysOpened(os);
        if (!c.home.empty()) {
            EXPECT_EQ(opened, c.keysOpened);
        } else {
            ASSERT_GE(opened.size(), c.keysOpened.size());
            EXPECT_EQ(std::vector<std::string>(opened.begin(), opened.begin() + c.keysOpened.size()), c.keysOpened);
        }
        EXPECT_TRUE(os.shown.empty());
    }
}

TEST(CollectCandidates, RangeHomeServerFlagAndKind) {
    struct Expected {
        std::string version;  // as Format writes it
        std::string home;
        bool hasServerVm;
        bool preferredKind;
    };
    struct Case {
        const char* name;
        std::string settings;
        bool jdkKey;
        std::vector<Registered> runtimes;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"inclusive range 1.4 to 1.5, in listing order",
         "Minimum Version=1.4\r\nMaximum Version=1.5\r\n",
         false,
         {{false, "1.3.1", "C:\\a", {kClient}},
          {false, "1.5.0_06", "C:\\b", {kClient}},
          {false, "1.4", "C:\\c", {kClient}},
          {false, "1.6", "C:\\d", {kClient}},
          {false, "1.4.2_06", "C:\\e", {kClient}},
          {false, "1.5", "C:\\f", {kClient}}},
         {{"1.5.0.6", "C:\\b\\", false, false},
          {"1.4", "C:\\c\\", false, false},
          {"1.4.2.6", "C:\\e\\", false, false},
          {"1.5", "C:\\f\\", false, false}}},
        {"a missing maximum sets no upper limit",
         "Minimum Version=1.4\r\n",
         false,
         {{false, "1.3", "C:\\a", {kClient}}, {false, "25", "C:\\b", {kClient}}},
         {{"25", "C:\\b\\", false, false}}},
        {"a name without digits is 0.0.0.0 and passes an open lower bound",
         "",
         false,
         {{false, "default", "C:\\a", {kClient}}},
         {{"0.0.0.0", "C:\\a\\", false, false}}},
        {"a name without digits fails a real lower bound",
         "Minimum Version=1.4\r\n",
         false,
         {{false, "default", "C:\\a", {kClient}}},
         {}},
        {"two sub-keys with the same home are two candidates",
         "",
         false,
         {{false, "1.5", "C:\\jre5", {kClient}}, {false, "1.5.0_06", "C:\\jre5", {kClient}}},
         {{"1.5", "C:\\jre5\\", false, false}, {"1.5.0.6", "C:\\jre5\\", false, false}}},
        {"JDK homes are their jre folder",
         "",
         true,
         {{true, "1.4.2", "C:\\j2sdk1.4.2", {kClient}}, {true, "1.5.0", "C:\\jdk5\\", {kClient}}},
         {{"1.4.2", "C:\\j2sdk1.4.2\\jre\\", false, false}, {"1.5", "C:\\jdk5\\jre\\", false, false}}},
        {"favor_server tests a JRE in the default order",
         "JVM Type=favor_server\r\nJVM Source=favor_JRE\r\n",
         false,
         {{false, "1.6", "C:\\a", {kClient, kServer}}, {false, "1.5", "C:\\b", {kServer}}},
         {{"1.6", "C:\\a\\", false, true}, {"1.5", "C:\\b\\", true, true}}},
        {"favor_server tests a JDK in its own order",
         "JVM Type=favor_server\r\nJVM Source=favor_JRE\r\n",
         true,
         {{true, "1.6", "C:\\a", {kClient, kServer}}, {true, "1.5", "C:\\b", {kClient}}},
         {{"1.6", "C:\\a\\jre\\", true, false}, {"1.5", "C:\\b\\jre\\", false, false}}},
        {"favor_JDK marks JDK candidates", "JVM Source=favor_JDK\r\n", true,
         {{true, "1.6", "C:\\a", {kServer}}}, {{"1.6", "C:\\a\\jre\\", true, true}}},
        {"only_JRE marks JRE candidates", "JVM Source=only_JRE\r\n", false,
         {{false, "1.6", "C:\\a", {kClient}}}, {{"1.6", "C:\\a\\", false, true}}},
        {"a key that cannot be opened adds nothing", "", true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        WriteSettings(os, kWindowsSettings, c.settings);
        Register(os, c.runtimes);
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        // A candidate already in the list stays in front.
        std::vector<JreCandidate> list{JreCandidate{Parse("9", 0), "X:\\", true, true}};
        CollectCandidates(launcher, c.jdkKey ? kJdkKey : kJreKey, c.jdkKey, list);
        ASSERT_EQ(list.size(), c.expected.size() + 1);
        EXPECT_EQ(list[0].home, "X:\\");
        for (size_t k = 0; k < c.expected.size(); ++k) {
            SCOPED_TRACE("candidate " + std::to_string(k));
            EXPECT_EQ(Format(list[k + 1].version), c.expected[k].version);
            EXPECT_EQ(list[k + 1].home, c.expected[k].home);
            EXPECT_EQ(list[k + 1].hasServerVm, c.expected[k].hasServerVm);
            EXPECT_EQ(list[k + 1].preferredKind, c.expected[k].preferredKind);
        }
    }
}

TEST(ReadJavaHome, TextOfTheValueUpToTheFirstNul) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        bool jdkKey;
        JvmType type;
        bool hasValue;
        std::string data;
        std::vector<std::string> present;
        bool qualifies;
        std::string home;
        bool hasServerVm;
    };
    const Case cases[] = {
        {"plain text", false, JvmType::Default, true, "C:\\jre", {"C:\\jre\\" + kClient}, true, "C:\\jre\\", false},
        {"terminating NUL", false, JvmType::Default, true, "C:\\jre\0"s, {"C:\\jre\\" + kClient}, true,
         "C:\\jre\\", false},
        {"text after the first NUL is ignored", false, JvmType::Default, true, "C:\\jre\0D:\\other"s,
         {"C:\\jre\\" + kClient, "C:\\jre\\D:\\other\\" + kClient}, true, "C:\\jre\\", false},
        {"a trailing backslash is not doubled", false, JvmType::Default, true, "C:\\jre\\\0"s,
         {"C:\\jre\\" + kClient}, true, "C:\\jre\\", false},
        {"DWORD bytes are text up to their NUL", false, JvmType::Default, true, "AB\0\0"s, {"AB\\" + kClient}, true,
         "AB\\", false},
        {"data without any NUL is all text", false, JvmType::Default, true, "ABCD", {"ABCD\\" + kClient}, true,
         "ABCD\\", false},
        {"environment references are not expanded", false, JvmType::Default, true, "%JAVA_HOME%",
         {"%JAVA_HOME%\\" + kClient}, true, "%JAVA_HOME%\\", false},
        {"server VM sets the flag", false, JvmType::Default, true, "C:\\jre", {"C:\\jre\\" + kServer}, true,
         "C:\\jre\\", true},
        {"JDK key appends jre", true, JvmType::Default, true, "C:\\j2sdk1.4.2",
         {"C:\\j2sdk1.4.2\\jre\\" + kClient}, true, "C:\\j2sdk1.4.2\\jre\\", false},
        {"a JDK qualifies only through its jre folder", true, JvmType::Default, true, "C:\\jdk",
         {"C:\\jdk\\" + kClient, "C:\\jdk\\" + kMarker}, false, "", false},
        {"JRE key under favor_server uses the default order", false, JvmType::FavorServer, true, "C:\\jre",
         {"C:\\jre\\" + kClient, "C:\\jre\\" + kServer}, true, "C:\\jre\\", false},
        {"JDK key under favor_server takes the server VM", true, JvmType::FavorServer, true, "C:\\jdk",
         {"C:\\jdk\\jre\\" + kClient, "C:\\jdk\\jre\\" + kServer}, true, "C:\\jdk\\jre\\", true},
        {"server type without a server VM", false, JvmType::Server, true, "C:\\jre", {"C:\\jre\\" + kClient}, false,
         "", false},
        {"a home with the marker but no VM", false, JvmType::Default, true, "C:\\jre", {"C:\\jre\\" + kMarker},
         false, "", false},
        {"empty data", false, JvmType::Default, true, "", {"\\" + kClient, kClient}, false, "", false},
        {"first byte NUL: empty text", false, JvmType::Default, true, "\0C:\\jre"s,
         {"\\" + kClient, kClient, "C:\\jre\\" + kClient}, false, "", false},
        {"no JavaHome value", false, JvmType::Default, false, "", {"C:\\jre\\" + kClient}, false, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.environment["JAVA_HOME"] = "C:\\jre";
        os.AddFiles("", c.present);
        const std::string key = c.jdkKey ? kJdkKey : kJreKey;
        if (c.hasValue) os.registryValues[(c.jdkKey ? kJdk : kJre) + "\\1.5.0|JavaHome"] = c.data;
        Launcher launcher(os, WindowsLayout());
        launcher.jvmType = c.type;
        std::string home;
        bool hasServerVm = true;
        EXPECT_EQ(ReadJavaHome(launcher, key, "1.5.0", c.jdkKey, home, hasServerVm), c.qualifies);
        if (c.qualifies) {
            EXPECT_EQ(home, c.home);
            EXPECT_EQ(hasServerVm, c.hasServerVm);
        }
    }
}

TEST(TextOfValue, StopsAtTheFirstNul) {
    using namespace std::string_literals;
    struct Case {
        std::string data, expected;
    };
    const Case cases[] = {
        {"", ""}, {"C:\\jre", "C:\\jre"}, {"C:\\jre\0"s, "C:\\jre"}, {"a\0b\0"s, "a"}, {"\0abc"s, ""},
        {"\x01\x02\0\0"s, "\x01\x02"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("data of " + std::to_string(c.data.size()) + " bytes");
        EXPECT_EQ(TextOfValue(c.data), c.expected);
    }
}

TEST(SortCandidates, KindThenServerThenVersionStable) {
    struct Entry {
        std::string home;
        const char* version;
        bool hasServerVm;
        bool preferredKind;
    };
    struct Case {
        const char* name;
        bool sourceBoth;
        JvmType type;
        std::vector<Entry> entries;
        std::vector<std::string> order;
    };
    // Enough equal entries that an unstable sort would reorder them.
    std::vector<Entry> many;
    std::vector<std::string> manyOrder;
    for (int k = 0; k < 40; ++k) many.push_back({"h" + std::to_string(k), k % 3 ? "1.5" : "1.6", false, false});
    for (const char* version : {"1.6", "1.5"})
        for (const Entry& e : many)
            if (std::string(e.version) == version) manyOrder.push_back(e.home);
    const Case cases[] = {
        {"many equal versions keep their order", true, JvmType::Default, many, manyOrder},
        {"higher versions first, numerically", true, JvmType::Default,
         {{"a", "1.9", false, false}, {"b", "1.10", false, false}, {"c", "1.4.2_06", false, false}},
         {"b", "a", "c"}},
        {"equal versions keep their order", true, JvmType::Default,
         {{"a", "1.5", false, false}, {"b", "1.5.0", false, false}, {"c", "1.5.0_06", false, false},
          {"d", "1.5.0.0", false, false}},
         {"c", "a", "b", "d"}},
        {"favoured kind first when both kinds are searched", true, JvmType::Default,
         {{"a", "1.6", false, false}, {"b", "1.4", false, true}, {"c", "1.5", false, true}},
         {"c", "b", "a"}},
        {"kind ignored when one kind is searched", false, JvmType::Default,
         {{"a", "1.6", false, false}, {"b", "1.4", false, true}},
         {"a", "b"}},
        {"server first only for favor_server", true, JvmType::FavorServer,
         {{"a", "1.6", false, false}, {"b", "1.4", true, false}, {"c", "1.5", true, false}},
         {"c", "b", "a"}},
        {"server flag ignored for server", true, JvmType::Server,
         {{"a", "1.6", false, false}, {"b", "1.4", true, false}},
         {"a", "b"}},
        {"kind outranks server", true, JvmType::FavorServer,
         {{"a", "1.6", true, false}, {"b", "1.4", false, true}},
         {"b", "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<JreCandidate> list;
        for (const Entry& e : c.entries) list.push_back({Parse(e.version, 0), e.home, e.hasServerVm, e.preferredKind});
        SortCandidates(list, c.sourceBoth, c.type);
        std::vector<std::string> order;
        for (const JreCandidate& candidate : list) order.push_back(candidate.home);
        EXPECT_EQ(order, c.order);
    }
}

TEST(ChooseCandidate, EmptyListChoosesNothing) {
    std::vector<JreCandidate> none;
    JreCandidate chosen{Parse("1", 0), "kept", false, false};
    EXPECT_FALSE(ChooseCandidate(none, {""}, true, JvmType::Default, chosen));
    EXPECT_EQ(chosen.home, "kept");
}

TEST(ReleaseVersion, ReadsJavaVersionQuotedOrNot) {
    struct Case {
        const char* name;
        std::string contents;
        bool found;
        std::string version;
    };
    const Case cases[] = {
        {"quoted", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"17.0.2\"\n", true, "17.0.2"},
        {"unquoted, last line without newline", "JAVA_VERSION=21", true, "21"},
        {"CRLF line ends", "JAVA_VERSION=\"11.0.2\"\r\nOS_NAME=\"Linux\"\r\n", true, "11.0.2"},
        {"the first JAVA_VERSION counts", "JAVA_VERSION=\"1.8.0_392\"\nJAVA_VERSION=\"9\"\n", true, "1.8.0_392"},
        {"other keys ending in JAVA_VERSION", "IMPLEMENTOR_JAVA_VERSION=\"9\"\nJAVA_RUNTIME_VERSION=\"9+1\"\n", false,
         ""},
        {"empty quoted value", "JAVA_VERSION=\"\"\n", false, ""},
        {"empty value", "JAVA_VERSION=\n", false, ""},
        {"empty file", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string version = "unchanged";
        EXPECT_EQ(ReleaseVersion(c.contents, version), c.found);
        EXPECT_EQ(version, c.found ? c.version : "unchanged");
    }
}

// One runtime folder below /usr/lib/jvm/.
struct Installed {
    std::string folder;
    std::string release;  // the release file's text; empty: no release file
    bool javac;
    std::vector<std::string> vms;
};

void Install(FakeOs& os, const std::vector<Installed>& runtimes) {
    for (const Installed& r : runtimes) {
        const std::string home = "/usr/lib/jvm/" + r.folder + "/";
        os.paths.insert(home);
        if (!r.release.empty()) os.files[home + "release"] = r.release;
        if (r.javac) os.paths.insert(home + "bin/javac");
        os.AddFiles(home, r.vms);
    }
}

TEST(SearchInstalledRuntimes, LinuxReleaseFilesAsCandidates) {
    const std::string server = "lib/server/libjvm.so", client = "lib/client/libjvm.so";
    const std::string v17 = "JAVA_VERSION=\"17.0.2\"\n", v21 = "JAVA_VERSION=\"21.0.1\"\n";
    struct Case {
        const char* name;
        std::string settings;
        std::vector<Installed> runtimes;
        std::string home;  // empty: none chosen
    };
    const Case cases[] = {
        {"a JDK is collected before a JRE of the same version",
         "",
         {{"a-jre", v17, false, {server}}, {"b-jdk", v17, true, {server}}},
         "/usr/lib/jvm/b-jdk/"},
        {"the higher version wins without a kind preference",
         "",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}},
         "/usr/lib/jvm/jre-21/"},
        {"unquoted version",
         "",
         {{"jdk-17", v17, true, {server}}, {"old", "JAVA_VERSION=21\n", false, {server}}},
         "/usr/lib/jvm/old/"},
        {"folders without a usable release file are skipped",
         "",
         {{"jdk-17", v17, true, {server}},
          {"no-release", "", false, {server}},
          {"no-version", "IMPLEMENTOR=\"x\"\nJAVA_VERSION_DATE=\"2024\"\n", false, {server}},
          {"empty-version", "JAVA_VERSION=\"\"\n", false, {server}}},
         "/usr/lib/jvm/jdk-17/"},
        {"hidden folders are skipped",
         "",
         {{".hidden", v21, false, {server}}, {"jdk-17", v17, true, {server}}},
         "/usr/lib/jvm/jdk-17/"},
        {"a folder without a VM is skipped",
         "",
         {{"jre-21", v21, false, {"lib/libjava.so"}}, {"jdk-17", v17, true, {server}}},
         "/usr/lib/jvm/jdk-17/"},
        {"equal versions: the first folder by name",
         "",
         {{"zulu", v17, false, {server}}, {"temurin", v17, false, {server}}},
         "/usr/lib/jvm/temurin/"},
        {"minimum version", "Minimum Version=18\r\n",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}}, "/usr/lib/jvm/jre-21/"},
        {"maximum version", "Maximum Version=17\r\n",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}}, "/usr/lib/jvm/jdk-17/"},
        {"nothing inside the range", "Minimum Version=22\r\n",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}}, ""},
        {"only_JRE skips JDKs", "JVM Source=only_JRE\r\n",
         {{"jdk-21", v21, true, {server}}, {"jre-17", v17, false, {server}}}, "/usr/lib/jvm/jre-17/"},
        {"only_JDK skips JREs", "JVM Source=only_JDK\r\n",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}}, "/usr/lib/jvm/jdk-17/"},
        {"favor_JDK prefers a lower JDK", "JVM Source=favor_JDK\r\n",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}}, "/usr/lib/jvm/jdk-17/"},
        {"unknown source finds nothing", "JVM Source=jvm\r\n", {{"jdk-17", v17, true, {server}}}, ""},
        {"server type needs a server VM", "JVM Type=server\r\n",
         {{"jre-21", v21, false, {client}}, {"jdk-17", v17, true, {server}}}, "/usr/lib/jvm/jdk-17/"},
        {"favor_server tests a JRE in the default order", "JVM Type=favor_server\r\n",
         {{"jre-21", v21, false, {client, server}}, {"jdk-17", v17, true, {server}}}, "/usr/lib/jvm/jdk-17/"},
        {"preferred version", "Preferred versions=17\r\n",
         {{"jdk-17", v17, true, {server}}, {"jre-21", v21, false, {server}}}, "/usr/lib/jvm/jdk-17/"},
        {"no runtimes folder", "", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePath = "/opt/app/tool";
        WriteSettings(os, kLinuxSettings, c.settings);
        Install(os, c.runtimes);
        Launcher launcher(os, PosixLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        std::string home = "unchanged";
        EXPECT_EQ(SearchInstalledRuntimes(launcher, home), !c.home.empty());
        EXPECT_EQ(home, c.home.empty() ? "unchanged" : c.home);
    }
}

TEST(FindJvm, SourcesInOrderThenTheDialog) {
    const std::string beside = "C:\\Apps\\Tool\\";
    struct Case {
        const char* name;
        std::string settings;
        std::vector<std::string> present;
        std::vector<Registered> runtimes;
        int dialogResult;
        bool found;
        std::string jvmPath;
        bool registrySearched;
        bool dialogShown;
    };
    const Case cases[] = {
        {"JRE Path needs no java.dll", "JRE Path=C:\\Java\\jre\\\r\n", {"C:\\Java\\jre\\" + kClient},
         {{false, "1.6", "C:\\jre6", {kClient}}}, 2, true, "C:\\Java\\jre\\" + kClient, false, false},
        {"JRE Path gets its backslash", "JRE Path=C:\\Java\\jre\r\n", {"C:\\Java\\jre\\" + kClient}, {}, 2, true,
         "C:\\Java\\jre\\" + kClient, false, false},
        {"a relative JRE Path is used unchanged", "JRE Path=runtime\r\n", {"runtime\\" + kClient}, {}, 2, true,
         "runtime\\" + kClient, false, false},
        {"JRE Path comes before the folder beside the executable", "JRE Path=D:\\jre\r\n",
         {"D:\\jre\\" + kClient, beside + kMarker, beside + kClient}, {}, 2, true, "D:\\jre\\" + kClient, false,
         false},
        {"JRE Path gets no jre folder appended", "JRE Path=C:\\jdk\r\n", {"C:\\jdk\\jre\\" + kClient},
         {{false, "1.6", "C:\\jre6", {kClient}}}, 2, true, "C:\\jre6\\" + kClient, true, false},
        {"JRE Path without a server VM goes on to the next source", "JRE Path=C:\\Java\\jre\r\nJVM Type=server\r\n",
         {"C:\\Java\\jre\\" + kClient, beside + "jre\\" + kMarker, beside + "jre\\" + kServer}, {}, 2, true,
         beside + "jre\\" + kServer, false, false},
        {"the executable's folder is a Java home", "",
         {beside + kMarker, beside + kClient, beside + "jre\\" + kMarker, beside + "jre\\" + kClient}, {}, 2, true,
         beside + kClient, false, false},
        {"the jre folder beside the executable", "", {beside + "jre\\" + kMarker, beside + "jre\\" + kClient}, {}, 2,
         true, beside + "jre\\" + kClient, false, false},
        {"java.dll alone picks the folder: its jre folder is not tried", "",
         {beside + kMarker, beside + "jre\\" + kMarker, beside + "jre\\" + kClient},
         {{false, "1.6", "C:\\jre6", {kClient}}}, 2, true, "C:\\jre6\\" + kClient, true, false},
        {"a VM without java.dll beside the executable does not count", "", {beside + "jre\\" + kClient},
         {{false, "1.6", "C:\\jre6", {kClient}}}, 2, true, "C:\\jre6\\" + kClient, true, false},
        {"registry JDK: its jre folder", "", {}, {{true, "1.5.0", "C:\\jdk5", {kClient}}}, 2, true,
         "C:\\jdk5\\jre\\" + kClient, true, false},
        {"registry JRE under favor_server: located with the favor_server order", "JVM Type=favor_server\r\n", {},
         {{false, "1.6", "C:\\jre6", {kClient, kServer}}}, 2, true, "C:\\jre6\\" + kServer, true, false},
        {"nothing found, dialog cancelled", "JRE Path=C:\\missing\r\n", {}, {}, 2, false, "", true, true},
        {"nothing found, dialog closed some other way", "", {}, {}, 0, false, "", true, true},
        {"nothing found, dialog OK", "", {}, {}, 1, true, "D:\\jre\\" + kClient, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        WriteSettings(os, kWindowsSettings, c.settings);
        const std::string settingsBefore = os.files[kWindowsSettings];
        os.AddFiles("", c.present);
        Register(os, c.runtimes);
        os.dialogResult = c.dialogResult;
        os.dialogFolder = "D:\\jre\\";
        os.dialogJvmPath = "D:\\jre\\" + kClient;
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        EXPECT_EQ(FindJvm(launcher), c.found);
        if (c.found) {
            EXPECT_EQ(launcher.jvmPath, c.jvmPath);
        }
        EXPECT_EQ(!RegistryKeysOpened(os).empty(), c.registrySearched);
        EXPECT_EQ(os.dialogMessages.size(), c.dialogShown ? 1u : 0u);
        EXPECT_TRUE(os.shown.empty());
        const std::string written = ProfileValue(os.files[kWindowsSettings], "Java Runtime Environment", "JRE Path");
        if (c.dialogShown && c.found)
            EXPECT_EQ(written, "D:\\jre\\");
        else
            EXPECT_EQ(os.files[kWindowsSettings], settingsBefore);
    }
}

TEST(FindJvm, DialogChoiceIsTheConfiguredPathAtTheNextStart) {
    FakeOs os;
    WriteSettings(os, kWindowsSettings, "");
    os.dialogResult = 1;
    os.dialogFolder = "D:\\jre\\";
    os.dialogJvmPath = "D:\\jre\\" + kClient;
    {
        Launcher first(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(first));
        ASSERT_TRUE(FindJvm(first));
        // The value written is not read back in the same launch.
        EXPECT_EQ(first.jrePath, "");
    }
    os.AddFiles("D:\\jre\\", {kClient});
    os.calls.clear();
    Launcher next(os, WindowsLayout());
    ASSERT_TRUE(ReadJavaSettings(next));
    EXPECT_EQ(next.jrePath, "D:\\jre\\");
    ASSERT_TRUE(FindJvm(next));
    EXPECT_EQ(next.jvmPath, "D:\\jre\\" + kClient);
    EXPECT_EQ(os.dialogMessages.size(), 1u);
    EXPECT_TRUE(RegistryKeysOpened(os).empty());
}

TEST(FindJvm, LinuxLayoutUsesInstalledRuntimes) {
    const std::string server = "lib/server/libjvm.so", marker = "lib/libjava.so";
    struct Case {
        const char* name;
        std::string settings;
        std::vector<std::string> present;
        bool found;
        std::string jvmPath;
    };
    const Case cases[] = {
        {"JRE Path gets its slash", "JRE Path=/opt/jdk\r\n", {"/opt/jdk/" + server}, true, "/opt/jdk/" + server},
        {"the executable's folder", "", {"/opt/app/" + marker, "/opt/app/" + server}, true, "/opt/app/" + server},
        {"the jre folder beside the executable", "", {"/opt/app/jre/" + marker, "/opt/app/jre/" + server}, true,
         "/opt/app/jre/" + server},
        {"installed runtimes", "",
         {"/usr/lib/jvm/jdk-17/release", "/usr/lib/jvm/jdk-17/bin/javac", "/usr/lib/jvm/jdk-17/" + server}, true,
         "/usr/lib/jvm/jdk-17/" + server},
        {"nothing: the dialog", "", {}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.modulePath = "/opt/app/tool";
        WriteSettings(os, kLinuxSettings, c.settings);
        os.AddFiles("", c.present);
        if (os.paths.count("/usr/lib/jvm/jdk-17/release")) os.files["/usr/lib/jvm/jdk-17/release"] = "JAVA_VERSION=17\n";
        Launcher launcher(os, PosixLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        EXPECT_EQ(FindJvm(launcher), c.found);
        EXPECT_EQ(launcher.jvmPath, c.jvmPath);
        EXPECT_EQ(os.dialogMessages.size(), c.found ? 0u : 1u);
        EXPECT_TRUE(RegistryKeysOpened(os).empty());
    }
}

TEST(BuildRequirementText, WordsTheBounds) {
    struct Case {
        std::string minimum, maximum, expected;
    };
    const Case cases[] = {
        {"any", "any", "latest version"},
        {"", "", "latest version"},
        {"0", "", "latest version"},
        {"1.4", "any", "minimum version 1.4"},
        {"1.4", "", "minimum version 1.4"},
        {"1.4.2_06", "", "minimum version 1.4.2.6"},
        {"any", "1.4", "maximum version 1.4"},
        {"", "0", "maximum version 0.0.0.0"},
        {"1.5", "1.5", "version between 1.5 and 1.5"},
        {"1.4.2.6", "1.4.2.6", "version 1.4.2.6 is required"},
        {"1.4.2_06", "1.4.2.6", "version 1.4.2.6 is required"},
        {"1.4", "1.6", "version between 1.4 and 1.6"},
        {"1.6", "1.4", "version between 1.6 and 1.4"},
        {"1.4.0.0", "1.4.0.0.1", "version 1.4 is required"},  // counts play no part
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("minimum \"" + c.minimum + "\", maximum \"" + c.maximum + "\"");
        FakeOs os;
        EXPECT_EQ(BuildRequirementText(os, MinimumFromSetting(c.minimum), MaximumFromSetting(c.maximum)), c.expected);
    }
}

TEST(FindJvm, NotFoundMessageNamesTheServerJvmOnlyForServer) {
    const std::string plain = "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE (";
    const std::string server =
        "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a server JVM (";
    struct Case {
        std::string settings, expected;
    };
    const Case cases[] = {
        {"Minimum Version=1.4\r\nMaximum Version=any\r\n", plain + "minimum version 1.4) from:"},
        {"JVM Type=server\r\nMinimum Version=1.4\r\n", server + "minimum version 1.4) from:"},
        {"JVM Type=favor_server\r\nMaximum Version=1.5\r\n", plain + "maximum version 1.5) from:"},
        {"JVM Type=Server\r\n", plain + "latest version) from:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        FakeOs os;
        WriteSettings(os, kWindowsSettings, c.settings);
        Launcher launcher(os, WindowsLayout());
        ASSERT_TRUE(ReadJavaSettings(launcher));
        EXPECT_FALSE(FindJvm(launcher));
        ASSERT_EQ(os.dialogMessages.size(), 1u);
        EXPECT_EQ(os.dialogMessages[0], c.expected);
    }
}

}  // namespace
}  // namespace launcher
