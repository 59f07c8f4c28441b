// Natively there is no Windows family and no keyboard state to read.
#include "controls/tree/helpers.h"

namespace controls::tree {

bool IsWinNT() {
    return false;
}

bool IsWin98Up() {
    return false;
}

void InitOsFlags() {}

runtime::TShiftState GetShiftState() {
    return {};
}

}  // namespace controls::tree
