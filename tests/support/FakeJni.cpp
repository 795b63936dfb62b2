// The tests' in-memory Java VM: objects, references, threads, charsets and the JNI function tables that serve them.
#include "support/FakeJni.h"

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <mutex>
#include <thread>
#endif

namespace launcher {

namespace {

// ---------------------------------------------------------------- platform

// One lock for the whole fake: it serves one world at a time, and the
// hand-over threads call in beside the main thread. Not recursive: nothing
// that holds it calls back into the fake.
class FakeLock {
public:
#ifdef _WIN32
    FakeLock() { InitializeCriticalSection(&section); }
    ~FakeLock() { DeleteCriticalSection(&section); }
    void Lock() { EnterCriticalSection(&section); }
    void Unlock() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
#else
    void Lock() { mutex.lock(); }
    void Unlock() { mutex.unlock(); }

private:
    std::mutex mutex;
#endif
};

FakeLock gLock;
FakeJvmWorld* gCurrent = nullptr;

class Guard {
public:
    Guard() { gLock.Lock(); }
    ~Guard() {
        if (held) gLock.Unlock();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    // For the waits inside the VM (main running, DestroyJavaVM), during which
    // other threads must get in.
    void Release() {
        gLock.Unlock();
        held = false;
    }
    void Retake() {
        gLock.Lock();
        held = true;
    }

private:
    bool held = true;
};

unsigned long long CurrentThreadKey() {
#ifdef _WIN32
    return GetCurrentThreadId();
#else
    return std::hash<std::thread::id>()(std::this_thread::get_id());
#endif
}

void SleepMs(unsigned ms) {
#ifdef _WIN32
    Sleep(ms);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

std::string Hex32(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", value);
    return text;
}

std::string DotName(std::string name) {
    for (char& c : name)
        if (c == '/') c = '.';
    return name;
}

// ---------------------------------------------------------------- charsets

enum class Charset { Unknown, Utf8, Latin1, Cp1252, Ascii };

Charset CharsetNamed(const std::string& name) {
    std::string lower;
    for (char c : name) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    static const std::pair<const char*, Charset> kAliases[] = {
        {"utf-8", Charset::Utf8},          {"utf8", Charset::Utf8},
        {"unicode-1-1-utf-8", Charset::Utf8},
        {"iso-8859-1", Charset::Latin1},   {"iso8859_1", Charset::Latin1},
        {"iso_8859_1", Charset::Latin1},   {"iso8859-1", Charset::Latin1},
        {"8859_1", Charset::Latin1},       {"latin1", Charset::Latin1},
        {"l1", Charset::Latin1},           {"cp819", Charset::Latin1},
        {"windows-1252", Charset::Cp1252}, {"cp1252", Charset::Cp1252},
        {"us-ascii", Charset::Ascii},      {"ascii", Charset::Ascii},
        {"646", Charset::Ascii},           {"iso646-us", Charset::Ascii},
    };
    for (const auto& alias : kAliases)
        if (lower == alias.first) return alias.second;
    return Charset::Unknown;
}

// windows-1252 at 0x80..0x9F; U+FFFD where the code page defines nothing.
const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

void AppendCodePoint(std::u16string& out, unsigned long cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// UTF-8 and modified UTF-8 alike: a malformed byte becomes U+FFFD. Modified
// UTF-8 allows the two-byte zero and surrogates encoded one by one.
std::u16string DecodeUtf8(const std::string& bytes, bool modified) {
    std::u16string out;
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        unsigned long cp = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = length != 0 && i + length <= bytes.size();
        for (size_t k = 1; ok && k < length; ++k) {
            unsigned char c = static_cast<unsigned char>(bytes[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (ok) {
            static const unsigned long kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
            bool overlong = cp < kMinimum[length] && !(modified && length == 2 && cp == 0);
            bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
            ok = !overlong && cp <= 0x10FFFF && (modified || !surrogate);
        }
        if (!ok) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        AppendCodePoint(out, cp);
        i += length;
    }
    return out;
}

std::u16string Decode(const std::string& bytes, Charset charset) {
    if (charset == Charset::Utf8) return DecodeUtf8(bytes, false);
    std::u16string out;
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (charset == Charset::Ascii && b >= 0x80)
            out += u'\xFFFD';
        else if (charset == Charset::Cp1252 && b >= 0x80 && b < 0xA0)
            out += kCp1252High[b - 0x80];
        else
            out += static_cast<char16_t>(b);
    }
    return out;
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Characters the charset cannot hold become '?', as Java's encoders do.
std::string Encode(const std::u16string& chars, Charset charset) {
    std::string out;
    for (size_t i = 0; i < chars.size(); ++i) {
        char16_t c = chars[i];
        if (charset == Charset::Utf8) {
            bool high = c >= 0xD800 && c <= 0xDBFF;
            if (high && i + 1 < chars.size() && chars[i + 1] >= 0xDC00 && chars[i + 1] <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((static_cast<unsigned long>(c) - 0xD800) << 10) + (chars[i + 1] - 0xDC00));
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                out += '?';
            } else {
                AppendUtf8(out, c);
            }
            continue;
        }
        unsigned limit = charset == Charset::Ascii ? 0x80 : 0x100;
        bool cp1252Gap = charset == Charset::Cp1252 && c >= 0x80 && c < 0xA0;
        if (c < limit && !cp1252Gap) {
            out += static_cast<char>(c);
            continue;
        }
        char replacement = '?';
        if (charset == Charset::Cp1252)
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] == c && c != 0xFFFD) replacement = static_cast<char>(0x80 + k);
        out += replacement;
    }
    return out;
}

std::string ModifiedUtf8(const std::u16string& chars) {
    std::string out;
    for (char16_t c : chars) {
        if (c == 0) {
            out += "\xC0\x80";
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string Utf8(const std::u16string& chars) { return Encode(chars, Charset::Utf8); }

// ---------------------------------------------------------------- the Java world

enum class ObjKind { Class, String, ByteArray, ObjectArray, Throwable, FileOutputStream, PrintStream };

struct Obj {
    ObjKind kind = ObjKind::Class;
    // Its class; for a Class object, the class it stands for.
    std::string className;
    std::u16string chars;         // String
    std::string bytes;            // String: its source bytes; byte[]: the contents
    std::string charset;          // String
    std::vector<Obj*> elements;   // Object[]
    std::string message;          // Throwable
    std::string path;             // FileOutputStream
    FILE* file = nullptr;         // FileOutputStream, open while the world lives
    Obj* target = nullptr;        // PrintStream: where it writes
};

enum class RefKind { Local, Global };

struct Ref {
    Obj* obj = nullptr;
    RefKind kind = RefKind::Local;
    int thread = 0;
    bool deleted = false;
};

enum class MethodKind {
    StringFromBytes,
    StringFromBytesCharset,
    FileOutputStreamNew,
    PrintStreamNew,
    Main,
    SecondaryMain,
    SetOut,
    SetErr,
    GetProperty,
};

struct Method {
    std::string className, name, signature;
    bool isStatic = false;
    MethodKind kind = MethodKind::Main;
};

struct ThreadEnv : JNIEnv_ {
    unsigned long long key = 0;
    int number = 0;
    std::string name;
    bool attached = true;
    Obj* pending = nullptr;
};

struct FakeVm : JavaVM_ {};

const char* const kSystemClasses[] = {
    "java/lang/Object",     "java/lang/String",         "java/lang/System",
    "java/io/OutputStream", "java/io/FileOutputStream", "java/io/PrintStream",
};

}  // namespace

struct FakeJvmWorld::State {
    std::vector<std::unique_ptr<Obj>> objects;
    std::vector<std::unique_ptr<Ref>> refs;
    std::set<const void*> refSet;
    std::map<std::string, std::unique_ptr<Method>> methods;  // by class|name|signature
    std::set<const void*> methodSet;
    std::map<std::string, Obj*> classObjects;
    std::vector<std::unique_ptr<ThreadEnv>> envs;
    std::set<const char*> utfChars;
    std::map<std::string, std::string> properties;
    FakeVm vm;
    bool created = false;
    bool destroyed = false;
    int nextThreadNumber = 1;
    int nextJavaThreadName = 0;
    Obj* out = nullptr;  // System.out when replaced; null is the process's own
    Obj* err = nullptr;
    int secondaryCallsEnded = 0;
    std::vector<FakeJniEvent> events;
    FakeVmCreation creation;
};

struct FakeJniAccess {
    using State = FakeJvmWorld::State;
    static State& Of(FakeJvmWorld& world) { return *world.state; }
    static const State& Of(const FakeJvmWorld& world) { return *world.state; }
};

namespace {

using State = FakeJniAccess::State;

void Record(FakeJvmWorld& world, const std::string& kind, std::vector<std::string> detail, int thread,
            long long result = 0, std::vector<FakeJavaString> strings = {}) {
    State& s = FakeJniAccess::Of(world);
    FakeJniEvent event;
    event.kind = kind;
    event.detail = std::move(detail);
    event.strings = std::move(strings);
    event.result = result;
    event.thread = thread;
    s.events.push_back(std::move(event));
    if (world.onEvent) world.onEvent(s.events.back());
}

ThreadEnv* AttachedEnvOfThisThread(State& s) {
    unsigned long long key = CurrentThreadKey();
    for (auto& env : s.envs)
        if (env->attached && env->key == key) return env.get();
    return nullptr;
}

// Ends the process at once. On Windows without the C runtime's abort, whose
// report box would stand in the way of the tests' robot; the exit code is 3
// either way.
[[noreturn]] void Die() {
    std::fflush(nullptr);
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 3);
#endif
    std::abort();
}

// With the lock held: the fault is recorded (and so logged) before the
// process dies.
[[noreturn]] void Fault(FakeJvmWorld* world, int thread, const std::string& text) {
    if (world) Record(*world, "fault", {text}, thread);
    std::fprintf(stderr, "FakeJni: fault: %s\n", text.c_str());
    Die();
}

[[noreturn]] void NoWorld(const char* call) {
    std::fprintf(stderr, "FakeJni: %s called with no FakeJvmWorld installed\n", call);
    Die();
}

std::string Describe(const Obj* obj) {
    if (!obj) return "null";
    switch (obj->kind) {
        case ObjKind::Class: return "class " + obj->className;
        case ObjKind::String: return "String \"" + Utf8(obj->chars) + "\"";
        case ObjKind::ByteArray: return "byte[" + std::to_string(obj->bytes.size()) + "]";
        case ObjKind::ObjectArray: return obj->className + "[" + std::to_string(obj->elements.size()) + "]";
        case ObjKind::Throwable: return obj->className;
        case ObjKind::FileOutputStream: return "FileOutputStream " + obj->path;
        case ObjKind::PrintStream: return "PrintStream";
    }
    return "object";
}

FakeJavaString StringRecord(const Obj* obj) {
    FakeJavaString record;
    if (!obj) {
        record.isNull = true;
        return record;
    }
    record.bytes = obj->bytes;
    record.charset = obj->charset;
    record.text = Utf8(obj->chars);
    return record;
}

Obj* NewObj(State& s, ObjKind kind, const std::string& className) {
    s.objects.push_back(std::make_unique<Obj>());
    Obj* obj = s.objects.back().get();
    obj->kind = kind;
    obj->className = className;
    return obj;
}

Obj* NewString(State& s, const std::u16string& chars, const std::string& bytes, const std::string& charset) {
    Obj* obj = NewObj(s, ObjKind::String, "java/lang/String");
    obj->chars = chars;
    obj->bytes = bytes;
    obj->charset = charset;
    return obj;
}

// The FileOutputStream a PrintStream ends in, or null.
Obj* FileBehind(Obj* stream) {
    for (int depth = 0; stream && depth < 16; ++depth) {
        if (stream->kind == ObjKind::FileOutputStream) return stream;
        stream = stream->target;
    }
    return nullptr;
}

// Writes as Java's System.out or System.err would; returns where it went.
std::string WriteStream(Obj* replaced, bool isErr, const std::string& text) {
    if (!replaced) {
        FILE* f = isErr ? stderr : stdout;
        std::fputs(text.c_str(), f);
        std::fflush(f);
        return isErr ? "stderr" : "stdout";
    }
    Obj* file = FileBehind(replaced);
    if (!file) return "";
    if (file->file) {
        std::fputs(text.c_str(), file->file);
        std::fflush(file->file);
    }
    return file->path;
}

bool IsSupportedVersion(jint version, bool includingOneOne) {
    static const long kVersions[] = {0x00010002, 0x00010004, 0x00010006, 0x00010008, 0x00090000,
                                     0x000a0000, 0x00130000, 0x00140000, 0x00150000, 0x00180000};
    if (includingOneOne && version == 0x00010001) return true;
    for (long v : kVersions)
        if (v == static_cast<long>(version)) return true;
    return false;
}

bool IsMemorySize(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == 0) return false;
    if (i == text.size()) return true;
    return i + 1 == text.size() && std::strchr("kKmMgGtT", text[i]) != nullptr;
}

// JNI_OK, JNI_ERR for an option the runtime does not know, JNI_EINVAL for a
// known one with a bad value. Only "-X" options are checked.
jint CheckOption(const std::string& option, bool ignoreUnrecognized) {
    if (option.compare(0, 2, "-X") != 0) return JNI_OK;
    static const char* const kSizeOptions[] = {"-Xms", "-Xmx", "-Xss", "-Xmn", "-Xmaxjitcodesize"};
    for (const char* prefix : kSizeOptions) {
        size_t n = std::strlen(prefix);
        if (option.compare(0, n, prefix) == 0) {
            if (IsMemorySize(option.substr(n))) return JNI_OK;
            std::fprintf(stderr, "Invalid memory size: %s\n", option.c_str());
            return JNI_EINVAL;
        }
    }
    static const char* const kExact[] = {"-Xint",   "-Xmixed", "-Xcomp",      "-Xbatch", "-Xrs",
                                         "-Xnoclassgc", "-Xdebug", "-Xcheck:jni", "-Xdiag", "-Xnoagent"};
    for (const char* known : kExact)
        if (option == known) return JNI_OK;
    static const char* const kPrefixes[] = {"-XX:",    "-Xlog",     "-Xshare:", "-Xverify", "-Xbootclasspath/a:",
                                            "-Xrunjdwp:", "-Xloggc:"};
    for (const char* prefix : kPrefixes)
        if (option.compare(0, std::strlen(prefix), prefix) == 0) return JNI_OK;
    if (ignoreUnrecognized) return JNI_OK;
    std::fprintf(stderr, "Unrecognized option: %s\n", option.c_str());
    return JNI_ERR;
}

const FakeJavaClass* AppClass(const FakeJvmWorld& world, const std::string& name) {
    if (name.find('.') != std::string::npos) return nullptr;  // JNI wants slash names
    auto it = world.classes.find(name);
    if (it != world.classes.end()) return &it->second;
    if (world.anyClassExists && !name.empty() && name.compare(0, 5, "java/") != 0) return &world.anyClass;
    return nullptr;
}

bool ClassExists(const FakeJvmWorld& world, const std::string& name) {
    for (const char* system : kSystemClasses)
        if (name == system) return true;
    return AppClass(world, name) != nullptr;
}

Obj* ClassObject(State& s, const std::string& name) {
    Obj*& obj = s.classObjects[name];
    if (!obj) obj = NewObj(s, ObjKind::Class, name);
    return obj;
}

// The types of a signature's parameters: 'L' for any reference, else the
// primitive letter.
std::vector<char> ParameterTypes(const std::string& signature) {
    std::vector<char> types;
    size_t i = 1;
    while (i < signature.size() && signature[i] != ')') {
        char c = signature[i];
        if (c == '[') {
            while (i < signature.size() && signature[i] == '[') ++i;
            if (i < signature.size() && signature[i] == 'L') i = signature.find(';', i);
            types.push_back('L');
        } else if (c == 'L') {
            i = signature.find(';', i);
            types.push_back('L');
        } else {
            types.push_back(c);
        }
        if (i == std::string::npos) break;
        ++i;
    }
    return types;
}

std::vector<jvalue> ReadArguments(const std::string& signature, va_list* args) {
    std::vector<jvalue> values;
    for (char type : ParameterTypes(signature)) {
        jvalue v;
        std::memset(&v, 0, sizeof v);
        if (type == 'L')
            v.l = va_arg(*args, jobject);
        else if (type == 'J')
            v.j = va_arg(*args, jlong);
        else if (type == 'F' || type == 'D')
            v.d = va_arg(*args, double);
        else
            v.i = va_arg(*args, int);
        values.push_back(v);
    }
    return values;
}

std::vector<jvalue> CopyArguments(const std::string& signature, const jvalue* args) {
    size_t count = ParameterTypes(signature).size();
    return args ? std::vector<jvalue>(args, args + count) : std::vector<jvalue>(count, jvalue());
}

// ---------------------------------------------------------------- a JNIEnv call

// The context of one JNIEnv call: the lock, the world and the calling
// thread's environment, checked the way a real VM relies on them being right.
class Call {
public:
    Call(JNIEnv* env, const char* name, bool allowedWithException = false)
        : world(WorldOrAbort(name)), s(FakeJniAccess::Of(world)) {
        for (auto& candidate : s.envs)
            if (static_cast<JNIEnv*>(candidate.get()) == env) te = candidate.get();
        if (!te) Fault(&world, 0, std::string(name) + " given a JNIEnv the VM never handed out");
        if (s.destroyed) Fault(&world, te->number, std::string(name) + " called after DestroyJavaVM");
        if (!te->attached)
            Fault(&world, te->number, std::string(name) + " given the JNIEnv of " + te->name + ", which has detached");
        if (te->key != CurrentThreadKey())
            Fault(&world, te->number, std::string(name) + " given the JNIEnv of " + te->name + " on another thread");
        if (te->pending && !allowedWithException)
            Record(world, "warning", {std::string(name) + " called with an exception pending"}, te->number);
    }

    Guard guard;
    FakeJvmWorld& world;
    State& s;
    ThreadEnv* te = nullptr;

    int Thread() const { return te->number; }

    void Event(const std::string& kind, std::vector<std::string> detail, long long result = 0,
               std::vector<FakeJavaString> strings = {}) {
        Record(world, kind, std::move(detail), te->number, result, std::move(strings));
    }

    [[noreturn]] void Fail(const std::string& text) { Fault(&world, te->number, text); }

    Ref* RefOf(jobject ref) {
        if (!s.refSet.count(ref)) Fail("a reference the VM never handed out was used");
        Ref* r = reinterpret_cast<Ref*>(ref);
        if (r->deleted) Fail("use of a deleted reference to " + Describe(r->obj));
        if (r->kind == RefKind::Local && r->thread != te->number)
            Fail("a local reference of another thread was used: " + Describe(r->obj));
        return r;
    }

    // Null for a null reference.
    Obj* Deref(jobject ref) { return ref ? RefOf(ref)->obj : nullptr; }

    Obj* DerefKind(jobject ref, ObjKind kind, const char* what) {
        Obj* obj = Deref(ref);
        if (!obj) Fail(std::string(what) + " given null");
        if (obj->kind != kind) Fail(std::string(what) + " given " + Describe(obj));
        return obj;
    }

    jobject NewRef(Obj* obj, RefKind kind) {
        if (!obj) return nullptr;
        s.refs.push_back(std::make_unique<Ref>());
        Ref* r = s.refs.back().get();
        r->obj = obj;
        r->kind = kind;
        r->thread = te->number;
        s.refSet.insert(r);
        return reinterpret_cast<jobject>(r);
    }
    jobject NewLocal(Obj* obj) { return NewRef(obj, RefKind::Local); }

    Method* MethodOf(jmethodID id, const char* what) {
        if (!s.methodSet.count(id)) Fail(std::string(what) + " given a method ID the VM never handed out");
        return reinterpret_cast<Method*>(id);
    }

    void Throw(const std::string& className, const std::string& message) {
        Obj* ex = NewObj(s, ObjKind::Throwable, className);
        ex->message = message;
        te->pending = ex;
        Event("exception_thrown", {className, message});
    }

private:
    // Runs with the guard already held: it is the first member.
    static FakeJvmWorld& WorldOrAbort(const char* name) {
        if (!gCurrent) NoWorld(name);
        return *gCurrent;
    }
};

std::string PendingName(const ThreadEnv* te) { return te->pending ? te->pending->className : std::string(); }

// ---------------------------------------------------------------- JNIEnv functions

jint JNICALL GetVersion(JNIEnv* env) {
    Call c(env, "GetVersion");
    c.Event("get_version", {}, c.world.jniVersion);
    return c.world.jniVersion;
}

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
    Call c(env, "FindClass");
    if (!name) c.Fail("FindClass given a null name");
    bool found = ClassExists(c.world, name);
    c.Event("find_class", {name}, found ? 1 : 0);
    if (!found) {
        c.Throw("java/lang/NoClassDefFoundError", name);
        return nullptr;
    }
    return static_cast<jclass>(c.NewLocal(ClassObject(c.s, name)));
}

jmethodID FindMethod(Call& c, jclass clazz, const char* name, const char* signature, bool isStatic) {
    const char* call = isStatic ? "GetStaticMethodID" : "GetMethodID";
    Obj* cls = c.DerefKind(clazz, ObjKind::Class, call);
    if (!name || !signature) c.Fail(std::string(call) + " given a null name or signature");
    const std::string& owner = cls->className;
    std::string n = name, sig = signature;

    struct Known {
        const char* owner;
        const char* name;
        const char* signature;
        bool isStatic;
        MethodKind kind;
    };
    static const Known kKnown[] = {
        {"java/lang/String", "<init>", "([B)V", false, MethodKind::StringFromBytes},
        {"java/lang/String", "<init>", "([BLjava/lang/String;)V", false, MethodKind::StringFromBytesCharset},
        {"java/io/FileOutputStream", "<init>", "(Ljava/lang/String;)V", false, MethodKind::FileOutputStreamNew},
        {"java/io/PrintStream", "<init>", "(Ljava/io/OutputStream;)V", false, MethodKind::PrintStreamNew},
        {"java/lang/System", "setOut", "(Ljava/io/PrintStream;)V", true, MethodKind::SetOut},
        {"java/lang/System", "setErr", "(Ljava/io/PrintStream;)V", true, MethodKind::SetErr},
        {"java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;", true, MethodKind::GetProperty},
    };
    bool found = false;
    MethodKind kind = MethodKind::Main;
    for (const Known& k : kKnown)
        if (owner == k.owner && n == k.name && sig == k.signature && isStatic == k.isStatic) {
            found = true;
            kind = k.kind;
        }
    const FakeJavaClass* app = AppClass(c.world, owner);
    if (app && isStatic && sig == "([Ljava/lang/String;)V") {
        if (n == "main" && app->hasMain) found = true, kind = MethodKind::Main;
        if (n == "secondaryMain" && app->hasSecondaryMain) found = true, kind = MethodKind::SecondaryMain;
    }
    c.Event(isStatic ? "get_static_method_id" : "get_method_id", {owner, n, sig}, found ? 1 : 0);
    if (!found) {
        if (c.world.missingMethodThrows) c.Throw("java/lang/NoSuchMethodError", n);
        return nullptr;
    }
    std::unique_ptr<Method>& method = c.s.methods[owner + "|" + n + "|" + sig];
    if (!method) {
        method = std::make_unique<Method>();
        method->className = owner;
        method->name = n;
        method->signature = sig;
        method->isStatic = isStatic;
        method->kind = kind;
        c.s.methodSet.insert(method.get());
    }
    return reinterpret_cast<jmethodID>(method.get());
}

jmethodID JNICALL GetMethodID(JNIEnv* env, jclass clazz, const char* name, const char* signature) {
    Call c(env, "GetMethodID");
    return FindMethod(c, clazz, name, signature, false);
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass clazz, const char* name, const char* signature) {
    Call c(env, "GetStaticMethodID");
    return FindMethod(c, clazz, name, signature, true);
}

// The method, checked against the class it is called on and the kind of call.
Method* CheckedMethod(Call& c, jclass clazz, jmethodID id, const char* call, bool isStatic, char returnType) {
    Obj* cls = c.DerefKind(clazz, ObjKind::Class, call);
    Method* m = c.MethodOf(id, call);
    if (m->className != cls->className)
        c.Fail(std::string(call) + " given class " + cls->className + " with a method of " + m->className);
    bool returnsRight = returnType == 'L' ? m->signature.find(")L") != std::string::npos
                                          : m->signature.back() == returnType;
    if (m->isStatic != isStatic || (!isStatic && m->name != "<init>") || (isStatic && !returnsRight))
        c.Fail(std::string(call) + " given " + m->className + "." + m->name + m->signature);
    return m;
}

// A String argument of a Java method: null, or a String.
Obj* StringArgument(Call& c, jobject ref, const char* what) {
    Obj* obj = c.Deref(ref);
    if (obj && obj->kind != ObjKind::String) c.Fail(std::string(what) + " given " + Describe(obj) + " for a String");
    return obj;
}

// File names reach the system in the platform encoding (sun.jnu.encoding).
std::string PlatformBytes(Call& c, const Obj* name) {
    auto it = c.s.properties.find("sun.jnu.encoding");
    Charset charset = CharsetNamed(it != c.s.properties.end() ? it->second : c.world.defaultCharset);
    return Encode(name->chars, charset == Charset::Unknown ? Charset::Utf8 : charset);
}

jobject NewObjectCore(Call& c, jclass clazz, jmethodID id, const std::vector<jvalue>& args) {
    Method* m = CheckedMethod(c, clazz, id, "NewObject", false, 'V');
    std::vector<std::string> detail = {m->className, m->signature};
    Obj* made = nullptr;
    std::vector<FakeJavaString> strings;
    switch (m->kind) {
        case MethodKind::StringFromBytes:
        case MethodKind::StringFromBytesCharset: {
            Obj* array = c.Deref(args[0].l);
            if (array && array->kind != ObjKind::ByteArray) c.Fail("new String given " + Describe(array));
            std::string charsetName = c.world.defaultCharset;
            Obj* name = nullptr;
            if (m->kind == MethodKind::StringFromBytesCharset) {
                name = StringArgument(c, args[1].l, "new String");
                if (name) {
                    charsetName = Utf8(name->chars);
                    strings.push_back(StringRecord(name));
                }
            }
            if (!array || (m->kind == MethodKind::StringFromBytesCharset && !name)) {
                c.Event("new_object", detail, 0, strings);
                c.Throw("java/lang/NullPointerException", "");
                return nullptr;
            }
            Charset charset = CharsetNamed(charsetName);
            if (charset == Charset::Unknown && m->kind == MethodKind::StringFromBytesCharset) {
                c.Event("new_object", detail, 0, strings);
                c.Throw("java/io/UnsupportedEncodingException", charsetName);
                return nullptr;
            }
            // An unknown default charset decodes as ISO-8859-1: every byte one character.
            made = NewString(c.s, Decode(array->bytes, charset == Charset::Unknown ? Charset::Latin1 : charset),
                             array->bytes, charsetName);
            break;
        }
        case MethodKind::FileOutputStreamNew: {
            Obj* name = StringArgument(c, args[0].l, "new FileOutputStream");
            strings.push_back(StringRecord(name));
            if (!name) {
                c.Event("new_object", detail, 0, strings);
                c.Throw("java/lang/NullPointerException", "");
                return nullptr;
            }
            std::string path = PlatformBytes(c, name);
            FILE* file = nullptr;
            std::string reason = "Access is denied";
            if (!c.world.unopenableFiles.count(path)) {
                errno = 0;
                file = std::fopen(path.c_str(), "wb");
                if (!file) reason = std::strerror(errno);
            }
            if (!file) {
                c.Event("new_object", detail, 0, strings);
                c.Throw("java/io/FileNotFoundException", path + " (" + reason + ")");
                return nullptr;
            }
            made = NewObj(c.s, ObjKind::FileOutputStream, "java/io/FileOutputStream");
            made->path = path;
            made->file = file;
            break;
        }
        case MethodKind::PrintStreamNew: {
            Obj* target = c.Deref(args[0].l);
            if (target && target->kind != ObjKind::FileOutputStream && target->kind != ObjKind::PrintStream)
                c.Fail("new PrintStream given " + Describe(target));
            if (!target) {
                c.Event("new_object", detail, 0);
                c.Throw("java/lang/NullPointerException", "");
                return nullptr;
            }
            made = NewObj(c.s, ObjKind::PrintStream, "java/io/PrintStream");
            made->target = target;
            break;
        }
        default:
            c.Fail("NewObject given " + m->className + "." + m->name);
    }
    c.Event("new_object", detail, 1, strings);
    return c.NewLocal(made);
}

jobject JNICALL NewObjectV(JNIEnv* env, jclass clazz, jmethodID id, va_list args) {
    Call c(env, "NewObjectV");
    std::vector<jvalue> values;
    if (c.s.methodSet.count(id)) {
        va_list copy;
        va_copy(copy, args);
        values = ReadArguments(reinterpret_cast<Method*>(id)->signature, &copy);
        va_end(copy);
    }
    return NewObjectCore(c, clazz, id, values);
}

jobject JNICALL NewObject(JNIEnv* env, jclass clazz, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    jobject result = NewObjectV(env, clazz, id, args);
    va_end(args);
    return result;
}

jobject JNICALL NewObjectA(JNIEnv* env, jclass clazz, jmethodID id, const jvalue* args) {
    Call c(env, "NewObjectA");
    std::vector<jvalue> values;
    if (c.s.methodSet.count(id)) values = CopyArguments(reinterpret_cast<Method*>(id)->signature, args);
    return NewObjectCore(c, clazz, id, values);
}

// main or secondaryMain: what the application does with its arguments.
void RunMain(Call& c, Method* m, jobject arrayRef) {
    bool isMain = m->kind == MethodKind::Main;
    Obj* array = c.Deref(arrayRef);
    if (array && (array->kind != ObjKind::ObjectArray || array->className != "java/lang/String"))
        c.Fail(m->name + " given " + Describe(array) + " for a String[]");
    std::vector<FakeJavaString> strings;
    if (array)
        for (Obj* element : array->elements) strings.push_back(StringRecord(element));
    c.Event(isMain ? "main" : "secondary_main", {m->className}, array ? 1 : 0, strings);

    FakeJvmWorld& w = c.world;
    if (!isMain) {
        if (!w.secondaryMainThrows.empty()) c.Throw(w.secondaryMainThrows, w.secondaryMainThrowsMessage);
        ++c.s.secondaryCallsEnded;
        return;
    }
    if (!w.mainWritesOut.empty()) WriteStream(c.s.out, false, w.mainWritesOut);
    if (!w.mainWritesErr.empty()) WriteStream(c.s.err, true, w.mainWritesErr);
    c.guard.Release();
    bool gaveUp = false;
    if (w.mainWaitsForSecondaryCalls > 0) {
        for (unsigned waited = 0;; waited += 10) {
            {
                Guard g;
                if (c.s.secondaryCallsEnded >= w.mainWaitsForSecondaryCalls) break;
            }
            if (waited >= w.mainWaitLimitMs) {
                gaveUp = true;
                break;
            }
            SleepMs(10);
        }
    }
    if (w.mainSleepMs) SleepMs(w.mainSleepMs);
    c.guard.Retake();
    if (gaveUp) c.Event("warning", {"main gave up waiting for secondaryMain calls"});
    if (!w.mainThrows.empty()) c.Throw(w.mainThrows, w.mainThrowsMessage);
    c.Event("main_returned", {w.mainThrows});
}

void CallStaticVoidCore(Call& c, jclass clazz, jmethodID id, const std::vector<jvalue>& args) {
    Method* m = CheckedMethod(c, clazz, id, "CallStaticVoidMethod", true, 'V');
    switch (m->kind) {
        case MethodKind::Main:
        case MethodKind::SecondaryMain:
            RunMain(c, m, args[0].l);
            return;
        case MethodKind::SetOut:
        case MethodKind::SetErr: {
            Obj* stream = c.Deref(args[0].l);
            if (stream && stream->kind != ObjKind::PrintStream) c.Fail(m->name + " given " + Describe(stream));
            Obj* file = FileBehind(stream);
            (m->kind == MethodKind::SetOut ? c.s.out : c.s.err) = stream;
            c.Event(m->kind == MethodKind::SetOut ? "set_out" : "set_err", {file ? file->path : std::string()},
                    stream ? 1 : 0);
            return;
        }
        default:
            c.Fail("CallStaticVoidMethod given " + m->className + "." + m->name);
    }
}

void JNICALL CallStaticVoidMethodV(JNIEnv* env, jclass clazz, jmethodID id, va_list args) {
    Call c(env, "CallStaticVoidMethodV");
    std::vector<jvalue> values;
    if (c.s.methodSet.count(id)) {
        va_list copy;
        va_copy(copy, args);
        values = ReadArguments(reinterpret_cast<Method*>(id)->signature, &copy);
        va_end(copy);
    }
    CallStaticVoidCore(c, clazz, id, values);
}

void JNICALL CallStaticVoidMethod(JNIEnv* env, jclass clazz, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    CallStaticVoidMethodV(env, clazz, id, args);
    va_end(args);
}

void JNICALL CallStaticVoidMethodA(JNIEnv* env, jclass clazz, jmethodID id, const jvalue* args) {
    Call c(env, "CallStaticVoidMethodA");
    std::vector<jvalue> values;
    if (c.s.methodSet.count(id)) values = CopyArguments(reinterpret_cast<Method*>(id)->signature, args);
    CallStaticVoidCore(c, clazz, id, values);
}

jobject CallStaticObjectCore(Call& c, jclass clazz, jmethodID id, const std::vector<jvalue>& args) {
    Method* m = CheckedMethod(c, clazz, id, "CallStaticObjectMethod", true, 'L');
    if (m->kind != MethodKind::GetProperty) c.Fail("CallStaticObjectMethod given " + m->className + "." + m->name);
    Obj* key = StringArgument(c, args[0].l, "System.getProperty");
    if (!key) {
        c.Event("get_property", {"", ""}, 0);
        c.Throw("java/lang/NullPointerException", "key can't be null");
        return nullptr;
    }
    std::string name = Utf8(key->chars);
    auto it = c.s.properties.find(name);
    bool present = it != c.s.properties.end();
    c.Event("get_property", {name, present ? it->second : std::string()}, present ? 1 : 0);
    if (!present) return nullptr;
    return c.NewLocal(NewString(c.s, DecodeUtf8(it->second, false), it->second, "java"));
}

jobject JNICALL CallStaticObjectMethodV(JNIEnv* env, jclass clazz, jmethodID id, va_list args) {
    Call c(env, "CallStaticObjectMethodV");
    std::vector<jvalue> values;
    if (c.s.methodSet.count(id)) {
        va_list copy;
        va_copy(copy, args);
        values = ReadArguments(reinterpret_cast<Method*>(id)->signature, &copy);
        va_end(copy);
    }
    return CallStaticObjectCore(c, clazz, id, values);
}

jobject JNICALL CallStaticObjectMethod(JNIEnv* env, jclass clazz, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    jobject result = CallStaticObjectMethodV(env, clazz, id, args);
    va_end(args);
    return result;
}

jobject JNICALL CallStaticObjectMethodA(JNIEnv* env, jclass clazz, jmethodID id, const jvalue* args) {
    Call c(env, "CallStaticObjectMethodA");
    std::vector<jvalue> values;
    if (c.s.methodSet.count(id)) values = CopyArguments(reinterpret_cast<Method*>(id)->signature, args);
    return CallStaticObjectCore(c, clazz, id, values);
}

jbyteArray JNICALL NewByteArray(JNIEnv* env, jsize length) {
    Call c(env, "NewByteArray");
    c.Event("new_byte_array", {std::to_string(length)}, length >= 0 ? 1 : 0);
    if (length < 0) {
        c.Throw("java/lang/NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    Obj* array = NewObj(c.s, ObjKind::ByteArray, "byte");
    array->bytes.assign(static_cast<size_t>(length), '\0');
    return static_cast<jbyteArray>(c.NewLocal(array));
}

void JNICALL SetByteArrayRegion(JNIEnv* env, jbyteArray arrayRef, jsize start, jsize length, const jbyte* buffer) {
    Call c(env, "SetByteArrayRegion");
    Obj* array = c.DerefKind(arrayRef, ObjKind::ByteArray, "SetByteArrayRegion");
    if (length > 0 && !buffer) c.Fail("SetByteArrayRegion given a null buffer");
    bool inside = start >= 0 && length >= 0 && static_cast<size_t>(start) + static_cast<size_t>(length) <= array->bytes.size();
    std::string bytes = length > 0 && buffer ? std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length)) : std::string();
    c.Event("set_byte_array_region", {std::to_string(start), std::to_string(length), bytes}, inside ? 1 : 0);
    if (!inside) {
        c.Throw("java/lang/ArrayIndexOutOfBoundsException", "Array region " + std::to_string(start) + ".." +
                                                                 std::to_string(static_cast<long long>(start) + length) +
                                                                 " out of bounds for length " +
                                                                 std::to_string(array->bytes.size()));
        return;
    }
    array->bytes.replace(static_cast<size_t>(start), bytes.size(), bytes);
}

jsize JNICALL GetArrayLength(JNIEnv* env, jarray arrayRef) {
    Call c(env, "GetArrayLength");
    Obj* array = c.Deref(arrayRef);
    if (!array || (array->kind != ObjKind::ByteArray && array->kind != ObjKind::ObjectArray))
        c.Fail("GetArrayLength given " + Describe(array));
    jsize length = static_cast<jsize>(array->kind == ObjKind::ByteArray ? array->bytes.size() : array->elements.size());
    c.Event("get_array_length", {}, length);
    return length;
}

jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject initial) {
    Call c(env, "NewObjectArray");
    Obj* cls = c.DerefKind(elementClass, ObjKind::Class, "NewObjectArray");
    Obj* init = c.Deref(initial);
    c.Event("new_object_array", {std::to_string(length), cls->className}, length >= 0 ? 1 : 0);
    if (length < 0) {
        c.Throw("java/lang/NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    Obj* array = NewObj(c.s, ObjKind::ObjectArray, cls->className);
    array->elements.assign(static_cast<size_t>(length), init);
    return static_cast<jobjectArray>(c.NewLocal(array));
}

bool IndexInside(Call& c, const Obj* array, jsize index) {
    if (index >= 0 && static_cast<size_t>(index) < array->elements.size()) return true;
    c.Throw("java/lang/ArrayIndexOutOfBoundsException", "Index " + std::to_string(index) +
                                                            " out of bounds for length " +
                                                            std::to_string(array->elements.size()));
    return false;
}

void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray arrayRef, jsize index, jobject value) {
    Call c(env, "SetObjectArrayElement");
    Obj* array = c.DerefKind(arrayRef, ObjKind::ObjectArray, "SetObjectArrayElement");
    Obj* element = c.Deref(value);
    c.Event("set_object_array_element", {std::to_string(index), Describe(element)});
    if (!IndexInside(c, array, index)) return;
    bool fits = !element || array->className == "java/lang/Object" ||
                (element->kind == ObjKind::String && array->className == "java/lang/String");
    if (!fits) {
        c.Throw("java/lang/ArrayStoreException", DotName(element->className));
        return;
    }
    array->elements[static_cast<size_t>(index)] = element;
}

jobject JNICALL GetObjectArrayElement(JNIEnv* env, jobjectArray arrayRef, jsize index) {
    Call c(env, "GetObjectArrayElement");
    Obj* array = c.DerefKind(arrayRef, ObjKind::ObjectArray, "GetObjectArrayElement");
    c.Event("get_object_array_element", {std::to_string(index)});
    if (!IndexInside(c, array, index)) return nullptr;
    return c.NewLocal(array->elements[static_cast<size_t>(index)]);
}

jstring JNICALL NewStringUTF(JNIEnv* env, const char* bytes) {
    Call c(env, "NewStringUTF");
    if (!bytes) c.Fail("NewStringUTF given null");
    c.Event("new_string_utf", {bytes});
    return static_cast<jstring>(c.NewLocal(NewString(c.s, DecodeUtf8(bytes, true), bytes, "modified-UTF-8")));
}

jstring JNICALL NewString(JNIEnv* env, const jchar* units, jsize length) {
    Call c(env, "NewString");
    if (length < 0 || (length > 0 && !units)) c.Fail("NewString given a bad buffer or length");
    std::u16string chars(units ? reinterpret_cast<const char16_t*>(units) : u"", static_cast<size_t>(length));
    std::string bytes;
    for (char16_t unit : chars) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    c.Event("new_string", {Utf8(chars)});
    return static_cast<jstring>(c.NewLocal(NewString(c.s, chars, bytes, "UTF-16")));
}

const char* JNICALL GetStringUTFChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    Call c(env, "GetStringUTFChars");
    Obj* str = c.DerefKind(string, ObjKind::String, "GetStringUTFChars");
    std::string text = ModifiedUtf8(str->chars);
    c.Event("get_string_utf_chars", {text});
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text.c_str(), text.size() + 1);
    c.s.utfChars.insert(copy);
    if (isCopy) *isCopy = JNI_TRUE;
    return copy;
}

void JNICALL ReleaseStringUTFChars(JNIEnv* env, jstring string, const char* chars) {
    Call c(env, "ReleaseStringUTFChars", true);
    c.DerefKind(string, ObjKind::String, "ReleaseStringUTFChars");
    if (!c.s.utfChars.count(chars)) c.Fail("ReleaseStringUTFChars given characters GetStringUTFChars did not return");
    c.Event("release_string_utf_chars", {chars});
    c.s.utfChars.erase(chars);
    std::free(const_cast<char*>(chars));
}

jsize JNICALL GetStringUTFLength(JNIEnv* env, jstring string) {
    Call c(env, "GetStringUTFLength");
    Obj* str = c.DerefKind(string, ObjKind::String, "GetStringUTFLength");
    jsize length = static_cast<jsize>(ModifiedUtf8(str->chars).size());
    c.Event("get_string_utf_length", {}, length);
    return length;
}

jsize JNICALL GetStringLength(JNIEnv* env, jstring string) {
    Call c(env, "GetStringLength");
    Obj* str = c.DerefKind(string, ObjKind::String, "GetStringLength");
    jsize length = static_cast<jsize>(str->chars.size());
    c.Event("get_string_length", {}, length);
    return length;
}

void JNICALL DeleteLocalRef(JNIEnv* env, jobject ref) {
    Call c(env, "DeleteLocalRef", true);
    if (!ref) {
        c.Event("delete_local_ref", {"null"});
        return;
    }
    Ref* r = c.RefOf(ref);
    if (r->kind != RefKind::Local) c.Fail("DeleteLocalRef given a global reference to " + Describe(r->obj));
    r->deleted = true;
    c.Event("delete_local_ref", {Describe(r->obj)});
}

jobject JNICALL NewGlobalRef(JNIEnv* env, jobject ref) {
    Call c(env, "NewGlobalRef");
    Obj* obj = c.Deref(ref);
    c.Event("new_global_ref", {Describe(obj)});
    return c.NewRef(obj, RefKind::Global);
}

void JNICALL DeleteGlobalRef(JNIEnv* env, jobject ref) {
    Call c(env, "DeleteGlobalRef", true);
    if (!ref) {
        c.Event("delete_global_ref", {"null"});
        return;
    }
    Ref* r = c.RefOf(ref);
    if (r->kind != RefKind::Global) c.Fail("DeleteGlobalRef given a local reference to " + Describe(r->obj));
    r->deleted = true;
    c.Event("delete_global_ref", {Describe(r->obj)});
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
    Call c(env, "ExceptionOccurred", true);
    c.Event("exception_occurred", {PendingName(c.te)}, c.te->pending ? 1 : 0);
    return static_cast<jthrowable>(c.NewLocal(c.te->pending));
}

jboolean JNICALL ExceptionCheck(JNIEnv* env) {
    Call c(env, "ExceptionCheck", true);
    c.Event("exception_check", {PendingName(c.te)}, c.te->pending ? 1 : 0);
    return c.te->pending ? JNI_TRUE : JNI_FALSE;
}

void JNICALL ExceptionClear(JNIEnv* env) {
    Call c(env, "ExceptionClear", true);
    c.Event("exception_clear", {PendingName(c.te)});
    c.te->pending = nullptr;
}

void JNICALL ExceptionDescribe(JNIEnv* env) {
    Call c(env, "ExceptionDescribe", true);
    Obj* ex = c.te->pending;
    if (!ex) {
        c.Event("exception_describe", {});
        return;
    }
    c.te->pending = nullptr;
    std::string text = DotName(ex->className) + (ex->message.empty() ? std::string() : ": " + ex->message);
    std::string destination = WriteStream(c.s.err, true, "Exception in thread \"" + c.te->name + "\" " + text + "\n");
    c.Event("exception_described", {DotName(ex->className), ex->message, destination});
}

// ---------------------------------------------------------------- the invocation interface

// The context of a JavaVM call.
class VmCall {
public:
    VmCall(JavaVM* vm, const char* name) : world(WorldOrAbort(name)), s(FakeJniAccess::Of(world)) {
        if (vm != static_cast<JavaVM*>(&s.vm)) Fault(&world, Thread(), std::string(name) + " given a JavaVM the fake never made");
    }

    Guard guard;
    FakeJvmWorld& world;
    State& s;

    int Thread() {
        ThreadEnv* te = AttachedEnvOfThisThread(s);
        return te ? te->number : 0;
    }

private:
    static FakeJvmWorld& WorldOrAbort(const char* name) {
        if (!gCurrent) NoWorld(name);
        return *gCurrent;
    }
};

const JNINativeInterface_& EnvTable();

ThreadEnv* NewThreadEnv(State& s, const std::string& name) {
    s.envs.push_back(std::make_unique<ThreadEnv>());
    ThreadEnv* te = s.envs.back().get();
    te->functions = &EnvTable();
    te->key = CurrentThreadKey();
    te->number = s.nextThreadNumber++;
    te->name = name;
    return te;
}

// A detached thread's local references die with its frame.
void DropLocalRefs(State& s, int thread) {
    for (auto& r : s.refs)
        if (r->kind == RefKind::Local && r->thread == thread) r->deleted = true;
}

jint JNICALL DestroyJavaVM(JavaVM* vm) {
    VmCall c(vm, "DestroyJavaVM");
    int thread = c.Thread();
    if (!c.s.created || c.s.destroyed) {
        Record(c.world, "destroy_java_vm", {}, thread, JNI_ERR);
        return JNI_ERR;
    }
    // Like a real VM: wait until the caller is the last non-daemon thread.
    std::vector<std::string> waitedFor;
    unsigned long long key = CurrentThreadKey();
    for (unsigned waited = 0;; waited += 10) {
        std::vector<std::string> others;
        for (auto& env : c.s.envs)
            if (env->attached && env->key != key) others.push_back(env->name);
        if (others.empty()) break;
        for (const std::string& name : others) {
            bool known = false;
            for (const std::string& w : waitedFor) known = known || w == name;
            if (!known) waitedFor.push_back(name);
        }
        if (waited >= c.world.destroyWaitLimitMs) {
            std::string names;
            for (const std::string& name : others) names += (names.empty() ? "" : ", ") + name;
            Record(c.world, "warning", {"DestroyJavaVM gave up waiting for " + names}, thread);
            break;
        }
        c.guard.Release();
        SleepMs(10);
        c.guard.Retake();
    }
    if (c.world.lingerMs) {
        c.guard.Release();
        SleepMs(c.world.lingerMs);
        c.guard.Retake();
    }
    c.s.destroyed = true;
    for (auto& env : c.s.envs) {
        env->attached = false;
        DropLocalRefs(c.s, env->number);
    }
    Record(c.world, "destroy_java_vm", waitedFor, thread, JNI_OK);
    return JNI_OK;
}

jint JNICALL AttachCurrentThread(JavaVM* vm, void** penv, void* args) {
    VmCall c(vm, "AttachCurrentThread");
    if (!penv) Fault(&c.world, c.Thread(), "AttachCurrentThread given a null JNIEnv pointer");
    *penv = nullptr;
    if (!c.s.created || c.s.destroyed) {
        Record(c.world, "attach_current_thread", {}, 0, JNI_ERR);
        return JNI_ERR;
    }
    ThreadEnv* te = AttachedEnvOfThisThread(c.s);
    if (!te) {
        const JavaVMAttachArgs* attach = static_cast<const JavaVMAttachArgs*>(args);
        std::string name = attach && attach->name ? attach->name
                                                  : "Thread-" + std::to_string(c.s.nextJavaThreadName++);
        te = NewThreadEnv(c.s, name);
    }
    Record(c.world, "attach_current_thread", {te->name}, te->number, JNI_OK);
    *penv = static_cast<JNIEnv*>(te);
    return JNI_OK;
}

jint JNICALL DetachCurrentThread(JavaVM* vm) {
    VmCall c(vm, "DetachCurrentThread");
    ThreadEnv* te = AttachedEnvOfThisThread(c.s);
    if (!te) {
        Record(c.world, "detach_current_thread", {}, 0, JNI_OK);
        return JNI_OK;
    }
    if (c.world.detachFails) {
        Record(c.world, "detach_current_thread", {}, te->number, JNI_ERR);
        return JNI_ERR;
    }
    te->attached = false;
    te->pending = nullptr;
    DropLocalRefs(c.s, te->number);
    Record(c.world, "detach_current_thread", {}, te->number, JNI_OK);
    return JNI_OK;
}

jint JNICALL GetEnv(JavaVM* vm, void** penv, jint version) {
    VmCall c(vm, "GetEnv");
    if (!penv) Fault(&c.world, c.Thread(), "GetEnv given a null JNIEnv pointer");
    ThreadEnv* te = c.s.destroyed ? nullptr : AttachedEnvOfThisThread(c.s);
    jint result = !IsSupportedVersion(version, true) ? JNI_EVERSION : te ? JNI_OK : JNI_EDETACHED;
    *penv = result == JNI_OK ? static_cast<JNIEnv*>(te) : nullptr;
    Record(c.world, "get_env", {Hex32(static_cast<unsigned long>(version))}, te ? te->number : 0, result);
    return result;
}

// ---------------------------------------------------------------- traps

const char* const kEnvSlotNames[] = {
    "reserved0", "reserved1", "reserved2", "reserved3", "GetVersion", "DefineClass", "FindClass",
    "FromReflectedMethod", "FromReflectedField", "ToReflectedMethod", "GetSuperclass", "IsAssignableFrom",
    "ToReflectedField", "Throw", "ThrowNew", "ExceptionOccurred", "ExceptionDescribe", "ExceptionClear",
    "FatalError", "PushLocalFrame", "PopLocalFrame", "NewGlobalRef", "DeleteGlobalRef", "DeleteLocalRef",
    "IsSameObject", "NewLocalRef", "EnsureLocalCapacity", "AllocObject", "NewObject", "NewObjectV",
    "NewObjectA", "GetObjectClass", "IsInstanceOf", "GetMethodID", "CallObjectMethod", "CallObjectMethodV",
    "CallObjectMethodA", "CallBooleanMethod", "CallBooleanMethodV", "CallBooleanMethodA", "CallByteMethod",
    "CallByteMethodV", "CallByteMethodA", "CallCharMethod", "CallCharMethodV", "CallCharMethodA",
    "CallShortMethod", "CallShortMethodV", "CallShortMethodA", "CallIntMethod", "CallIntMethodV",
    "CallIntMethodA", "CallLongMethod", "CallLongMethodV", "CallLongMethodA", "CallFloatMethod",
    "CallFloatMethodV", "CallFloatMethodA", "CallDoubleMethod", "CallDoubleMethodV", "CallDoubleMethodA",
    "CallVoidMethod", "CallVoidMethodV", "CallVoidMethodA", "CallNonvirtualObjectMethod",
    "CallNonvirtualObjectMethodV", "CallNonvirtualObjectMethodA", "CallNonvirtualBooleanMethod",
    "CallNonvirtualBooleanMethodV", "CallNonvirtualBooleanMethodA", "CallNonvirtualByteMethod",
    "CallNonvirtualByteMethodV", "CallNonvirtualByteMethodA", "CallNonvirtualCharMethod",
    "CallNonvirtualCharMethodV", "CallNonvirtualCharMethodA", "CallNonvirtualShortMethod",
    "CallNonvirtualShortMethodV", "CallNonvirtualShortMethodA", "CallNonvirtualIntMethod",
    "CallNonvirtualIntMethodV", "CallNonvirtualIntMethodA", "CallNonvirtualLongMethod",
    "CallNonvirtualLongMethodV", "CallNonvirtualLongMethodA", "CallNonvirtualFloatMethod",
    "CallNonvirtualFloatMethodV", "CallNonvirtualFloatMethodA", "CallNonvirtualDoubleMethod",
    "CallNonvirtualDoubleMethodV", "CallNonvirtualDoubleMethodA", "CallNonvirtualVoidMethod",
    "CallNonvirtualVoidMethodV", "CallNonvirtualVoidMethodA", "GetFieldID", "GetObjectField",
    "GetBooleanField", "GetByteField", "GetCharField", "GetShortField", "GetIntField", "GetLongField",
    "GetFloatField", "GetDoubleField", "SetObjectField", "SetBooleanField", "SetByteField", "SetCharField",
    "SetShortField", "SetIntField", "SetLongField", "SetFloatField", "SetDoubleField", "GetStaticMethodID",
    "CallStaticObjectMethod", "CallStaticObjectMethodV", "CallStaticObjectMethodA", "CallStaticBooleanMethod",
    "CallStaticBooleanMethodV", "CallStaticBooleanMethodA", "CallStaticByteMethod", "CallStaticByteMethodV",
    "CallStaticByteMethodA", "CallStaticCharMethod", "CallStaticCharMethodV", "CallStaticCharMethodA",
    "CallStaticShortMethod", "CallStaticShortMethodV", "CallStaticShortMethodA", "CallStaticIntMethod",
    "CallStaticIntMethodV", "CallStaticIntMethodA", "CallStaticLongMethod", "CallStaticLongMethodV",
    "CallStaticLongMethodA", "CallStaticFloatMethod", "CallStaticFloatMethodV", "CallStaticFloatMethodA",
    "CallStaticDoubleMethod", "CallStaticDoubleMethodV", "CallStaticDoubleMethodA", "CallStaticVoidMethod",
    "CallStaticVoidMethodV", "CallStaticVoidMethodA", "GetStaticFieldID", "GetStaticObjectField",
    "GetStaticBooleanField", "GetStaticByteField", "GetStaticCharField", "GetStaticShortField",
    "GetStaticIntField", "GetStaticLongField", "GetStaticFloatField", "GetStaticDoubleField",
    "SetStaticObjectField", "SetStaticBooleanField", "SetStaticByteField", "SetStaticCharField",
    "SetStaticShortField", "SetStaticIntField", "SetStaticLongField", "SetStaticFloatField",
    "SetStaticDoubleField", "NewString", "GetStringLength", "GetStringChars", "ReleaseStringChars",
    "NewStringUTF", "GetStringUTFLength", "GetStringUTFChars", "ReleaseStringUTFChars", "GetArrayLength",
    "NewObjectArray", "GetObjectArrayElement", "SetObjectArrayElement", "NewBooleanArray", "NewByteArray",
    "NewCharArray", "NewShortArray", "NewIntArray", "NewLongArray", "NewFloatArray", "NewDoubleArray",
    "GetBooleanArrayElements", "GetByteArrayElements", "GetCharArrayElements", "GetShortArrayElements",
    "GetIntArrayElements", "GetLongArrayElements", "GetFloatArrayElements", "GetDoubleArrayElements",
    "ReleaseBooleanArrayElements", "ReleaseByteArrayElements", "ReleaseCharArrayElements",
    "ReleaseShortArrayElements", "ReleaseIntArrayElements", "ReleaseLongArrayElements",
    "ReleaseFloatArrayElements", "ReleaseDoubleArrayElements", "GetBooleanArrayRegion", "GetByteArrayRegion",
    "GetCharArrayRegion", "GetShortArrayRegion", "GetIntArrayRegion", "GetLongArrayRegion",
    "GetFloatArrayRegion", "GetDoubleArrayRegion", "SetBooleanArrayRegion", "SetByteArrayRegion",
    "SetCharArrayRegion", "SetShortArrayRegion", "SetIntArrayRegion", "SetLongArrayRegion",
    "SetFloatArrayRegion", "SetDoubleArrayRegion", "RegisterNatives", "UnregisterNatives", "MonitorEnter",
    "MonitorExit", "GetJavaVM", "GetStringRegion", "GetStringUTFRegion", "GetPrimitiveArrayCritical",
    "ReleasePrimitiveArrayCritical", "GetStringCritical", "ReleaseStringCritical", "NewWeakGlobalRef",
    "DeleteWeakGlobalRef", "ExceptionCheck", "NewDirectByteBuffer", "GetDirectBufferAddress",
    "GetDirectBufferCapacity", "GetObjectRefType", "GetModule", "IsVirtualThread",
};
const char* const kVmSlotNames[] = {"reserved0",           "reserved1", "reserved2",
                                    "DestroyJavaVM",       "AttachCurrentThread", "DetachCurrentThread",
                                    "GetEnv",              "AttachCurrentThreadAsDaemon"};

[[noreturn]] void Unexpected(const char* const* names, size_t nameCount, size_t slot) {
    std::string name = slot < nameCount ? names[slot] : "slot " + std::to_string(slot);
    gLock.Lock();  // kept: the process ends here
    if (gCurrent) {
        ThreadEnv* te = AttachedEnvOfThisThread(FakeJniAccess::Of(*gCurrent));
        Record(*gCurrent, "unexpected", {name}, te ? te->number : 0);
    }
    std::fprintf(stderr, "FakeJni: unexpected call %s\n", name.c_str());
    Die();
}

// Never returns, so the arguments it was called with do not matter, nor who
// would have popped them.
template <size_t Slot>
[[noreturn]] void JNICALL EnvTrap() {
    Unexpected(kEnvSlotNames, sizeof kEnvSlotNames / sizeof kEnvSlotNames[0], Slot);
}

template <size_t Slot>
[[noreturn]] void JNICALL VmTrap() {
    Unexpected(kVmSlotNames, sizeof kVmSlotNames / sizeof kVmSlotNames[0], Slot);
}

template <size_t... Slot>
std::array<void*, sizeof...(Slot)> EnvTraps(std::index_sequence<Slot...>) {
    return {{reinterpret_cast<void*>(&EnvTrap<Slot>)...}};
}

template <size_t... Slot>
std::array<void*, sizeof...(Slot)> VmTraps(std::index_sequence<Slot...>) {
    return {{reinterpret_cast<void*>(&VmTrap<Slot>)...}};
}

JNINativeInterface_ MakeEnvTable() {
    JNINativeInterface_ table;
    auto traps = EnvTraps(std::make_index_sequence<sizeof(JNINativeInterface_) / sizeof(void*)>());
    static_assert(sizeof traps == sizeof table, "the table is a row of pointers");
    std::memcpy(&table, traps.data(), sizeof table);
    table.GetVersion = GetVersion;
    table.FindClass = FindClass;
    table.GetMethodID = GetMethodID;
    table.GetStaticMethodID = GetStaticMethodID;
    table.NewObject = NewObject;
    table.NewObjectV = NewObjectV;
    table.NewObjectA = NewObjectA;
    table.CallStaticVoidMethod = CallStaticVoidMethod;
    table.CallStaticVoidMethodV = CallStaticVoidMethodV;
    table.CallStaticVoidMethodA = CallStaticVoidMethodA;
    table.CallStaticObjectMethod = CallStaticObjectMethod;
    table.CallStaticObjectMethodV = CallStaticObjectMethodV;
    table.CallStaticObjectMethodA = CallStaticObjectMethodA;
    table.NewByteArray = NewByteArray;
    table.SetByteArrayRegion = SetByteArrayRegion;
    table.GetArrayLength = GetArrayLength;
    table.NewObjectArray = NewObjectArray;
    table.SetObjectArrayElement = SetObjectArrayElement;
    table.GetObjectArrayElement = GetObjectArrayElement;
    table.NewStringUTF = NewStringUTF;
    table.NewString = NewString;
    table.GetStringUTFChars = GetStringUTFChars;
    table.ReleaseStringUTFChars = ReleaseStringUTFChars;
    table.GetStringUTFLength = GetStringUTFLength;
    table.GetStringLength = GetStringLength;
    table.DeleteLocalRef = DeleteLocalRef;
    table.NewGlobalRef = NewGlobalRef;
    table.DeleteGlobalRef = DeleteGlobalRef;
    table.ExceptionOccurred = ExceptionOccurred;
    table.ExceptionCheck = ExceptionCheck;
    table.ExceptionClear = ExceptionClear;
    table.ExceptionDescribe = ExceptionDescribe;
    return table;
}

JNIInvokeInterface_ MakeVmTable() {
    JNIInvokeInterface_ table;
    auto traps = VmTraps(std::make_index_sequence<sizeof(JNIInvokeInterface_) / sizeof(void*)>());
    static_assert(sizeof traps == sizeof table, "the table is a row of pointers");
    std::memcpy(&table, traps.data(), sizeof table);
    table.DestroyJavaVM = DestroyJavaVM;
    table.AttachCurrentThread = AttachCurrentThread;
    table.DetachCurrentThread = DetachCurrentThread;
    table.GetEnv = GetEnv;
    return table;
}

const JNINativeInterface_ kEnvTable = MakeEnvTable();
const JNIInvokeInterface_ kVmTable = MakeVmTable();

const JNINativeInterface_& EnvTable() { return kEnvTable; }

jint CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
    Guard guard;
    if (!gCurrent) NoWorld("JNI_CreateJavaVM");
    FakeJvmWorld& world = *gCurrent;
    State& s = FakeJniAccess::Of(world);
    const JavaVMInitArgs* init = static_cast<const JavaVMInitArgs*>(args);
    if (!pvm || !penv || !init) Fault(&world, 0, "JNI_CreateJavaVM given a null pointer");
    if (init->nOptions < 0 || (init->nOptions > 0 && !init->options))
        Fault(&world, 0, "JNI_CreateJavaVM given a bad option list");
    *pvm = nullptr;
    *penv = nullptr;

    FakeVmCreation creation;
    creation.called = true;
    creation.version = init->version;
    creation.ignoreUnrecognized = init->ignoreUnrecognized != JNI_FALSE;
    for (jint i = 0; i < init->nOptions; ++i) {
        if (!init->options[i].optionString) Fault(&world, 0, "JNI_CreateJavaVM given a null option string");
        creation.options.push_back(init->options[i].optionString);
    }

    // A VM can be created once per process; a destroyed one cannot come back.
    jint result = s.destroyed ? JNI_ERR : s.created ? JNI_EEXIST : world.createResult;
    if (result == JNI_OK && !IsSupportedVersion(init->version, false)) result = JNI_EVERSION;
    for (const std::string& option : creation.options) {
        if (result != JNI_OK) break;
        if (world.rejectedOptions.count(option)) {
            std::fprintf(stderr, "Unrecognized option: %s\n", option.c_str());
            result = JNI_ERR;
        } else {
            result = CheckOption(option, creation.ignoreUnrecognized);
        }
    }
    creation.result = result;
    s.creation = creation;
    if (result != JNI_OK) {
        Record(world, "create_java_vm", creation.options, 0, result);
        return result;
    }

    s.properties = world.systemProperties;
    if (!s.properties.count("file.encoding")) s.properties["file.encoding"] = world.defaultCharset;
    for (const std::string& option : creation.options)
        if (option.compare(0, 2, "-D") == 0) {
            size_t equals = option.find('=');
            std::string key = option.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            s.properties[key] = equals == std::string::npos ? std::string() : option.substr(equals + 1);
        }
    s.created = true;
    s.vm.functions = &kVmTable;
    ThreadEnv* te = NewThreadEnv(s, "main");
    Record(world, "create_java_vm", creation.options, te->number, JNI_OK);
    *pvm = &s.vm;
    *penv = static_cast<JNIEnv*>(te);
    return JNI_OK;
}

jint GetDefaultJavaVMInitArgs(void* args) {
    Guard guard;
    if (!gCurrent) NoWorld("JNI_GetDefaultJavaVMInitArgs");
    if (!args) Fault(gCurrent, 0, "JNI_GetDefaultJavaVMInitArgs given null");
    jint version = *static_cast<const jint*>(args);
    jint result = IsSupportedVersion(version, true) ? JNI_OK : JNI_ERR;
    Record(*gCurrent, "get_default_init_args", {Hex32(static_cast<unsigned long>(version))},
           AttachedEnvOfThisThread(FakeJniAccess::Of(*gCurrent)) ? 1 : 0, result);
    return result;
}

}  // namespace

// ---------------------------------------------------------------- the world

FakeJvmWorld::FakeJvmWorld() : state(std::make_unique<State>()) {
    systemProperties["sun.jnu.encoding"] = "Cp1252";
    systemProperties["java.version"] = "17.0.2";
}

FakeJvmWorld::~FakeJvmWorld() {
    Guard guard;
    if (gCurrent == this) gCurrent = nullptr;
    for (auto& obj : state->objects)
        if (obj->file) std::fclose(obj->file);
    for (const char* chars : state->utfChars) std::free(const_cast<char*>(chars));
}

void FakeJvmWorld::Install() {
    Guard guard;
    gCurrent = this;
}

FakeJvmWorld* FakeJvmWorld::Current() {
    Guard guard;
    return gCurrent;
}

std::vector<FakeJniEvent> FakeJvmWorld::Events() const {
    Guard guard;
    return state->events;
}

std::vector<FakeJniEvent> FakeJvmWorld::EventsOf(const std::string& kind) const {
    Guard guard;
    std::vector<FakeJniEvent> found;
    for (const FakeJniEvent& e : state->events)
        if (e.kind == kind) found.push_back(e);
    return found;
}

std::vector<std::string> FakeJvmWorld::Kinds() const {
    Guard guard;
    std::vector<std::string> kinds;
    for (const FakeJniEvent& e : state->events) kinds.push_back(e.kind);
    return kinds;
}

size_t FakeJvmWorld::Count(const std::string& kind) const { return EventsOf(kind).size(); }

FakeVmCreation FakeJvmWorld::Creation() const {
    Guard guard;
    return state->creation;
}

std::vector<std::string> FakeJvmWorld::Options() const { return Creation().options; }

bool FakeJvmWorld::MainCalled() const { return Count("main") != 0; }

std::vector<FakeJavaString> FakeJvmWorld::MainArgs() const {
    std::vector<FakeJniEvent> calls = EventsOf("main");
    return calls.empty() ? std::vector<FakeJavaString>() : calls.front().strings;
}

std::vector<std::vector<FakeJavaString>> FakeJvmWorld::SecondaryMainArgs() const {
    std::vector<std::vector<FakeJavaString>> calls;
    for (const FakeJniEvent& e : EventsOf("secondary_main")) calls.push_back(e.strings);
    return calls;
}

std::vector<std::pair<std::string, std::string>> FakeJvmWorld::Redirections() const {
    std::vector<std::pair<std::string, std::string>> found;
    for (const FakeJniEvent& e : Events())
        if (e.kind == "set_out" || e.kind == "set_err") found.emplace_back(e.kind, e.detail.at(0));
    return found;
}

std::vector<std::string> FakeJvmWorld::ExceptionsDescribed() const {
    std::vector<std::string> found;
    for (const FakeJniEvent& e : EventsOf("exception_described"))
        found.push_back(e.detail.at(0) + (e.detail.at(1).empty() ? std::string() : ": " + e.detail.at(1)));
    return found;
}

bool FakeJvmWorld::Destroyed() const {
    Guard guard;
    return state->destroyed;
}

std::vector<int> FakeJvmWorld::ThreadsOf(const std::string& kind) const {
    std::vector<int> threads;
    for (const FakeJniEvent& e : EventsOf(kind)) threads.push_back(e.thread);
    return threads;
}

size_t FakeJvmWorld::LiveLocalRefs() const {
    Guard guard;
    size_t live = 0;
    for (const auto& r : state->refs)
        if (r->kind == RefKind::Local && !r->deleted) ++live;
    return live;
}

size_t FakeJvmWorld::UnreleasedUtfChars() const {
    Guard guard;
    return state->utfChars.size();
}

std::map<std::string, void*> FakeJniSymbols() {
    return {{"JNI_CreateJavaVM", reinterpret_cast<void*>(&FakeJni_CreateJavaVM)},
            {"JNI_GetDefaultJavaVMInitArgs", reinterpret_cast<void*>(&FakeJni_GetDefaultJavaVMInitArgs)}};
}

}  // namespace launcher

extern "C" jint JNICALL FakeJni_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
    return launcher::CreateJavaVM(pvm, penv, args);
}

extern "C" jint JNICALL FakeJni_GetDefaultJavaVMInitArgs(void* args) {
    return launcher::GetDefaultJavaVMInitArgs(args);
}
