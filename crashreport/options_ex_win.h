#pragma once

// The options object of every module the reporter meets at run time: it
// publishes its changes in a named shared-memory block, and for the program
// itself it starts and stops the freeze watch as Active and
// FreezeCheckActive change.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "crashreport/options.h"

namespace crashreport {

class TVvModuleOptionsEx : public TVvModuleOptions {
  public:
    // `module` is the module the options belong to.
    TVvModuleOptionsEx(std::string moduleName, bool saveSharedData, HMODULE module);
    ~TVvModuleOptionsEx() override;

    // Writes a byte 1 and the options stream to the module's shared block.
    void Publish() override;
    void SetActive(uint8_t value) override;
    void SetFreezeCheckActive(uint8_t value) override;

    // Called with true to start the freeze watch and false to stop it when
    // the program's own options switch it; set by the reporter's start.
    static void SetFreezeWatchSwitch(std::function<void(bool run)> watchSwitch);

  private:
    void SwitchWatch(bool wasOn);

    HMODULE module_;
    HANDLE block_ = nullptr;
};

// The name of a module's shared options block in this process.
std::string SharedBlockName(HMODULE module);
// Creates the module's block holding `data` (its first four bytes then
// hold the total size); returns the mapping handle or null.
HANDLE CreateSharedBlock(HMODULE module, const std::string& data);
// The data of a module's block, or nullopt when there is none.
std::optional<std::string> ReadSharedBlock(HMODULE module);

}  // namespace crashreport
