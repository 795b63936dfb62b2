// The stand-in jvm.dll of the Windows tests: the fake Java VM behind a JVM library's exports, set up by environment variables and logging what the launcher does to a file.
//
// Set for the launcher's process; read once, when JNI_CreateJavaVM is called:
//   STANDIN_LOG                  file to append the log to; no log when unset
//   STANDIN_CLASSES              comma-separated slash names of the classes that exist, each with main
//                                and secondaryMain; unset: every slash name outside java/ exists
//   STANDIN_NO_MAIN              comma-separated classes without main; "*" for every class
//   STANDIN_NO_SECONDARY         comma-separated classes without secondaryMain; "*" for every class
//   STANDIN_MAIN_THROWS          main ends by throwing "class[:message]" (slash name),
//                                e.g. java/lang/IllegalStateException:boom
//   STANDIN_SECONDARY_THROWS     the same for secondaryMain
//   STANDIN_MISSING_METHOD_QUIET =1: a missing method leaves no exception pending
//   STANDIN_CREATE_RESULT        JNI_CreateJavaVM returns this number (-1, -6...) and creates nothing
//   STANDIN_REJECT_OPTIONS       '|'-separated options that make JNI_CreateJavaVM return -1; besides,
//                                an "-X" option it does not know returns -1 and a bad size (-Xmx25P) -6
//   STANDIN_JNU_ENCODING         the property sun.jnu.encoding (default Cp1252); "-" for none, like an
//                                old runtime
//   STANDIN_DEFAULT_CHARSET      the charset of String(byte[]) (default UTF-8)
//   STANDIN_DETACH_FAILS         =1: DetachCurrentThread returns -1
//   STANDIN_MAIN_WAIT_SECONDARY  main returns only after this many secondaryMain calls (at most 30 s)
//   STANDIN_MAIN_SLEEP_MS        main sleeps this long before it returns
//   STANDIN_LINGER_MS            a non-daemon thread outlives main: DestroyJavaVM returns this much later
//   STANDIN_UNOPENABLE           '|'-separated file names that FileOutputStream cannot open
//   STANDIN_MAIN_OUT, STANDIN_MAIN_ERR   text main writes to System.out and System.err
//
// The log holds one JSON object per line, each line written with one append,
// so that several processes and threads can share a log. Every line has
// "event" (the fake's event kind), "pid", "tid" (the Windows thread id) and
// "thread" (the fake's thread number: 1 for the thread that created the VM,
// then in order of attachment). Byte strings (options, class and file names,
// environment values) are written with each byte of 0x80 or above as \u00XX,
// so that a JSON reader gives one character per byte (Python:
// value.encode("latin-1") gives the bytes back). Java strings are objects
// {"bytes": <byte string>, "hex": "<bytes in hex>", "charset": "<name>",
// "text": <the Java characters, as real JSON text>}.
//   create_java_vm   "version" (hex), "options", "ignoreUnrecognized", "result", "runtime" (the
//                    name standinrt.dll gave), "env": KX_JVM_PATH, KX_JVM_HOME and Path as seen
//                    at that moment (null when unset)
//   find_class       "name", "found"
//   main, secondary_main   "class", "args" (Java strings; null for a null array)
//   set_out, set_err "file" (empty when the stream is not over a file)
//   exception_described    "class" (dot form), "message", "to" ("stderr" or the file)
//   attach_current_thread  "name", "result";  detach_current_thread  "result"
//   destroy_java_vm  "result", "waited" (threads it waited for); written when it returns
//   unexpected, fault      "detail": what the launcher did wrong; the process then aborts
//   any other kind   "detail" (strings) and "result"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/FakeJni.h"

extern "C" __declspec(dllimport) const char* StandinRuntimeName();

namespace launcher {
namespace {

bool Env(const char* name, std::string& value) {
    char small[1];
    DWORD size = GetEnvironmentVariableA(name, small, 0);
    if (size == 0) return false;  // unset (a set, empty variable needs one byte)
    std::string buffer(size, '\0');
    DWORD length = GetEnvironmentVariableA(name, &buffer[0], size);
    if (length >= size) return false;
    value.assign(buffer.data(), length);
    return true;
}

std::string EnvOr(const char* name, const std::string& fallback) {
    std::string value;
    return Env(name, value) ? value : fallback;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

unsigned Number(const char* name) { return static_cast<unsigned>(std::strtoul(EnvOr(name, "0").c_str(), nullptr, 10)); }

// "class[:message]"
void SplitThrow(const std::string& text, std::string& className, std::string& message) {
    size_t colon = text.find(':');
    className = text.substr(0, colon);
    message = colon == std::string::npos ? std::string() : text.substr(colon + 1);
}

// ------------------------------------------------------------ JSON

void AppendEscaped(std::string& out, unsigned code) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

// A byte string: bytes of 0x80 and above as \u00XX.
std::string JsonBytes(const std::string& bytes) {
    std::string out = "\"";
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b >= 0x7F) {
            AppendEscaped(out, b);
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// Text in UTF-8 as JSON text: non-ASCII characters as \uXXXX (pairs above
// U+FFFF). The fake only hands out well-formed UTF-8.
std::string JsonText(const std::string& utf8) {
    std::string out = "\"";
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (length == 1) {
            if (b == '"' || b == '\\') {
                out += '\\';
                out += utf8[i];
            } else if (b < 0x20 || b == 0x7F) {
                AppendEscaped(out, b);
            } else {
                out += utf8[i];
            }
            ++i;
            continue;
        }
        unsigned long cp = b & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendEscaped(out, 0xD800 + static_cast<unsigned>(cp >> 10));
            AppendEscaped(out, 0xDC00 + static_cast<unsigned>(cp & 0x3FF));
        } else {
            AppendEscaped(out, static_cast<unsigned>(cp));
        }
        i += length;
    }
    return out + "\"";
}

std::string Hex(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char ch : bytes) {
        out += kHex[(static_cast<unsigned char>(ch) >> 4) & 0xF];
        out += kHex[static_cast<unsigned char>(ch) & 0xF];
    }
    return out;
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + JsonBytes(items[i]);
    return out + "]";
}

std::string JsonJavaString(const FakeJavaString& s) {
    if (s.isNull) return "null";
    return "{\"bytes\":" + JsonBytes(s.bytes) + ",\"hex\":\"" + Hex(s.bytes) + "\",\"charset\":" + JsonBytes(s.charset) +
           ",\"text\":" + JsonText(s.text) + "}";
}

std::string JsonEnv(const char* name) {
    std::string value;
    return Env(name, value) ? JsonBytes(value) : "null";
}

std::string Detail(const FakeJniEvent& e, size_t i) { return i < e.detail.size() ? e.detail[i] : std::string(); }

const char* gRuntimeName = "";

// What JNI_CreateJavaVM was given beyond the options, kept by the export
// itself: the event hook runs under the fake's lock, where the record cannot
// be read.
jint gCreationVersion = 0;
bool gCreationIgnore = false;

std::string LogLine(const FakeJniEvent& e) {
    std::string line = "{\"event\":" + JsonBytes(e.kind) + ",\"pid\":" + std::to_string(GetCurrentProcessId()) +
                       ",\"tid\":" + std::to_string(GetCurrentThreadId()) + ",\"thread\":" + std::to_string(e.thread);
    const std::string result = ",\"result\":" + std::to_string(e.result);
    if (e.kind == "create_java_vm") {
        char version[16];
        std::snprintf(version, sizeof version, "0x%08lx", static_cast<unsigned long>(gCreationVersion));
        line += ",\"version\":\"" + std::string(version) + "\",\"options\":" + JsonList(e.detail) +
                ",\"ignoreUnrecognized\":" + (gCreationIgnore ? "true" : "false") + result +
                ",\"runtime\":" + JsonBytes(gRuntimeName) + ",\"env\":{\"KX_JVM_PATH\":" + JsonEnv("KX_JVM_PATH") +
                ",\"KX_JVM_HOME\":" + JsonEnv("KX_JVM_HOME") + ",\"Path\":" + JsonEnv("Path") + "}";
    } else if (e.kind == "find_class") {
        line += ",\"name\":" + JsonBytes(Detail(e, 0)) + ",\"found\":" + (e.result ? "true" : "false");
    } else if (e.kind == "main" || e.kind == "secondary_main") {
        line += ",\"class\":" + JsonBytes(Detail(e, 0)) + ",\"args\":";
        if (e.result == 0) {
            line += "null";
        } else {
            line += "[";
            for (size_t i = 0; i < e.strings.size(); ++i) line += (i ? "," : "") + JsonJavaString(e.strings[i]);
            line += "]";
        }
    } else if (e.kind == "set_out" || e.kind == "set_err") {
        line += ",\"file\":" + JsonBytes(Detail(e, 0));
    } else if (e.kind == "exception_described") {
        line += ",\"class\":" + JsonBytes(Detail(e, 0)) + ",\"message\":" + JsonBytes(Detail(e, 1)) +
                ",\"to\":" + JsonBytes(Detail(e, 2));
    } else if (e.kind == "attach_current_thread") {
        line += ",\"name\":" + JsonBytes(Detail(e, 0)) + result;
    } else if (e.kind == "destroy_java_vm") {
        line += ",\"waited\":" + JsonList(e.detail) + result;
    } else {
        line += ",\"detail\":" + JsonList(e.detail) + result;
    }
    return line + "}\n";
}

// One append per line: FILE_APPEND_DATA makes each write land whole at the
// end, also when other processes append to the same log.
void AppendToLog(const std::string& path, const std::string& line) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

void AddEach(std::set<std::string>& set, const std::string& list, char separator) {
    for (const std::string& item : Split(list, separator)) set.insert(item);
}

FakeJvmWorld* MakeWorld() {
    // Never freed: Java's streams and the log stay usable until the process ends.
    FakeJvmWorld* world = new FakeJvmWorld;
    std::string value;
    if (Env("STANDIN_CLASSES", value)) {
        for (const std::string& name : Split(value, ','))
            if (!name.empty()) world->classes[name] = FakeJavaClass{};
    } else {
        world->anyClassExists = true;
    }
    const struct {
        const char* variable;
        bool FakeJavaClass::*member;
    } kWithout[] = {{"STANDIN_NO_MAIN", &FakeJavaClass::hasMain},
                    {"STANDIN_NO_SECONDARY", &FakeJavaClass::hasSecondaryMain}};
    for (const auto& without : kWithout) {
        if (!Env(without.variable, value)) continue;
        for (const std::string& name : Split(value, ',')) {
            if (name == "*") {
                world->anyClass.*without.member = false;
                for (auto& entry : world->classes) entry.second.*without.member = false;
            } else if (world->classes.count(name)) {
                world->classes[name].*without.member = false;
            }
        }
    }
    if (Env("STANDIN_MAIN_THROWS", value)) SplitThrow(value, world->mainThrows, world->mainThrowsMessage);
    if (Env("STANDIN_SECONDARY_THROWS", value))
        SplitThrow(value, world->secondaryMainThrows, world->secondaryMainThrowsMessage);
    world->missingMethodThrows = EnvOr("STANDIN_MISSING_METHOD_QUIET", "") != "1";
    world->createResult = static_cast<jint>(std::strtol(EnvOr("STANDIN_CREATE_RESULT", "0").c_str(), nullptr, 10));
    AddEach(world->rejectedOptions, EnvOr("STANDIN_REJECT_OPTIONS", ""), '|');
    std::string encoding = EnvOr("STANDIN_JNU_ENCODING", "Cp1252");
    if (encoding == "-")
        world->systemProperties.erase("sun.jnu.encoding");
    else
        world->systemProperties["sun.jnu.encoding"] = encoding;
    world->defaultCharset = EnvOr("STANDIN_DEFAULT_CHARSET", "UTF-8");
    world->detachFails = EnvOr("STANDIN_DETACH_FAILS", "") == "1";
    world->mainWaitsForSecondaryCalls = static_cast<int>(Number("STANDIN_MAIN_WAIT_SECONDARY"));
    world->mainSleepMs = Number("STANDIN_MAIN_SLEEP_MS");
    world->lingerMs = Number("STANDIN_LINGER_MS");
    AddEach(world->unopenableFiles, EnvOr("STANDIN_UNOPENABLE", ""), '|');
    world->mainWritesOut = EnvOr("STANDIN_MAIN_OUT", "");
    world->mainWritesErr = EnvOr("STANDIN_MAIN_ERR", "");
    if (Env("STANDIN_LOG", value) && !value.empty()) {
        std::string log = value;
        world->onEvent = [log](const FakeJniEvent& e) { AppendToLog(log, LogLine(e)); };
    }
    world->Install();
    return world;
}

FakeJvmWorld& World() {
    static FakeJvmWorld* world = MakeWorld();
    return *world;
}

}  // namespace
}  // namespace launcher

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
    // The load-time import a real jvm.dll has on its runtime folder.
    launcher::gRuntimeName = StandinRuntimeName();
    if (args) {
        launcher::gCreationVersion = static_cast<JavaVMInitArgs*>(args)->version;
        launcher::gCreationIgnore = static_cast<JavaVMInitArgs*>(args)->ignoreUnrecognized != JNI_FALSE;
    }
    launcher::World();
    return FakeJni_CreateJavaVM(pvm, penv, args);
}

#ifndef STANDIN_NO_DEFAULT_INIT_ARGS
extern "C" JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
    launcher::World();
    return FakeJni_GetDefaultJavaVMInitArgs(args);
}
#endif
