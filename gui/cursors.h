#pragma once

// Mouse cursors as the class library numbers them: 0 the default, the
// system's cursors as negative numbers, programs' own cursors as positive
// ones (TScreen::SetCursorHandle). Published as "TCursor" and written by
// name in layouts ("Cursor = crHandPoint").

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/typeinfo.h"

namespace gui {

enum TCursor : int32_t {};

inline constexpr TCursor crDefault = TCursor(0);
inline constexpr TCursor crNone = TCursor(-1);
inline constexpr TCursor crArrow = TCursor(-2);
inline constexpr TCursor crCross = TCursor(-3);
inline constexpr TCursor crIBeam = TCursor(-4);
inline constexpr TCursor crSizeNESW = TCursor(-6);
inline constexpr TCursor crSizeNS = TCursor(-7);
inline constexpr TCursor crSizeNWSE = TCursor(-8);
inline constexpr TCursor crSizeWE = TCursor(-9);
inline constexpr TCursor crUpArrow = TCursor(-10);
inline constexpr TCursor crHourGlass = TCursor(-11);
inline constexpr TCursor crDrag = TCursor(-12);
inline constexpr TCursor crNoDrop = TCursor(-13);
inline constexpr TCursor crHSplit = TCursor(-14);
inline constexpr TCursor crVSplit = TCursor(-15);
inline constexpr TCursor crMultiDrag = TCursor(-16);
inline constexpr TCursor crSQLWait = TCursor(-17);
inline constexpr TCursor crNo = TCursor(-18);
inline constexpr TCursor crAppStart = TCursor(-19);
inline constexpr TCursor crHelp = TCursor(-20);
inline constexpr TCursor crHandPoint = TCursor(-21);
inline constexpr TCursor crSizeAll = TCursor(-22);

bool CursorToIdent(TCursor cursor, std::string& ident);
bool IdentToCursor(std::string_view ident, TCursor& cursor);
// Makes component streams read and write cursors by name.
void RegisterCursorIdents();

const runtime::TTypeInfo& TypeInfoFor(TCursor*);

}  // namespace gui
