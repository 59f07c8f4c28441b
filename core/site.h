#pragma once

// One monitored site with its keywords and notes, and the program's list of
// sites.

#include <atomic>
#include <string>
#include <string_view>

#include "core/keyword.h"
#include "core/owned_list.h"
#include "runtime/classinfo.h"
#include "runtime/object.h"

namespace core {

class TSite : public runtime::TObject {
    RUNTIME_CLASS(TSite)

  public:
    explicit TSite(std::string url);
    ~TSite() override;

    // Appends a new keyword and makes it CurrentKeyword.
    TKeyword& AddKeyword(std::u16string name);
    // Frees the keyword of that name and leaves CurrentKeyword none. A name
    // that is not there changes nothing.
    void DeleteKeyword(std::u16string_view name);

    std::string URL;  // as the user typed it, without "http://"
    TKeywordList Keywords;
    std::u16string Notes;
    // The stop request of a running check: set on the main thread, read by
    // the search workers.
    std::atomic<bool> Stop{false};
};

class TSiteList : public TOwnedList<TSite> {
  public:
    // The first site whose URL equals `url` byte for byte; -1 when none.
    [[nodiscard]] int FindURL(std::string_view url) const;
};

}  // namespace core
