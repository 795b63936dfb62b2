// The single-instance set-up and the serving of hand-overs.
#include "instance/SingleInstance.h"

#include <new>

#include "instance/HandOverArea.h"
#include "launcher/Launcher.h"
#include "launcher/Settings.h"
#include "vm/JavaVm.h"

namespace launcher {

bool SetupSingleInstance(Launcher& launcher) {
    std::string file;
    if (!ConfigFilePath(launcher, file)) return false;
    if (ReadSetting(launcher.os, file, kApplicationSection, "Application Type") == "service") return true;
    if (ReadSetting(launcher.os, file, kApplicationSection, "Single Instance") != "yes") return true;
    std::string modulePath;
    if (!ModuleFilePath(launcher, modulePath)) return false;
    launcher.singleInstance = true;
    launcher.instanceChannel = launcher.os.OpenInstanceChannel(InstanceObjectName(modulePath),
                                                               &HandOverDispatcher::Receive, &launcher.handOvers);
    if (!launcher.instanceChannel) {
        launcher.singleInstance = false;
        return true;
    }
    launcher.isFirstInstance = launcher.instanceChannel->IsFirst();
    if (launcher.isFirstInstance) return true;
    return launcher.instanceChannel->HandOver(launcher.arguments);
}

void HandOverDispatcher::Receive(void* dispatcher, const std::vector<std::string>& arguments) {
    static_cast<HandOverDispatcher*>(dispatcher)->Accept(arguments);
}

void HandOverDispatcher::Accept(const std::vector<std::string>& arguments) {
    Lock lock(mutex_);
    ++received_;
    if (state_ == State::Waiting) {
        held_.push_back(arguments);
    } else if (state_ == State::Serving) {
        StartServing(arguments);
    }
}

void HandOverDispatcher::Open(JavaVM* vm, const std::string& mainClass, bool utf8, jstring encoding) {
    Lock lock(mutex_);
    if (state_ != State::Waiting) return;
    vm_ = vm;
    mainClass_ = mainClass;
    utf8_ = utf8;
    encoding_ = encoding;
    state_ = State::Serving;
    for (const std::vector<std::string>& arguments : held_) StartServing(arguments);
    held_.clear();
}

void HandOverDispatcher::Close() {
    {
        Lock lock(mutex_);
        state_ = State::Closed;
        held_.clear();
    }
    // A serving thread that passed the gate before the VM went finds its
    // attach refused and leaves at once; give it that moment.
    for (int waited = 0; waited < 2000; waited += 5) {
        {
            Lock lock(mutex_);
            if (active_ == 0) return;
        }
        SleepMilliseconds(5);
    }
}

int HandOverDispatcher::Received() {
    Lock lock(mutex_);
    return received_;
}

void HandOverDispatcher::StartServing(const std::vector<std::string>& arguments) {
    Job* job = new (std::nothrow) Job{this, arguments};
    if (!job) return;
    ++active_;
    if (!StartDetachedThread(&HandOverDispatcher::Serve, job)) {
        --active_;
        delete job;
    }
}

void HandOverDispatcher::Serve(void* argument) {
    Job* job = static_cast<Job*>(argument);
    HandOverDispatcher& self = *job->dispatcher;
    JNIEnv* env = nullptr;
    if (self.vm_->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) >= 0) {
        jclass mainClass = env->FindClass(self.mainClass_.c_str());
        jmethodID secondaryMain =
            mainClass ? env->GetStaticMethodID(mainClass, "secondaryMain", "([Ljava/lang/String;)V") : nullptr;
        if (secondaryMain) {
            jobjectArray array = NewArgumentArray(env, job->arguments, self.utf8_, self.encoding_);
            if (array) env->CallStaticVoidMethod(mainClass, secondaryMain, array);
        }
        if (env->ExceptionOccurred()) env->ExceptionDescribe();
        self.vm_->DetachCurrentThread();
    }
    delete job;
    Lock lock(self.mutex_);
    --self.active_;
}

}  // namespace launcher
