#pragma once

// The hooking engine: changes the behaviour of code the program does not
// own, and puts everything back when asked (and at the reporter's end).
//
// - Import slots: every slot of a module's code through which it jumps to
//   or calls an imported function is pointed at a handler.
// - Code hooks: the first bytes of a procedure become a jump to a
//   replacement; a stub lets the replacement call the replaced procedure.
//   Calling the stub writes the original bytes back, calls the procedure
//   with the caller's arguments (registers and up to 16 stack arguments),
//   and writes the jump again. When the procedure raises instead, the jump
//   stays removed until RearmCodeHook. A thread that enters the procedure
//   while another is inside the stub runs it unhooked.
// - Virtual slots: an entry of a class's table of virtual methods is
//   replaced.
//
// x86-64 only.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace crashreport {

class EHookError : public runtime::Exception {
  public:
    using runtime::Exception::Exception;
    const char* ClassName() const noexcept override { return "EHookError"; }
};
RUNTIME_DECLARE_EXCEPTION(EProcNull, EHookError);
RUNTIME_DECLARE_EXCEPTION(EHookingError, EHookError);
RUNTIME_DECLARE_EXCEPTION(ESharedArea, EHookError);

// The function an import thunk ("jmp [slot]") at address jumps to, or the
// address itself when it holds no thunk.
uintptr_t ResolveThunk(uintptr_t address);

// Hooks the procedure at target (a thunk is followed first) so it jumps to
// hook; returns the stub that calls the original. EProcNull for a null
// target, EHookingError when the hook cannot be built (name names the
// procedure in both messages).
uintptr_t HookCode(uintptr_t target, uintptr_t hook, const std::string& name);
// Writes the original bytes back and frees the hook of this stub.
void UnhookCode(uintptr_t stub);
// Writes the jump of this stub's hook again (after the procedure raised).
void RearmCodeHook(uintptr_t stub);

// Points every slot through which the listed modules' code jumps to or
// calls functionName of importedModule at hook. realAddress receives the
// function's address. True when any slot was changed; with none changed and
// not tolerant, EHookingError. EProcNull when the function does not exist.
bool HookImport(const std::vector<uintptr_t>& modules, const std::string& importedModule,
                bool tolerant, uintptr_t& realAddress, uintptr_t hook,
                const std::string& functionName);

// Replaces slot `slot` of the virtual-method table vtable; returns the entry
// it held before (the first one recorded, when the slot already holds
// newCode). A table outside every loaded module is left alone.
uintptr_t HookVirtualMethod(void** vtable, int slot, uintptr_t newCode);
// Puts the recorded entry back; false when the slot was not hooked.
bool UnhookVirtualMethod(void** vtable, int slot);

// Undoes every hook still in place: code hooks, import slots, virtual slots.
void UnhookAll();

}  // namespace crashreport
