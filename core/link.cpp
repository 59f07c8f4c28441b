#include "core/link.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

TLink::TLink(std::u16string_view name, std::u16string_view title, std::u16string_view description,
             int32_t position, int32_t page, double cost)
    : TLink(std::string_view(runtime::WideToAnsi(name)), title, description, position, page, cost) {
}

TLink::TLink(std::string_view name, std::u16string_view title, std::u16string_view description,
             int32_t position, int32_t page, double cost)
    : Position(position), Page(page), Cost(cost) {
    SetTexts(name, title, description);
}

std::string_view TLink::Name() const {
    if (nameSize_ == 0) return {};
    return {reinterpret_cast<const char*>(text_.get() + titleSize_ + descriptionSize_), nameSize_};
}

std::u16string_view TLink::Title() const {
    return titleSize_ == 0 ? std::u16string_view() : std::u16string_view(text_.get(), titleSize_);
}

std::u16string_view TLink::Description() const {
    if (descriptionSize_ == 0) return {};
    return {text_.get() + titleSize_, descriptionSize_};
}

void TLink::SetName(std::string_view name) {
    SetTexts(name, Title(), Description());
}

void TLink::SetTitle(std::u16string_view title) {
    SetTexts(Name(), title, Description());
}

void TLink::SetDescription(std::u16string_view description) {
    SetTexts(Name(), Title(), description);
}

void TLink::SetTexts(std::string_view name, std::u16string_view title,
                     std::u16string_view description) {
    constexpr size_t Limit = UINT32_MAX;
    if (name.size() > Limit || title.size() > Limit || description.size() > Limit)
        throw runtime::Exception("A link's text is too long.");
    // The new block is filled before the old one goes: the texts given may
    // be views of it.
    const size_t units = title.size() + description.size() + (name.size() + 1) / 2;
    std::unique_ptr<char16_t[]> text;
    if (units > 0) {
        text.reset(new char16_t[units]);
        std::copy(title.begin(), title.end(), text.get());
        std::copy(description.begin(), description.end(), text.get() + title.size());
        std::memcpy(text.get() + title.size() + description.size(), name.data(), name.size());
    }
    text_ = std::move(text);
    titleSize_ = uint32_t(title.size());
    descriptionSize_ = uint32_t(description.size());
    nameSize_ = uint32_t(name.size());
}

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
        if (link != nullptr && runtime::LowerCase(link->Name()).find(wanted) != std::string::npos) {
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
