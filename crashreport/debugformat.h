#pragma once

// The compact form of a module's library data: a header with the data's
// version and build date, a table of symbol ids, the module's options and
// its debug information (source units with their code ranges and line
// tables, procedure names), compressed with zlib and with the names
// enciphered under a key made from a password (empty by default).
//
// Library data (little-endian):
//   uint32 magic 0x000C7E21, uint16 version, float64 build date (days since
//   30 Dec 1899), uint32 L1 and L1 bytes of symbols (9 bytes each: id,
//   uint32 offset from base + 0x1000, 4 spare bytes), uint32 L2 and L2 bytes
//   of the zlib-compressed options stream, 4 bytes of check value (the
//   magic, enciphered with the data key), and the zlib-compressed debug
//   information: uint32 N and N bytes.
// A program carries it appended to its file: the data, then uint32 size,
// then the magic as the file's last four bytes.
//
// Debug information: uint32 unit count, then per unit its name, first line,
// code start (offset from base + 0x1000), code size, the size of its line
// table and the table. Each line record covers one source line: it starts at
// the current line and offset, spans dA bytes, and moves the line on by dL;
// a record may announce a procedure starting with it. Lines only go forward
// within a unit, so a procedure whose lines go back continues in a new unit
// of the same name. The code after the last record belongs to that record.
//
// Standard library and zlib only: the build-time tool that writes it is
// built with the host compiler alone.

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace crashreport {

inline constexpr uint32_t LibraryDataMagic = 0x000C7E21;
// Code offsets in the data are counted from the module base plus this.
inline constexpr uint32_t CodeBaseOffset = 0x1000;
// The longest name part; longer names are stored in parts joined by ".".
inline constexpr size_t MaxNamePart = 127;

class EDebugDataError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// ---- digest and cipher ------------------------------------------------------

using TMD5Digest = std::array<uint8_t, 16>;
TMD5Digest MD5Digest(const void* data, size_t length);

// The data key: the password's MD5 digest as four big-endian words.
struct TCipherKey {
    std::array<uint32_t, 4> Words{};
};
TCipherKey CipherKeyOf(std::string_view password);

// Chained 8-byte blocks (the chain starts at eight 0xFF bytes); a final
// partial block is XOR-ed with the enciphered previous block. In place.
void EncryptBlocks(const TCipherKey& key, uint8_t* data, size_t count);
void DecryptBlocks(const TCipherKey& key, uint8_t* data, size_t count);

// ---- line records -----------------------------------------------------------

struct TLineRecord {
    uint32_t LineStep = 1;  // dL, at least 1
    uint32_t CodeStep = 1;  // dA; 0 only in the 4-byte form
    bool HasName = false;
};

// Appends the shortest encoding of the record. EDebugDataError when the
// steps cannot be stored (dL or dA above 65536, dL of 0).
void WriteLineRecord(std::string& out, const TLineRecord& record);
// Decodes one record at pos and moves pos past it; nullopt when the table
// ends inside it. `version` selects the long form (version > 422).
std::optional<TLineRecord> ReadLineRecord(std::string_view table, size_t& pos, uint16_t version);

// ---- names ------------------------------------------------------------------

// A name of the debug information: one length byte and the bytes. Longer
// names (version > 501) are parts of at most 127 bytes, each but the last
// with bit 7 of its length set, joined by "." when read. Every part is
// enciphered on its own.
void WriteName(std::string& out, std::string_view name, const TCipherKey& key);
// Reads the name at pos and moves pos past it; nullopt when the data ends
// inside it. Before version 500 the bytes are XOR-ed with the options'
// scramble byte; from 500 on they are deciphered with *key, or, with no key
// (the names are not readable), left as they are in RawParts and Text
// stays empty.
struct TRawName {
    std::string Text;                   // the parts joined by "."
    std::vector<std::string> RawParts;  // only without a key
};
std::optional<TRawName> ReadName(std::string_view data, size_t& pos, uint16_t version,
                                 const TCipherKey* key);

// ---- writing the debug information ------------------------------------------

// One row of a unit's line table: the source line that starts at the code
// offset, and the procedure ("Class.Procedure", or "Procedure") when one
// starts there.
struct TLineRow {
    int32_t Line = 0;
    uint32_t Offset = 0;
    std::string Procedure;
};

// A run of rows of one source file with rising lines; CodeEnd ends the last
// row's code.
struct TUnitRows {
    std::string Name;
    std::vector<TLineRow> Rows;
    uint32_t CodeEnd = 0;
};

// The debug information for the units (each split where it must be: a line
// that does not rise, or a code step too long for a record).
std::string BuildDebugInformation(const std::vector<TUnitRows>& units, const TCipherKey& key);

// ---- library data -------------------------------------------------------------

struct TDebugSymbol {
    uint8_t Id = 0;
    uint32_t Offset = 0;
};

struct TLibraryDataParts {
    uint16_t Version = 0;
    double CompileDate = 0;
    std::vector<TDebugSymbol> Symbols;
    std::string Options;           // the options stream
    std::string DebugInformation;  // the N bytes
    bool NamesReadable = false;    // the check value matched the key
};

// The library data of the current version, compressed, with the check value
// made with `key`.
std::string BuildLibraryData(double compileDate, const std::vector<TDebugSymbol>& symbols,
                             std::string_view options, std::string_view debugInformation,
                             const TCipherKey& key);
// Parses library data of version 500 or later. The options and the
// readability of the names need no key but the one given; debugInformation
// is left empty when withDebugInformation is false. EDebugDataError when the
// data is damaged.
TLibraryDataParts ParseLibraryData(std::string_view data, const TCipherKey& key,
                                   bool withDebugInformation);
// The version stored in library data (its first six bytes).
std::optional<uint16_t> LibraryDataVersionOf(std::string_view data);

// The trailer that appends data to a file: the data, its size, the magic.
std::string AppendedForm(std::string_view data);
// The appended data inside a file's bytes (or its tail), or nullopt.
std::optional<std::string_view> FindAppendedData(std::string_view file);

// zlib, with a cap on what inflating may produce.
std::string Compress(std::string_view data);
std::string Decompress(std::string_view data, size_t limit);

}  // namespace crashreport
