#include "crashreport/richtext.h"

#include <vector>

#include "crashreport/report_text.h"
#include "crashreport/texthelpers.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

constexpr std::string_view lineEnd = "\\par\r\n";

// Lines of the CPU section, by their place.
constexpr size_t registerLinesStart = 2;
constexpr size_t stackTitleLine = registerLinesStart + CpuRegisterLines + 1;
constexpr size_t stackDashLine = stackTitleLine + 1;

std::string registerLineRtf(std::string_view line) {
    const size_t second = CpuRegisterName + CpuValueDigits + CpuColumnGap;
    if (line.size() < second + CpuRegisterName + CpuValueDigits) return EscapeRtf(line);
    return EscapeRtf(line.substr(0, CpuRegisterName)) + "\\cf4 " +
           EscapeRtf(line.substr(CpuRegisterName, CpuValueDigits)) + "\\cf2 " +
           EscapeRtf(
               line.substr(CpuRegisterName + CpuValueDigits, CpuColumnGap + CpuRegisterName)) +
           "\\cf4 " + EscapeRtf(line.substr(second + CpuRegisterName, CpuValueDigits)) + "\\cf2 " +
           EscapeRtf(line.substr(second + CpuRegisterName + CpuValueDigits));
}

std::string dumpLineRtf(std::string_view line) {
    const size_t value = CpuValueDigits + 2;
    const size_t address = CpuStackWidth + CpuColumnGap;
    const size_t bytes = address + CpuValueDigits + 2;
    const size_t byteText = 3 * CpuDumpBytes - 1;
    if (line.size() < bytes + byteText) return EscapeRtf(line);
    return EscapeRtf(line.substr(0, value)) + "\\cf4 " +
           EscapeRtf(line.substr(value, CpuValueDigits)) + "\\cf2 \\tab " +
           EscapeRtf(line.substr(address, bytes - address)) + "\\cf4 " +
           EscapeRtf(line.substr(bytes, byteText)) + "\\cf2 " +
           EscapeRtf(line.substr(bytes + byteText));
}

std::string joinRtfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += lineEnd;
        text += lines[i];
    }
    return text;
}

}  // namespace

std::string EscapeRtf(std::string_view text) {
    std::string result = ReplaceAll(text, "\\", "\\\\");
    result = ReplaceAll(result, "{", "\\{");
    result = ReplaceAll(result, "}", "\\}");
    return ReplaceAll(result, "\r\n", lineEnd);
}

std::string EscapeHtml(std::string_view text) {
    std::string result = ReplaceAll(text, "&", "&amp;");
    result = ReplaceAll(result, "\"", "&quot;");
    result = ReplaceAll(result, "'", "&#039;");
    result = ReplaceAll(result, "<", "&lt;");
    result = ReplaceAll(result, ">", "&gt;");
    result = ReplaceAll(result, "  ", "&nbsp;&nbsp;");
    return ReplaceAll(result, "\r\n", "<br>\r\n");
}

std::string RtfDocument(std::string_view body, int charset, std::string_view fontName,
                        int fontPoints) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{"
           "\\f0\\fmodern\\fprq1\\fcharset" +
           std::to_string(charset) + " " + std::string(fontName) + ";}}\r\n" +
           "{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;\\red40\\green40\\blue40;"
           "\\red0\\green0\\blue160;}\r\n\\f0\\fs" +
           std::to_string(fontPoints * 2) + "\r\n" + std::string(body) + "}";
}

std::string GeneralPageRtf(std::string_view headerText) {
    const std::string escaped = EscapeRtf(headerText);
    std::vector<std::string> lines;
    for (std::string_view line : SplitCrLf(escaped)) lines.emplace_back(line);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string& line = lines[i];
        if (i == 0) {
            line = "\\cf1\\b " + line + "\\b0";
            continue;
        }
        const size_t colon = line.find(':');
        const size_t separator = line.find(": ");
        if (colon != std::string::npos && line.size() == colon + 1 + 4) {
            line = "\\cf3\\b " + line + "\\b0";
        } else if (!line.empty() && line[0] == '-') {
            line = "\\cf3 " + line;
        } else if (separator != std::string::npos) {
            line = "\\cf2 " + line.substr(0, separator + 1) + "\\cf4 " + line.substr(separator + 1);
        }
    }
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

std::string CpuPageRtf(std::string_view cpuText, int stackColumnPixels) {
    const std::vector<std::string_view> raw = SplitCrLf(cpuText);
    std::vector<std::string> lines;
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::string_view line = raw[i];
        if (i == 0) {
            lines.push_back("\\cf3\\b " + EscapeRtf(line) + "\\cf2\\b0");
        } else if (i == 1) {
            lines.push_back("\\cf3 " + EscapeRtf(line) + "\\cf2");
        } else if (i < registerLinesStart + CpuRegisterLines) {
            lines.push_back(registerLineRtf(line));
        } else if (i == stackTitleLine && line.size() > CpuStackWidth) {
            const size_t split = CpuStackWidth + CpuColumnGap;
            lines.push_back("\\pard\\tx" + std::to_string(stackColumnPixels * 15) + "\\cf3\\b " +
                            EscapeRtf(runtime::Trim(line.substr(0, split))) + "\\tab " +
                            EscapeRtf(runtime::Trim(line.substr(split))) + "\\cf2\\b0");
        } else if (i == stackDashLine && line.size() > CpuStackWidth + CpuColumnGap) {
            lines.push_back("\\cf3 " + std::string(line.substr(0, CpuStackWidth)) + "\\tab " +
                            std::string(line.substr(CpuStackWidth + CpuColumnGap)) + "\\cf2");
        } else if (i > stackDashLine) {
            lines.push_back(dumpLineRtf(line));
        } else {
            lines.push_back(EscapeRtf(line));
        }
    }
    return joinRtfLines(lines);
}

}  // namespace crashreport
