#include "core/link.h"

#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace core {

RUNTIME_BEGIN_CLASS(TLink, runtime::TObject)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TLinkList, runtime::TList)
RUNTIME_END_CLASS

TLink::TLink(std::u16string_view name, std::u16string title, std::u16string description,
             int32_t position, int32_t page, double cost)
    : Name(runtime::WideToAnsi(name)),
      Title(std::move(title)),
      Description(std::move(description)),
      Position(position),
      Page(page),
      Cost(cost) {}

TLinkList::~TLinkList() {
    // The base destructor would only run the base's Notify.
    Clear();
}

int TLinkList::Add(std::unique_ptr<TLink> link) {
    const int index = runtime::TList::Add(link.get());
    link.release();
    return index;
}

int TLinkList::IndexOf(std::string_view name) const {
    if (name.empty()) return -1;
    const std::string wanted = runtime::LowerCase(name);
    for (int i = 0; i < Count(); ++i) {
        const TLink* link = Links(i);
        if (link != nullptr && runtime::LowerCase(link->Name).find(wanted) != std::string::npos) {
            return i;
        }
    }
    return -1;
}

void TLinkList::TakeLinks(TLinkList& source) {
    if (&source == this) return;
    std::vector<TLink*> links;
    links.reserve(static_cast<size_t>(source.Count()));
    for (int i = 0; i < source.Count(); ++i) links.push_back(source.Links(i));
    source.releasing_ = true;
    source.Clear();
    source.releasing_ = false;
    for (TLink* link : links) {
        if (link != nullptr) Add(std::unique_ptr<TLink>(link));
    }
}

void TLinkList::CheckInsert(void* item) const {
    const auto* link = dynamic_cast<TLink*>(static_cast<runtime::TObject*>(item));
    if (link == nullptr) throw runtime::EInvalidCast("Invalid class typecast");
    if (link->list_ != nullptr) throw runtime::EListError("The link is in a list already");
}

void TLinkList::Notify(void* ptr, runtime::TListNotification action) {
    runtime::TList::Notify(ptr, action);
    auto* link = static_cast<TLink*>(ptr);
    switch (action) {
        case runtime::lnAdded:
            link->list_ = this;
            // The list owns what it holds, also a link a script made.
            if (runtime::IsScriptOwned(*link)) {
                runtime::TakeScriptObject(runtime::HandleOf(link)).release();
            }
            break;
        case runtime::lnExtracted:
            link->list_ = nullptr;
            break;
        case runtime::lnDeleted:
            link->list_ = nullptr;
            if (!releasing_) delete link;
            break;
    }
}

}  // namespace core
