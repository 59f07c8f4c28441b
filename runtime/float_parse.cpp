// Text to floating point with the locale's decimal separator.

#include <charconv>
#include <cstdint>
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
// Significant digits kept of a longer number: beyond them a digit can only
// decide a rounding tie, and one more digit standing for all the dropped
// ones that are not zero decides it the same way (so a text of millions of
// digits parses in time linear in its length).
constexpr size_t kSignificantDigits = 800;

bool parseFloat(std::string_view s, double& value, char decimalSeparator) {
    size_t begin = 0, end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
    s = s.substr(begin, end - begin);

    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t digits = 0;
    // The significant digits d1 d2 ... and the decimal exponent `leading`
    // of the number 0.d1d2... x 10^leading.
    std::string significant;
    bool droppedNonZero = false;
    long long leading = 0;
    const auto keep = [&](char c) {
        if (significant.size() < kSignificantDigits)
            significant += c;
        else if (c != '0')
            droppedNonZero = true;
    };
    for (; i < s.size() && isDigit(s[i]); ++i, ++digits) {
        if (!significant.empty() || s[i] != '0') {
            keep(s[i]);
            ++leading;
        }
    }
    if (i < s.size() && s[i] == decimalSeparator) {
        for (++i; i < s.size() && isDigit(s[i]); ++i, ++digits) {
            if (significant.empty() && s[i] == '0')
                --leading;
            else
                keep(s[i]);
        }
    }
    if (digits == 0) return false;
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
        const size_t start = i;
        for (; i < s.size() && isDigit(s[i]); ++i)
            if (exponent < 1'000'000) exponent = exponent * 10 + (s[i] - '0');
        if (i == start) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != s.size()) return false;

    double result = 0;
    const long long scale = leading + exponent;
    if (!significant.empty()) {
        // Beyond these the value is out of a double's range either way.
        if (scale > 400) return false;
        if (scale >= -400) {
            std::string text = "0." + significant;
            if (droppedNonZero) text += '1';
            text += 'e';
            text += std::to_string(scale);
            const auto parsed = std::from_chars(text.data(), text.data() + text.size(), result);
            if (parsed.ptr != text.data() + text.size()) return false;
            if (parsed.ec == std::errc::result_out_of_range) {
                if (scale > 0) return false;  // too large
                result = 0;                   // too small: zero
            } else if (parsed.ec != std::errc()) {
                return false;
            }
        }
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
