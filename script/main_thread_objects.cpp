#include "script/main_thread_objects.h"

#include <atomic>

#include "runtime/os/thread_info.h"
#include "runtime/threads.h"
#include "script/errors.h"

namespace script {

namespace {

std::atomic<TscMainThreadTest> mainThreadTest{nullptr};

}  // namespace

void SetMainThreadTest(TscMainThreadTest test) {
    mainThreadTest = test;
}

void CheckThreadFor(const runtime::TClassInfo& classInfo, const runtime::TObject* object) {
    const TscMainThreadTest test = mainThreadTest.load(std::memory_order_relaxed);
    if (test == nullptr || runtime::os::CurrentThreadID() == runtime::MainThreadID()) return;
    if (!test(classInfo, object)) return;
    throw EScriptError((object != nullptr ? object->ClassName() : classInfo.Name()) +
                       " can be used only on the main thread");
}

}  // namespace script
