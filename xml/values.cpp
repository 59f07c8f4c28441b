#include "xml/values.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/locale.h"
#include "runtime/strings.h"
#include "xml/escape.h"

namespace xml {

namespace {

using runtime::TDateTime;

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Standard values of the alphabet; every other character counts as 0.
constexpr std::array<uint8_t, 256> MakeBase64Values() {
    std::array<uint8_t, 256> values{};
    for (size_t i = 0; i < kBase64Alphabet.size(); ++i)
        values[static_cast<uint8_t>(kBase64Alphabet[i])] = static_cast<uint8_t>(i);
    return values;
}
constexpr std::array<uint8_t, 256> kBase64Values = MakeBase64Values();

// 0001-01-01 and 9999-12-31 as day counts.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

void AppendDigits(std::u16string& out, int value, int width) {
    char16_t digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<size_t>(width));
}

// Reads `count` decimal digits at `pos`; false when any is not a digit.
bool ReadDigits(std::u16string_view text, size_t pos, size_t count, int& value) {
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        value = value * 10 + (text[i] - u'0');
    }
    return true;
}

}  // namespace

std::u16string XmlEscapeText(std::u16string_view text) {
    std::u16string out;
    AppendXmlEscaped(out, text, false, nullptr);
    return out;
}

std::u16string XmlVarToStr(const Variant& value) {
    switch (value.Type()) {
        case runtime::varNull:
            return u"{{null}}";
        case runtime::varSmallint:
        case runtime::varInteger:
        case runtime::varShortInt:
        case runtime::varByte:
        case runtime::varWord:
        case runtime::varLongWord:
        case runtime::varInt64:
            return runtime::AnsiToWide(runtime::IntToStr(value.AsInt64()));
        case runtime::varSingle:
        case runtime::varDouble:
            return XmlFloatToStr(value.AsDouble());
        case runtime::varCurrency:
            return XmlFloatToStr(static_cast<double>(value.AsCurrency()) / 10000.0);
        case runtime::varDate:
            return XmlDateTimeToStr(value.AsDate());
        case runtime::varOleStr:
        case runtime::varString:
            return value.AsWideString();
        case runtime::varBoolean:
            return value.AsBoolean() ? u"1" : u"0";
        case kXmlByteArrayType: {
            std::string bytes = XmlVarToBytes(value);
            return runtime::AnsiToWide(BinToBase64(bytes.data(), bytes.size(), 0));
        }
        default:
            return runtime::VarToWideStr(value);
    }
}

std::u16string XmlFloatToStr(double value) {
    std::string text = runtime::FloatToStr(value);
    // Fifteen digits round the largest magnitudes past the largest double,
    // which then reads back as no number: those get seventeen, which hold
    // every double exactly.
    if (double back = 0;
        std::isfinite(value) && (!runtime::TryStrToFloat(text, back) || !std::isfinite(back)))
        text = runtime::FloatToStrF(value, runtime::TFloatFormat::ffGeneral, 17, 0);
    size_t sep = text.find(runtime::FormatSettings().DecimalSeparator);
    if (sep != std::string::npos) text[sep] = '.';
    return runtime::AnsiToWide(text);
}

std::u16string XmlDateTimeToStr(TDateTime value) {
    // Beyond the years 1..9999 there is no such date; the day count is kept.
    if (!(value > kFirstDay - 1 && value < kLastDay + 1)) return XmlFloatToStr(value);
    int year, month, day, hour, minute, second, msec;
    runtime::DecodeDate(value, year, month, day);
    runtime::DecodeTime(value, hour, minute, second, msec);
    std::u16string out;
    out.reserve(19);
    AppendDigits(out, year, 4);
    out += u'-';
    AppendDigits(out, month, 2);
    out += u'-';
    AppendDigits(out, day, 2);
    out += u'T';
    AppendDigits(out, hour, 2);
    out += u'-';
    AppendDigits(out, minute, 2);
    out += u'-';
    AppendDigits(out, second, 2);
    return out;
}

bool TryXmlStrToDateTime(std::u16string_view text, TDateTime& value) {
    // yyyy-mm-ddThh-nn-ss
    constexpr std::u16string_view kShape = u"0000-00-00T00-00-00";
    // A date beyond the years 1..9999 is written as its day count.
    if (text.size() != kShape.size()) return TryXmlStrToFloat(text, value);
    for (size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] != u'0' && text[i] != kShape[i]) return false;
    int year, month, day, hour, minute, second;
    if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) ||
        !ReadDigits(text, 8, 2, day) || !ReadDigits(text, 11, 2, hour) ||
        !ReadDigits(text, 14, 2, minute) || !ReadDigits(text, 17, 2, second))
        return false;
    TDateTime date, time;
    if (!runtime::TryEncodeDate(year, month, day, date) ||
        !runtime::TryEncodeTime(hour, minute, second, 0, time))
        return false;
    // Before 1899-12-30 the time of day counts away from zero.
    value = date < 0 ? date - time : date + time;
    return true;
}

TDateTime XmlStrToDateTime(std::u16string_view text) {
    TDateTime value;
    if (!TryXmlStrToDateTime(text, value))
        throw runtime::EConvertError("'" + runtime::WideToAnsi(text) +
                                     "' is not a valid date and time");
    return value;
}

namespace {

// The text with the locale's decimal separator in place of "," or ".".
std::string WithLocaleSeparator(std::u16string_view text) {
    std::string s = runtime::WideToAnsi(text);
    char sep = runtime::FormatSettings().DecimalSeparator;
    size_t at = std::string::npos;
    if (sep == '.') {
        at = s.find(',');
    } else if (sep == ',') {
        at = s.find('.');
    } else {
        at = s.find(',');
        if (at == std::string::npos) at = s.find('.');
    }
    if (at != std::string::npos) s[at] = sep;
    return s;
}

// The texts XmlFloatToStr writes for what is no finite number.
bool NonFinite(std::u16string_view text, double& value) {
    std::u16string upper = runtime::WideUpperCase(text);
    if (upper == u"INF" || upper == u"+INF") {
        value = std::numeric_limits<double>::infinity();
    } else if (upper == u"-INF") {
        value = -std::numeric_limits<double>::infinity();
    } else if (upper == u"NAN") {
        value = std::numeric_limits<double>::quiet_NaN();
    } else {
        return false;
    }
    return true;
}

}  // namespace

double XmlStrToFloat(std::u16string_view text) {
    double value = 0;
    if (NonFinite(text, value)) return value;
    return runtime::StrToFloat(WithLocaleSeparator(text));
}

bool TryXmlStrToFloat(std::u16string_view text, double& value) {
    return NonFinite(text, value) || runtime::TryStrToFloat(WithLocaleSeparator(text), value);
}

bool IsBinaryXml(std::string_view text) {
    return text.starts_with(kBinaryXmlSignature);
}

std::string BinToBase64(const void* bytes, size_t count, int lineLength) {
    const auto* in = static_cast<const uint8_t*>(bytes);
    std::string encoded;
    encoded.reserve((count + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        uint32_t group = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        encoded += kBase64Alphabet[group >> 18];
        encoded += kBase64Alphabet[(group >> 12) & 63];
        encoded += kBase64Alphabet[(group >> 6) & 63];
        encoded += kBase64Alphabet[group & 63];
    }
    if (size_t rest = count - i; rest > 0) {
        uint32_t group = uint32_t{in[i]} << 16;
        if (rest == 2) group |= uint32_t{in[i + 1]} << 8;
        encoded += kBase64Alphabet[group >> 18];
        encoded += kBase64Alphabet[(group >> 12) & 63];
        encoded += rest == 2 ? kBase64Alphabet[(group >> 6) & 63] : '=';
        encoded += '=';
    }
    if (lineLength < 1) return encoded;

    // Break before 1-based positions L, L + (L + 2), ... of the growing text.
    const size_t step = static_cast<size_t>(lineLength);
    std::string out;
    out.reserve(encoded.size() + encoded.size() / step * 2 + 2);
    size_t taken = 0;
    size_t lineRoom = step - 1;
    while (encoded.size() - taken > lineRoom) {
        out.append(encoded, taken, lineRoom);
        out += "\r\n";
        taken += lineRoom;
        lineRoom = step;
    }
    out.append(encoded, taken, std::string::npos);
    return out;
}

std::string Base64ToBin(std::string_view text) {
    std::string chars;
    chars.reserve(text.size());
    for (char c : text)
        if (static_cast<uint8_t>(c) > 32) chars += c;
    std::string out;
    if (chars.size() < 4) return out;
    out.reserve(chars.size() / 4 * 3);
    for (size_t i = 0; i + 4 <= chars.size(); i += 4) {
        uint32_t group = 0;
        for (size_t k = 0; k < 4; ++k)
            group = (group << 6) | kBase64Values[static_cast<uint8_t>(chars[i + k])];
        out += static_cast<char>(group >> 16);
        if (chars[i + 2] == '=') continue;
        out += static_cast<char>((group >> 8) & 0xFF);
        if (chars[i + 3] == '=') continue;
        out += static_cast<char>(group & 0xFF);
    }
    return out;
}

Variant XmlBytesToVar(std::string_view bytes) {
    Variant value =
        Variant::CreateArray({0, static_cast<int32_t>(bytes.size()) - 1}, runtime::varByte);
    for (size_t i = 0; i < bytes.size(); ++i)
        value.SetElement({static_cast<int32_t>(i)},
                         Variant::FromByte(static_cast<uint8_t>(bytes[i])));
    return value;
}

std::string XmlVarToBytes(const Variant& value) {
    std::string bytes;
    if (value.Type() != kXmlByteArrayType || value.ArrayDimCount() != 1) return bytes;
    int32_t low = value.ArrayLowBound(1), high = value.ArrayHighBound(1);
    if (high >= low) bytes.reserve(static_cast<size_t>(int64_t{high} - low + 1));
    for (int64_t i = low; i <= high; ++i)
        bytes += static_cast<char>(value.GetElement({static_cast<int32_t>(i)}).AsInteger());
    return bytes;
}

}  // namespace xml
