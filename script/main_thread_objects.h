#pragma once

// Objects that belong to the main thread: windows, controls and what draws
// on them. The host-class bridges of those classes (script/gui_rtti.h)
// register a test that recognises them; from then on every member of such
// an object that a script reaches, every constructor of such a class and
// every such object handed to a host method raises EScriptError when the
// script runs on another thread, before anything of the object is touched.
// Without a registered test (the portable programs) nothing is checked.

#include "runtime/classinfo.h"
#include "runtime/object.h"

namespace script {

// Whether objects of the class (or this object of it) belong to the main
// thread. `object` is nullptr when a class is asked about (a constructor).
using TscMainThreadTest = bool (*)(const runtime::TClassInfo& classInfo,
                                   const runtime::TObject* object);

// Installs the test (nullptr: none).
void SetMainThreadTest(TscMainThreadTest test);

// EScriptError "<class> can be used only on the main thread" when the
// calling thread is not the main thread and the test says the class or
// object belongs to it.
void CheckThreadFor(const runtime::TClassInfo& classInfo, const runtime::TObject* object);
inline void CheckThreadFor(const runtime::TObject& object) {
    CheckThreadFor(object.ClassInfo(), &object);
}

}  // namespace script
