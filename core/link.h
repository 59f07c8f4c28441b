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
    TLink(std::u16string_view name, std::u16string_view title, std::u16string_view description,
          int32_t position, int32_t page, double cost);
    // `name` is in the system code page already.
    TLink(std::string_view name, std::u16string_view title, std::u16string_view description,
          int32_t position, int32_t page, double cost);

    // The texts. A view lasts until the next setter call or the link's end.
    [[nodiscard]] std::string_view Name() const;  // the result's URL, in the system code page
    [[nodiscard]] std::u16string_view Title() const;
    [[nodiscard]] std::u16string_view Description() const;
    void SetName(std::string_view name);
    void SetTitle(std::u16string_view title);
    void SetDescription(std::u16string_view description);
    // All three at once.
    void SetTexts(std::string_view name, std::u16string_view title,
                  std::u16string_view description);

    int32_t Position = 0;  // 1-based rank
    int32_t Page = 0;      // the result page it came from
    double Cost = 0;       // -1.0 for SOAP results and unreadable stored values

  private:
    friend class TLinkList;
    // The list that owns the link; nullptr while it is in none.
    const TLinkList* list_ = nullptr;
    // A project holds a million links: their three texts share one block
    // (title, description, then the name's bytes), so a link costs two
    // allocations rather than four, and no unused capacity.
    std::unique_ptr<char16_t[]> text_;
    uint32_t titleSize_ = 0;        // units
    uint32_t descriptionSize_ = 0;  // units
    uint32_t nameSize_ = 0;         // bytes
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
