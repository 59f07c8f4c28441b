#pragma once

// The text log: the newest reports, oldest first, in one 8-bit text file
// (extension ".elf"). Each entry is stored as its text followed by
// CR LF CR LF CR LF, and entries are separated by one more CR LF.
//
// The file is read whole when the object is made and rewritten whole by
// Save, which writes a new file beside it and renames it over the old one,
// so a failure while saving never leaves a damaged log.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/object.h"

namespace crashreport {

class TLogFile : public runtime::TObject {
  public:
    // Reads the file when it exists (sharing it with other readers and
    // writers); a missing file is an empty log. EFOpenError or EReadError
    // when an existing file cannot be read.
    explicit TLogFile(std::u16string fileName);
    explicit TLogFile(std::string_view fileName);

    [[nodiscard]] const std::u16string& FileName() const { return fileName_; }

    // Drops the oldest entries so that at most keep - 1 remain (keep below 1
    // counts as 1), then appends text as the newest entry.
    void AddEntry(std::string_view text, int32_t keep);
    // Writes every entry (creating the file and its folder when missing).
    // EFCreateError, EWriteError or EInOutError when it cannot.
    void Save();

    [[nodiscard]] int Count() const { return static_cast<int>(entries_.size()); }
    // Entry text as stored, ending with CR LF CR LF CR LF.
    [[nodiscard]] const std::string& Entry(int index) const { return entries_.at(index); }
    // All entries, each followed by CR LF.
    [[nodiscard]] std::string Text() const;
    // The value of item id ("1.3") in the entry at index: the rest of the
    // item's line after its first ": " and the continuation lines that
    // follow it, each trimmed, joined with CR LF. Empty when absent.
    [[nodiscard]] std::string ItemValue(std::string_view id, int index) const;
    // True when one entry holds every id with the value at the same index,
    // rendered as the report writes it.
    [[nodiscard]] bool FindDuplicate(const std::vector<std::string>& ids,
                                     const std::vector<std::string>& values) const;
    // The version on the entry's first line (after "VuvuvuVoz ").
    [[nodiscard]] std::string EntryVersion(int index) const;

  private:
    void ParseEntries(std::string_view text);

    std::u16string fileName_;
    std::vector<std::string> entries_;
};

}  // namespace crashreport
