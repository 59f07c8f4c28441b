#pragma once

// Search engines: compressed scripts in the "SearchEngines" folder beside
// the program, listed in its "selist.ini"; their header constants; the
// choice of the engine that checks use; and the script units that engine
// scripts name in "uses", read from the same folder.
//
// Engine file and unit file (".se"): a 4-byte unsigned little-endian length
// n, then a zlib stream (RFC 1950) inflating to n bytes of script text in
// the system code page.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/stringlist.h"

namespace runtime {
class TStream;
}

namespace core {

// An engine or unit file that cannot be read: missing, too short, a length
// the file cannot hold, corrupt compressed data.
class EEngineFileError : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EEngineFileError"; }
};

// The longest script text an engine or unit file may hold.
inline constexpr uint32_t kMaxEngineTextSize = 16u << 20;

// The folder of the engine files: ExeDir + "SearchEngines" + a delimiter.
std::u16string EnginesDir();

// The text of an engine or unit file whose container starts at the stream's
// position. The length is checked against what the rest of the stream can
// inflate to before anything is allocated; the text is cut at that length
// and is shorter when the compressed data ends first. EEngineFileError for
// a container that is too short, a length beyond kMaxEngineTextSize or
// beyond the data, and corrupt compressed data.
std::string ReadEngineText(runtime::TStream& stream);
// The same from a file; EEngineFileError also when it cannot be opened.
std::string ReadEngineFile(const std::u16string& path);
// The container of `text`: what ReadEngineText reads back.
std::string PackEngineText(std::string_view text);

// The value of the header constant `key` in `text`: the first occurrence
// of the key (case-sensitive) with a space or tab before it and a space,
// tab or "=" after it; the text after the next "=" up to the next ";",
// trimmed of spaces and control characters, every "'" removed. Empty when
// no occurrence qualifies or no ";" follows.
std::string ReadScriptConstant(std::string_view key, std::string_view text);

// One search engine.
class TSE {
  public:
    // The longest header value kept; longer ones are cut.
    static constexpr size_t MaxHeaderLength = 255;

    // Reads the engine file and its header constants; EEngineFileError when
    // the file cannot be read.
    explicit TSE(const std::u16string& path);
    // An engine from its script text (FileName names where it came from).
    TSE(std::u16string fileName, std::string_view text);

    std::u16string FileName;  // the engine file's full path
    std::string Name;
    std::string Country;
    std::string Url;
    std::string Lang;
    bool FreeListing = false;
    bool PaidListing = false;
    runtime::TStringList Script;  // the script's lines

  private:
    void ReadHeader();
};

// The loaded engines, in the order of "selist.ini".
class TSEList {
  public:
    [[nodiscard]] int Count() const { return static_cast<int>(engines_.size()); }
    [[nodiscard]] TSE* Items(int index) const {
        return engines_.at(static_cast<size_t>(index)).get();
    }
    TSE& Add(std::unique_ptr<TSE> engine);

    // The first engine whose Country equals `country` exactly; -1 when none.
    [[nodiscard]] int FindEngineByCountry(std::string_view country) const;
    // The first engine whose file name (the last path component) equals
    // that of `path` exactly, folders aside; -1 when none.
    [[nodiscard]] int FindEngineByFile(std::string_view path) const;
    [[nodiscard]] int FindEngineByFile(std::u16string_view path) const;

    // Why listed engines were left out while loading, one line each.
    std::vector<std::string> Problems;

  private:
    std::vector<std::unique_ptr<TSE>> engines_;
};

// Loads every engine that `folder` + "selist.ini" lists (the program's
// EnginesDir() by default): a section with a "Name" (the file's name in the
// folder) and without "Main" set. A listed file that is missing or cannot
// be read is left out and named in Problems; "selist.ini" itself is only
// read. Pending window messages run after each engine.
std::unique_ptr<TSEList> LoadSearchEngines(const std::u16string& folder = EnginesDir());

// Sets CurrentEngine from the settings, at start: the engine of SEFileName
// (an older release's name containing "duzevedi" is corrected and saved
// first), else the "USA" engine, which SEFileName, Country and Lang then
// name (saved); without SEFileName, the engine of Country. None when
// nothing matches.
void ChooseEngine();

// The text of the script unit `unitName` in `folder`, the folder of the
// engine that names it ("common.pas" is read from `folder` + "common.se"; a
// name without a four-character extension is taken whole).
// EEngineFileError for a name that is not a plain file name (a path
// delimiter, a drive colon, "..") and for a file that cannot be read.
std::string LoadScriptUnit(const std::u16string& folder, const std::string& unitName);

}  // namespace core
