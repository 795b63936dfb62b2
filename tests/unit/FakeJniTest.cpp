// Tests of the fake Java VM's own tricky parts: the record of a launch, VM creation outcomes, strings and charsets, pending exceptions, threads and the traps.
#include "support/FakeJni.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace launcher {
namespace {

using CreateFunction = jint(JNICALL*)(JavaVM**, void**, void*);

struct StartedVm {
    jint result = 0;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
};

StartedVm StartVm(const std::vector<std::string>& options, bool ignoreUnrecognized = false,
                  jint version = JNI_VERSION_1_2) {
    std::vector<JavaVMOption> list(options.size());
    for (size_t i = 0; i < options.size(); ++i) {
        list[i].optionString = const_cast<char*>(options[i].c_str());
        list[i].extraInfo = nullptr;
    }
    JavaVMInitArgs args;
    args.version = version;
    args.nOptions = static_cast<jint>(list.size());
    args.options = list.data();
    args.ignoreUnrecognized = ignoreUnrecognized ? JNI_TRUE : JNI_FALSE;
    // Through the symbol table, as the launcher will find it.
    auto create = reinterpret_cast<CreateFunction>(FakeJniSymbols().at("JNI_CreateJavaVM"));
    StartedVm started;
    void* env = reinterpret_cast<void*>(1);
    started.vm = reinterpret_cast<JavaVM*>(1);
    started.result = create(&started.vm, &env, &args);
    started.env = static_cast<JNIEnv*>(env);
    return started;
}

// A Java string from bytes: String(byte[]) when charset is null, else
// String(byte[], charset).
jstring JavaString(JNIEnv* env, const std::string& bytes, const char* charset) {
    jclass stringClass = env->FindClass("java/lang/String");
    jbyteArray array = env->NewByteArray(static_cast<jsize>(bytes.size()));
    env->SetByteArrayRegion(array, 0, static_cast<jsize>(bytes.size()), reinterpret_cast<const jbyte*>(bytes.data()));
    jobject made;
    if (charset) {
        jmethodID init = env->GetMethodID(stringClass, "<init>", "([BLjava/lang/String;)V");
        made = env->NewObject(stringClass, init, array, env->NewStringUTF(charset));
    } else {
        made = env->NewObject(stringClass, env->GetMethodID(stringClass, "<init>", "([B)V"), array);
    }
    env->DeleteLocalRef(array);
    return static_cast<jstring>(made);
}

jobjectArray StringArray(JNIEnv* env, const std::vector<std::string>& items, const char* charset) {
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(items.size()), env->FindClass("java/lang/String"), nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        jstring item = JavaString(env, items[i], charset);
        env->SetObjectArrayElement(array, static_cast<jsize>(i), item);
        env->DeleteLocalRef(item);
    }
    return array;
}

void CallStatic(JNIEnv* env, const char* className, const char* method, jobject argument) {
    jclass cls = env->FindClass(className);
    jmethodID id = env->GetStaticMethodID(cls, method, "([Ljava/lang/String;)V");
    env->CallStaticVoidMethod(cls, id, argument);
}

// System.setOut or setErr to a PrintStream over a FileOutputStream.
void Redirect(JNIEnv* env, const char* setter, const std::string& file) {
    jclass fos = env->FindClass("java/io/FileOutputStream");
    jobject out = env->NewObject(fos, env->GetMethodID(fos, "<init>", "(Ljava/lang/String;)V"),
                                 env->NewStringUTF(file.c_str()));
    if (!out) return;
    jclass ps = env->FindClass("java/io/PrintStream");
    jobject stream = env->NewObject(ps, env->GetMethodID(ps, "<init>", "(Ljava/io/OutputStream;)V"), out);
    jclass system = env->FindClass("java/lang/System");
    env->CallStaticVoidMethod(system, env->GetStaticMethodID(system, setter, "(Ljava/io/PrintStream;)V"), stream);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "fakejni_" + name; }

std::string Joined(const std::vector<std::string>& items) {
    std::string all;
    for (const std::string& item : items) all += (all.empty() ? "" : " ") + item;
    return all;
}

// Whether `wanted` occurs in `kinds` in this order (other kinds between).
bool InOrder(const std::vector<std::string>& kinds, const std::vector<std::string>& wanted) {
    size_t next = 0;
    for (const std::string& kind : kinds)
        if (next < wanted.size() && kind == wanted[next]) ++next;
    return next == wanted.size();
}

TEST(FakeJni, RecordsATypicalLaunch) {
    FakeJvmWorld world;
    world.classes["app/Main"] = FakeJavaClass{true, false};
    world.systemProperties["sun.jnu.encoding"] = "Cp1252";
    world.Install();

    StartedVm started = StartVm({"-Djava.class.path=app.jar;lib", "-Xmx64m"});
    ASSERT_EQ(started.result, JNI_OK);
    JNIEnv* env = started.env;
    EXPECT_EQ(env->GetVersion(), JNI_VERSION_10);

    // The charset comes from the VM, as a careful launcher asks for it.
    jclass system = env->FindClass("java/lang/System");
    jmethodID getProperty = env->GetStaticMethodID(system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    jstring encoding = static_cast<jstring>(env->CallStaticObjectMethod(system, getProperty, env->NewStringUTF("sun.jnu.encoding")));
    ASSERT_NE(encoding, nullptr);
    const char* charset = env->GetStringUTFChars(encoding, nullptr);
    std::string charsetName = charset;
    env->ReleaseStringUTFChars(encoding, charset);
    EXPECT_EQ(charsetName, "Cp1252");
    jstring classPath = static_cast<jstring>(env->CallStaticObjectMethod(system, getProperty, env->NewStringUTF("java.class.path")));
    ASSERT_NE(classPath, nullptr);
    EXPECT_EQ(env->GetStringUTFLength(classPath), 11);

    jstring mainName = JavaString(env, "app/Main", charsetName.c_str());
    const char* utf = env->GetStringUTFChars(mainName, nullptr);
    jclass mainClass = env->FindClass(utf);
    env->ReleaseStringUTFChars(mainName, utf);
    ASSERT_NE(mainClass, nullptr);
    jmethodID main = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    ASSERT_NE(main, nullptr);
    jobjectArray args = StringArray(env, {"-nosplash", "caf\xE9", ""}, charsetName.c_str());
    env->CallStaticVoidMethod(mainClass, main, args);
    EXPECT_EQ(env->ExceptionOccurred(), nullptr);
    EXPECT_EQ(started.vm->DetachCurrentThread(), JNI_OK);
    EXPECT_EQ(started.vm->DestroyJavaVM(), JNI_OK);

    EXPECT_EQ(world.Options(), (std::vector<std::string>{"-Djava.class.path=app.jar;lib", "-Xmx64m"}));
    FakeVmCreation creation = world.Creation();
    EXPECT_EQ(creation.version, JNI_VERSION_1_2);
    EXPECT_FALSE(creation.ignoreUnrecognized);
    ASSERT_TRUE(world.MainCalled());
    std::vector<FakeJavaString> mainArgs = world.MainArgs();
    ASSERT_EQ(mainArgs.size(), 3u);
    const char* const wantBytes[] = {"-nosplash", "caf\xE9", ""};
    const char* const wantText[] = {"-nosplash", "caf\xC3\xA9", ""};
    for (size_t i = 0; i < mainArgs.size(); ++i) {
        EXPECT_EQ(mainArgs[i].bytes, wantBytes[i]) << "argument " << i;
        EXPECT_EQ(mainArgs[i].charset, "Cp1252") << "argument " << i;
        EXPECT_EQ(mainArgs[i].text, wantText[i]) << "argument " << i;
        EXPECT_FALSE(mainArgs[i].isNull) << "argument " << i;
    }
    std::vector<FakeJniEvent> finds = world.EventsOf("find_class");
    EXPECT_EQ(finds.at(2).detail, (std::vector<std::string>{"app/Main"}));
    EXPECT_TRUE(InOrder(world.Kinds(), {"create_java_vm", "get_property", "find_class", "get_static_method_id",
                                        "new_object_array", "main", "main_returned", "exception_occurred",
                                        "detach_current_thread", "destroy_java_vm"}))
        << Joined(world.Kinds());
    for (int thread : world.ThreadsOf("main")) EXPECT_EQ(thread, 1);
    EXPECT_TRUE(world.Destroyed());
    EXPECT_EQ(world.Count("warning"), 0u);
    EXPECT_EQ(world.UnreleasedUtfChars(), 0u);
    EXPECT_EQ(world.LiveLocalRefs(), 0u) << "local references die with the detached thread";
}

TEST(FakeJni, VmCreationOutcomes) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        bool ignoreUnrecognized;
        std::set<std::string> rejected;
        jint createResult;
        jint version;
        jint expected;
    };
    const Case cases[] = {
        {"known options", {"-Djava.class.path=a.jar", "-Xms16m", "-Xmx1g", "-Xss512k", "-XX:+UseG1GC", "-Xint", "-verbose:gc"},
         false, {}, JNI_OK, JNI_VERSION_1_2, JNI_OK},
        {"unknown -X option", {"-Djava.class.path=a.jar", "-Xfoo"}, false, {}, JNI_OK, JNI_VERSION_1_2, JNI_ERR},
        {"unknown -X option ignored", {"-Xfoo"}, true, {}, JNI_OK, JNI_VERSION_1_2, JNI_OK},
        {"memory percentage left unrewritten", {"-Xmx25P"}, false, {}, JNI_OK, JNI_VERSION_1_2, JNI_EINVAL},
        {"bad size not excused by ignoreUnrecognized", {"-Xss1x"}, true, {}, JNI_OK, JNI_VERSION_1_2, JNI_EINVAL},
        {"size without digits", {"-Xmx"}, false, {}, JNI_OK, JNI_VERSION_1_2, JNI_EINVAL},
        {"rejected option", {"-Dok=1", "--enable-preview"}, true, {"--enable-preview"}, JNI_OK, JNI_VERSION_1_2, JNI_ERR},
        {"configured failure", {"-Dok=1"}, false, {}, -1, JNI_VERSION_1_2, -1},
        {"out of memory", {}, false, {}, JNI_ENOMEM, JNI_VERSION_1_2, JNI_ENOMEM},
        {"version 1.1", {}, false, {}, JNI_OK, 0x00010001, JNI_EVERSION},
        {"version 1.8", {}, false, {}, JNI_OK, JNI_VERSION_1_8, JNI_OK},
    };
    for (const Case& c : cases) {
        FakeJvmWorld world;
        world.rejectedOptions = c.rejected;
        world.createResult = c.createResult;
        world.Install();
        StartedVm started = StartVm(c.options, c.ignoreUnrecognized, c.version);
        EXPECT_EQ(started.result, c.expected) << c.name;
        EXPECT_EQ(started.vm != nullptr, c.expected == JNI_OK) << c.name;
        EXPECT_EQ(started.env != nullptr, c.expected == JNI_OK) << c.name;
        EXPECT_EQ(world.Options(), c.options) << c.name;
        std::vector<FakeJniEvent> created = world.EventsOf("create_java_vm");
        ASSERT_EQ(created.size(), 1u) << c.name;
        EXPECT_EQ(created[0].result, c.expected) << c.name;
        EXPECT_EQ(created[0].thread, c.expected == JNI_OK ? 1 : 0) << c.name;
        if (c.expected == JNI_OK) {
            EXPECT_EQ(StartVm({}).result, JNI_EEXIST) << c.name << ": a second VM";
            EXPECT_EQ(started.vm->DestroyJavaVM(), JNI_OK) << c.name;
            EXPECT_EQ(StartVm({}).result, JNI_ERR) << c.name << ": a VM after DestroyJavaVM";
        }
    }
}

TEST(FakeJni, StringsKeepTheirBytesAndCharset) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* charset;  // null: String(byte[])
        std::string defaultCharset;
        std::string text;      // UTF-8; empty when the constructor throws
        std::string thrown;
    };
    const Case cases[] = {
        {"Cp1252", "\xE9t\xE9", "Cp1252", "UTF-8", "\xC3\xA9t\xC3\xA9", ""},
        {"windows-1252 euro", "\x80", "windows-1252", "UTF-8", "\xE2\x82\xAC", ""},
        {"UTF-8", "\xC3\xA9", "UTF-8", "Cp1252", "\xC3\xA9", ""},
        {"ISO-8859-1 keeps 0x80", "\x80", "ISO-8859-1", "UTF-8", "\xC2\x80", ""},
        {"default UTF-8 meets an ANSI byte", "\xE9", nullptr, "UTF-8", "\xEF\xBF\xBD", ""},
        {"default Cp1252", "\xE9", nullptr, "Cp1252", "\xC3\xA9", ""},
        {"unknown charset", "abc", "x-no-such-charset", "UTF-8", "", "java/io/UnsupportedEncodingException"},
    };
    for (const Case& c : cases) {
        FakeJvmWorld world;
        world.classes["app/Main"] = FakeJavaClass{};
        world.defaultCharset = c.defaultCharset;
        world.Install();
        JNIEnv* env = StartVm({}).env;
        jstring made = JavaString(env, c.bytes, c.charset);
        if (!c.thrown.empty()) {
            EXPECT_EQ(made, nullptr) << c.name;
            std::vector<FakeJniEvent> thrown = world.EventsOf("exception_thrown");
            ASSERT_EQ(thrown.size(), 1u) << c.name;
            EXPECT_EQ(thrown[0].detail.at(0), c.thrown) << c.name;
            EXPECT_EQ(env->ExceptionCheck(), JNI_TRUE) << c.name;
            continue;
        }
        ASSERT_NE(made, nullptr) << c.name;
        const char* utf = env->GetStringUTFChars(made, nullptr);
        EXPECT_EQ(std::string(utf), c.text) << c.name;
        env->ReleaseStringUTFChars(made, utf);
        jobjectArray array = env->NewObjectArray(1, env->FindClass("java/lang/String"), nullptr);
        env->SetObjectArrayElement(array, 0, made);
        CallStatic(env, "app/Main", "main", array);
        ASSERT_EQ(world.MainArgs().size(), 1u) << c.name;
        FakeJavaString arg = world.MainArgs()[0];
        EXPECT_EQ(arg.bytes, c.bytes) << c.name;
        EXPECT_EQ(arg.charset, c.charset ? c.charset : c.defaultCharset) << c.name;
        EXPECT_EQ(arg.text, c.text) << c.name;
    }
}

TEST(FakeJni, StringsFromUtf16AndModifiedUtf8) {
    FakeJvmWorld world;
    world.Install();
    JNIEnv* env = StartVm({}).env;
    const jchar units[] = {'A', 0, 0xE9, 0xD83D, 0xDE00};
    jstring wide = env->NewString(units, 5);
    EXPECT_EQ(env->GetStringLength(wide), 5);
    // Modified UTF-8: the zero takes two bytes, each surrogate three.
    const char* utf = env->GetStringUTFChars(wide, nullptr);
    EXPECT_EQ(std::string(utf), std::string("A\xC0\x80\xC3\xA9\xED\xA0\xBD\xED\xB8\x80"));
    EXPECT_EQ(env->GetStringUTFLength(wide), 11);
    env->ReleaseStringUTFChars(wide, utf);
    EXPECT_EQ(world.EventsOf("new_string").at(0).detail.at(0), std::string("A\0\xC3\xA9\xF0\x9F\x98\x80", 8));

    jstring narrow = env->NewStringUTF("A\xC0\x80Z");
    EXPECT_EQ(env->GetStringLength(narrow), 3);
    EXPECT_EQ(env->GetStringUTFLength(narrow), 4);
}

TEST(FakeJni, ExceptionsArePendingUntilDescribedOrCleared) {
    struct Case {
        const char* name;
        bool missingMethodThrows;
        std::function<void(JNIEnv*)> action;
        std::string described;  // empty: nothing pending afterwards
    };
    const std::string missingFolder = TempPath("no_such_folder/out.txt");
    const std::string unopenable = TempPath("locked.txt");
    const Case cases[] = {
        {"missing class", true, [](JNIEnv* env) { env->FindClass("app/Missing"); },
         "java.lang.NoClassDefFoundError: app/Missing"},
        {"dotted class name", true, [](JNIEnv* env) { env->FindClass("app.Main"); },
         "java.lang.NoClassDefFoundError: app.Main"},
        {"missing method, real VM", true,
         [](JNIEnv* env) { env->GetStaticMethodID(env->FindClass("app/Plain"), "main", "([Ljava/lang/String;)V"); },
         "java.lang.NoSuchMethodError: main"},
        {"missing method, quiet VM", false,
         [](JNIEnv* env) { env->GetStaticMethodID(env->FindClass("app/Plain"), "main", "([Ljava/lang/String;)V"); }, ""},
        {"main throws", true,
         [](JNIEnv* env) { CallStatic(env, "app/Main", "main", StringArray(env, {}, nullptr)); },
         "java.lang.IllegalStateException: boom"},
        {"file in a missing folder", true, [&](JNIEnv* env) { Redirect(env, "setOut", missingFolder); },
         "java.io.FileNotFoundException: " + missingFolder + " (No such file or directory)"},
        {"file that cannot be opened", true, [&](JNIEnv* env) { Redirect(env, "setOut", unopenable); },
         "java.io.FileNotFoundException: " + unopenable + " (Access is denied)"},
        {"negative array size", true, [](JNIEnv* env) { env->NewByteArray(-1); },
         "java.lang.NegativeArraySizeException: -1"},
        {"index outside the array", true,
         [](JNIEnv* env) { env->SetObjectArrayElement(StringArray(env, {"a"}, nullptr), 1, nullptr); },
         "java.lang.ArrayIndexOutOfBoundsException: Index 1 out of bounds for length 1"},
    };
    for (const Case& c : cases) {
        FakeJvmWorld world;
        world.classes["app/Main"] = FakeJavaClass{};
        world.classes["app/Plain"] = FakeJavaClass{false, false};
        world.mainThrows = "java/lang/IllegalStateException";
        world.mainThrowsMessage = "boom";
        world.missingMethodThrows = c.missingMethodThrows;
        world.unopenableFiles = {unopenable};
        world.Install();
        JNIEnv* env = StartVm({}).env;
        const std::string errFile = TempPath("err.txt");
        Redirect(env, "setErr", errFile);
        ASSERT_EQ(env->ExceptionCheck(), JNI_FALSE) << c.name;

        c.action(env);
        bool expectPending = !c.described.empty();
        EXPECT_EQ(env->ExceptionCheck(), expectPending ? JNI_TRUE : JNI_FALSE) << c.name;
        EXPECT_EQ(env->ExceptionOccurred() != nullptr, expectPending) << c.name;
        env->ExceptionDescribe();
        EXPECT_EQ(env->ExceptionCheck(), JNI_FALSE) << c.name << ": described means cleared";
        EXPECT_EQ(env->ExceptionOccurred(), nullptr) << c.name;
        if (expectPending) {
            EXPECT_EQ(world.ExceptionsDescribed(), std::vector<std::string>{c.described}) << c.name;
            EXPECT_EQ(ReadFile(errFile), "Exception in thread \"main\" " + c.described + "\n") << c.name;
            EXPECT_EQ(world.EventsOf("exception_described").at(0).detail.at(2), errFile) << c.name;
        } else {
            EXPECT_EQ(world.Count("exception_described"), 0u) << c.name;
            EXPECT_EQ(world.Count("exception_describe"), 1u) << c.name;
        }
        // A later call is clean again.
        env->FindClass("java/lang/String");
        EXPECT_EQ(world.Count("warning"), 0u) << c.name;
    }
}

TEST(FakeJni, ExceptionClearAndCallsWithAnExceptionPending) {
    FakeJvmWorld world;
    world.Install();
    JNIEnv* env = StartVm({}).env;
    env->FindClass("app/Missing");
    env->FindClass("java/lang/String");  // a real VM only warns under -Xcheck:jni
    std::vector<FakeJniEvent> warnings = world.EventsOf("warning");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].detail.at(0), "FindClass called with an exception pending");
    env->ExceptionClear();
    EXPECT_EQ(env->ExceptionCheck(), JNI_FALSE);
    EXPECT_EQ(world.EventsOf("exception_clear").at(0).detail.at(0), "java/lang/NoClassDefFoundError");
    EXPECT_TRUE(world.ExceptionsDescribed().empty());
}

TEST(FakeJni, RedirectedStreamsWriteToTheirFiles) {
    FakeJvmWorld world;
    world.classes["app/Main"] = FakeJavaClass{};
    world.mainWritesOut = "hello out\n";
    world.mainWritesErr = "hello err\n";
    world.Install();
    const std::string outFile = TempPath("out.txt"), errFile = TempPath("err2.txt");
    {
        std::ofstream old(outFile);
        old << "old contents that must go";
    }
    JNIEnv* env = StartVm({}).env;
    Redirect(env, "setOut", outFile);
    Redirect(env, "setErr", errFile);
    CallStatic(env, "app/Main", "main", StringArray(env, {}, nullptr));
    EXPECT_EQ(ReadFile(outFile), "hello out\n");
    EXPECT_EQ(ReadFile(errFile), "hello err\n");
    EXPECT_EQ(world.Redirections(), (std::vector<std::pair<std::string, std::string>>{{"set_out", outFile},
                                                                                      {"set_err", errFile}}));
}

TEST(FakeJni, SecondaryMainRunsOnAttachedThreads) {
    FakeJvmWorld world;
    world.classes["app/Main"] = FakeJavaClass{};
    world.mainWaitsForSecondaryCalls = 2;
    world.Install();
    StartedVm started = StartVm({});
    JavaVM* vm = started.vm;

    auto handOver = [vm](std::string argument) {
        void* penv = nullptr;
        if (vm->AttachCurrentThread(&penv, nullptr) != JNI_OK) return;
        JNIEnv* env = static_cast<JNIEnv*>(penv);
        CallStatic(env, "app/Main", "secondaryMain", StringArray(env, {argument}, "UTF-8"));
        vm->DetachCurrentThread();
    };
    std::thread first(handOver, "one");
    std::thread second(handOver, "two");
    // main returns only once both hand-overs have ended.
    CallStatic(started.env, "app/Main", "main", StringArray(started.env, {}, nullptr));
    first.join();
    second.join();
    EXPECT_EQ(started.vm->DetachCurrentThread(), JNI_OK);
    EXPECT_EQ(started.vm->DestroyJavaVM(), JNI_OK);

    std::vector<std::vector<FakeJavaString>> calls = world.SecondaryMainArgs();
    ASSERT_EQ(calls.size(), 2u);
    std::set<std::string> received;
    for (const auto& call : calls) {
        ASSERT_EQ(call.size(), 1u);
        received.insert(call[0].text);
    }
    EXPECT_EQ(received, (std::set<std::string>{"one", "two"}));
    std::vector<int> threads = world.ThreadsOf("secondary_main");
    EXPECT_EQ(std::set<int>(threads.begin(), threads.end()), (std::set<int>{2, 3}));
    EXPECT_EQ(world.ThreadsOf("main"), std::vector<int>{1});
    std::set<std::string> names;
    for (const FakeJniEvent& e : world.EventsOf("attach_current_thread")) names.insert(e.detail.at(0));
    EXPECT_EQ(names, (std::set<std::string>{"Thread-0", "Thread-1"}));
    EXPECT_TRUE(InOrder(world.Kinds(), {"secondary_main", "secondary_main", "main_returned", "destroy_java_vm"}))
        << Joined(world.Kinds());
    EXPECT_EQ(world.Count("warning"), 0u);
}

TEST(FakeJni, DestroyWaitsForAttachedThreadsAndDetachCanFail) {
    FakeJvmWorld world;
    world.detachFails = true;
    world.Install();
    StartedVm started = StartVm({});
    EXPECT_EQ(started.vm->DetachCurrentThread(), JNI_ERR);

    std::atomic<bool> attached{false};
    std::thread worker([&] {
        void* penv = nullptr;
        started.vm->AttachCurrentThread(&penv, nullptr);
        attached = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        world.detachFails = false;
        started.vm->DetachCurrentThread();
    });
    while (!attached) std::this_thread::yield();
    EXPECT_EQ(started.vm->DestroyJavaVM(), JNI_OK);
    worker.join();

    std::vector<FakeJniEvent> detaches = world.EventsOf("detach_current_thread");
    ASSERT_EQ(detaches.size(), 2u);
    EXPECT_EQ(detaches[0].result, JNI_ERR);
    EXPECT_EQ(detaches[1].result, JNI_OK);
    EXPECT_EQ(detaches[1].thread, 2);
    EXPECT_TRUE(InOrder(world.Kinds(), {"attach_current_thread", "detach_current_thread", "destroy_java_vm"}))
        << Joined(world.Kinds());
    void* penv = nullptr;
    EXPECT_EQ(started.vm->AttachCurrentThread(&penv, nullptr), JNI_ERR) << "no attaching to a destroyed VM";
    EXPECT_EQ(penv, nullptr);
}

TEST(FakeJniDeathTest, MisuseIsCaughtLoudly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        std::function<void(JavaVM*, JNIEnv*)> misuse;
        const char* message;
    };
    const Case cases[] = {
        {"unmodelled JNIEnv function",
         [](JavaVM*, JNIEnv* env) { env->GetObjectClass(env->FindClass("java/lang/String")); },
         "unexpected call GetObjectClass"},
        {"unmodelled JavaVM function",
         [](JavaVM* vm, JNIEnv*) {
             void* penv = nullptr;
             vm->AttachCurrentThreadAsDaemon(&penv, nullptr);
         },
         "unexpected call AttachCurrentThreadAsDaemon"},
        {"deleted reference",
         [](JavaVM*, JNIEnv* env) {
             jbyteArray array = env->NewByteArray(1);
             env->DeleteLocalRef(array);
             env->GetArrayLength(array);
         },
         "use of a deleted reference to byte\\[1\\]"},
        {"JNIEnv on another thread",
         [](JavaVM*, JNIEnv* env) { std::thread([env] { env->FindClass("java/lang/String"); }).join(); },
         "given the JNIEnv of main on another thread"},
        {"JNIEnv after detaching",
         [](JavaVM* vm, JNIEnv* env) {
             vm->DetachCurrentThread();
             env->FindClass("java/lang/String");
         },
         "JNIEnv of main, which has detached"},
        {"array of the wrong type for main",
         [](JavaVM*, JNIEnv* env) { CallStatic(env, "app/Main", "main", env->NewByteArray(0)); },
         "main given byte\\[0\\] for a String\\[\\]"},
        {"release of characters never handed out",
         [](JavaVM*, JNIEnv* env) { env->ReleaseStringUTFChars(env->NewStringUTF("x"), "x"); },
         "ReleaseStringUTFChars given characters"},
    };
    for (const Case& c : cases) {
        EXPECT_DEATH(
            {
                FakeJvmWorld world;
                world.classes["app/Main"] = FakeJavaClass{};
                world.Install();
                StartedVm started = StartVm({});
                c.misuse(started.vm, started.env);
            },
            c.message)
            << c.name;
    }
}

}  // namespace
}  // namespace launcher
