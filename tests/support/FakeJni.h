// An in-memory Java VM behind the JNI invocation interface and the JNIEnv table: a tiny Java world set up by a test, and a record of everything the launcher asked of it.
//
// A test configures a FakeJvmWorld, calls Install() and hands the launcher
// FakeJni_CreateJavaVM as "JNI_CreateJavaVM" (FakeJniSymbols() gives both
// exports). The VM it creates serves the JNI calls the launcher makes and
// records each one as a FakeJniEvent. Any other JNI function is a trap: it
// records "unexpected" and aborts, so an unmodelled call is caught at once.
// Misuse that a real VM would answer with a crash (a deleted or foreign
// reference, a JNIEnv used on another thread, a null where JNI requires an
// object) is a "fault": recorded, printed, and the process aborts.
//
// Event kinds and their detail strings:
//   create_java_vm          options in order; result = return value
//   get_default_init_args   [version in hex]; result
//   attach_current_thread   [thread name]; result
//   detach_current_thread   []; result
//   get_env                 [version in hex]; result
//   destroy_java_vm         names of the attached threads it waited for; recorded when it returns
//   get_version             []; result
//   find_class              [name]; result 1 when found
//   get_method_id           [class, name, signature]; result 1 when found
//   get_static_method_id    [class, name, signature]; result 1 when found
//   new_object              [class, signature]; strings = String arguments; result 1 when made
//   main, secondary_main    [class]; strings = the elements of the String[] (result 0 when the array was null)
//   main_returned           [exception class, empty when none]
//   set_out, set_err        [file the PrintStream writes to, empty when not a file]
//   get_property            [key, value]; result 0 when the property is absent
//   new_byte_array          [length]
//   set_byte_array_region   [start, length, the bytes]
//   get_array_length        []; result
//   new_object_array        [length, element class]
//   set_object_array_element / get_object_array_element   [index]
//   new_string_utf          [bytes]    new_string   [text in UTF-8]
//   get_string_utf_chars    [text]     release_string_utf_chars   [text]
//   get_string_utf_length / get_string_length   []; result
//   delete_local_ref, new_global_ref, delete_global_ref   [what the reference points at]
//   exception_thrown        [class, message]: the fake made an exception pending
//   exception_occurred / exception_check / exception_clear   [class pending, empty when none]
//   exception_described     [class in dot form, message, destination: "stderr" or the file]
//   exception_describe      []: called with nothing pending
//   warning                 [text]: allowed by JNI's letter but a sign of a fault (a call with
//                           an exception pending, DestroyJavaVM giving up on a thread, main
//                           giving up waiting for secondaryMain calls)
//   unexpected              [slot name]     fault   [text]
#pragma once

#include <jni.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace launcher {

// A java.lang.String as it reached the fake.
struct FakeJavaString {
    bool isNull = false;
    // The bytes it was made from: the byte[] of the String constructor, the
    // argument of NewStringUTF, or the UTF-16 code units little-endian.
    std::string bytes;
    // The charset name exactly as given, the default charset for String(byte[]),
    // "modified-UTF-8" for NewStringUTF, "UTF-16" for NewString, "java" for a
    // string the fake made itself.
    std::string charset;
    // The Java characters, in UTF-8.
    std::string text;
};

struct FakeJniEvent {
    std::string kind;
    std::vector<std::string> detail;
    std::vector<FakeJavaString> strings;
    long long result = 0;
    // 1 for the thread that created the VM, then 2, 3... in order of
    // attachment; 0 for a thread that was not attached.
    int thread = 0;
};

struct FakeVmCreation {
    bool called = false;
    jint version = 0;
    std::vector<std::string> options;
    bool ignoreUnrecognized = false;
    jint result = 0;
};

// An application class of the fake world.
struct FakeJavaClass {
    bool hasMain = true;
    bool hasSecondaryMain = true;
};

class FakeJvmWorld {
public:
    FakeJvmWorld();
    ~FakeJvmWorld();
    FakeJvmWorld(const FakeJvmWorld&) = delete;
    FakeJvmWorld& operator=(const FakeJvmWorld&) = delete;

    // Makes this the world that FakeJni_CreateJavaVM creates its VM in; the
    // destructor undoes it. One world at a time.
    void Install();
    static FakeJvmWorld* Current();

    // --- configuration: set before the VM is created, not changed after ---
    // Application classes by slash name. java/lang/String, java/lang/System,
    // java/lang/Object, java/io/OutputStream, java/io/FileOutputStream and
    // java/io/PrintStream always exist.
    std::map<std::string, FakeJavaClass> classes;
    // Every slash name outside java/ is found, shaped like anyClass.
    bool anyClassExists = false;
    FakeJavaClass anyClass;
    // When not empty, main (secondaryMain) ends by throwing this class (slash
    // name) with the message.
    std::string mainThrows, mainThrowsMessage;
    std::string secondaryMainThrows, secondaryMainThrowsMessage;
    // Text main writes to System.out and System.err before it ends.
    std::string mainWritesOut, mainWritesErr;
    // main returns only after this many secondaryMain calls have ended, or
    // after mainWaitLimitMs; then it sleeps mainSleepMs.
    int mainWaitsForSecondaryCalls = 0;
    unsigned mainWaitLimitMs = 30000;
    unsigned mainSleepMs = 0;
    // A non-daemon thread of the application that outlives main by this long:
    // DestroyJavaVM returns only after it.
    unsigned lingerMs = 0;
    // How long DestroyJavaVM waits for other attached threads to detach.
    unsigned destroyWaitLimitMs = 10000;
    // Like a real VM, a missing method leaves NoSuchMethodError pending; false
    // models a VM that only returns null.
    bool missingMethodThrows = true;
    // Non-zero: JNI_CreateJavaVM returns this and creates nothing.
    jint createResult = JNI_OK;
    // Options that make JNI_CreateJavaVM fail with JNI_ERR, whatever
    // ignoreUnrecognized says. An "-X" option outside a small list of known
    // ones fails too unless ignoreUnrecognized is set, and a memory size that
    // does not parse (-Xmx25P) fails with JNI_EINVAL.
    std::set<std::string> rejectedOptions;
    bool detachFails = false;
    // System properties; -D options add to them. Remove "sun.jnu.encoding" to
    // model an old runtime without it.
    std::map<std::string, std::string> systemProperties;
    // The charset of the String(byte[]) constructor (Java's default charset).
    std::string defaultCharset = "UTF-8";
    // File names (as FileOutputStream sees them) it cannot open.
    std::set<std::string> unopenableFiles;
    jint jniVersion = JNI_VERSION_10;
    // Called with each event as it is recorded, under the fake's lock, on the
    // thread that made the call.
    std::function<void(const FakeJniEvent&)> onEvent;

    // --- record; each accessor takes a consistent copy ---
    std::vector<FakeJniEvent> Events() const;
    std::vector<FakeJniEvent> EventsOf(const std::string& kind) const;
    std::vector<std::string> Kinds() const;
    size_t Count(const std::string& kind) const;
    FakeVmCreation Creation() const;
    std::vector<std::string> Options() const;
    bool MainCalled() const;
    std::vector<FakeJavaString> MainArgs() const;
    std::vector<std::vector<FakeJavaString>> SecondaryMainArgs() const;
    // ("set_out" or "set_err", file name), in order.
    std::vector<std::pair<std::string, std::string>> Redirections() const;
    // "java.lang.NoClassDefFoundError: app/Missing", in order.
    std::vector<std::string> ExceptionsDescribed() const;
    bool Destroyed() const;
    // The thread of each event of a kind, in order.
    std::vector<int> ThreadsOf(const std::string& kind) const;
    // Local references not deleted, of threads still attached.
    size_t LiveLocalRefs() const;
    // GetStringUTFChars results not released.
    size_t UnreleasedUtfChars() const;

private:
    friend struct FakeJniAccess;
    struct State;
    std::unique_ptr<State> state;
};

// The two exports, by the names a JVM library gives them.
std::map<std::string, void*> FakeJniSymbols();

}  // namespace launcher

extern "C" {
// The JVM library's exports, served by the installed world.
jint JNICALL FakeJni_CreateJavaVM(JavaVM** pvm, void** penv, void* args);
jint JNICALL FakeJni_GetDefaultJavaVMInitArgs(void* args);
}
