#include "runtime/os/paths.h"

#include <array>

#include "runtime/strings.h"

namespace runtime::os {

namespace {

#ifdef _WIN32
constexpr std::string_view kFolderDelimiters = "\\:";
#else
constexpr std::string_view kFolderDelimiters = "/";
#endif

// Lead-byte ranges of the double-byte system code pages. A trail byte may
// have the value of a backslash, so names are walked character by character.
struct LeadByteRange {
    unsigned codePage;
    unsigned char first1, last1, first2, last2;
};
constexpr std::array<LeadByteRange, 4> kLeadBytes{{
    {932, 0x81, 0x9F, 0xE0, 0xFC},
    {936, 0x81, 0xFE, 0x81, 0xFE},
    {949, 0x81, 0xFE, 0x81, 0xFE},
    {950, 0x81, 0xFE, 0x81, 0xFE},
}};

const LeadByteRange* leadBytesOfSystemCodePage() {
    const unsigned codePage = SystemCodePage();
    for (const LeadByteRange& range : kLeadBytes) {
        if (range.codePage == codePage) return &range;
    }
    return nullptr;
}

bool isLeadByte(const LeadByteRange* range, char c) {
    if (range == nullptr) return false;
    const auto b = static_cast<unsigned char>(c);
    return (b >= range->first1 && b <= range->last1) || (b >= range->first2 && b <= range->last2);
}

// Index of the last character of `s` found in `delimiters`, or npos.
size_t lastDelimiter(std::string_view s, std::string_view delimiters) {
    const LeadByteRange* leadBytes = leadBytesOfSystemCodePage();
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        if (isLeadByte(leadBytes, s[i])) {
            ++i;
        } else if (delimiters.find(s[i]) != std::string_view::npos) {
            found = i;
        }
    }
    return found;
}

// Whether the last character of `s` is PathDelim (and not a trail byte).
bool endsWithDelimiter(std::string_view s) {
    if (s.empty()) return false;
    const size_t last = lastDelimiter(s, std::string_view(&PathDelim, 1));
    return last == s.size() - 1;
}

// Index of the dot that starts the extension, or npos.
size_t extensionDot(std::string_view fileName) {
    std::string delimiters(".");
    delimiters += kFolderDelimiters;
    const size_t i = lastDelimiter(fileName, delimiters);
    return i != std::string_view::npos && fileName[i] == '.' ? i : std::string_view::npos;
}

}  // namespace

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string result(path);
    if (!endsWithDelimiter(path)) result += PathDelim;
    return result;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    if (endsWithDelimiter(path)) path.remove_suffix(1);
    return std::string(path);
}

std::string ExtractFilePath(std::string_view fileName) {
    const size_t i = lastDelimiter(fileName, kFolderDelimiters);
    return i == std::string_view::npos ? std::string() : std::string(fileName.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view fileName) {
    const size_t i = lastDelimiter(fileName, kFolderDelimiters);
    return std::string(i == std::string_view::npos ? fileName : fileName.substr(i + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
    const size_t i = extensionDot(fileName);
    return i == std::string_view::npos ? std::string() : std::string(fileName.substr(i));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
    const size_t i = extensionDot(fileName);
    std::string result(i == std::string_view::npos ? fileName : fileName.substr(0, i));
    result += extension;
    return result;
}

}  // namespace runtime::os
