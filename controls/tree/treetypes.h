#pragma once

// Enumerations shared by the tree's items, its header sections and the
// tree itself. Each is declared with its type information, so published
// properties and event parameters can carry it; the member order is the
// order stored in streams.

#include <cstdint>

#include "runtime/typeinfo.h"

namespace controls::tree {

RUNTIME_ENUM(TGtFieldType, sftText, sftNumber, sftFloating, sftDateTime, sftDate, sftTime, sftBool,
             sftCurrency, sftCustom, sftPicture, sftEnum, sftBLOB, sftUndef, sftMemo)
RUNTIME_ENUM(TGtSectionStyle, ElhsText, ElhsOwnerDraw, ElhsPictureOnly)
RUNTIME_ENUM(TGtSSortMode, hsmNone, hsmAscend, hsmDescend)
RUNTIME_ENUM(TGtSAlignment, hsaLeft, hsaCenter, hsaRight)
RUNTIME_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
RUNTIME_ENUM(TSectionChangeMode, scmCaption, scmFieldName, scmFieldType, scmAlign, scmStyle,
             scmEditable, scmPassword)
RUNTIME_ENUM(TSortModes, smNone, smAdd, smClick, smAddClick)
RUNTIME_ENUM(TSortDirs, sdAscend, sdDescend)
RUNTIME_ENUM(TSortTypes, stCustom, stText, stNumber, stFloating, stDateTime, stDate, stTime,
             stBoolean, stCurrency)
RUNTIME_ENUM(TVirtualityLevel, vlNone, vlTextAndStyles)
RUNTIME_ENUM(TItemChangeMode, icmText, icmState, icmCheckState, icmColumnText)
RUNTIME_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

// The sides of the tree's flat window border and its kinds.
RUNTIME_ENUM(TGtBorderSide, ebsLeft, ebsRight, ebsTop, ebsBottom)
RUNTIME_SET(TGtBorderSides, TGtBorderSide)
inline constexpr TGtBorderSides kAllBorderSides{ebsLeft, ebsRight, ebsTop, ebsBottom};
RUNTIME_ENUM(TGtFlatBorderType, fbtFlat, fbtSunken, fbtSunkenInner, fbtSunkenOuter, fbtRaised,
             fbtRaisedInner, fbtRaisedOuter, fbtBump, fbtBigBump, fbtEtched, fbtFramed, fbtLine,
             fbtLineBorder, fbtNone, fbtColorLineBorder)

inline constexpr int kFieldTypeCount = sftMemo + 1;
inline constexpr int kSortTypeCount = stCurrency + 1;

// The sort type of a column of the given field type.
constexpr TSortTypes SectionTypeToSortType(TGtFieldType type) {
    switch (type) {
        case sftText:
            return stText;
        case sftNumber:
            return stNumber;
        case sftFloating:
            return stFloating;
        case sftDateTime:
            return stDateTime;
        case sftDate:
            return stDate;
        case sftTime:
            return stTime;
        case sftBool:
            return stBoolean;
        case sftCurrency:
            return stCurrency;
        default:
            return stCustom;
    }
}

// A colour: 0x00BBGGRR, or 0xFF000000 + n for the system colour n.
using TGtColor = uint32_t;
inline constexpr TGtColor clGtWindow = 0xFF000005;

}  // namespace controls::tree
