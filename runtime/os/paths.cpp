#include "runtime/os/paths.h"

#include <array>

#include "runtime/strings.h"

namespace runtime::os {

namespace {

// The characters that end the folder part, and the dot, in either width.
template <class Char>
struct Delimiters {
#ifdef _WIN32
    static constexpr Char folder[] = {'\\', ':'};
    static constexpr Char folderOrDot[] = {'\\', ':', '.'};
#else
    static constexpr Char folder[] = {'/'};
    static constexpr Char folderOrDot[] = {'/', '.'};
#endif
    static constexpr Char path[] = {PathDelim};
};

template <class Char>
using View = std::basic_string_view<Char>;

template <class Char, size_t N>
constexpr View<Char> view(const Char (&chars)[N]) {
    return View<Char>(chars, N);
}

// Lead-byte ranges of the double-byte system code pages. A trail byte may
// have the value of a backslash, so 8-bit names are walked character by
// character.
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

// UTF-16 has no trail unit that equals a delimiter.
size_t lastDelimiter(std::u16string_view s, std::u16string_view delimiters) {
    return s.find_last_of(delimiters);
}

// Whether the last character of `s` is PathDelim (and not a trail byte).
template <class Char>
bool endsWithDelimiter(View<Char> s) {
    if (s.empty()) return false;
    const size_t last = lastDelimiter(s, view(Delimiters<Char>::path));
    return last == s.size() - 1;
}

// Index of the dot that starts the extension, or npos.
template <class Char>
size_t extensionDot(View<Char> fileName) {
    const size_t i = lastDelimiter(fileName, view(Delimiters<Char>::folderOrDot));
    return i != View<Char>::npos && fileName[i] == '.' ? i : View<Char>::npos;
}

template <class Char>
std::basic_string<Char> includeTrailing(View<Char> path) {
    std::basic_string<Char> result(path);
    if (!endsWithDelimiter(path)) result += static_cast<Char>(PathDelim);
    return result;
}

template <class Char>
std::basic_string<Char> excludeTrailing(View<Char> path) {
    if (endsWithDelimiter(path)) path.remove_suffix(1);
    return std::basic_string<Char>(path);
}

template <class Char>
std::basic_string<Char> filePath(View<Char> fileName) {
    const size_t i = lastDelimiter(fileName, view(Delimiters<Char>::folder));
    return i == View<Char>::npos ? std::basic_string<Char>()
                                 : std::basic_string<Char>(fileName.substr(0, i + 1));
}

template <class Char>
std::basic_string<Char> fileName(View<Char> name) {
    const size_t i = lastDelimiter(name, view(Delimiters<Char>::folder));
    return std::basic_string<Char>(i == View<Char>::npos ? name : name.substr(i + 1));
}

template <class Char>
std::basic_string<Char> fileExt(View<Char> name) {
    const size_t i = extensionDot(name);
    return i == View<Char>::npos ? std::basic_string<Char>()
                                 : std::basic_string<Char>(name.substr(i));
}

template <class Char>
std::basic_string<Char> changeExt(View<Char> name, View<Char> extension) {
    const size_t i = extensionDot(name);
    std::basic_string<Char> result(i == View<Char>::npos ? name : name.substr(0, i));
    result += extension;
    return result;
}

}  // namespace

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    return includeTrailing(path);
}
std::u16string IncludeTrailingPathDelimiter(std::u16string_view path) {
    return includeTrailing(path);
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    return excludeTrailing(path);
}
std::u16string ExcludeTrailingPathDelimiter(std::u16string_view path) {
    return excludeTrailing(path);
}

std::string ExtractFilePath(std::string_view name) {
    return filePath(name);
}
std::u16string ExtractFilePath(std::u16string_view name) {
    return filePath(name);
}

std::string ExtractFileName(std::string_view name) {
    return fileName(name);
}
std::u16string ExtractFileName(std::u16string_view name) {
    return fileName(name);
}

std::string ExtractFileExt(std::string_view name) {
    return fileExt(name);
}
std::u16string ExtractFileExt(std::u16string_view name) {
    return fileExt(name);
}

std::string ChangeFileExt(std::string_view name, std::string_view extension) {
    return changeExt(name, extension);
}
std::u16string ChangeFileExt(std::u16string_view name, std::u16string_view extension) {
    return changeExt(name, extension);
}

}  // namespace runtime::os
