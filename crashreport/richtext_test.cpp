#include "crashreport/richtext.h"

#include <gtest/gtest.h>

#include "crashreport/report_text.h"

namespace crashreport {
namespace {

TEST(RichText, EscapesInTheirOrder) {
    EXPECT_EQ(EscapeRtf("a\\b{c}\r\nd"), "a\\\\b\\{c\\}\\par\r\nd");
    EXPECT_EQ(EscapeHtml("<a href=\"x\">it's & </a>  \r\nx"),
              "&lt;a href=&quot;x&quot;&gt;it&#039;s &amp; &lt;/a&gt;&nbsp;&nbsp;<br>\r\nx");
    EXPECT_EQ(
        RtfDocument("body", 0, "Courier New", 10),
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 "
        "Courier New;}}\r\n{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;"
        "\\red40\\green40\\blue40;\\red0\\green0\\blue160;}\r\n\\f0\\fs20\r\nbody}");
}

TEST(RichText, GeneralPageColoursTitlesLabelsAndValues) {
    const std::string header =
        "VuvuvuVoz 5.0.2\r\n\r\nApplication:\r\n------\r\n  1.1 Start Date: Mon\r\n  "
        "1.2 Name: a {b}\r\n";
    EXPECT_EQ(GeneralPageRtf(header),
              "\\cf1\\b VuvuvuVoz 5.0.2\\par\\b0\r\n"
              "\\par\r\n"
              "\\cf3\\b Application:\\par\\b0\r\n"
              "\\cf3 ------\\par\r\n"
              "\\cf2   1.1 Start Date:\\cf4  Mon\\par\r\n"
              "\\cf2   1.2 Name:\\cf4  a \\{b\\}\\par\r\n");
}

TEST(RichText, CpuPageColoursValuesAndTabsTheDump) {
    TVvModuleOptions options("prog.exe", false);
    TCpuState cpu;
    std::array<uint64_t, RegisterCount> registers{};
    registers[rgRax] = 0xA;
    registers[rgRdi] = 0xB;
    cpu.Registers = registers;
    cpu.StackPoint = 0x1000;
    cpu.Stack.assign(CpuDumpRows, 0x77);
    cpu.DumpAddress = 0x2000;
    cpu.Dump.assign(CpuDumpRows * CpuDumpBytes, '{');
    const std::string rtf = CpuPageRtf(BuildCpuSection(options, cpu), 123);
    EXPECT_TRUE(rtf.starts_with("\\cf3\\b Registers:\\cf2\\b0\\par\r\n\\cf3 ----"));
    EXPECT_NE(
        rtf.find("RAX: \\cf4 000000000000000A\\cf2    RDI: \\cf4 000000000000000B\\cf2 \\par"),
        std::string::npos);
    EXPECT_NE(rtf.find("\\pard\\tx1845\\cf3\\b Stack:\\tab Memory Dump:\\cf2\\b0\\par"),
              std::string::npos);
    EXPECT_NE(rtf.find("\\cf3 " + std::string(CpuStackWidth, '-') + "\\tab ---"),
              std::string::npos);
    EXPECT_NE(
        rtf.find(
            "0000000000001000: \\cf4 0000000000000077\\cf2 \\tab 0000000000002000: \\cf4 7B 7B"),
        std::string::npos);
    EXPECT_NE(rtf.find("7B 7B\\cf2   \\{\\{\\{"), std::string::npos);
}

}  // namespace
}  // namespace crashreport
