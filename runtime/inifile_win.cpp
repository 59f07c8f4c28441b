// TIniFile on Windows: the private-profile functions (W forms). Buffers grow
// until the answer fits, so long values and long lists arrive whole.

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/inifile.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

constexpr DWORD kFirstBufferSize = 2048;
// Beyond this no buffer grows: what came back is taken as the answer.
constexpr DWORD kMaxBufferSize = 64 * 1024 * 1024;

const wchar_t* wide(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

// Calls GetPrivateProfileStringW with a growing buffer. An answer of
// size - 2 characters or more may have been cut (the function cuts a quoted
// value one character short, and lists at size - 2), so such an answer is
// asked again with a larger buffer.
std::u16string profileString(const wchar_t* section, const wchar_t* key, const wchar_t* def,
                             const std::u16string& fileName) {
    std::vector<wchar_t> buffer;
    for (DWORD size = kFirstBufferSize;; size *= 2) {
        buffer.assign(size, L'\0');
        const DWORD n =
            ::GetPrivateProfileStringW(section, key, def, buffer.data(), size, wide(fileName));
        if (n + 2 < size || size >= kMaxBufferSize) {
            return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), n);
        }
    }
}

// The answer of a list call: names each ended by a NUL. Read to its length
// rather than to the first empty name, so that a key named "" does not hide
// the keys after it.
void fillStrings(TStrings& strings, const std::u16string& list) {
    strings.WithUpdate([&] {
        strings.Clear();
        size_t start = 0;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i] != u'\0') continue;
            strings.Add(WideToAnsi(std::u16string_view(list).substr(start, i - start)));
            start = i + 1;
        }
    });
}

}  // namespace

TIniFile::TIniFile(const std::string& fileName)
    : TCustomIniFile(fileName), wideFileName_(AnsiToWide(fileName)) {}

TIniFile::TIniFile(const std::u16string& fileName)
    : TCustomIniFile(WideToAnsi(fileName)), wideFileName_(fileName) {}

TIniFile::~TIniFile() {
    UpdateFile();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) const {
    const std::u16string wideSection = AnsiToWide(section);
    const std::u16string wideIdent = AnsiToWide(ident);
    const std::u16string wideDefault = AnsiToWide(def);
    return WideToAnsi(
        profileString(wide(wideSection), wide(wideIdent), wide(wideDefault), wideFileName_));
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
    const std::u16string wideSection = AnsiToWide(section);
    const std::u16string wideIdent = AnsiToWide(ident);
    const std::u16string wideValue = AnsiToWide(value);
    if (!::WritePrivateProfileStringW(wide(wideSection), wide(wideIdent), wide(wideValue),
                                      wide(wideFileName_))) {
        throw EIniFileException(Format(SIniFileWriteError, {FileName()}));
    }
}

void TIniFile::ReadSection(std::string_view section, TStrings& strings) const {
    const std::u16string wideSection = AnsiToWide(section);
    fillStrings(strings, profileString(wide(wideSection), nullptr, nullptr, wideFileName_));
}

void TIniFile::ReadSections(TStrings& strings) const {
    fillStrings(strings, profileString(nullptr, nullptr, nullptr, wideFileName_));
}

void TIniFile::EraseSection(std::string_view section) {
    const std::u16string wideSection = AnsiToWide(section);
    if (!::WritePrivateProfileStringW(wide(wideSection), nullptr, nullptr, wide(wideFileName_))) {
        throw EIniFileException(Format(SIniFileWriteError, {FileName()}));
    }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    // As in the class library, a failure to delete is not reported.
    const std::u16string wideSection = AnsiToWide(section);
    const std::u16string wideIdent = AnsiToWide(ident);
    ::WritePrivateProfileStringW(wide(wideSection), wide(wideIdent), nullptr, wide(wideFileName_));
}

void TIniFile::UpdateFile() {
    // Flushes the system's cache of the file; the answer means nothing.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(wideFileName_));
}

}  // namespace runtime
