// The conversion and formatting categories of the standard functions
// (ctConv, ctFormat).
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/strings.h"
#include "runtime/variant.h"
#include "script/formatmask.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

namespace {

using runtime::Variant;

// One element of Format's argument array as the formatter takes it: the
// integer types as integers of their width (%x of Integer -1 is "FFFFFFFF",
// of Int64 -1 sixteen "F"s), the floating types and dates as floats,
// strings whole (no cut to 255 characters), and Empty, Null, objects and
// nested arrays as the integer 0. The formatter has no Boolean argument: a
// Boolean is refused as the class library's formatter refuses one.
runtime::FormatArg ToFormatArg(const Variant& element, std::string_view fmt) {
    switch (element.Type()) {
        case runtime::varSmallint:
        case runtime::varInteger:
        case runtime::varShortInt:
            return runtime::FormatArg(int{element.AsInteger()});
        case runtime::varByte:
        case runtime::varWord:
        case runtime::varLongWord:
            return runtime::FormatArg(static_cast<unsigned>(element.AsInt64()));
        case runtime::varInt64:
            return runtime::FormatArg(static_cast<long long>(element.AsInt64()));
        case runtime::varSingle:
        case runtime::varDouble:
        case runtime::varCurrency:
        case runtime::varDate:
            return runtime::FormatArg(element.AsDouble());
        case runtime::varString:
        case runtime::varOleStr:
            return runtime::FormatArg(element.AsString());
        case runtime::varBoolean:
            throw runtime::EConvertError("Format '" + std::string(fmt) +
                                         "' invalid or incompatible with argument");
        default:
            return runtime::FormatArg(0);
    }
}

}  // namespace

Variant IntToStr(const SysCall& call) {
    return Variant(runtime::IntToStr(call.Arg(0).AsInt64()));
}

Variant FloatToStr(const SysCall& call) {
    return Variant(runtime::FloatToStr(call.Arg(0).AsDouble()));
}

Variant DateToStr(const SysCall& call) {
    return Variant(runtime::DateToStr(call.Arg(0).AsDate()));
}

Variant TimeToStr(const SysCall& call) {
    return Variant(runtime::TimeToStr(call.Arg(0).AsDate()));
}

Variant DateTimeToStr(const SysCall& call) {
    return Variant(runtime::DateTimeToStr(call.Arg(0).AsDate()));
}

Variant VarToStr(const SysCall& call) {
    const Variant value = call.Arg(0);
    if (value.Type() == runtime::varString) return value;
    return Variant(runtime::VarToStr(value));
}

Variant StrToInt(const SysCall& call) {
    return Variant(runtime::StrToInt(ArgText(call.Arg(0)).View()));
}

Variant StrToInt64(const SysCall& call) {
    return Variant(runtime::StrToInt64(ArgText(call.Arg(0)).View()));
}

Variant StrToFloat(const SysCall& call) {
    return Variant(runtime::StrToFloat(ArgText(call.Arg(0)).View()));
}

Variant StrToDate(const SysCall& call) {
    return Variant::FromDate(runtime::StrToDate(ArgText(call.Arg(0)).View()));
}

Variant StrToTime(const SysCall& call) {
    return Variant::FromDate(runtime::StrToTime(ArgText(call.Arg(0)).View()));
}

Variant StrToDateTime(const SysCall& call) {
    return Variant::FromDate(runtime::StrToDateTime(ArgText(call.Arg(0)).View()));
}

Variant Format(const SysCall& call) {
    const ArgText fmt(call.Arg(0));
    const Variant args = call.Arg(1);
    std::vector<runtime::FormatArg> formatArgs;
    if (args.ArrayDimCount() != 1)
        throw runtime::EVariantNotAnArrayError("Variant is not an array");
    const int32_t low = args.ArrayLowBound(1);
    const int32_t high = args.ArrayHighBound(1);
    formatArgs.reserve(static_cast<size_t>(int64_t{high} - low + 1));
    uint64_t argumentText = 0;
    for (int32_t i = low; i <= high; ++i) {
        formatArgs.push_back(ToFormatArg(args.GetElement({i}), fmt.View()));
        if (const auto* text = std::get_if<std::string>(&formatArgs.back().value()))
            argumentText += text->size();
    }
    ChargeWork(uint64_t{fmt.View().size()} + argumentText);
    // Widths repeated over a long format could make gigabytes: the result
    // is refused once it would pass the longest string.
    std::optional<std::string> text =
        runtime::FormatAtMost(fmt.View(), formatArgs, kMaxStringLength);
    if (!text) StringTooLong();
    ChargeWork(text->size());
    return Variant(std::move(*text));
}

namespace {

// A formatted result, held to the longest string.
Variant CheckedResult(std::string text) {
    CheckTextLength(text.size());
    return Variant(std::move(text));
}

// Longest text a date and time format letter becomes ("c": the short date
// and the long time), so that a format is refused before it is expanded.
constexpr uint64_t kDateTimeExpansion = 64;

}  // namespace

Variant FormatFloat(const SysCall& call) {
    const ArgText fmt(call.Arg(0));
    ChargeWork(fmt.View().size());
    return CheckedResult(runtime::FormatFloat(fmt.View(), call.Arg(1).AsDouble()));
}

Variant FormatDateTime(const SysCall& call) {
    const ArgText fmt(call.Arg(0));
    if (fmt.View().size() * kDateTimeExpansion > kMaxStringLength) StringTooLong();
    ChargeWork(fmt.View().size() * kDateTimeExpansion);
    return CheckedResult(runtime::FormatDateTime(fmt.View(), call.Arg(1).AsDate()));
}

Variant FormatMaskText(const SysCall& call) {
    const ArgText mask(call.Arg(0));
    const ArgText value(call.Arg(1));
    ChargeWork(uint64_t{mask.View().size()} + value.View().size());
    return CheckedResult(script::FormatMaskText(mask.View(), value.View()));
}

}  // namespace script::sysfn
