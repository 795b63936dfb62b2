// Loading the JVM library, creating the VM and running the main class.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace launcher {

struct Launcher;

bool LoadJvmLibrary(Launcher& launcher);
// Creates the VM with vmOptions, then redirects the standard streams.
bool CreateVm(Launcher& launcher);
// Runs main on this thread; true when it returned (also by an exception) and
// the thread detached.
bool CallMain(Launcher& launcher);
// DestroyJavaVM: returns when the application's last non-daemon thread ends.
void DestroyVm(Launcher& launcher);

// The system's native encoding as the runtime names it ("sun.jnu.encoding"),
// as a global reference; null on a runtime without the property.
jstring NativeEncoding(JNIEnv* env);
// Launcher text to a java.lang.String, decoded with `encoding` (the native
// encoding) or, when null, with the runtime's default charset.
jstring NewJavaString(JNIEnv* env, const std::string& text, jstring encoding);
jobjectArray NewStringArray(JNIEnv* env, const std::vector<std::string>& list, jstring encoding);
// UTF-8 text to a java.lang.String made from its UTF-16.
jstring NewJavaStringFromUtf8(JNIEnv* env, const std::string& text);
// The command-line arguments as a String[]: from UTF-8 when `utf8`, else
// decoded with the native encoding.
jobjectArray NewArgumentArray(JNIEnv* env, const std::vector<std::string>& list, bool utf8, jstring encoding);
// Replaces System.out ("setOut") or System.err ("setErr") by a PrintStream
// over a new FileOutputStream of `fileName`.
bool RedirectStream(JNIEnv* env, const std::string& fileName, const char* setter, jstring encoding);

}  // namespace launcher
