#include "core/keyword.h"

#include <utility>

#include "runtime/properties.h"

namespace core {

RUNTIME_BEGIN_CLASS(TKeyword, runtime::TObject)
RUNTIME_END_CLASS

TKeyword::TKeyword(std::u16string name) : Name(std::move(name)) {}

TKeyword::~TKeyword() {
    ClearLinks();
}

void TKeyword::SetPosition(int32_t position) {
    // After a "not found" or the first check, LastPosition takes the new
    // value, so the window shows no change.
    LastPosition = Position > 0 ? Position : position;
    Position = position;
    if (position != 0 && (Best == 0 || position < Best)) Best = position;
    Date = runtime::Date();
}

int TKeywordList::FindName(std::u16string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        if (Items(i)->Name == name) return i;
    }
    return -1;
}

int TKeywordList::ActiveCount() const {
    int count = 0;
    for (int i = 0; i < Count(); ++i) {
        if (Items(i)->Active) ++count;
    }
    return count;
}

}  // namespace core
