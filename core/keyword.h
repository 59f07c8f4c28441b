#pragma once

// One keyword of a site with its position history and the results of its
// last check, and a site's list of keywords.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/link.h"
#include "core/owned_list.h"
#include "runtime/classinfo.h"
#include "runtime/datetime.h"
#include "runtime/object.h"

namespace core {

class TKeyword : public runtime::TObject {
    RUNTIME_CLASS(TKeyword)

  public:
    explicit TKeyword(std::u16string name);
    ~TKeyword() override;

    // Records a check's result; 0 means the site was not found.
    void SetPosition(int32_t position);
    // Frees every link, last to first.
    void ClearLinks() { Links.Clear(); }

    std::u16string Name;
    bool Active = true;
    int32_t Position = 0;         // 1-based rank in the last check, 0 when not found
    int32_t LastPosition = 0;     // the position before the last check
    int32_t Best = 0;             // the smallest non-zero position seen, 0 when none
    runtime::TDateTime Date = 0;  // the day of the last check, 0 when never checked
    TLinkList Links;              // the last check's results in rank order
};

class TKeywordList : public TOwnedList<TKeyword> {
  public:
    // The first keyword whose Name equals `name` exactly; -1 when none.
    [[nodiscard]] int FindName(std::u16string_view name) const;
    [[nodiscard]] int ActiveCount() const;
};

}  // namespace core
