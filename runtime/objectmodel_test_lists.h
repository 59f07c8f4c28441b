#pragma once

// A test component with a string-list property (Lines) and a collection
// property (Items), reached through functions so that test files need not
// include the string-list header.

#include <string>
#include <utility>
#include <vector>

#include "runtime/component.h"

namespace objtest {

// Creates a TListHolder owned by `owner`.
runtime::TComponent& NewListHolder(runtime::TComponent& owner);
void SetHolderLines(runtime::TComponent& holder, const std::vector<std::string>& lines);
std::vector<std::string> HolderLines(runtime::TComponent& holder);
// Items: TSampleItem with Caption and Width.
void AddHolderItem(runtime::TComponent& holder, const std::string& caption, int width);
std::vector<std::pair<std::string, int>> HolderItems(runtime::TComponent& holder);
void RegisterListHolderClass();

}  // namespace objtest
