#include "crashreport/logfile.h"

#include <memory>

#include "crashreport/logitem.h"
#include "crashreport/texthelpers.h"
#include "runtime/exceptions.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

constexpr std::string_view entryEnd = "\r\n\r\n\r\n";
constexpr std::string_view entryBoundary = "\r\n\r\n\r\n\r\n";
constexpr std::string_view libraryName = "VuvuvuVoz ";

// Where the line holding item id starts (at its two blanks) in entry, or
// npos.
size_t findItemLine(std::string_view entry, std::string_view id) {
    const std::string marker = std::string(CrLf) + "  " + std::string(id) + " ";
    const size_t at = entry.find(marker);
    return at == std::string_view::npos ? at : at + CrLf.size();
}

}  // namespace

TLogFile::TLogFile(std::string_view fileName) : TLogFile(runtime::AnsiToWide(fileName)) {}

TLogFile::TLogFile(std::u16string fileName) : fileName_(std::move(fileName)) {
    if (!runtime::os::FileExists(fileName_)) return;
    std::string text;
    {
        runtime::TFileStream file(fileName_, runtime::fmOpenRead | runtime::fmShareDenyNone);
        const int64_t size = file.Size();
        text.resize(static_cast<size_t>(size));
        file.ReadBuffer(text.data(), size);
    }
    if (text.size() < entryEnd.size()) return;
    if (text.compare(text.size() - entryEnd.size(), entryEnd.size(), entryEnd) != 0) {
        text += entryEnd;
    }
    ParseEntries(text);
}

// An entry ends where a run of at least four CR LF pairs ends: the last
// pair of a run separates it from the next entry, the three before it end
// the entry, and any earlier pairs are the entry's own. A run at the end of
// the file belongs wholly to the last entry. So an entry comes back exactly
// as it was added, however many line ends its own text ends with.
void TLogFile::ParseEntries(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t at = text.find(entryBoundary, start);
        if (at == std::string_view::npos) break;
        size_t end = at + entryBoundary.size();
        while (text.substr(end, CrLf.size()) == CrLf) end += CrLf.size();
        if (end == text.size()) {
            entries_.emplace_back(text.substr(start));
        } else {
            entries_.emplace_back(text.substr(start, end - CrLf.size() - start));
        }
        start = end;
    }
}

void TLogFile::AddEntry(std::string_view text, int32_t keep) {
    if (keep < 1) keep = 1;
    if (Count() >= keep) entries_.erase(entries_.begin(), entries_.begin() + (Count() - keep + 1));
    entries_.push_back(std::string(text) + std::string(entryEnd));
}

void TLogFile::Save() {
    const std::u16string folder = runtime::os::ExtractFilePath(fileName_);
    if (!folder.empty() && !runtime::os::DirectoryExists(folder)) {
        (void)runtime::os::ForceDirectories(folder);
    }
    const std::u16string scratch = fileName_ + u".new";
    {
        runtime::TFileStream file(scratch, runtime::fmCreate);
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (i > 0) file.WriteBuffer(CrLf.data(), static_cast<int64_t>(CrLf.size()));
            file.WriteBuffer(entries_[i].data(), static_cast<int64_t>(entries_[i].size()));
        }
    }
    if (!runtime::os::RenameFileReplacing(scratch, fileName_)) {
        (void)runtime::os::DeleteFile(scratch);
        throw runtime::EInOutError("Cannot replace the log file " + runtime::WideToAnsi(fileName_));
    }
}

std::string TLogFile::Text() const {
    std::string text;
    for (const std::string& entry : entries_) {
        text += entry;
        text += CrLf;
    }
    return text;
}

std::string TLogFile::ItemValue(std::string_view id, int index) const {
    if (index < 0 || index >= Count()) return {};
    const std::string_view entry = entries_[index];
    const size_t lineStart = findItemLine(entry, id);
    if (lineStart == std::string_view::npos) return {};
    const std::vector<std::string_view> lines = SplitCrLf(entry.substr(lineStart));
    const size_t colon = lines[0].find(": ");
    if (colon == std::string_view::npos) return {};
    std::vector<std::string> value{runtime::Trim(lines[0].substr(colon + 2))};
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string line = runtime::Trim(lines[i]);
        if (line.empty() || lines[i].find(": ") != std::string_view::npos) break;
        value.push_back(line);
    }
    return JoinCrLf(value);
}

bool TLogFile::FindDuplicate(const std::vector<std::string>& ids,
                             const std::vector<std::string>& values) const {
    if (ids.size() != values.size()) return false;
    for (const std::string& entryText : entries_) {
        const std::string_view entry = entryText;
        bool all = true;
        for (size_t k = 0; k < ids.size() && all; ++k) {
            const size_t lineStart = findItemLine(entry, ids[k]);
            if (lineStart == std::string_view::npos) {
                all = false;
                break;
            }
            const size_t lineEnd = entry.find(CrLf, lineStart);
            const std::string_view line = entry.substr(lineStart, lineEnd - lineStart);
            const size_t colon = line.find(": ");
            if (colon == std::string_view::npos) {
                all = false;
                break;
            }
            // Continuation lines stand under the value, one column after ":".
            const std::string rendered = FormatItemValue(values[k], colon + 1) + std::string(CrLf);
            all = entry.substr(lineStart + colon + 2).starts_with(rendered);
        }
        if (all) return true;
    }
    return false;
}

std::string TLogFile::EntryVersion(int index) const {
    if (index < 0 || index >= Count()) return {};
    const std::string_view entry = entries_[index];
    const std::string_view firstLine = entry.substr(0, entry.find(CrLf));
    if (firstLine.size() <= libraryName.size()) return {};
    return std::string(firstLine.substr(libraryName.size()));
}

}  // namespace crashreport
