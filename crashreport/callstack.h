#pragma once

// Call-stack entries and the rules that name and filter them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace crashreport {

struct TVvModuleInfo;

enum TVvDebugKind : uint8_t {
    dkNothing = 0,    // nothing known, or hidden
    dkModule = 1,     // only the module is known
    dkExport = 2,     // named from a plain export
    dkDecorated = 3,  // named from a decorated export (unit and class known)
    dkLine = 4,       // named from the debug data, with a source line
};

// One entry of a call stack.
struct TVvDebugInfo {
    uint8_t Kind = dkNothing;
    // The module's record, or none. Module records live in the module list
    // and outlive a report's stacks.
    TVvModuleInfo* ModuleInfo = nullptr;
    uint32_t ThreadId = 0;
    // True for the stack of a running thread, false for the stack its
    // creator had when it started the thread.
    bool Running = true;
    uintptr_t Address = 0;
    std::string UnitName;
    std::string ClassName;
    std::string ProcedureName;
    int32_t Line = 0;
    int32_t LineOffset = 0;
};

using TVvStackList = std::vector<TVvDebugInfo>;

// Hides (Kind 0) every named entry, from firstIndex on, that the next or the
// next-but-one named entry of the same module repeats at the same address,
// so a recursion shows once.
void FilterCallStack(TVvStackList& list, size_t firstIndex);

// Names an entry from an export name: "@Unit@Class@Method$sig" and
// "Unit.Class.Method" forms give unit (with `sourceExtension` appended),
// class and procedure (Kind 3); a plain name gives the procedure (Kind 2).
// Other forms leave the entry as it was.
void ParseExportName(std::string_view name, std::string_view sourceExtension, TVvDebugInfo& info);

// The length of the call instruction that ends just before a return
// address, from the up to 7 code bytes before it (bytes[6] is the last);
// 0 when they end in no call.
int CallInstructionLength(const uint8_t (&bytes)[7]);

}  // namespace crashreport
