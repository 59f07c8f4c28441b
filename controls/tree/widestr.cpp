#include "controls/tree/widestr.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>

#include "controls/tree/unicode_upper_table.h"
#include "runtime/strings.h"

namespace controls::tree {

namespace {

using UpperTable = std::array<char16_t, 65536>;

const UpperTable& upperTable() {
    // Built once; a function-local static is initialised thread-safely.
    static const std::unique_ptr<UpperTable> table = [] {
        auto t = std::make_unique<UpperTable>();
        for (size_t i = 0; i < t->size(); ++i) (*t)[i] = static_cast<char16_t>(i);
        for (int i = 0; i < detail::kUpperPairCount; ++i)
            (*t)[detail::kUpperPairs[i].code] = detail::kUpperPairs[i].upper;
        return t;
    }();
    return *table;
}

constexpr int64_t kCurrencyScale = 10000;

}  // namespace

bool SameTextLocale(std::string_view a, std::string_view b) {
    return runtime::AnsiSameText(a, b);
}

int64_t ParseCurrencyText(std::string_view text) {
    return ParseCurrencyText(text, runtime::FormatSettings());
}

int64_t ParseCurrencyText(std::string_view text, const runtime::TFormatSettings& settings) {
    const std::string& symbol = settings.CurrencyString;
    const size_t symbolPos = symbol.empty() ? std::string_view::npos : text.find(symbol);
    const char decimal = settings.DecimalSeparator;
    // The point that is not the locale's decimal separator groups thousands.
    auto isGrouping = [&](char c) {
        return c != decimal && (c == ',' || c == '.' || c == settings.ThousandSeparator);
    };

    int64_t value = 0;
    int64_t scale = kCurrencyScale;  // weight of the next digit, in 1/10,000
    bool fraction = false, negative = false, started = false;
    size_t i = 0;
    while (i < text.size()) {
        if (i == symbolPos) {
            if (started && negative) break;
            i += symbol.size();
            continue;
        }
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            started = true;
            const int d = c - '0';
            if (!fraction) {
                // Stop before the amount leaves the 64-bit range.
                if (value > (std::numeric_limits<int64_t>::max() - d * kCurrencyScale) / 10) break;
                value = value * 10 + d * kCurrencyScale;
            } else if (scale > 1) {
                scale /= 10;
                value += d * scale;
            }
        } else if (c == '(' || c == '-') {
            negative = true;
            if (started) break;
        } else if (c == decimal) {
            started = true;
            if (fraction) break;
            fraction = true;
        } else if (isGrouping(c)) {
            // skipped
        } else if (static_cast<unsigned char>(c) > ' ') {
            break;
        }
        ++i;
    }
    return negative ? -value : value;
}

char16_t UpperCaseWideChar(char16_t c) {
    return upperTable()[c];
}

std::u16string UpperCaseWide(std::u16string_view s) {
    std::u16string out(s);
    UpperCaseWideInPlace(out);
    return out;
}

void UpperCaseWideInPlace(std::u16string& s) {
    UpperCaseWideInPlace(s.data(), s.size());
}

void UpperCaseWideInPlace(char16_t* text, size_t length) {
    const UpperTable& table = upperTable();
    for (size_t i = 0; i < length; ++i) text[i] = table[text[i]];
}

bool SameTextWide(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    const UpperTable& table = upperTable();
    for (size_t i = 0; i < a.size(); ++i)
        if (table[a[i]] != table[b[i]]) return false;
    return true;
}

int CompareStrWide(std::u16string_view a, std::u16string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareWide(std::u16string_view a, std::u16string_view b) {
    for (size_t i = 0;; ++i) {
        const int ca = i < a.size() ? a[i] : 0;
        const int cb = i < b.size() ? b[i] : 0;
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
}

int PosWide(std::u16string_view sub, std::u16string_view s) {
    if (sub.empty() || sub.size() > s.size()) return 0;
    const size_t p = s.find(sub);
    return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::u16string CopyWide(std::u16string_view s, int index, int count) {
    return runtime::Copy(s, index, count);
}

std::u16string StringOfCharWide(char16_t unit, int count) {
    return count > 0 ? std::u16string(static_cast<size_t>(count), unit) : std::u16string();
}

std::u16string SetStringWide(const char16_t* buffer, int length) {
    if (length <= 0) return {};
    if (buffer == nullptr) return std::u16string(static_cast<size_t>(length), u'\0');
    return std::u16string(buffer, static_cast<size_t>(length));
}

std::u16string BufferToWide(const char16_t* buffer) {
    return buffer != nullptr ? std::u16string(buffer) : std::u16string();
}

int WStrLen(const char16_t* s) {
    return static_cast<int>(std::char_traits<char16_t>::length(s));
}

char16_t* WStrEnd(char16_t* s) {
    return s + WStrLen(s);
}

const char16_t* WStrEnd(const char16_t* s) {
    return s + WStrLen(s);
}

char16_t* WStrCopy(char16_t* dest, const char16_t* source) {
    std::memcpy(dest, source, sizeof(char16_t) * (WStrLen(source) + 1));
    return dest;
}

char16_t* WStrLCopy(char16_t* dest, const char16_t* source, int maxLen) {
    int i = 0;
    for (; i < maxLen && source[i] != 0; ++i) dest[i] = source[i];
    dest[i] = 0;
    return dest;
}

char16_t* WStrPLCopy(char16_t* dest, std::u16string_view source) {
    const auto n = static_cast<int>(source.size());
    int i = 0;
    for (; i < n && source[i] != 0; ++i) dest[i] = source[i];
    dest[i] = 0;
    return dest;
}

char16_t* WStrCat(char16_t* dest, const char16_t* source) {
    WStrCopy(WStrEnd(dest), source);
    return dest;
}

int WStrComp(const char16_t* a, const char16_t* b) {
    for (;; ++a, ++b) {
        if (*a != *b) return static_cast<int>(*a) - static_cast<int>(*b);
        if (*a == 0) return 0;
    }
}

const char16_t* WStrPos(const char16_t* s, const char16_t* sub) {
    if (s == nullptr || sub == nullptr || *sub == 0) return nullptr;
    const std::u16string_view hay(s), needle(sub);
    const size_t p = hay.find(needle);
    return p == std::u16string_view::npos ? nullptr : s + p;
}

const char16_t* WStrRScan(const char16_t* s, char16_t unit) {
    const char16_t* found = nullptr;
    for (; *s != 0; ++s)
        if (*s == unit) found = s;
    return unit == 0 ? s : found;
}

void WStrMove(const char16_t* source, char16_t* dest, int count) {
    if (count > 0) std::memmove(dest, source, sizeof(char16_t) * count);
}

void WStrFill(char16_t* dest, int count, char16_t unit) {
    for (int i = 0; i < count; ++i) dest[i] = unit;
}

}  // namespace controls::tree
