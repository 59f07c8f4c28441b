#include "core/site.h"

#include <memory>
#include <utility>

#include "core/state.h"
#include "runtime/properties.h"

namespace core {

RUNTIME_BEGIN_CLASS(TSite, runtime::TObject)
RUNTIME_END_CLASS

TSite::TSite(std::string url) : URL(std::move(url)) {}

TSite::~TSite() {
    Keywords.Clear();
}

TKeyword& TSite::AddKeyword(std::u16string name) {
    TKeyword& keyword = Keywords.Add(std::make_unique<TKeyword>(std::move(name)));
    CurrentKeyword = &keyword;
    return keyword;
}

void TSite::DeleteKeyword(std::u16string_view name) {
    const int index = Keywords.FindName(name);
    if (index < 0) return;
    Keywords.Delete(index);
    CurrentKeyword = nullptr;
}

int TSiteList::FindURL(std::string_view url) const {
    for (int i = 0; i < Count(); ++i) {
        if (Items(i)->URL == url) return i;
    }
    return -1;
}

}  // namespace core
