#pragma once

// The modules the reporter has met: program and DLLs, with their files,
// version information, exports, options and debug data. Records are made
// when an address of the module is looked up, or for every loaded module
// when a report lists them. Used by the processing thread under the
// reporter's lock (and at start by the main thread); no lock of its own.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "crashreport/debugdata.h"
#include "crashreport/options_ex_win.h"
#include "runtime/datetime.h"

namespace crashreport {

// One export of a module: its name, entry and code length.
struct TVvFunctionInfo {
    std::string Name;
    uintptr_t Address = 0;
    uint32_t Size = 0;
};

enum TVvModuleKind : uint8_t {
    mkUnknown = 0,  // made in the quick enumeration mode
    mkProgram = 1,
    mkPackage = 2,  // a DLL with the resources PACKAGEINFO and PACKAGEOPTIONS
    mkLibrary = 3,
};

struct TVvModuleInfo {
    uintptr_t Handle = 0;
    std::string FileName;
    std::string Description;
    std::string Version;
    int32_t Size = 0;
    // Sorted by Address.
    std::vector<TVvFunctionInfo> Functions;
    uint8_t Kind = mkUnknown;
    uint16_t DataVersion = LibraryDataVersion;
    runtime::TDateTime CompileDate = 0;
    std::unique_ptr<TVvModuleOptionsEx> Options;
    // None when the module carries no debug information.
    std::unique_ptr<TDebugInformation> DebugData;
    runtime::TDateTime FileDate = 0;
    std::string Password;
    bool NamesReadable = true;
};

class TVvModulesList {
  public:
    // The module that runs the reporter (the program) is `self`.
    explicit TVvModulesList(HMODULE self);
    TVvModulesList(const TVvModulesList&) = delete;
    TVvModulesList& operator=(const TVvModulesList&) = delete;

    // The record of a loaded module, made on first use; none for a null
    // handle or a module that is not loaded.
    TVvModuleInfo* FindModuleInfo(uintptr_t handle);
    TVvModuleInfo* FindModuleInfoByAddress(uintptr_t address);
    // Makes and appends a record; false when the module is not loaded.
    bool AddModuleInfo(uintptr_t handle);
    // Drops records of unloaded modules and makes quick records of every
    // loaded module without one; the list ends sorted by handle.
    void RefreshModules();
    // Drops records whose file changed since they were made, but the
    // running module's.
    void DropChangedModules();

    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    TVvModuleInfo& Item(int index) { return *items_.at(index); }
    [[nodiscard]] HMODULE Self() const { return self_; }
    // While set, new records skip exports and debug data (quick mode).
    void SetQuickMode(bool quick) { quick_ = quick; }

  private:
    void Delete(size_t index);

    HMODULE self_;
    bool quick_ = false;
    bool refreshing_ = false;
    std::vector<std::unique_ptr<TVvModuleInfo>> items_;
};

// The module that holds the address, or 0.
uintptr_t ModuleOfAddress(uintptr_t address);
// The module's file name; "" when it is not loaded.
std::string ModuleFileName(uintptr_t handle);
// The folder of the record's file, without its trailing delimiter unless
// it is a drive root.
std::string ModuleFolder(const TVvModuleInfo& info);
bool IsLibraryModule(uintptr_t handle);
uint8_t ModuleKind(uintptr_t handle);
// The exports of a module (not the program), sorted by address, each with
// the length of its code from the module's function table.
bool ReadExportFunctions(uintptr_t handle, std::vector<TVvFunctionInfo>& functions);

// The local date and time of the file's last change; 0 when it cannot be
// read. FileSize: the low 32 bits of its size, 0 when missing.
runtime::TDateTime FileDate(const std::string& fileName);
int32_t FileSize(const std::string& fileName);

// "FileDescription" of the file's version information (first
// translation) and its file version as four numbers ("" for 0.0.0.0).
struct TVersionInfo {
    std::string Description;
    std::string Version;
};
TVersionInfo ModuleVersionInfo(const std::string& fileName);

// The first visible, unowned, non-tool top-level window of the process.
HWND FindMainWindow(DWORD processId);
// The top-level windows of this process at one moment: the report dialog
// keeps itself in front of windows that were not among them.
class TProcessWindows {
  public:
    void Collect();
    [[nodiscard]] bool IsNew(HWND window) const;

  private:
    std::vector<HWND> windows_;
};

// A registry string without its terminating zero; "" when missing.
std::string ReadRegistryString(HKEY root, std::string keyPath, const std::string& valueName);
// Local time minus UTC, in minutes.
int UtcOffsetMinutes();
// The program is the development tool itself (never in this program's own
// process).
bool InsideDevelopmentEnvironment();

}  // namespace crashreport
