#pragma once

// What the project file's readers and writer share.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/site.h"
#include "runtime/streams.h"

namespace core::project {

// A project read from a file and not in use yet.
struct TLoadedProject {
    std::unique_ptr<TSiteList> Sites = std::make_unique<TSiteList>();
    // The file's "Sites" element has children: the sites replace the
    // program's (possibly with none, when no child was a valid site).
    bool ReplacesSites = false;
};

// Reads the tagged text of `stream` from its position on, at most
// `maxUnits` UTF-16 units (-1: to the end); `totalUnits` is the text's
// length for progress. A malformed text raises runtime::Exception with the
// load error's message, after leaving "debug.xml" in `dumpFolder`.
TLoadedProject ReadTaggedProject(runtime::TStream& stream, int64_t maxUnits, int64_t totalUnits,
                                 int64_t streamSize, std::u16string_view dumpFolder);

// Reads the XML document of the oldest format from `file`, which stands just
// after the magic text.
TLoadedProject ReadXmlProject2004(runtime::TStream& file);

// The length field after the magic text; runtime::Exception when the file
// ends before it.
uint32_t ReadLengthField(runtime::TStream& file);

// Renames `temp` over `target` once `temp` is on the disk. On a failure
// `temp` is deleted and runtime::Exception raised; `target` is as before.
void ReplaceFile(const std::u16string& temp, const std::u16string& target);

// `name` is `prefix` followed by the decimal `index` (as IntToStr writes
// it: no sign, no leading zero).
[[nodiscard]] bool IndexedName(std::u16string_view name, std::u16string_view prefix, int& index);
std::u16string IndexedName(std::u16string_view prefix, int index);

}  // namespace core::project
