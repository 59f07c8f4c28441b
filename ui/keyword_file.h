#pragma once

// Keyword list files as the project-properties dialog imports and exports
// them: one keyword a line. An import takes UTF-8, UTF-16 (either byte
// order, told by the byte-order mark) and the system code page; an export
// writes UTF-8 lines ended by CR LF, without a byte-order mark.

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// The keywords of a file's bytes, in file order: each line cut before its
// first ".", ",", ";" or tab, without the blanks around it; lines left
// empty give none. Lines of a file without a byte-order mark are read as
// UTF-8 when they are valid UTF-8, else in the system code page.
// Duplicates are kept: the list they go into decides.
std::vector<std::u16string> ReadKeywordLines(std::string_view bytes);

// The bytes of an exported list.
std::string KeywordFileBytes(const std::vector<std::u16string>& keywords);

// The name an export writes: ".txt" added when the file name has no
// extension.
std::u16string ExportFileName(const std::u16string& chosen);

}  // namespace ui
