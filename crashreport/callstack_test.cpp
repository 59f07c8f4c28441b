#include "crashreport/callstack.h"

#include <gtest/gtest.h>

namespace crashreport {
namespace {

TVvDebugInfo entry(uintptr_t address, uint8_t kind = dkLine, TVvModuleInfo* module = nullptr) {
    TVvDebugInfo e;
    e.Address = address;
    e.Kind = kind;
    e.ModuleInfo = module;
    return e;
}

std::vector<uint8_t> kinds(const TVvStackList& list) {
    std::vector<uint8_t> result;
    for (const TVvDebugInfo& e : list) result.push_back(e.Kind);
    return result;
}

TEST(CallStack, FilterShowsARecursionOnce) {
    auto* other = reinterpret_cast<TVvModuleInfo*>(0x10);
    struct Case {
        std::vector<TVvDebugInfo> entries;
        std::vector<uint8_t> kinds;
    } cases[] = {
        // Direct recursion: only the outermost stays.
        {{entry(5), entry(5), entry(5), entry(9)}, {0, 0, 4, 4}},
        // Two functions calling each other.
        {{entry(5), entry(6), entry(5), entry(6), entry(9)}, {0, 0, 4, 4, 4}},
        // A repeat in another module does not count; unnamed entries are skipped over.
        {{entry(5), entry(5, dkExport, other), entry(5, dkModule), entry(5)}, {0, 2, 1, 4}},
        {{entry(1), entry(2), entry(3)}, {4, 4, 4}},
    };
    for (Case& c : cases) {
        FilterCallStack(c.entries, 0);
        EXPECT_EQ(kinds(c.entries), c.kinds);
    }
    // Entries before the first index are left alone.
    TVvStackList list = {entry(5), entry(5), entry(5)};
    FilterCallStack(list, 1);
    EXPECT_EQ(kinds(list), (std::vector<uint8_t>{4, 0, 4}));
}

TEST(CallStack, ExportNamesGiveUnitClassAndProcedure) {
    struct Case {
        std::string name;
        uint8_t kind;
        std::string unit, cls, proc;
    } cases[] = {
        {"@Unit1@TForm1@Button1Click$qqrp14System@TObject", dkDecorated, "Unit1.pas", "TForm1",
         "Button1Click"},
        {"@Unit1@Helper$qqrv", dkDecorated, "Unit1.pas", "", "Helper"},
        {"@Unit1@@Hidden$qqrv", dkDecorated, "Unit1.pas", "", "_Hidden"},
        {"Unit2.TThing.Run", dkDecorated, "Unit2.pas", "TThing", "Run"},
        {"Unit2.Run@8", dkDecorated, "Unit2.pas", "", "Run"},
        {"CreateFileW", dkExport, "", "", "CreateFileW"},
        {"?mangled@@YAXXZ", dkNothing, "", "", ""},
        {"a.b.c.d", dkNothing, "", "", ""},
    };
    for (const Case& c : cases) {
        TVvDebugInfo info;
        ParseExportName(c.name, ".pas", info);
        EXPECT_EQ(info.Kind, c.kind) << c.name;
        EXPECT_EQ(info.UnitName, c.unit) << c.name;
        EXPECT_EQ(info.ClassName, c.cls) << c.name;
        EXPECT_EQ(info.ProcedureName, c.proc) << c.name;
    }
}

TEST(CallStack, CallInstructionsBeforeAReturnAddress) {
    struct Case {
        uint8_t bytes[7];
        int length;
    } cases[] = {
        {{0x90, 0x90, 0xE8, 1, 2, 3, 4}, 5},              // call rel32
        {{0x90, 0xFF, 0x15, 1, 2, 3, 4}, 6},              // call [rip+d]
        {{0x48, 0xFF, 0x15, 1, 2, 3, 4}, 7},              // rex.w call [rip+d]
        {{0x90, 0xFF, 0x93, 1, 2, 3, 4}, 6},              // call [rbx+d32]
        {{0xFF, 0x94, 0x24, 1, 2, 3, 4}, 7},              // call [rsp+d32]
        {{0x90, 0x90, 0x90, 0x90, 0x90, 0xFF, 0xD0}, 2},  // call rax
        {{0x90, 0x90, 0x90, 0x90, 0x41, 0xFF, 0xD2}, 3},  // call r10
        {{0x90, 0x90, 0x90, 0x90, 0x90, 0xFF, 0x10}, 2},  // call [rax]
        {{0x90, 0x90, 0x90, 0x90, 0xFF, 0x50, 0x18}, 3},  // call [rax+0x18]
        {{0x90, 0x90, 0x90, 0x48, 0xFF, 0x50, 0x18}, 4},  // rex call [rax+0x18]
        {{0x90, 0x90, 0x90, 0xFF, 0x54, 0x24, 0x08}, 4},  // call [rsp+8]
        {{0x90, 0x90, 0x90, 0x90, 0xFF, 0x14, 0x24}, 3},  // call [rsp]
        {{0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0xC3}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(CallInstructionLength(c.bytes), c.length);
}

}  // namespace
}  // namespace crashreport
