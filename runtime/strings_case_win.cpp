// Windows case mapping and locale order: the platform's own tables and
// CompareString in the user's default locale.

#include <windows.h>

#include <array>
#include <climits>
#include <memory>
#include <string_view>

#include "runtime/strings.h"
#include "runtime/strings_platform.h"

namespace runtime {

namespace {

struct CaseTables {
    std::array<char16_t, 65536> upper;
    std::array<char16_t, 65536> lower;
};

// One call per direction over every code unit gives the whole mapping, so
// later look-ups cost no system call.
std::unique_ptr<CaseTables> buildCaseTables() {
    auto t = std::make_unique<CaseTables>();
    for (uint32_t c = 0; c < 65536; ++c) t->upper[c] = t->lower[c] = static_cast<char16_t>(c);
    CharUpperBuffW(reinterpret_cast<wchar_t*>(t->upper.data()), 65536);
    CharLowerBuffW(reinterpret_cast<wchar_t*>(t->lower.data()), 65536);
    // A surrogate changed as part of a pair it only forms in this sweep
    // would be meaningless alone.
    for (uint32_t c = 0xD800; c <= 0xDFFF; ++c)
        t->upper[c] = t->lower[c] = static_cast<char16_t>(c);
    return t;
}

const CaseTables& caseTables() {
    static const std::unique_ptr<CaseTables> tables = buildCaseTables();
    return *tables;
}

int clampLength(size_t size) {
    return size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

int compareA(std::string_view a, std::string_view b, DWORD flags) {
    const int r = CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), clampLength(a.size()),
                                 b.data(), clampLength(b.size()));
    return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}

int compareW(std::u16string_view a, std::u16string_view b, DWORD flags) {
    const int r = CompareStringW(LOCALE_USER_DEFAULT, flags,
                                 reinterpret_cast<const wchar_t*>(a.data()), clampLength(a.size()),
                                 reinterpret_cast<const wchar_t*>(b.data()), clampLength(b.size()));
    return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}

}  // namespace

const char16_t* detail::WideUpperTable() {
    return caseTables().upper.data();
}

const char16_t* detail::WideLowerTable() {
    return caseTables().lower.data();
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
    return compareA(a, b, 0);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    return compareA(a, b, NORM_IGNORECASE);
}

int WideCompareStr(std::u16string_view a, std::u16string_view b) {
    return compareW(a, b, 0);
}

int WideCompareText(std::u16string_view a, std::u16string_view b) {
    return compareW(a, b, NORM_IGNORECASE);
}

}  // namespace runtime
