#include "crashreport/logitem.h"

#include <algorithm>
#include <vector>

#include "crashreport/texthelpers.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

constexpr std::string_view itemSeparator = ": ";

// 1-based position of the first ": " in line, 0 when there is none.
size_t separatorColumn(std::string_view line) {
    const size_t at = line.find(itemSeparator);
    return at == std::string_view::npos ? 0 : at + 1;
}

bool isItemLine(std::string_view line) {
    return line.size() > 2 && line.substr(0, 2) == "  ";
}

// Aligns one section (title, dash line, item and continuation lines) so
// every ": " stands in one column and continuation lines start under the
// values; the dash line becomes as wide as the widest line.
void alignSection(std::vector<std::string>& lines, size_t first, size_t end) {
    size_t column = 1;
    size_t width = 0;
    for (size_t i = first; i < end; ++i) {
        column = std::max(column, separatorColumn(lines[i]));
        width = std::max(width, lines[i].size());
    }
    for (size_t i = first + 2; i < end; ++i) {
        std::string& line = lines[i];
        const size_t at = separatorColumn(line);
        if (at == 0) {
            line.insert(0, column, ' ');
        } else if (at < column) {
            line.insert(at - 1, column - at, ' ');
        }
        width = std::max(width, line.size());
    }
    if (first + 1 < end) lines[first + 1] = std::string(width, '-');
}

}  // namespace

std::string FormatItemValue(std::string_view value, size_t continuationIndent) {
    if (value.find(CrLf) == std::string_view::npos) return std::string(value);
    const std::string escaped = ReplaceAll(value, itemSeparator, ":_");
    std::string result;
    bool firstLine = true;
    for (std::string_view line : SplitCrLf(escaped)) {
        if (!firstLine) {
            result += CrLf;
            result.append(continuationIndent + 1, ' ');
        }
        if (runtime::Trim(line).empty()) {
            result += '.';
        } else {
            result += line;
        }
        firstLine = false;
    }
    return result;
}

TLogItem::TLogItem(int32_t firstHeader) : firstHeader_(firstHeader), headerNo_(firstHeader) {}

void TLogItem::Clear() {
    text_.clear();
    headerNo_ = firstHeader_;
    itemNo_ = 0;
}

void TLogItem::AddHeader(std::string_view title) {
    ++headerNo_;
    itemNo_ = 0;
    if (!text_.empty()) {
        text_ += CrLf;
        text_ += CrLf;
    }
    text_ += title;
    text_ += ":";
    text_ += CrLf;
    text_ += "-";
}

void TLogItem::AddItem(std::string_view label, std::string_view value, bool shown) {
    ++itemNo_;
    if (!shown) return;
    text_ += CrLf;
    text_ += "  " + std::to_string(headerNo_) + "." + std::to_string(itemNo_) + " ";
    text_ += label;
    text_ += itemSeparator;
    text_ += FormatItemValue(value);
}

std::string TLogItem::GetText() const {
    std::vector<std::string> lines;
    for (std::string_view line : SplitCrLf(text_)) lines.emplace_back(line);
    lines.emplace_back();

    std::vector<std::string> kept;
    size_t i = 0;
    while (i < lines.size()) {
        // A section runs from its title to the blank line that ends it.
        size_t end = i;
        while (end < lines.size() && !lines[end].empty()) ++end;
        bool hasItems = false;
        for (size_t k = i + 2; k < end; ++k) hasItems = hasItems || isItemLine(lines[k]);
        if (hasItems) {
            alignSection(lines, i, end);
            for (size_t k = i; k <= end && k < lines.size(); ++k) kept.push_back(lines[k]);
        }
        i = end + 1;
    }
    // The blank line added above ends the last section; it is not returned.
    if (!kept.empty()) kept.pop_back();
    std::string result;
    for (const std::string& line : kept) {
        result += line;
        result += CrLf;
    }
    return result;
}

}  // namespace crashreport
