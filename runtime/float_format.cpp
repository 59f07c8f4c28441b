// Floating point to text: FloatToStr, FloatToStrF, FormatFloat, CurrToStr.
//
// Digits are the exact decimal expansion of the binary value (std::to_chars
// with as many digits as it has, locale-independent), rounded once, half
// away from zero, at the requested place, as the class library rounds its
// decimal digits (0.125 to two places gives 0.13; 1.005, stored as
// 1.00499..., gives 1.00). Rounding a 17-digit form again would round some
// values twice: 0.98834474613522349... must give 0.988344746135223 at 15
// digits, not ...224.

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/format.h"

namespace runtime {

namespace {

constexpr int kMaxPrecision = 18;
constexpr int kExactDigits = 17;  // enough to tell any two doubles apart; never more shown
// Room for the exact expansion of any double: at most 767 significant digits.
constexpr int kExpansionBuffer = 800;
constexpr int kUnlimited = 100000;

// value = 0.d1 d2 ... dcount * 10^exponent; count == 0 means zero.
struct Decimal {
    std::array<char, kMaxPrecision + 2> digits{};
    int count = 0;
    int exponent = 0;
};

// How many significant digits the decimal expansion of a finite value > 0
// has at most. A double is m * 2^e with m odd and below 2^53: for e >= 0 an
// integer below 2^e2 (0.30103 * e2 digits and one), otherwise
// m * 5^-e / 10^-e, whose digits are those of m * 5^-e: at most
// 16 + 0.7 * -e.
int expansionDigits(double value) {
    int e2 = 0;
    const double fraction = std::frexp(value, &e2);  // value = fraction * 2^e2
    const auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));
    const int e = e2 - 53 + std::countr_zero(m);
    return e >= 0 ? (e2 * 31 + 99) / 100 + 1 : 17 + (-e * 7 + 9) / 10;
}

// Rounds |value| to at most `precision` significant digits (and never more
// than kExactDigits) and at most `decimals` digits after the decimal point;
// trailing zeros dropped.
Decimal toDecimal(double value, int precision, int decimals) {
    Decimal d;
    value = std::fabs(value);
    if (value == 0 || !std::isfinite(value)) return d;
    char buffer[kExpansionBuffer];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific, expansionDigits(value) - 1);
    // buffer: "d.ddd...de[+-]xx", every digit of the value; the digits are
    // made contiguous from buffer[1].
    const char* e = std::find(buffer, result.ptr, 'e');
    buffer[1] = buffer[0];
    const char* all = buffer + 1;
    int n = static_cast<int>(e - all);
    while (n > 1 && all[n - 1] == '0') --n;
    int e10 = 0;
    std::from_chars(e + 1 + (e[1] == '+'), result.ptr, e10);
    d.exponent = e10 + 1;

    precision = std::clamp(precision, 1, kExactDigits);
    const long keep = std::min<long>(std::min(precision, n), long{d.exponent} + decimals);
    if (keep < 0) return Decimal{};
    bool roundUp = keep < n && all[keep] >= '5';
    for (int i = 0; i < keep; ++i) d.digits[i] = all[i];
    d.count = static_cast<int>(keep);
    if (roundUp) {
        int i = d.count - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            // All nines (or nothing kept): the value becomes 10^exponent.
            d.digits[0] = '1';
            d.count = std::max(d.count, 1);
            ++d.exponent;
        }
    }
    while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
    if (d.count == 0) d.exponent = 0;
    return d;
}

char digitAt(const Decimal& d, int i) {
    return i >= 0 && i < d.count ? d.digits[i] : '0';
}

std::string specialText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

void appendExponent(std::string& out, int exponent, bool plusSign, int minDigits) {
    if (exponent < 0)
        out += '-';
    else if (plusSign)
        out += '+';
    const std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
    if (static_cast<int>(digits.size()) < minDigits) out.append(minDigits - digits.size(), '0');
    out += digits;
}

// Integer digits of `d` (at least "0"), with thousand separators when asked.
std::string integerPart(const Decimal& d, char thousandSeparator, bool group) {
    std::string out;
    const int count = std::max(d.exponent, 1);
    for (int i = 0; i < count; ++i) {
        out += d.exponent > 0 ? digitAt(d, i) : '0';
        const int left = count - 1 - i;
        if (group && left > 0 && left % 3 == 0) out += thousandSeparator;
    }
    return out;
}

// "-ddd.ddd" with exactly `decimals` digits after the separator.
std::string fixedText(const Decimal& d, int decimals, const TFormatSettings& settings, bool group) {
    std::string out = integerPart(d, settings.ThousandSeparator, group);
    if (decimals > 0) {
        out += settings.DecimalSeparator;
        for (int i = 0; i < decimals; ++i) out += digitAt(d, d.exponent + i);
    }
    return out;
}

std::string generalText(double value, int precision, int digits, const TFormatSettings& settings) {
    precision = std::clamp(precision, 1, kMaxPrecision);
    const Decimal d = toDecimal(value, precision, kUnlimited);
    if (d.count == 0) return "0";
    std::string out = value < 0 ? "-" : "";
    if (d.exponent > precision || d.exponent < -3) {
        out += d.digits[0];
        if (d.count > 1) {
            out += settings.DecimalSeparator;
            out.append(d.digits.data() + 1, d.count - 1);
        }
        out += 'E';
        appendExponent(out, d.exponent - 1, false, std::clamp(digits, 0, 4));
        return out;
    }
    if (d.exponent <= 0) {
        out += '0';
        out += settings.DecimalSeparator;
        out.append(-d.exponent, '0');
        out.append(d.digits.data(), d.count);
        return out;
    }
    for (int i = 0; i < d.exponent; ++i) out += digitAt(d, i);
    if (d.count > d.exponent) {
        out += settings.DecimalSeparator;
        out.append(d.digits.data() + d.exponent, d.count - d.exponent);
    }
    return out;
}

std::string exponentText(double value, int precision, int digits, const TFormatSettings& settings) {
    precision = std::clamp(precision, 1, kMaxPrecision);
    const Decimal d = toDecimal(value, precision, kUnlimited);
    std::string out = value < 0 && d.count > 0 ? "-" : "";
    out += digitAt(d, 0);
    if (precision > 1) {
        out += settings.DecimalSeparator;
        for (int i = 1; i < precision; ++i) out += digitAt(d, i);
    }
    out += 'E';
    appendExponent(out, d.count == 0 ? 0 : d.exponent - 1, true, std::clamp(digits, 0, 4));
    return out;
}

// Positive and negative currency layouts by CurrencyFormat and
// NegCurrFormat: '$' stands for the currency string, '1' for the number.
constexpr std::string_view kPositiveCurrency[] = {"$1", "1$", "$ 1", "1 $"};
constexpr std::string_view kNegativeCurrency[] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                                  "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                                  "$ -1", "1- $", "($ 1)", "(1 $)"};
static_assert(std::size(kPositiveCurrency) == 4 && std::size(kNegativeCurrency) == 16);

std::string currencyText(const std::string& number, bool negative,
                         const TFormatSettings& settings) {
    const std::string_view layout = negative ? kNegativeCurrency[settings.NegCurrFormat % 16]
                                             : kPositiveCurrency[settings.CurrencyFormat % 4];
    std::string out;
    for (char c : layout) {
        if (c == '$')
            out += settings.CurrencyString;
        else if (c == '1')
            out += number;
        else
            out += c;
    }
    return out;
}

// ---- FormatFloat pictures ---------------------------------------------------------

// What one section of a picture asks for.
struct Picture {
    int intPlaceholders = 0;
    int minIntDigits = 0;  // placeholders from the first '0' before the point
    int fracPlaceholders = 0;
    int minFracDigits = 0;  // placeholders up to the last '0' after the point
    bool thousands = false;
    bool scientific = false;
};

bool isQuote(char c) {
    return c == '\'' || c == '"';
}

// Index just past the quoted text starting at s[i].
size_t skipQuoted(std::string_view s, size_t i) {
    const char quote = s[i++];
    while (i < s.size() && s[i] != quote) ++i;
    return std::min(i + 1, s.size());
}

// Length of the exponent marker at s[i] ("E+00"), 0 when there is none.
size_t exponentMarker(std::string_view s, size_t i) {
    if (i + 1 >= s.size() || (s[i] != 'E' && s[i] != 'e') || (s[i + 1] != '+' && s[i + 1] != '-'))
        return 0;
    size_t n = 2;
    while (i + n < s.size() && s[i + n] == '0' && n < 6) ++n;
    return n;
}

Picture parsePicture(std::string_view s) {
    Picture p;
    bool afterPoint = false;
    int firstZero = -1;
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (isQuote(c)) {
            i = skipQuoted(s, i);
            continue;
        }
        if (const size_t marker = exponentMarker(s, i); marker > 0) {
            p.scientific = true;
            i += marker;
            continue;
        }
        if (c == '0' || c == '#') {
            if (afterPoint) {
                ++p.fracPlaceholders;
                if (c == '0') p.minFracDigits = p.fracPlaceholders;
            } else {
                if (c == '0' && firstZero < 0) firstZero = p.intPlaceholders;
                ++p.intPlaceholders;
            }
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            p.thousands = true;
        }
        ++i;
    }
    if (firstZero >= 0) p.minIntDigits = p.intPlaceholders - firstZero;
    return p;
}

// The digits one section prints, before they are laid into the picture.
struct PictureDigits {
    std::string integer;
    std::string fraction;
    std::string exponent;  // sign and digits, scientific only
    bool zero = true;
};

PictureDigits pictureDigits(std::string_view s, const Picture& p, double value) {
    PictureDigits out;
    if (p.scientific) {
        const int significant = std::max(p.intPlaceholders + p.fracPlaceholders, 1);
        const Decimal d = toDecimal(value, significant, kUnlimited);
        out.zero = d.count == 0;
        for (int i = 0; i < p.intPlaceholders; ++i) out.integer += digitAt(d, i);
        for (int i = 0; i < p.fracPlaceholders; ++i)
            out.fraction += digitAt(d, p.intPlaceholders + i);
        const int exponent = out.zero ? 0 : d.exponent - p.intPlaceholders;
        // The marker's own sign and digit count shape the exponent.
        for (size_t i = 0; i < s.size();) {
            if (isQuote(s[i])) {
                i = skipQuoted(s, i);
                continue;
            }
            if (const size_t marker = exponentMarker(s, i); marker > 0) {
                appendExponent(out.exponent, exponent, s[i + 1] == '+',
                               static_cast<int>(marker) - 2);
                break;
            }
            ++i;
        }
    } else {
        const Decimal d = toDecimal(value, kMaxPrecision, p.fracPlaceholders);
        out.zero = d.count == 0;
        for (int i = 0; i < d.exponent; ++i) out.integer += digitAt(d, i);
        for (int i = 0; i < p.fracPlaceholders; ++i) out.fraction += digitAt(d, d.exponent + i);
    }
    if (static_cast<int>(out.integer.size()) < p.minIntDigits)
        out.integer.insert(0, p.minIntDigits - out.integer.size(), '0');
    while (static_cast<int>(out.fraction.size()) > p.minFracDigits && out.fraction.back() == '0')
        out.fraction.pop_back();
    return out;
}

// Lays the digits into the picture: integer digits right-aligned on their
// placeholders (extra ones go at the first), literals where they stand.
std::string layPicture(std::string_view s, const Picture& p, const PictureDigits& digits,
                       const TFormatSettings& settings) {
    std::string out;
    const std::string& integer = digits.integer;
    const int length = static_cast<int>(integer.size());
    const int offset = length - p.intPlaceholders;
    bool integerDone = false;
    auto putInteger = [&](int index) {
        out += integer[index];
        const int left = length - 1 - index;
        if (p.thousands && left > 0 && left % 3 == 0) out += settings.ThousandSeparator;
    };
    auto finishInteger = [&] {
        // With no integer placeholders the integer digits go before the point.
        if (!integerDone && p.intPlaceholders == 0)
            for (int i = 0; i < length; ++i) putInteger(i);
        integerDone = true;
    };
    int intIndex = 0, fracIndex = 0;
    bool afterPoint = false;
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (isQuote(c)) {
            const size_t end = skipQuoted(s, i);
            const size_t close = end > i + 1 && s[end - 1] == c ? end - 1 : end;
            out.append(s.substr(i + 1, close - i - 1));
            i = end;
            continue;
        }
        if (const size_t marker = exponentMarker(s, i); marker > 0) {
            finishInteger();
            out += s[i];
            out += digits.exponent;
            i += marker;
            continue;
        }
        if ((c == '0' || c == '#') && !afterPoint) {
            if (intIndex == 0)
                for (int k = 0; k < offset; ++k) putInteger(k);
            const int index = intIndex + offset;
            if (index >= 0) putInteger(index);
            ++intIndex;
            integerDone = true;
        } else if (c == '0' || c == '#') {
            if (fracIndex < static_cast<int>(digits.fraction.size()))
                out += digits.fraction[fracIndex];
            ++fracIndex;
        } else if (c == '.') {
            if (!afterPoint) {
                finishInteger();
                if (!digits.fraction.empty()) out += settings.DecimalSeparator;
            }
            afterPoint = true;
        } else if (c != ',') {
            out += c;
        }
        ++i;
    }
    finishInteger();
    return out;
}

// Splits a picture into its sections at ';' outside quotes (three at most).
int splitSections(std::string_view fmt, std::array<std::string_view, 3>& sections) {
    int count = 0;
    size_t start = 0;
    for (size_t i = 0; i <= fmt.size() && count < 3;) {
        if (i < fmt.size() && isQuote(fmt[i])) {
            i = skipQuoted(fmt, i);
            continue;
        }
        if (i == fmt.size() || fmt[i] == ';') {
            sections[count++] = fmt.substr(start, i - start);
            start = i + 1;
        }
        ++i;
    }
    return count;
}

}  // namespace

std::string FloatToStr(double value) {
    return FloatToStr(value, FormatSettings());
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
    return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0, settings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings());
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
    if (!std::isfinite(value)) return specialText(value);
    switch (format) {
        case TFloatFormat::ffGeneral:
            return generalText(value, precision, digits, settings);
        case TFloatFormat::ffExponent:
            return exponentText(value, precision, digits, settings);
        case TFloatFormat::ffFixed:
        case TFloatFormat::ffNumber:
        case TFloatFormat::ffCurrency:
            break;
    }
    precision = std::clamp(precision, 1, kMaxPrecision);
    digits = std::clamp(digits, 0, kMaxPrecision);
    const Decimal d = toDecimal(value, precision, digits);
    // More integer digits than the precision holds: general format instead.
    if (d.exponent > precision) return generalText(value, precision, 0, settings);
    const bool negative = value < 0 && d.count > 0;
    const bool group = format != TFloatFormat::ffFixed;
    const std::string number = fixedText(d, digits, settings, group);
    if (format == TFloatFormat::ffCurrency) return currencyText(number, negative, settings);
    return negative ? "-" + number : number;
}

std::string FormatFloat(std::string_view fmt, double value) {
    return FormatFloat(fmt, value, FormatSettings());
}

std::string FormatFloat(std::string_view fmt, double value, const TFormatSettings& settings) {
    if (!std::isfinite(value)) return specialText(value);
    std::array<std::string_view, 3> sections;
    const int count = fmt.empty() ? 0 : splitSections(fmt, sections);
    if (count == 0) return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0, settings);

    const bool useNegative = value < 0 && count >= 2 && !sections[1].empty();
    std::string_view section = useNegative ? sections[1] : sections[0];
    Picture picture = parsePicture(section);
    PictureDigits digits = pictureDigits(section, picture, value);
    // A value that rounds to zero prints with the zero section when there is
    // one, else with the positive one, and never with a minus sign.
    const std::string_view zeroSection =
        count >= 3 && !sections[2].empty() ? sections[2] : sections[0];
    if (digits.zero && zeroSection.data() != section.data()) {
        section = zeroSection;
        picture = parsePicture(section);
        digits = pictureDigits(section, picture, 0.0);
    }
    std::string out = layPicture(section, picture, digits, settings);
    if (value < 0 && !useNegative && !digits.zero) out.insert(0, 1, '-');
    return out;
}

std::string CurrToStr(int64_t scaledValue) {
    const TFormatSettings& settings = FormatSettings();
    const bool negative = scaledValue < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(scaledValue) : static_cast<uint64_t>(scaledValue);
    std::string out = negative ? "-" : "";
    out += std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) {
        out += settings.DecimalSeparator;
        out += fraction;
    }
    return out;
}

}  // namespace runtime
