// The JNI side of the launch: VM creation, stream redirection and main.
#include "vm/JavaVm.h"

#include "launcher/Launcher.h"
#include "launcher/Messages.h"
#include "launcher/Utf.h"
#include "resources/strings.h"
#include "vm/VmOptions.h"

namespace launcher {

namespace {

// A pending exception is printed (to Java's standard error) and cleared.
void DescribePending(JNIEnv* env) {
    if (env->ExceptionOccurred()) env->ExceptionDescribe();
}

jstring NewStringFromBytes(JNIEnv* env, jbyteArray bytes, jstring encoding) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jstring result = nullptr;
    if (encoding) {
        jmethodID init = env->GetMethodID(stringClass, "<init>", "([BLjava/lang/String;)V");
        if (init) result = static_cast<jstring>(env->NewObject(stringClass, init, bytes, encoding));
        // An encoding the runtime cannot decode after all: fall back to its
        // default charset rather than failing the launch.
        if (!result && env->ExceptionCheck()) env->ExceptionClear();
    }
    if (!result) {
        jmethodID init = env->GetMethodID(stringClass, "<init>", "([B)V");
        if (init) result = static_cast<jstring>(env->NewObject(stringClass, init, bytes));
    }
    env->DeleteLocalRef(stringClass);
    return result;
}

}  // namespace

jstring NativeEncoding(JNIEnv* env) {
    jstring result = nullptr;
    jclass system = env->FindClass("java/lang/System");
    jmethodID getProperty =
        system ? env->GetStaticMethodID(system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;") : nullptr;
    jstring name = getProperty ? env->NewStringUTF("sun.jnu.encoding") : nullptr;
    if (name) {
        jobject value = env->CallStaticObjectMethod(system, getProperty, name);
        if (value && !env->ExceptionCheck()) result = static_cast<jstring>(env->NewGlobalRef(value));
        if (value) env->DeleteLocalRef(value);
        env->DeleteLocalRef(name);
    }
    if (system) env->DeleteLocalRef(system);
    // Not having the property is no failure: the default charset serves.
    if (env->ExceptionCheck()) env->ExceptionClear();
    return result;
}

jstring NewJavaString(JNIEnv* env, const std::string& text, jstring encoding) {
    const jsize length = static_cast<jsize>(text.size());
    jbyteArray bytes = env->NewByteArray(length);
    if (!bytes) return nullptr;
    env->SetByteArrayRegion(bytes, 0, length, reinterpret_cast<const jbyte*>(text.data()));
    jstring result = nullptr;
    if (!env->ExceptionOccurred()) result = NewStringFromBytes(env, bytes, encoding);
    env->DeleteLocalRef(bytes);
    return result;
}

jstring NewJavaStringFromUtf8(JNIEnv* env, const std::string& text) {
    const std::u16string utf16 = Utf8ToUtf16(text);
    return env->NewString(reinterpret_cast<const jchar*>(utf16.data()), static_cast<jsize>(utf16.size()));
}

jobjectArray NewStringArray(JNIEnv* env, const std::vector<std::string>& list, jstring encoding) {
    return NewArgumentArray(env, list, false, encoding);
}

jobjectArray NewArgumentArray(JNIEnv* env, const std::vector<std::string>& list, bool utf8, jstring encoding) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(list.size()), stringClass, nullptr);
    env->DeleteLocalRef(stringClass);
    if (!array) return nullptr;
    for (size_t i = 0; i < list.size(); ++i) {
        jstring item = utf8 ? NewJavaStringFromUtf8(env, list[i]) : NewJavaString(env, list[i], encoding);
        if (!item) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), item);
        env->DeleteLocalRef(item);
    }
    return array;
}

bool RedirectStream(JNIEnv* env, const std::string& fileName, const char* setter, jstring encoding) {
    auto fail = [env]() {
        DescribePending(env);
        return false;
    };
    jstring name = NewJavaString(env, fileName, encoding);
    if (!name) return fail();
    jclass fileClass = env->FindClass("java/io/FileOutputStream");
    if (!fileClass) return fail();
    jmethodID fileInit = env->GetMethodID(fileClass, "<init>", "(Ljava/lang/String;)V");
    if (!fileInit) return fail();
    jobject file = env->NewObject(fileClass, fileInit, name);
    if (!file) return fail();
    jclass printClass = env->FindClass("java/io/PrintStream");
    if (!printClass) return fail();
    jmethodID printInit = env->GetMethodID(printClass, "<init>", "(Ljava/io/OutputStream;)V");
    if (!printInit) return fail();
    jobject stream = env->NewObject(printClass, printInit, file);
    if (!stream) return fail();
    jclass system = env->FindClass("java/lang/System");
    if (!system) return fail();
    jmethodID set = env->GetStaticMethodID(system, setter, "(Ljava/io/PrintStream;)V");
    if (!set) return fail();
    env->CallStaticVoidMethod(system, set, stream);
    if (env->ExceptionOccurred()) return fail();
    return true;
}

bool LoadJvmLibrary(Launcher& launcher) {
    Os& os = launcher.os;
    const RuntimeLayout& layout = launcher.layout;
    // Current runtimes' jvm.dll needs the C runtime that lies in the home's
    // bin folder, which is neither beside jvm.dll nor on the search path.
    const std::string dependencies = JvmHomeOf(launcher.jvmPath, layout.separator) + layout.separator + layout.binFolder;
    uint32_t error = 0;
    LibraryHandle library = os.OpenLibrary(launcher.jvmPath, dependencies, error);
    if (!library) {
        ShowFormattedError(os, launcher.ErrorOwner(), IDS_VM_LIBRARY_NOT_LOADED, launcher.jvmPath,
                           static_cast<int32_t>(error));
        return false;
    }
    launcher.createJavaVM = reinterpret_cast<CreateJavaVMFunction>(os.FindSymbol(library, "JNI_CreateJavaVM", error));
    launcher.getDefaultJavaVMInitArgs =
        launcher.createJavaVM ? os.FindSymbol(library, "JNI_GetDefaultJavaVMInitArgs", error) : nullptr;
    if (!launcher.createJavaVM || !launcher.getDefaultJavaVMInitArgs) {
        ShowFormattedError(os, launcher.ErrorOwner(), IDS_WINDOWS_EXCEPTION, os.LoadText(IDS_NO_CREATE_JAVA_VM),
                           static_cast<int32_t>(error));
        return false;
    }
    SetJvmVariables(launcher);
    return true;
}

bool CreateVm(Launcher& launcher) {
    std::vector<JavaVMOption> options(launcher.vmOptions.size());
    for (size_t i = 0; i < options.size(); ++i) {
        options[i].optionString = const_cast<char*>(launcher.vmOptions[i].c_str());
        options[i].extraInfo = nullptr;
    }
    JavaVMInitArgs args;
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(options.size());
    args.options = options.empty() ? nullptr : options.data();
    args.ignoreUnrecognized = JNI_FALSE;
    JavaVM* vm = nullptr;
    void* env = nullptr;
    if (launcher.createJavaVM(&vm, &env, &args) != 0) {
        ShowFormattedError(launcher.os, launcher.ErrorOwner(), IDS_JNI_EXCEPTION,
                           launcher.os.LoadText(IDS_VM_NOT_CREATED));
        return false;
    }
    launcher.javaVM = vm;
    launcher.jniEnv = static_cast<JNIEnv*>(env);
    launcher.nativeEncoding = NativeEncoding(launcher.jniEnv);
    if (!launcher.outputFile.empty())
        RedirectStream(launcher.jniEnv, launcher.outputFile, "setOut", launcher.nativeEncoding);
    if (!launcher.errorFile.empty())
        RedirectStream(launcher.jniEnv, launcher.errorFile, "setErr", launcher.nativeEncoding);
    return true;
}

bool CallMain(Launcher& launcher) {
    JNIEnv* env = launcher.jniEnv;
    Os& os = launcher.os;
    jstring className = NewJavaString(env, launcher.mainClass, launcher.nativeEncoding);
    if (!className) {
        ShowFormattedError(os, launcher.ErrorOwner(), IDS_MAIN_CLASS_NOT_LOADED, launcher.mainClass);
        return false;
    }
    const char* utf = env->GetStringUTFChars(className, nullptr);
    if (!utf) {
        DescribePending(env);
        return false;
    }
    jclass mainClass = env->FindClass(utf);
    env->ReleaseStringUTFChars(className, utf);
    env->DeleteLocalRef(className);
    if (!mainClass) {
        DescribePending(env);
        ShowFormattedError(os, launcher.ErrorOwner(), IDS_MAIN_CLASS_NOT_FOUND, launcher.mainClass);
        return false;
    }
    jmethodID main = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (!main) {
        if (env->ExceptionOccurred()) {
            env->ExceptionDescribe();
        } else {
            ShowError(os, launcher.ErrorOwner(), IDS_NO_MAIN_METHOD);
        }
        return false;
    }
    jobjectArray arguments = NewArgumentArray(env, launcher.arguments, launcher.argumentsUtf8, launcher.nativeEncoding);
    if (!arguments) {
        DescribePending(env);
        return false;
    }
    env->CallStaticVoidMethod(mainClass, main, arguments);
    DescribePending(env);
    return launcher.javaVM->DetachCurrentThread() == JNI_OK;
}

void DestroyVm(Launcher& launcher) {
    if (launcher.javaVM) launcher.javaVM->DestroyJavaVM();
}

}  // namespace launcher
