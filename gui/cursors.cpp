#include "gui/cursors.h"

#include <array>
#include <cstdint>

#include "runtime/intidents.h"
#include "runtime/strings.h"

namespace gui {

namespace {

struct CursorName {
    TCursor cursor;
    const char* name;
};

constexpr std::array kCursorNames = {
    CursorName{crDefault, "crDefault"},     CursorName{crNone, "crNone"},
    CursorName{crArrow, "crArrow"},         CursorName{crCross, "crCross"},
    CursorName{crIBeam, "crIBeam"},         CursorName{crSizeNESW, "crSizeNESW"},
    CursorName{crSizeNS, "crSizeNS"},       CursorName{crSizeNWSE, "crSizeNWSE"},
    CursorName{crSizeWE, "crSizeWE"},       CursorName{crUpArrow, "crUpArrow"},
    CursorName{crHourGlass, "crHourGlass"}, CursorName{crDrag, "crDrag"},
    CursorName{crNoDrop, "crNoDrop"},       CursorName{crHSplit, "crHSplit"},
    CursorName{crVSplit, "crVSplit"},       CursorName{crMultiDrag, "crMultiDrag"},
    CursorName{crSQLWait, "crSQLWait"},     CursorName{crNo, "crNo"},
    CursorName{crAppStart, "crAppStart"},   CursorName{crHelp, "crHelp"},
    CursorName{crHandPoint, "crHandPoint"}, CursorName{crSizeAll, "crSizeAll"},
};
static_assert(kCursorNames.size() == 22, "every named cursor once");

bool StreamIdentToCursor(std::string_view ident, int64_t& value) {
    TCursor cursor{};
    if (!IdentToCursor(ident, cursor)) return false;
    value = cursor;
    return true;
}

bool StreamCursorToIdent(int64_t value, std::string& ident) {
    return CursorToIdent(static_cast<TCursor>(static_cast<int32_t>(value)), ident);
}

}  // namespace

bool CursorToIdent(TCursor cursor, std::string& ident) {
    for (const CursorName& entry : kCursorNames) {
        if (entry.cursor == cursor) {
            ident = entry.name;
            return true;
        }
    }
    return false;
}

bool IdentToCursor(std::string_view ident, TCursor& cursor) {
    for (const CursorName& entry : kCursorNames) {
        if (runtime::SameText(ident, entry.name)) {
            cursor = entry.cursor;
            return true;
        }
    }
    return false;
}

void RegisterCursorIdents() {
    runtime::RegisterIntegerIdents(TypeInfoFor(static_cast<TCursor*>(nullptr)), StreamIdentToCursor,
                                   StreamCursorToIdent);
}

const runtime::TTypeInfo& TypeInfoFor(TCursor*) {
    static const runtime::TTypeInfo info = runtime::TTypeInfo::MakeOrdinal(
        runtime::tkInteger, "TCursor", runtime::otSLong, INT32_MIN, INT32_MAX);
    return info;
}

}  // namespace gui
