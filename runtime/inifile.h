#pragma once

// Ini files: TCustomIniFile (the interface and the typed reads and writes
// built on strings), TIniFile (the platform's private-profile service) and
// TMemIniFile (the whole file kept in memory, written by UpdateFile).
//
// Typed values: integers as decimal text, read also as hexadecimal after
// "0x" (unreadable text gives the default); Booleans written "1"/"0" and
// read as integers (non-zero is true); floats, dates and times in the
// program-wide locale settings (unreadable text gives the default).
//
// TIniFile semantics (Windows: the private-profile functions; natively an
// implementation of the same rules, Wine's behaviour being the reference):
//   - every call reads the file; every write that changes it rewrites the
//     whole file at once (creating it), keeping section and key order,
//     comment lines (";") and lines without "=", and dropping blank lines;
//     a failed write raises EIniFileException "Unable to write to <file>"
//     (DeleteKey fails silently); a missing or unreadable file reads as
//     empty
//   - names are compared without regard to ASCII case; section and key
//     arguments are trimmed of blanks (tab, line ends, VT, FF, space, ^Z)
//     when read or written, not when a key or section is deleted; a new
//     key or section keeps the name given, less its leading blanks
//   - "[name]" starts a section (the name runs to the last "]", trimmed);
//     lines before the first section belong to a nameless one (section "")
//   - a value is read trimmed; a value enclosed in matching quotes (' or ")
//     is returned without them; the first of duplicate sections or keys
//     wins; a key without "=" reads as absent; a written value loses its
//     leading blanks
//   - ReadSection lists the keys that have "=", comments excepted, of the
//     first section of that name (nothing when its first key's name is
//     empty); ReadSections lists the named sections, duplicates included
//   - files starting with a UTF-8 or UTF-16 byte-order mark are read and
//     written back in that encoding, others in the system code page
// Natively a name without a folder is taken in the current folder (Windows
// looks in the Windows folder); concurrent writers of one file are not
// serialised.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/object.h"

namespace runtime {

class TStrings;
class TStringList;

inline constexpr const char* SIniFileWriteError = "Unable to write to %s";

class TCustomIniFile : public TObject {
  public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    ~TCustomIniFile() override = default;

    [[nodiscard]] const std::string& FileName() const { return fileName_; }

    virtual std::string ReadString(std::string_view section, std::string_view ident,
                                   std::string_view def) const = 0;
    virtual void WriteString(std::string_view section, std::string_view ident,
                             std::string_view value) = 0;

    virtual int32_t ReadInteger(std::string_view section, std::string_view ident,
                                int32_t def) const;
    virtual void WriteInteger(std::string_view section, std::string_view ident, int32_t value);
    virtual bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
    virtual void WriteBool(std::string_view section, std::string_view ident, bool value);
    virtual double ReadFloat(std::string_view section, std::string_view ident, double def) const;
    virtual void WriteFloat(std::string_view section, std::string_view ident, double value);
    virtual TDateTime ReadDate(std::string_view section, std::string_view ident,
                               TDateTime def) const;
    virtual void WriteDate(std::string_view section, std::string_view ident, TDateTime value);
    virtual TDateTime ReadDateTime(std::string_view section, std::string_view ident,
                                   TDateTime def) const;
    virtual void WriteDateTime(std::string_view section, std::string_view ident, TDateTime value);
    virtual TDateTime ReadTime(std::string_view section, std::string_view ident,
                               TDateTime def) const;
    virtual void WriteTime(std::string_view section, std::string_view ident, TDateTime value);

    // The key names of a section.
    virtual void ReadSection(std::string_view section, TStrings& strings) const = 0;
    virtual void ReadSections(TStrings& strings) const = 0;
    // "name=value" for every key of the section.
    virtual void ReadSectionValues(std::string_view section, TStrings& strings) const;
    virtual void EraseSection(std::string_view section) = 0;
    virtual void DeleteKey(std::string_view section, std::string_view ident) = 0;
    virtual void UpdateFile() = 0;

    // True when ReadSection lists at least one key (a section without keys
    // does not count, as in the class library).
    [[nodiscard]] bool SectionExists(std::string_view section) const;
    [[nodiscard]] virtual bool ValueExists(std::string_view section, std::string_view ident) const;

  private:
    std::string fileName_;
};

class TIniFile : public TCustomIniFile {
  public:
    explicit TIniFile(const std::string& fileName);
    explicit TIniFile(const std::u16string& fileName);
    // Flushes the platform's cache of the file.
    ~TIniFile() override;

    std::string ReadString(std::string_view section, std::string_view ident,
                           std::string_view def) const override;
    void WriteString(std::string_view section, std::string_view ident,
                     std::string_view value) override;
    void ReadSection(std::string_view section, TStrings& strings) const override;
    void ReadSections(TStrings& strings) const override;
    void EraseSection(std::string_view section) override;
    void DeleteKey(std::string_view section, std::string_view ident) override;
    void UpdateFile() override;

  private:
    std::u16string wideFileName_;
};

// The class library's in-memory ini file: loaded whole at construction
// (lines trimmed, blanks around "=" removed, blank and ";" lines and lines
// before the first section dropped), changed in memory, written whole by
// UpdateFile (each section followed by a blank line). Names are compared
// with AnsiCompareText; values keep their quotes.
class TMemIniFile : public TCustomIniFile {
  public:
    explicit TMemIniFile(const std::string& fileName);
    explicit TMemIniFile(const std::u16string& fileName);
    ~TMemIniFile() override;

    std::string ReadString(std::string_view section, std::string_view ident,
                           std::string_view def) const override;
    void WriteString(std::string_view section, std::string_view ident,
                     std::string_view value) override;
    void ReadSection(std::string_view section, TStrings& strings) const override;
    void ReadSections(TStrings& strings) const override;
    void ReadSectionValues(std::string_view section, TStrings& strings) const override;
    void EraseSection(std::string_view section) override;
    void DeleteKey(std::string_view section, std::string_view ident) override;
    // Writes every section to the file.
    void UpdateFile() override;

    void Clear();
    // The file's lines as UpdateFile writes them / replaces the content.
    void GetStrings(TStrings& list) const;
    void SetStrings(const TStrings& list);

  private:
    struct Section;

    [[nodiscard]] const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    void Load();

    std::u16string wideFileName_;
    std::vector<std::unique_ptr<Section>> sections_;
};

}  // namespace runtime
