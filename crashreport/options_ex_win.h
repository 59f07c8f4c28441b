#pragma once

// The options object of every module the reporter meets at run time. The
// options of the module that runs the reporter (the program) publish their
// run-time changes in a named shared-memory block, and start and stop the
// freeze watch as Active and FreezeCheckActive change; other modules'
// options are read from their own blocks (a module carrying the reporter
// publishes there).

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "crashreport/options.h"
#include "runtime/os/kernel_handles.h"

namespace crashreport {

class TVvModuleOptionsEx : public TVvModuleOptions {
  public:
    // `module` is the module the options belong to.
    TVvModuleOptionsEx(std::string moduleName, bool saveSharedData, HMODULE module);

    // Writes a byte 1 and the options stream to the module's shared block;
    // only for the running module.
    void Publish() override;
    // Makes the running module's block hold a 0: nothing changed at run
    // time.
    void ResetSharedBlock();
    void SetActive(uint8_t value) override;
    void SetFreezeCheckActive(uint8_t value) override;

    // Called with true to start the freeze watch and false to stop it when
    // the program's own options switch it; set by the reporter's start.
    static void SetFreezeWatchSwitch(std::function<void(bool run)> watchSwitch);

  private:
    void SwitchWatch(bool wasOn);

    HMODULE module_;
    runtime::os::TMappingHandle block_;
};

// The module that runs the reporter: the one holding this code.
HMODULE RunningModule();
// The name of a module's shared options block in this process.
std::string SharedBlockName(HMODULE module);
// Creates the module's block holding `data` (its first four bytes then
// hold the total size); returns the mapping, or none. A block of that name
// that still exists is written in place when the data fits, else emptied.
runtime::os::TMappingHandle CreateSharedBlock(HMODULE module, const std::string& data);
// The data of a module's block, or nullopt when there is none.
std::optional<std::string> ReadSharedBlock(HMODULE module);

}  // namespace crashreport
