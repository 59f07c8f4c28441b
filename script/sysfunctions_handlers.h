#pragma once

// Internal to the built-in functions module: the handler of each standard
// function, grouped by category in sysfunctions_<category>.cpp, and the
// argument helpers they share. Only sysfunctions*.cpp include this.

#include <string>
#include <string_view>

#include "runtime/strings.h"
#include "runtime/variant.h"
#include "script/items.h"
#include "script/limits.h"
#include "script/run_guard.h"
#include "script/scope.h"

namespace script {

class TscSysFunctions;

namespace sysfn {

// One call of a standard function: its arguments, read and written by
// position, and the module that serves it.
struct SysCall {
    TscMethodHelper& helper;
    TscSysFunctions& module;

    runtime::Variant Arg(int index) const { return helper.GetParamValue(index); }
    // Writes a var argument back into the caller's variable.
    void SetArg(int index, const runtime::Variant& value) const {
        helper.SetParamValue(index, value);
    }
};

using SysHandler = runtime::Variant (*)(const SysCall& call);

// Runs `work` over the text in pieces of about kWorkChunkBytes, charging
// each as work before it runs, so that Stop ends a long operation within a
// piece. A piece ends where no character can be split: anywhere in a
// single-byte code page, else after a byte below 0x40 (no multi-byte
// character holds one), or at the end of the text.
template <typename Work>
void ForEachPiece(std::string_view text, Work&& work) {
    const bool anywhere = runtime::SystemCodePageIsSingleByte();
    while (!text.empty()) {
        size_t length = text.size();
        if (length > kWorkChunkBytes) {
            length = kWorkChunkBytes;
            if (!anywhere) {
                while (length < text.size() && static_cast<unsigned char>(text[length - 1]) >= 0x40)
                    ++length;
            }
        }
        ChargeWork(length);
        work(text.substr(0, length));
        text.remove_prefix(length);
    }
}

// The result of an 8-bit text function of `text`, built piece by piece
// (ForEachPiece) from what `map` makes of each piece.
template <typename Map>
runtime::Variant MapPieces(std::string_view text, Map&& map) {
    std::string out;
    out.reserve(text.size());
    ForEachPiece(text, [&](std::string_view piece) { out += map(piece); });
    if (out.size() > kMaxStringLength) StringTooLong();
    return runtime::Variant(std::move(out));
}

// The text of a value, by the Variant's string conversion. An 8-bit string
// is viewed in place (no copy of a long page per Pos or Copy); any other
// value is converted once and kept here.
class ArgText {
  public:
    explicit ArgText(runtime::Variant value) : value_(std::move(value)) {
        if (const auto text = value_.AnsiTextView()) {
            view_ = *text;
        } else {
            converted_ = value_.AsString();
            view_ = converted_;
        }
    }
    ArgText(const ArgText&) = delete;
    ArgText& operator=(const ArgText&) = delete;

    std::string_view View() const { return view_; }

  private:
    runtime::Variant value_;
    std::string converted_;
    std::string_view view_;
};

// ctConv
runtime::Variant IntToStr(const SysCall& call);
runtime::Variant FloatToStr(const SysCall& call);
runtime::Variant DateToStr(const SysCall& call);
runtime::Variant TimeToStr(const SysCall& call);
runtime::Variant DateTimeToStr(const SysCall& call);
runtime::Variant VarToStr(const SysCall& call);
runtime::Variant StrToInt(const SysCall& call);
runtime::Variant StrToInt64(const SysCall& call);
runtime::Variant StrToFloat(const SysCall& call);
runtime::Variant StrToDate(const SysCall& call);
runtime::Variant StrToTime(const SysCall& call);
runtime::Variant StrToDateTime(const SysCall& call);

// ctFormat
runtime::Variant Format(const SysCall& call);
runtime::Variant FormatFloat(const SysCall& call);
runtime::Variant FormatDateTime(const SysCall& call);
runtime::Variant FormatMaskText(const SysCall& call);

// ctDate
runtime::Variant EncodeDate(const SysCall& call);
runtime::Variant DecodeDate(const SysCall& call);
runtime::Variant EncodeTime(const SysCall& call);
runtime::Variant DecodeTime(const SysCall& call);
runtime::Variant Date(const SysCall& call);
runtime::Variant Time(const SysCall& call);
runtime::Variant Now(const SysCall& call);
runtime::Variant DayOfWeek(const SysCall& call);
runtime::Variant IsLeapYear(const SysCall& call);
runtime::Variant DaysInMonth(const SysCall& call);

// ctString
runtime::Variant Length(const SysCall& call);
runtime::Variant Copy(const SysCall& call);
runtime::Variant Pos(const SysCall& call);
runtime::Variant Delete(const SysCall& call);
runtime::Variant Insert(const SysCall& call);
runtime::Variant Uppercase(const SysCall& call);
runtime::Variant Lowercase(const SysCall& call);
runtime::Variant Trim(const SysCall& call);
runtime::Variant NameCase(const SysCall& call);
runtime::Variant CompareText(const SysCall& call);
runtime::Variant Chr(const SysCall& call);
runtime::Variant Ord(const SysCall& call);
runtime::Variant SetLength(const SysCall& call);

// ctMath
runtime::Variant Round(const SysCall& call);
runtime::Variant Trunc(const SysCall& call);
runtime::Variant Int(const SysCall& call);
runtime::Variant Frac(const SysCall& call);
runtime::Variant Sqrt(const SysCall& call);
runtime::Variant Abs(const SysCall& call);
runtime::Variant Sin(const SysCall& call);
runtime::Variant Cos(const SysCall& call);
runtime::Variant ArcTan(const SysCall& call);
runtime::Variant Tan(const SysCall& call);
runtime::Variant Exp(const SysCall& call);
runtime::Variant Ln(const SysCall& call);
runtime::Variant Pi(const SysCall& call);

// ctOther
runtime::Variant Inc(const SysCall& call);
runtime::Variant Dec(const SysCall& call);
runtime::Variant RaiseException(const SysCall& call);
runtime::Variant ShowMessage(const SysCall& call);
runtime::Variant Randomize(const SysCall& call);
runtime::Variant Random(const SysCall& call);
runtime::Variant ValidInt(const SysCall& call);
runtime::Variant ValidFloat(const SysCall& call);
runtime::Variant ValidDate(const SysCall& call);
runtime::Variant CreateOleObject(const SysCall& call);
runtime::Variant VarArrayCreate(const SysCall& call);
runtime::Variant VarType(const SysCall& call);

// Platform halves (sysfunctions_win.cpp, sysfunctions_posix.cpp).
// A modal message box on Windows; standard error elsewhere.
void ShowMessageText(const std::string& text);
// The OLE Automation object of that program identifier, as a dispatch
// Variant.
runtime::Variant CreateOleObjectByName(const std::string& progId);

}  // namespace sysfn
}  // namespace script
