// Format and WideFormat: one formatter over both character types.

#include "runtime/format.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

// Widths and precisions beyond this are refused as a bad format rather
// than allocating gigabytes of padding.
constexpr int64_t kMaxWidth = 1 << 20;

std::string narrow(std::string_view s) {
    return std::string(s);
}
std::string narrow(std::u16string_view s) {
    return WideToAnsi(s);
}

void appendText(std::string& out, std::string_view s) {
    out.append(s);
}
void appendText(std::u16string& out, std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {  // locale text beyond ASCII
            out.append(AnsiToWide(s));
            return;
        }
    }
    out.append(s.begin(), s.end());
}

std::string asText(const FormatArg::Value& v, const std::string*) {
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return WideToAnsi(std::get<std::u16string>(v));
}
std::u16string asText(const FormatArg::Value& v, const std::u16string*) {
    if (const auto* s = std::get_if<std::u16string>(&v)) return *s;
    return AnsiToWide(std::get<std::string>(v));
}

std::string unsignedText(uint64_t value, int base) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
    std::string out(buffer, result.ptr);
    for (char& c : out)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The two's-complement value %u and %x print, in the argument's width.
uint64_t asUnsigned(int64_t value, FormatArg::Integer integer) {
    if (integer == FormatArg::Integer::Signed32) return static_cast<uint32_t>(value);
    return static_cast<uint64_t>(value);
}

std::string signedText(int64_t value, FormatArg::Integer integer) {
    if (integer == FormatArg::Integer::Unsigned64)
        return unsignedText(static_cast<uint64_t>(value), 10);
    return IntToStr(value);
}

// Pads an integer's digits with zeros up to `precision`, after any sign.
std::string withPrecision(std::string digits, int precision) {
    const size_t sign = !digits.empty() && digits[0] == '-' ? 1 : 0;
    const size_t count = digits.size() - sign;
    if (precision > 0 && count < static_cast<size_t>(precision))
        digits.insert(sign, static_cast<size_t>(precision) - count, '0');
    return digits;
}

template <typename Char>
class Formatter {
  public:
    using String = std::basic_string<Char>;
    using View = std::basic_string_view<Char>;

    // Raised inside when the result would grow beyond its limit.
    struct LimitReached {};

    Formatter(View fmt, std::span<const FormatArg> args, const TFormatSettings& settings,
              size_t limit = SIZE_MAX)
        : fmt_(fmt), args_(args), settings_(settings), limit_(limit) {}

    String run() {
        out_.reserve(std::min(fmt_.size() + 8 * args_.size(), limit_));
        while (i_ < fmt_.size()) {
            const size_t percent = fmt_.find(Char('%'), i_);
            if (percent == View::npos) {
                room(fmt_.size() - i_);
                out_.append(fmt_.substr(i_));
                break;
            }
            room(percent - i_);
            out_.append(fmt_.substr(i_, percent - i_));
            i_ = percent + 1;
            if (i_ < fmt_.size() && fmt_[i_] == Char('%')) {
                room(1);
                out_ += Char('%');
                ++i_;
                continue;
            }
            specifier();
        }
        return std::move(out_);
    }

  private:
    // `count` more characters fit within the limit, or LimitReached.
    void room(size_t count) const {
        if (count > limit_ || out_.size() > limit_ - count) throw LimitReached();
    }

    [[noreturn]] void fail() const {
        throw EConvertError("Format '" + narrow(fmt_) + "' invalid or incompatible with argument");
    }

    const FormatArg::Value& take() {
        if (next_ >= args_.size()) fail();
        return args_[next_++].value();
    }

    // Digits or "*" (the next argument, an integer). False when neither.
    bool number(int64_t& value) {
        if (i_ < fmt_.size() && fmt_[i_] == Char('*')) {
            ++i_;
            const auto* v = std::get_if<int64_t>(&take());
            if (!v || *v > kMaxWidth || *v < -kMaxWidth) fail();
            value = *v;
            return true;
        }
        const size_t start = i_;
        value = 0;
        for (; i_ < fmt_.size() && fmt_[i_] >= Char('0') && fmt_[i_] <= Char('9'); ++i_) {
            value = value * 10 + (fmt_[i_] - Char('0'));
            if (value > kMaxWidth) fail();
        }
        return i_ > start;
    }

    // "%" [index ":"] ["-"] [width] ["." precision] type, after the "%".
    void specifier() {
        int64_t width = -1, precision = -1, value;
        bool left = false;
        bool has = number(value);
        if (has && i_ < fmt_.size() && fmt_[i_] == Char(':')) {
            if (value < 0) fail();
            next_ = static_cast<size_t>(value);
            ++i_;
            has = false;
        }
        if (!has) {
            if (i_ < fmt_.size() && fmt_[i_] == Char('-')) {
                left = true;
                ++i_;
            }
            has = number(value);
        }
        if (has) width = value;
        if (width < 0 && has) {
            left = true;
            width = -width;
        }
        if (i_ < fmt_.size() && fmt_[i_] == Char('.')) {
            ++i_;
            if (!number(precision)) precision = 0;
            if (precision < 0) precision = -1;
        }
        if (i_ >= fmt_.size()) fail();
        Char type = fmt_[i_++];
        if (type >= Char('A') && type <= Char('Z')) type = type - Char('A') + Char('a');

        const size_t start = out_.size();
        if (next_ >= args_.size()) fail();
        const FormatArg& arg = args_[next_++];
        convert(static_cast<char>(type < 0x80 ? type : 0), arg, static_cast<int>(precision));
        const size_t length = out_.size() - start;
        room(0);
        if (width > 0 && length < static_cast<size_t>(width)) {
            const size_t pad = static_cast<size_t>(width) - length;
            room(pad);
            if (left)
                out_.append(pad, Char(' '));
            else
                out_.insert(start, pad, Char(' '));
        }
    }

    void convert(char type, const FormatArg& argument, int precision) {
        const FormatArg::Value& arg = argument.value();
        const auto* integer = std::get_if<int64_t>(&arg);
        const auto* real = std::get_if<double>(&arg);
        switch (type) {
            case 'd':
                if (!integer) fail();
                appendText(out_,
                           withPrecision(signedText(*integer, argument.integer()), precision));
                return;
            case 'u':
            case 'x':
                if (!integer) fail();
                appendText(out_,
                           withPrecision(unsignedText(asUnsigned(*integer, argument.integer()),
                                                      type == 'u' ? 10 : 16),
                                         precision));
                return;
            case 'e':
            case 'f':
            case 'g':
            case 'n':
            case 'm':
                if (!real) fail();
                appendText(out_, floatText(type, *real, precision));
                return;
            case 'p': {
                const auto* pointer = std::get_if<const void*>(&arg);
                if (!pointer) fail();
                std::string hex = unsignedText(reinterpret_cast<uintptr_t>(*pointer), 16);
                hex.insert(0, 16 - hex.size(), '0');
                appendText(out_, hex);
                return;
            }
            case 's': {
                if (!std::holds_alternative<std::string>(arg) &&
                    !std::holds_alternative<std::u16string>(arg))
                    fail();
                const String text = asText(arg, static_cast<const String*>(nullptr));
                const size_t cut = precision >= 0 ? static_cast<size_t>(precision) : text.size();
                room(std::min(cut, text.size()));
                out_.append(text, 0, cut);
                return;
            }
            default:
                fail();
        }
    }

    std::string floatText(char type, double value, int precision) const {
        switch (type) {
            case 'e':
                return FloatToStrF(value, TFloatFormat::ffExponent, precision < 0 ? 15 : precision,
                                   3, settings_);
            case 'g':
                return FloatToStrF(value, TFloatFormat::ffGeneral, precision < 0 ? 15 : precision,
                                   3, settings_);
            case 'f':
                return FloatToStrF(value, TFloatFormat::ffFixed, 18, precision < 0 ? 2 : precision,
                                   settings_);
            case 'n':
                return FloatToStrF(value, TFloatFormat::ffNumber, 18, precision < 0 ? 2 : precision,
                                   settings_);
            default:
                return FloatToStrF(value, TFloatFormat::ffCurrency, 18,
                                   precision < 0 ? settings_.CurrencyDecimals : precision,
                                   settings_);
        }
    }

    View fmt_;
    std::span<const FormatArg> args_;
    const TFormatSettings& settings_;
    size_t limit_;
    String out_;
    size_t i_ = 0;
    size_t next_ = 0;
};

}  // namespace

std::string Format(std::string_view fmt, std::span<const FormatArg> args) {
    return Formatter<char>(fmt, args, FormatSettings()).run();
}

std::string Format(std::string_view fmt, std::span<const FormatArg> args,
                   const TFormatSettings& settings) {
    return Formatter<char>(fmt, args, settings).run();
}

std::optional<std::string> FormatAtMost(std::string_view fmt, std::span<const FormatArg> args,
                                        size_t maxLength) {
    using Narrow = Formatter<char>;
    try {
        return Narrow(fmt, args, FormatSettings(), maxLength).run();
    } catch (const Narrow::LimitReached&) {
        return std::nullopt;
    }
}

std::u16string WideFormat(std::u16string_view fmt, std::span<const FormatArg> args) {
    return Formatter<char16_t>(fmt, args, FormatSettings()).run();
}

}  // namespace runtime
