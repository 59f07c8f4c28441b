// Fuzz target for the text routines that read untrusted text: number and
// date parsing, and Format/FormatFloat/FormatDateTime with the input as the
// format. Also checks that well-formed UTF-8 survives a UTF-16 round trip.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/strings.h"

namespace {

// Formats may ask for padding up to the formatter's cap per specifier; a
// short format keeps the output of one run small.
constexpr size_t kMaxFormatLength = 512;

template <typename F>
void ignoringConversionErrors(F&& f) {
    try {
        f();
    } catch (const runtime::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runtime;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    double real;
    const bool isFloat = TryStrToFloat(text, real);
    ignoringConversionErrors([&] {
        const double parsed = StrToFloat(text);
        if (!isFloat || parsed != real) std::abort();
    });
    int64_t integer;
    if (TryStrToInt64(text, integer) && StrToInt64(IntToStr(integer)) != integer) std::abort();
    ignoringConversionErrors([&] { static_cast<void>(StrToInt(text)); });
    ignoringConversionErrors([&] { static_cast<void>(StrToDate(text)); });
    ignoringConversionErrors([&] { static_cast<void>(StrToDateTime(text)); });
    ignoringConversionErrors([&] { static_cast<void>(StrToTime(text)); });

    if (IsValidUtf8(text) && WideToUtf8(Utf8ToWide(text)) != text) std::abort();
    static_cast<void>(WideToAnsi(Utf8ToWide(text)));

    if (size <= kMaxFormatLength) {
        static const int marker = 0;
        ignoringConversionErrors([&] {
            static_cast<void>(Format(text, {42, -7, 3.25, "text", std::u16string(u"wide"),
                                            static_cast<const void*>(&marker), 5, 1e300}));
        });
        ignoringConversionErrors([&] { static_cast<void>(FormatFloat(text, -1234.5678)); });
        ignoringConversionErrors([&] { static_cast<void>(FormatFloat(text, 0.0)); });
        ignoringConversionErrors([&] { static_cast<void>(FormatDateTime(text, -45356.75)); });
    }
    return 0;
}
