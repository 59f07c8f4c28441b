#pragma once

// The text of a report, from values already gathered: the numbered header
// sections, the call-stack table, the modules table and the registers with
// a stack and memory dump. Addresses, registers and stack slots are 64-bit
// and written as 16 hexadecimal digits.
//
//   VuvuvuVoz 5.0.2
//
//   Application:            numbered sections (TLogItem)
//   ...
//   Call Stack Information:
//   ------------------------------------------
//   |Address         |Module|Unit|Class|Procedure/Method|Line|
//   ------------------------------------------
//   | Exception Thread: ID=...; Priority=...; Class=...; [Main] |
//   |-------------------------------------------------|
//   |0000000140001234|prog.exe|main.cpp||Crash()|42|
//   ...
//   Modules Information:     (the same kind of table)
//   Registers:               (RAX ... R15, RIP and the flags)
//   Stack:               Memory Dump:
//   <16 rows: stack slot address and value, then 16 bytes at the
//    exception address in hexadecimal and as characters>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "crashreport/callstack.h"
#include "crashreport/options.h"
#include "runtime/datetime.h"

namespace crashreport {

// "Mon, 1 Jan 2024 10:00:00 +0530": the local offset from UTC keeps its
// minutes.
std::string FormatReportDate(runtime::TDateTime value, int utcOffsetMinutes);

// The values of the header items, in item order (1.1 ... 6.6).
struct TReportHeader {
    std::string StartDate, Name, Version, Parameters, CompilationDate;
    std::string ExceptionDate, Address, Module, Type, Message;
    std::string FormClass, FormText, ControlClass, ControlText;
    std::string Computer, User, TotalMemory, FreeMemory, TotalDisk, FreeDisk, UpTime, Processor,
        DisplayMode;
    std::string OsType, OsBuild, OsUpdate, OsLanguage;
    std::string IpAddress, Submask, Gateway, Dns1, Dns2, Dhcp;
    // The active-controls items are shown only in a windowed program.
    bool Windowed = true;
};

// "VuvuvuVoz 5.0.2", a blank line and the numbered sections.
std::string BuildReportItems(const TVvModuleOptions& options, const TReportHeader& header);

// One shown row of the call-stack table.
struct TCallStackRow {
    uint32_t ThreadId = 0;
    bool Running = true;
    uintptr_t Address = 0;
    std::string Module, Unit, Class, Procedure;
    int32_t Line = 0;
    int32_t LineOffset = 0;
};

// Whether an entry of this kind is shown under the options' call-stack
// flags.
bool ShownInCallStack(const TVvModuleOptions& options, uint8_t kind);

// The call-stack section. `caption` names each thread group from its first
// row and whether it is the first group (" Exception Thread: ID=...").
std::string BuildCallStackSection(
    const TVvModuleOptions& options, const std::vector<TCallStackRow>& rows,
    const std::function<std::string(const TCallStackRow& first, bool firstGroup)>& caption);

struct TModuleRow {
    uintptr_t Handle = 0;
    std::string Name, Description, Version;
    int32_t Size = 0;
    runtime::TDateTime Modified = 0;
    std::string Path;
};

// The modules section (only its title when LogFlags 0x10 is clear).
std::string BuildModulesSection(const TVvModuleOptions& options,
                                const std::vector<TModuleRow>& rows);

// The registers in the order the section shows them.
enum TRegister {
    rgRax,
    rgRdi,
    rgRbx,
    rgRsi,
    rgRcx,
    rgRsp,
    rgRdx,
    rgRip,
    rgR8,
    rgR12,
    rgR9,
    rgR13,
    rgR10,
    rgR14,
    rgR11,
    rgR15,
    rgRbp,
    rgEFlags,
    RegisterCount
};

// The CPU section's columns: register lines "RAX: <value>   RDI: <value>",
// and dump lines "<slot>: <value>   <address>: <16 bytes as "XX ">" and the
// 16 bytes as characters, each value 16 hexadecimal digits.
inline constexpr size_t CpuValueDigits = 16;
inline constexpr size_t CpuRegisterName = 5;  // "RAX: "
inline constexpr size_t CpuColumnGap = 3;
inline constexpr size_t CpuRegisterLines = RegisterCount / 2;
inline constexpr size_t CpuStackWidth = CpuValueDigits + 2 + CpuValueDigits;
inline constexpr size_t CpuDumpBytes = 16;
inline constexpr size_t CpuDumpRows = 16;
inline constexpr size_t CpuDumpWidth = CpuValueDigits + 2 + 3 * CpuDumpBytes + 1 + CpuDumpBytes;

struct TCpuState {
    // None: every register shows as unknown.
    std::optional<std::array<uint64_t, RegisterCount>> Registers;
    uint64_t StackPoint = 0;
    // 16 slots from StackPoint, or none when they cannot be read.
    std::vector<uint64_t> Stack;
    uint64_t DumpAddress = 0;
    // 256 bytes at DumpAddress, or none.
    std::vector<uint8_t> Dump;
};

// The registers, stack and memory-dump section (only its title when
// LogFlags 0x20 is clear).
std::string BuildCpuSection(const TVvModuleOptions& options, const TCpuState& cpu);

// Header text, a line end, the call-stack and modules sections and the CPU
// section.
std::string JoinReport(const std::string& header, const std::string& callStackAndModules,
                       const std::string& cpu);

// Title, colon, and a dash line as long: the section of an empty table.
std::string SectionTitle(const std::string& title);

}  // namespace crashreport
