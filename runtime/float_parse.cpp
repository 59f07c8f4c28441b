// Text to floating point with the locale's decimal separator.

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include "runtime/exceptions.h"
#include "runtime/format.h"

namespace runtime {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Accepts blanks, an optional sign, digits with at most one decimal
// separator (at least one digit in all), an optional exponent "E"/"e" with
// an optional sign and at least one digit, blanks. Thousand separators, hex
// and words such as "INF" are refused.
bool parseFloat(std::string_view s, double& value, char decimalSeparator) {
    size_t begin = 0, end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
    s = s.substr(begin, end - begin);

    std::string text;  // the number in from_chars' notation
    text.reserve(s.size());
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int digits = 0;
    // Decimal exponent of the first significant digit, to tell an overflow
    // from an underflow when from_chars reports the value out of range.
    long long leading = 0;
    bool seenSignificant = false;
    for (; i < s.size() && isDigit(s[i]); ++i, ++digits) {
        text += s[i];
        if (seenSignificant || s[i] != '0') {
            seenSignificant = true;
            ++leading;
        }
    }
    if (i < s.size() && s[i] == decimalSeparator) {
        text += '.';
        for (++i; i < s.size() && isDigit(s[i]); ++i, ++digits) {
            text += s[i];
            if (!seenSignificant && s[i] == '0') --leading;
            if (s[i] != '0') seenSignificant = true;
        }
    }
    if (digits == 0) return false;
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        text += 'e';
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            negativeExponent = s[i] == '-';
            text += s[i++];
        }
        const size_t start = i;
        for (; i < s.size() && isDigit(s[i]); ++i) {
            text += s[i];
            if (exponent < 1'000'000) exponent = exponent * 10 + (s[i] - '0');
        }
        if (i == start) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != s.size()) return false;

    double result = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), result);
    if (parsed.ptr != text.data() + text.size()) return false;
    if (parsed.ec == std::errc::result_out_of_range) {
        if (seenSignificant && leading + exponent > 0) return false;  // too large
        result = 0;                                                   // too small: zero
    } else if (parsed.ec != std::errc()) {
        return false;
    }
    value = negative ? -result : result;
    return true;
}

[[noreturn]] void notAFloat(std::string_view s) {
    throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
}

}  // namespace

double StrToFloat(std::string_view s) {
    return StrToFloat(s, FormatSettings());
}

double StrToFloat(std::string_view s, const TFormatSettings& settings) {
    double value;
    if (!parseFloat(s, value, settings.DecimalSeparator)) notAFloat(s);
    return value;
}

double StrToFloatDef(std::string_view s, double def) {
    double value;
    return parseFloat(s, value, FormatSettings().DecimalSeparator) ? value : def;
}

bool TryStrToFloat(std::string_view s, double& value) {
    return parseFloat(s, value, FormatSettings().DecimalSeparator);
}

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) {
    return parseFloat(s, value, settings.DecimalSeparator);
}

}  // namespace runtime
