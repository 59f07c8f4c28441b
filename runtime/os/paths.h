#pragma once

// File-name pieces, by the class library's rules. Names are 8-bit strings in
// the system code page or wide strings; on Windows a drive colon also ends
// the folder part, and the second byte of a double-byte character of an
// 8-bit name is never taken for a delimiter.

#include <string>
#include <string_view>

namespace runtime::os {

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

// Appends PathDelim unless the name already ends with it (an empty name
// gets one too).
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::u16string IncludeTrailingPathDelimiter(std::u16string_view path);
// Removes one trailing PathDelim.
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::u16string ExcludeTrailingPathDelimiter(std::u16string_view path);

// The folder part with its trailing delimiter ("" when there is none).
std::string ExtractFilePath(std::string_view fileName);
std::u16string ExtractFilePath(std::u16string_view fileName);
// What follows the folder part.
std::string ExtractFileName(std::string_view fileName);
std::u16string ExtractFileName(std::u16string_view fileName);
// The extension with its dot, from the last dot of the name part; "" when
// the name part has no dot.
std::string ExtractFileExt(std::string_view fileName);
std::u16string ExtractFileExt(std::u16string_view fileName);
// Replaces the extension (or appends `extension` when there is none);
// `extension` includes its dot, or is empty to remove the extension.
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::u16string ChangeFileExt(std::u16string_view fileName, std::u16string_view extension);

}  // namespace runtime::os
