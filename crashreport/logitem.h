#pragma once

// The section builder of the report's header: numbered sections of
// "label: value" items, aligned per section, with a dash line under each
// title as wide as the section's widest line.
//
//   Application:
//   ------------------------------
//     1.1 Start Date      : Mon, ...
//     1.2 Name/Description: serplow.exe

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/object.h"

namespace crashreport {

class TLogItem : public runtime::TObject {
  public:
    // Sections are numbered from firstHeader + 1.
    explicit TLogItem(int32_t firstHeader = 0);

    void Clear();
    // Starts the next section.
    void AddHeader(std::string_view title);
    // Counts an item of the current section and writes it when shown, so an
    // item keeps its number whatever else is shown. A multi-line value is
    // stored with ": " as ":_", empty lines as "." and its later lines
    // indented under the first.
    void AddItem(std::string_view label, std::string_view value, bool shown = true);
    // The sections, aligned; sections without a shown item are left out.
    [[nodiscard]] std::string GetText() const;

    [[nodiscard]] int32_t HeaderNo() const { return headerNo_; }
    [[nodiscard]] int32_t ItemNo() const { return itemNo_; }

  private:
    int32_t firstHeader_;
    int32_t headerNo_;
    int32_t itemNo_ = 0;
    std::string text_;
};

// The form a value takes in an item line, before alignment: a single line
// unchanged; several lines joined by CR LF with ": " written ":_", blank
// lines written "." and every line after the first prefixed by one blank
// plus `continuationIndent` blanks.
std::string FormatItemValue(std::string_view value, size_t continuationIndent = 0);

}  // namespace crashreport
