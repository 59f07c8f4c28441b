#include "gui/colors.h"

#include <array>
#include <cstdint>

#include "runtime/exceptions.h"
#include "runtime/intidents.h"
#include "runtime/strings.h"

namespace gui {

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

// Plain colours first, then the system colours in index order; a colour
// with two names (clSilver, clLtGray) answers with the first.
constexpr std::array kColorNames = {
    ColorName{clBlack, "clBlack"},
    ColorName{clMaroon, "clMaroon"},
    ColorName{clGreen, "clGreen"},
    ColorName{clOlive, "clOlive"},
    ColorName{clNavy, "clNavy"},
    ColorName{clPurple, "clPurple"},
    ColorName{clTeal, "clTeal"},
    ColorName{clGray, "clGray"},
    ColorName{clSilver, "clSilver"},
    ColorName{clRed, "clRed"},
    ColorName{clLime, "clLime"},
    ColorName{clYellow, "clYellow"},
    ColorName{clBlue, "clBlue"},
    ColorName{clFuchsia, "clFuchsia"},
    ColorName{clAqua, "clAqua"},
    ColorName{clSilver, "clLtGray"},
    ColorName{clGray, "clDkGray"},
    ColorName{clWhite, "clWhite"},
    ColorName{clMoneyGreen, "clMoneyGreen"},
    ColorName{clSkyBlue, "clSkyBlue"},
    ColorName{clCream, "clCream"},
    ColorName{clMedGray, "clMedGray"},
    ColorName{clNone, "clNone"},
    ColorName{clDefault, "clDefault"},
    ColorName{clScrollBar, "clScrollBar"},
    ColorName{clBackground, "clBackground"},
    ColorName{clActiveCaption, "clActiveCaption"},
    ColorName{clInactiveCaption, "clInactiveCaption"},
    ColorName{clMenu, "clMenu"},
    ColorName{clWindow, "clWindow"},
    ColorName{clWindowFrame, "clWindowFrame"},
    ColorName{clMenuText, "clMenuText"},
    ColorName{clWindowText, "clWindowText"},
    ColorName{clCaptionText, "clCaptionText"},
    ColorName{clActiveBorder, "clActiveBorder"},
    ColorName{clInactiveBorder, "clInactiveBorder"},
    ColorName{clAppWorkSpace, "clAppWorkSpace"},
    ColorName{clHighlight, "clHighlight"},
    ColorName{clHighlightText, "clHighlightText"},
    ColorName{clBtnFace, "clBtnFace"},
    ColorName{clBtnShadow, "clBtnShadow"},
    ColorName{clGrayText, "clGrayText"},
    ColorName{clBtnText, "clBtnText"},
    ColorName{clInactiveCaptionText, "clInactiveCaptionText"},
    ColorName{clBtnHighlight, "clBtnHighlight"},
    ColorName{cl3DDkShadow, "cl3DDkShadow"},
    ColorName{cl3DLight, "cl3DLight"},
    ColorName{clInfoText, "clInfoText"},
    ColorName{clInfoBk, "clInfoBk"},
    ColorName{clHotLight, "clHotLight"},
    ColorName{clGradientActiveCaption, "clGradientActiveCaption"},
    ColorName{clGradientInactiveCaption, "clGradientInactiveCaption"},
    ColorName{clMenuHighlight, "clMenuHighlight"},
    ColorName{clMenuBar, "clMenuBar"},
};
static_assert(kColorNames.size() == 54, "22 plain colours, 2 special values, 30 system colours");

bool StreamIdentToColor(std::string_view ident, int64_t& value) {
    TColor color{};
    if (!IdentToColor(ident, color)) return false;
    value = static_cast<int32_t>(color);
    return true;
}

bool StreamColorToIdent(int64_t value, std::string& ident) {
    return ColorToIdent(static_cast<TColor>(static_cast<int32_t>(value)), ident);
}

}  // namespace

bool ColorToIdent(TColor color, std::string& ident) {
    for (const ColorName& entry : kColorNames) {
        if (entry.color == color) {
            ident = entry.name;
            return true;
        }
    }
    return false;
}

bool IdentToColor(std::string_view ident, TColor& color) {
    for (const ColorName& entry : kColorNames) {
        if (runtime::SameText(ident, entry.name)) {
            color = entry.color;
            return true;
        }
    }
    return false;
}

std::string ColorToString(TColor color) {
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    return "$" + runtime::IntToHex(ColorValue(color), 8);
}

TColor StringToColor(std::string_view text) {
    TColor color{};
    if (IdentToColor(runtime::Trim(text), color)) return color;
    const int64_t value = runtime::StrToInt64(text);
    if (value < INT32_MIN || value > int64_t{UINT32_MAX})
        throw runtime::EConvertError("'" + std::string(text) + "' is not a valid colour");
    return MakeColor(static_cast<uint32_t>(value));
}

void RegisterColorIdents() {
    runtime::RegisterIntegerIdents(TypeInfoFor(static_cast<TColor*>(nullptr)), StreamIdentToColor,
                                   StreamColorToIdent);
}

const runtime::TTypeInfo& TypeInfoFor(TColor*) {
    static const runtime::TTypeInfo info = runtime::TTypeInfo::MakeOrdinal(
        runtime::tkInteger, "TColor", runtime::otSLong, INT32_MIN, INT32_MAX);
    return info;
}

}  // namespace gui
