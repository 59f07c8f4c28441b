#include "crashreport/report_text.h"

#include <gtest/gtest.h>

#include "crashreport/callstack.h"

namespace crashreport {
namespace {

TEST(ReportText, DatesKeepTheMinutesOfTheirOffset) {
    const runtime::TDateTime when =
        runtime::EncodeDate(2024, 1, 1) + runtime::EncodeTime(9, 5, 7, 0);
    const std::pair<int, std::string> cases[] = {
        {0, "Mon, 1 Jan 2024 09:05:07 +0000"},    {180, "Mon, 1 Jan 2024 09:05:07 +0300"},
        {-300, "Mon, 1 Jan 2024 09:05:07 -0500"}, {600, "Mon, 1 Jan 2024 09:05:07 +1000"},
        {330, "Mon, 1 Jan 2024 09:05:07 +0530"},  {-570, "Mon, 1 Jan 2024 09:05:07 -0930"},
        {345, "Mon, 1 Jan 2024 09:05:07 +0545"},
    };
    for (const auto& [offset, text] : cases) EXPECT_EQ(FormatReportDate(when, offset), text);
    EXPECT_EQ(FormatReportDate(runtime::EncodeDate(2023, 12, 31), 0),
              "Sun, 31 Dec 2023 00:00:00 +0000");
}

TEST(ReportText, HeaderShowsTheFieldsAskedForAndKeepsTheirNumbers) {
    TVvModuleOptions options("prog.exe", false);
    TReportHeader header;
    header.Name = "Prog";
    header.Address = "0000000140001000";
    header.Module = "prog.exe";
    header.Type = "EAccessViolation";
    header.Message = "Access violation.";
    header.FormClass = "TForm1";
    header.Windowed = false;
    std::array<uint8_t, ShownFieldBytes> fields{};
    fields[0] = 0x02 | 0x40 | 0x80;  // 1.2 name, 2.2 address, 2.3 module
    fields[1] = 0x04;                // 3.1 form class: only in a windowed program
    options.SetShownFields(fields);
    EXPECT_EQ(BuildReportItems(options, header),
              "VuvuvuVoz 5.0.2\r\n\r\n"
              "Application:\r\n"
              "----------------------------\r\n"
              "  1.2 Name/Description: Prog\r\n"
              "\r\n"
              "Exception:\r\n"
              "-------------------------------\r\n"
              "  2.2 Address: 0000000140001000\r\n"
              "  2.3 Module : prog.exe\r\n");
    header.Windowed = true;
    EXPECT_NE(BuildReportItems(options, header).find("  3.1 Form Class: TForm1\r\n"),
              std::string::npos);
    options.SetShownFields({});
    EXPECT_EQ(BuildReportItems(options, header), "VuvuvuVoz 5.0.2\r\n\r\n");
}

TEST(ReportText, CallStackTableGroupsRowsByThread) {
    TVvModuleOptions options("prog.exe", false);
    const std::vector<TCallStackRow> rows = {
        {7, true, 0x140001234, "prog.exe", "main.cpp", "", "Crash()", 42, 3},
        {7, true, 0x140001500, "prog.exe", "main.cpp", "App", "Run()", 120, 0},
        {7, false, 0x140002000, "prog.exe", "start.cpp", "", "Start()", 9, 1},
        {9, true, 0x7FFF0010, "ntdll.dll", "", "", "NtWait", 0, 0},
    };
    const auto caption = [](const TCallStackRow& r, bool first) {
        return std::string(first       ? " Exception Thread"
                           : r.Running ? " Running Thread"
                                       : " Calling Thread") +
               ": ID=" + std::to_string(r.ThreadId);
    };
    const std::string dashes(66, '-');
    const std::string separator = "|" + std::string(64, '-') + "|\r\n";
    const auto captionRow = [](const std::string& text) {
        return "|" + text + std::string(64 - text.size(), ' ') + "|\r\n";
    };
    const std::string expected =
        "Call Stack Information:\r\n" + dashes + "\r\n" +
        "|Address         |Module   |Unit     |Class|Procedure/Method|Line|\r\n" + dashes + "\r\n" +
        captionRow(" Exception Thread: ID=7") + separator +
        "|0000000140001234|prog.exe |main.cpp |     |Crash()         |42  |\r\n"
        "|0000000140001500|prog.exe |main.cpp |App  |Run()           |120 |\r\n" +
        separator + captionRow(" Calling Thread: ID=7") + separator +
        "|0000000140002000|prog.exe |start.cpp|     |Start()         |9   |\r\n" + separator +
        captionRow("") + captionRow(" Running Thread: ID=9") + separator +
        "|000000007FFF0010|ntdll.dll|         |     |NtWait          |    |\r\n" + dashes +
        "\r\n\r\n";
    EXPECT_EQ(BuildCallStackSection(options, rows, caption), expected);
    options.SetCallStackFlags(options.CallStackFlags() | csLineOffsets);
    EXPECT_NE(BuildCallStackSection(options, rows, caption).find("|120[0]|"), std::string::npos);
    EXPECT_NE(BuildCallStackSection(options, rows, caption).find("|42[3] |"), std::string::npos);

    EXPECT_TRUE(ShownInCallStack(options, dkLine));
    EXPECT_TRUE(ShownInCallStack(options, dkExport));
    EXPECT_FALSE(ShownInCallStack(options, dkModule));
    EXPECT_FALSE(ShownInCallStack(options, dkNothing));
    options.SetCallStackFlags(0);
    EXPECT_FALSE(ShownInCallStack(options, dkExport));
    EXPECT_FALSE(ShownInCallStack(options, dkDecorated));
    EXPECT_TRUE(ShownInCallStack(options, dkLine));
}

TEST(ReportText, ModulesTablePadsHandlesWithZeros) {
    TVvModuleOptions options("prog.exe", false);
    const std::vector<TModuleRow> rows = {
        {0x400000, "prog.exe", "Program", "1.2.3.4", 4096,
         runtime::EncodeDate(2024, 2, 3) + runtime::EncodeTime(4, 5, 6, 0), "C:\\App"},
        {0x7FF800000000, "x.dll", "", "", 10, 0, "C:\\"},
    };
    const std::string dashes(79, '-');
    EXPECT_EQ(
        BuildModulesSection(options, rows),
        "Modules Information:\r\n" + dashes + "\r\n" +
            "|Handle          |Name    |Description|Version|Size|Modified           |Path  |\r\n" +
            dashes + "\r\n" +
            "|0000000000400000|prog.exe|Program    |1.2.3.4|4096|2024-02-03 04:05:06|C:\\App|\r\n"
            "|00007FF800000000|x.dll   |           |       |10  |                   |C:\\   |\r\n" +
            dashes + "\r\n\r\n");
    options.SetLogFlags(0);
    EXPECT_EQ(BuildModulesSection(options, rows),
              "Modules Information:\r\n--------------------\r\n\r\n");
}

TEST(ReportText, CpuSectionShowsRegistersAndTheDumpWhenKnown) {
    TVvModuleOptions options("prog.exe", false);
    TCpuState cpu;
    std::array<uint64_t, RegisterCount> registers{};
    for (int i = 0; i < RegisterCount; ++i) registers[i] = 0x1111111111111111ull * (i % 15 + 1);
    registers[rgRip] = 0x0000000140001234;
    cpu.Registers = registers;
    const std::string noDump = BuildCpuSection(options, cpu);
    EXPECT_TRUE(
        noDump.starts_with("Registers:\r\n-----------------------------\r\n"
                           "RAX: 1111111111111111   RDI: 2222222222222222\r\n"));
    EXPECT_NE(noDump.find("RDX: 7777777777777777   RIP: 0000000140001234\r\n"), std::string::npos);
    EXPECT_NE(noDump.find("RBP: 2222222222222222   EFL: 3333333333333333\r\n\r\n"),
              std::string::npos);
    EXPECT_TRUE(noDump.ends_with("Stack:                               Memory Dump:\r\n" +
                                 std::string(34, '-') + "   " + std::string(83, '-') + "\r\n"));

    cpu.StackPoint = 0x22FE00;
    for (int i = 0; i < 16; ++i) cpu.Stack.push_back(0x100 + i);
    cpu.DumpAddress = 0x140001234;
    for (int i = 0; i < 256; ++i) cpu.Dump.push_back(static_cast<uint8_t>(i));
    const std::string full = BuildCpuSection(options, cpu);
    EXPECT_NE(full.find("\r\n000000000022FE00: 0000000000000100   0000000140001234: "
                        "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F  ................\r\n"),
              std::string::npos);
    EXPECT_NE(full.find("\r\n000000000022FE10: 0000000000000102   0000000140001254: "
                        "20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F   !\"#$%&'()*+,-./\r\n"),
              std::string::npos);
    EXPECT_TRUE(full.ends_with("7F 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F  "
                               "................\r\n") ||
                full.ends_with("FF  ................\r\n"));

    const std::string unknown = BuildCpuSection(options, TCpuState{});
    EXPECT_NE(unknown.find("RAX: ????               RDI: ????            \r\n"), std::string::npos);
    options.SetLogFlags(0);
    EXPECT_EQ(BuildCpuSection(options, cpu), "Registers:\r\n----------\r\n\r\n");
}

}  // namespace
}  // namespace crashreport
