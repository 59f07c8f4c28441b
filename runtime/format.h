#pragma once

// The formatting family: Format, and numbers to text and back.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "runtime/locale.h"

namespace runtime {

// One argument of Format. Integers, floats, 8-bit and wide strings, pointers.
// An integer keeps its width and sign: %u and %x print a negative 32-bit
// value as 32 bits (-1 gives "FFFFFFFF"), a negative 64-bit one as 64 bits,
// and %d prints an unsigned 64-bit value as the unsigned number.
class FormatArg {
  public:
    enum class Integer : uint8_t { Signed32, Signed64, Unsigned64 };

    FormatArg(int v) : value_(int64_t{v}), integer_(Integer::Signed32) {}
    FormatArg(long v) : value_(int64_t{v}), integer_(widthOf<long>()) {}
    FormatArg(long long v) : value_(int64_t{v}) {}
    FormatArg(unsigned v) : value_(int64_t{v}) {}
    FormatArg(unsigned long v) : value_(static_cast<int64_t>(v)), integer_(Integer::Unsigned64) {}
    FormatArg(unsigned long long v)
        : value_(static_cast<int64_t>(v)), integer_(Integer::Unsigned64) {}
    FormatArg(double v) : value_(v) {}
    FormatArg(const char* v) : value_(std::string(v ? v : "")) {}
    FormatArg(std::string_view v) : value_(std::string(v)) {}
    FormatArg(const std::string& v) : value_(v) {}
    FormatArg(const std::u16string& v) : value_(v) {}
    FormatArg(const void* v) : value_(v) {}

    using Value = std::variant<int64_t, double, std::string, std::u16string, const void*>;
    const Value& value() const { return value_; }
    // How an int64_t value() was passed.
    Integer integer() const { return integer_; }

  private:
    template <typename T>
    static constexpr Integer widthOf() {
        return sizeof(T) == 4 ? Integer::Signed32 : Integer::Signed64;
    }

    Value value_;
    Integer integer_ = Integer::Signed64;
};

// Format(fmt, args): "%" [index ":"] ["-"] [width] ["." prec] type, with
// type d u x e f g n m p s, width and precision also as "*" taken from the
// arguments, "%%" for "%". A wrong type, a missing argument or a bad format
// raises EConvertError "Format '<fmt>' invalid or incompatible with
// argument". No length limit on the result or on any argument.
std::string Format(std::string_view fmt, std::span<const FormatArg> args);
std::string Format(std::string_view fmt, std::span<const FormatArg> args,
                   const TFormatSettings& settings);
inline std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
    return Format(fmt, std::span<const FormatArg>(args.begin(), args.size()));
}
// Format, for a result of at most `maxLength` characters: nullopt when it
// would be longer (nothing beyond the limit is built).
std::optional<std::string> FormatAtMost(std::string_view fmt, std::span<const FormatArg> args,
                                        size_t maxLength);
std::u16string WideFormat(std::u16string_view fmt, std::span<const FormatArg> args);
inline std::u16string WideFormat(std::u16string_view fmt, std::initializer_list<FormatArg> args) {
    return WideFormat(fmt, std::span<const FormatArg>(args.begin(), args.size()));
}

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format with 15 significant digits, the shortest form: "1.5",
// "0.1", "1E20", "1.5E-7"; "NAN", "INF", "-INF".
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);
// Picture formats: "0", "#", ".", ",", "E+"/"E-"/"e+"/"e-", quoted text, and
// up to three sections separated by ";" (positive;negative;zero).
std::string FormatFloat(std::string_view fmt, double value);
std::string FormatFloat(std::string_view fmt, double value, const TFormatSettings& settings);
// Currency values are int64 scaled by 10000.
std::string CurrToStr(int64_t scaledValue);

// Text to number with the locale's decimal separator, blanks around, an
// optional exponent. Malformed: EConvertError "'<text>' is not a valid
// floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& settings);
double StrToFloatDef(std::string_view s, double def);
[[nodiscard]] bool TryStrToFloat(std::string_view s, double& value);
[[nodiscard]] bool TryStrToFloat(std::string_view s, double& value,
                                 const TFormatSettings& settings);

}  // namespace runtime
