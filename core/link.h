#pragma once

// One search result, and a keyword's ordered result list. Engine scripts
// construct TLink objects and call TLinkList::IndexOf; the script engine
// sees TLinkList as its TList, whose untyped items are then TObject
// pointers.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/classinfo.h"
#include "runtime/list.h"
#include "runtime/object.h"

namespace core {

class TLinkList;

class TLink : public runtime::TObject {
    RUNTIME_CLASS(TLink)

  public:
    TLink() = default;
    // `name` is kept in the system code page.
    TLink(std::u16string_view name, std::u16string title, std::u16string description,
          int32_t position, int32_t page, double cost);

    std::string Name;  // the result's URL
    std::u16string Title;
    std::u16string Description;
    int32_t Position = 0;  // 1-based rank
    int32_t Page = 0;      // the result page it came from
    double Cost = 0;       // -1.0 for SOAP results and unreadable stored values

  private:
    friend class TLinkList;
    // The list that owns the link; nullptr while it is in none.
    const TLinkList* list_ = nullptr;
};

// Owns its links: every removal frees the link, and Clear frees them last
// to first. An item that is no TLink is refused (EInvalidCast "Invalid class
// typecast") before it enters, so the list never frees it as a link; so is
// a link that a list holds already (EListError), so no link is ever freed
// twice. A link a script made passes to the list when the script adds it:
// the script can no longer free it.
class TLinkList : public runtime::TList {
    RUNTIME_CLASS(TLinkList)

  public:
    TLinkList() = default;
    ~TLinkList() override;

    // Appends; returns the new index.
    int Add(std::unique_ptr<TLink> link);
    [[nodiscard]] TLink* Links(int index) const { return static_cast<TLink*>(Items(index)); }

    using runtime::TList::IndexOf;
    // The first index whose Name contains `name`, both with ASCII letters
    // folded to lower case; -1 when none, and for an empty `name`.
    [[nodiscard]] int IndexOf(std::string_view name) const;

    // Moves every link of `source` to the end of this list, in order.
    void TakeLinks(TLinkList& source);

  protected:
    void Notify(void* ptr, runtime::TListNotification action) override;
    void CheckInsert(void* item) const override;

  private:
    // Set while TakeLinks empties the list: removals free nothing.
    bool releasing_ = false;
};

}  // namespace core
