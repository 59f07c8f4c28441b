#include "crashreport/report_text.h"

#include <algorithm>
#include <array>

#include "crashreport/logitem.h"
#include "crashreport/texthelpers.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

// Text indexes of the header's section titles.
constexpr std::array<int, 6> sectionTitles = {22, 28, 34, 39, 49, 54};

struct HeaderItem {
    int section;  // index into sectionTitles
    int label;    // text index
    int bit;      // ShownFields bit
    std::string TReportHeader::*value;
    bool windowedOnly;
};

constexpr HeaderItem headerItems[] = {
    {0, 23, 0, &TReportHeader::StartDate, false},
    {0, 24, 1, &TReportHeader::Name, false},
    {0, 25, 2, &TReportHeader::Version, false},
    {0, 26, 3, &TReportHeader::Parameters, false},
    {0, 27, 4, &TReportHeader::CompilationDate, false},
    {1, 29, 5, &TReportHeader::ExceptionDate, false},
    {1, 30, 6, &TReportHeader::Address, false},
    {1, 31, 7, &TReportHeader::Module, false},
    {1, 32, 8, &TReportHeader::Type, false},
    {1, 33, 9, &TReportHeader::Message, false},
    {2, 35, 10, &TReportHeader::FormClass, true},
    {2, 36, 11, &TReportHeader::FormText, true},
    {2, 37, 12, &TReportHeader::ControlClass, true},
    {2, 38, 13, &TReportHeader::ControlText, true},
    {3, 40, 14, &TReportHeader::Computer, false},
    {3, 41, 15, &TReportHeader::User, false},
    {3, 42, 16, &TReportHeader::TotalMemory, false},
    {3, 43, 17, &TReportHeader::FreeMemory, false},
    {3, 44, 18, &TReportHeader::TotalDisk, false},
    {3, 45, 19, &TReportHeader::FreeDisk, false},
    {3, 46, 20, &TReportHeader::UpTime, false},
    {3, 47, 21, &TReportHeader::Processor, false},
    {3, 48, 22, &TReportHeader::DisplayMode, false},
    {4, 50, 23, &TReportHeader::OsType, false},
    {4, 51, 24, &TReportHeader::OsBuild, false},
    {4, 52, 25, &TReportHeader::OsUpdate, false},
    {4, 53, 26, &TReportHeader::OsLanguage, false},
    {5, 55, 27, &TReportHeader::IpAddress, false},
    {5, 56, 28, &TReportHeader::Submask, false},
    {5, 57, 29, &TReportHeader::Gateway, false},
    {5, 58, 30, &TReportHeader::Dns1, false},
    {5, 59, 31, &TReportHeader::Dns2, false},
    {5, 60, 32, &TReportHeader::Dhcp, false},
};
static_assert(std::size(headerItems) == 33);

constexpr int addressDigits = CpuValueDigits;
constexpr std::string_view unknownRegister = "????            ";
static_assert(unknownRegister.size() == addressDigits);
constexpr size_t dumpRows = CpuDumpRows;
constexpr size_t dumpBytesPerRow = CpuDumpBytes;
constexpr size_t stackSlotBytes = 8;

std::string hex(uint64_t value, int digits = addressDigits) {
    return runtime::IntToHex(static_cast<int64_t>(value), digits);
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// A table of fixed columns: every cell padded to its column's width, with
// "|" between them.
struct Table {
    std::vector<size_t> widths;

    std::string Row(const std::vector<std::string>& cells) const {
        std::string row = "|";
        for (size_t i = 0; i < cells.size(); ++i) row += padded(cells[i], widths[i]) + "|";
        return row + std::string(CrLf);
    }
    [[nodiscard]] size_t Inner() const {
        size_t sum = 0;
        for (size_t w : widths) sum += w;
        return sum;
    }
};

Table measure(const std::vector<std::string>& labels,
              const std::vector<std::vector<std::string>>& rows, size_t firstMinimum) {
    Table t;
    for (size_t c = 0; c < labels.size(); ++c) {
        size_t w = labels[c].size();
        for (const auto& row : rows) w = std::max(w, row[c].size());
        t.widths.push_back(w);
    }
    t.widths[0] = std::max(t.widths[0], firstMinimum);
    return t;
}

}  // namespace

std::string FormatReportDate(runtime::TDateTime value, int utcOffsetMinutes) {
    static constexpr const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int year, month, day, hour, minute, second, msec;
    runtime::DecodeDate(value, year, month, day);
    runtime::DecodeTime(value, hour, minute, second, msec);
    const int weekday = runtime::DayOfWeek(value);  // 1 = Sunday
    const int offset = std::abs(utcOffsetMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02d%02d", days[weekday - 1],
                  day, months[month - 1], year, hour, minute, second,
                  utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string BuildReportItems(const TVvModuleOptions& options, const TReportHeader& header) {
    TLogItem item(0);
    int section = -1;
    for (const HeaderItem& h : headerItems) {
        if (h.section != section) {
            section = h.section;
            item.AddHeader(options.GetText(sectionTitles[section]));
        }
        const bool shown = options.FieldShown(h.bit) && (!h.windowedOnly || header.Windowed);
        item.AddItem(options.GetText(h.label), header.*h.value, shown);
    }
    return "VuvuvuVoz " + std::string(LibraryVersionText) + "\r\n\r\n" + item.GetText();
}

bool ShownInCallStack(const TVvModuleOptions& options, uint8_t kind) {
    return kind == dkLine || (kind == dkExport && (options.CallStackFlags() & csPlainExports)) ||
           (kind == dkDecorated && (options.CallStackFlags() & csDecoratedExports));
}

std::string SectionTitle(const std::string& title) {
    return title + ":\r\n" + std::string(title.size() + 1, '-') + "\r\n\r\n";
}

std::string BuildCallStackSection(
    const TVvModuleOptions& options, const std::vector<TCallStackRow>& rows,
    const std::function<std::string(const TCallStackRow& first, bool firstGroup)>& caption) {
    const bool offsets = (options.CallStackFlags() & csLineOffsets) != 0;
    std::vector<std::vector<std::string>> cells;
    for (const TCallStackRow& r : rows) {
        std::string line = r.Line == 0 ? "" : std::to_string(r.Line);
        if (offsets && r.Line != 0) line += "[" + std::to_string(r.LineOffset) + "]";
        cells.push_back({hex(r.Address), r.Module, r.Unit, r.Class, r.Procedure, line});
    }
    const std::vector<std::string> labels = {options.GetText(62), options.GetText(63),
                                             options.GetText(64), options.GetText(65),
                                             options.GetText(66), options.GetText(67)};
    const Table table = measure(labels, cells, addressDigits);
    const size_t inner = table.Inner() + table.widths.size() - 1;
    const std::string dashes(table.Inner() + table.widths.size() + 1, '-');
    const std::string separator = "|" + std::string(inner, '-') + "|" + std::string(CrLf);

    std::string text =
        options.GetText(7) + ":\r\n" + dashes + "\r\n" + table.Row(labels) + dashes + "\r\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const bool first = i == 0;
        if (first || rows[i].ThreadId != rows[i - 1].ThreadId ||
            rows[i].Running != rows[i - 1].Running) {
            if (!first) {
                text += separator;
                if (rows[i].Running)
                    text += "|" + std::string(inner, ' ') + "|" + std::string(CrLf);
            }
            text += "|" + padded(caption(rows[i], first), inner) + "|" + std::string(CrLf);
            text += separator;
        }
        text += table.Row(cells[i]);
    }
    return text + dashes + "\r\n\r\n";
}

std::string BuildModulesSection(const TVvModuleOptions& options,
                                const std::vector<TModuleRow>& rows) {
    if ((options.LogFlags() & lfModulesSection) == 0) return SectionTitle(options.GetText(9));
    const std::vector<std::string> labels = {
        options.GetText(84), options.GetText(85), options.GetText(86), options.GetText(87),
        options.GetText(88), options.GetText(89), options.GetText(90)};
    std::vector<std::vector<std::string>> cells;
    for (const TModuleRow& m : rows) {
        cells.push_back(
            {hex(m.Handle), m.Name, m.Description, m.Version, std::to_string(m.Size),
             m.Modified == 0 ? "" : runtime::FormatDateTime("yyyy-mm-dd hh:nn:ss", m.Modified),
             m.Path});
    }
    const Table table = measure(labels, cells, addressDigits);
    const std::string dashes(table.Inner() + table.widths.size() + 1, '-');
    std::string text =
        options.GetText(9) + ":\r\n" + dashes + "\r\n" + table.Row(labels) + dashes + "\r\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        // Handles are padded with zeros to the column's width.
        cells[i][0] = hex(rows[i].Handle, static_cast<int>(table.widths[0]));
        text += table.Row(cells[i]);
    }
    return text + dashes + "\r\n\r\n";
}

std::string BuildCpuSection(const TVvModuleOptions& options, const TCpuState& cpu) {
    if ((options.LogFlags() & lfCpuSection) == 0) return SectionTitle(options.GetText(91));
    static constexpr const char* names[RegisterCount] = {"RAX", "RDI", "RBX", "RSI", "RCX", "RSP",
                                                         "RDX", "RIP", "R8 ", "R12", "R9 ", "R13",
                                                         "R10", "R14", "R11", "R15", "RBP", "EFL"};
    std::string text = options.GetText(91) + ":\r\n-----------------------------\r\n";
    for (int r = 0; r < RegisterCount; r += 2) {
        for (int k = r; k < r + 2; ++k) {
            text += std::string(names[k]) + ": " +
                    (cpu.Registers ? hex((*cpu.Registers)[k]) : std::string(unknownRegister));
            text += k == r ? "   " : "\r\n";
        }
    }
    // Stack slot address and value, then the dump's address: the titles
    // stand over those columns.
    text += "\r\n" + padded(options.GetText(92) + ":", CpuStackWidth + CpuColumnGap) +
            options.GetText(93) + ":\r\n" + std::string(CpuStackWidth, '-') + "   " +
            std::string(CpuDumpWidth, '-') + "\r\n";
    if (cpu.Stack.size() < dumpRows || cpu.Dump.size() < dumpRows * dumpBytesPerRow) return text;
    for (size_t k = 0; k < dumpRows; ++k) {
        text += hex(cpu.StackPoint + stackSlotBytes * k) + ": " + hex(cpu.Stack[k]) + "   " +
                hex(cpu.DumpAddress + dumpBytesPerRow * k) + ": ";
        std::string chars;
        for (size_t b = 0; b < dumpBytesPerRow; ++b) {
            const uint8_t byte = cpu.Dump[k * dumpBytesPerRow + b];
            text += hex(byte, 2) + " ";
            chars += byte < 32 || byte > 126 ? '.' : static_cast<char>(byte);
        }
        text += " " + chars + "\r\n";
    }
    return text;
}

std::string JoinReport(const std::string& header, const std::string& callStackAndModules,
                       const std::string& cpu) {
    return header + "\r\n" + callStackAndModules + cpu;
}

}  // namespace crashreport
