#pragma once

// The project file: every site with its keywords, notes and last results in
// one file. Bytes 0..24 are a magic text naming the format, bytes 25..28 an
// unsigned 32-bit little-endian length, the rest the payload:
//
//   "SERPLOW PROJECT FILE 2008"  tagged text (UTF-16); length = its bytes
//   "SERPLOW PROJECT FILE 2007"  zlib of the tagged text; length = inflated bytes
//   "SERPLOW PROJECT FILE 2004"  zlib of an XML document (text or binary
//                                form); length = inflated bytes
//
// The newest format is written, all three are read. The tagged text holds
//
//   DocumentRoot / Sites / Site<i> / URL, Notes, Keywords / Keyword<j> /
//     Name, Position, LastPosition, Best, Active, Date, Links / Link<k> /
//       Name, Title, Position, Page, Cost
//
// with children in the locale's order of their names, and is streamed in
// both directions, never held whole. A link's Description is not stored.
//
// Both run on the main thread, report through Callbacks and work on the
// program-wide Sites.

#include <string>
#include <string_view>

namespace core {

inline constexpr std::string_view ProjectMagic2008 = "SERPLOW PROJECT FILE 2008";
inline constexpr std::string_view ProjectMagic2007 = "SERPLOW PROJECT FILE 2007";
inline constexpr std::string_view ProjectMagic2004 = "SERPLOW PROJECT FILE 2004";
inline constexpr size_t ProjectMagicSize = 25;
static_assert(ProjectMagic2008.size() == ProjectMagicSize &&
              ProjectMagic2007.size() == ProjectMagicSize &&
              ProjectMagic2004.size() == ProjectMagicSize);

inline constexpr const char* SProjectWrongFormat =
    "Unable to read the file. The specified file has wrong format.";

// Writes Sites in the newest format. The text goes to a temporary file
// beside `path`, which is flushed to the disk and then renamed over `path`:
// a failure (a full disk, a crash) leaves the old file as it was and passes
// the error on.
void SaveProject(const std::u16string& path);

enum class ProjectBackup {
    // A file that loads cleanly is copied to the data folder's
    // "project.spj.backup".
    Make,
    None,
};

// Reads a project in any of the three formats into new objects and, when
// the file holds sites, replaces Sites with them (CurrentSite becomes the
// first site, CurrentKeyword none). Answers false, after the wrong-format
// message, for a file that is none of the three formats. A malformed file
// raises runtime::Exception (for the tagged text with "debug.xml" left in
// the data folder). After either failure Sites and the backup are as
// before, the selection is none and ProjectMaySave is false; a load that
// succeeds sets it. Not while a check runs (the workers hold keywords):
// raises then, changing nothing.
bool LoadProject(const std::u16string& path, ProjectBackup backup = ProjectBackup::Make);

// Lets the program's sites go (Sites becomes empty, the selection none);
// they are freed on a thread of its own, as the sites a load replaces are.
void ReleaseProject();

// Waits until the sites replaced by earlier loads or let go are freed (that
// happens on a thread of its own, since freeing a large project takes long).
void WaitForReleasedProjects();

}  // namespace core
