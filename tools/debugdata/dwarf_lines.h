#pragma once

// The line tables of DWARF (versions 2 to 5): which source file and line
// each address of the program belongs to.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace debugdata {

struct LineRow {
    uint64_t Address = 0;
    uint32_t File = 0;  // index into LineSequence::Files of its table
    int32_t Line = 0;
};

// One sequence of rising addresses; End is one past its last byte.
struct LineSequence {
    std::vector<LineRow> Rows;
    uint64_t End = 0;
    // The table's file names, as addr2line composes them from the
    // compilation folder, the entry's folder and its name.
    const std::vector<std::string>* Files = nullptr;
};

class LineTables {
  public:
    // `lineStr` and `str` are .debug_line_str and .debug_str (may be empty).
    LineTables(std::string_view debugLine, std::string_view lineStr, std::string_view str);

    [[nodiscard]] const std::vector<LineSequence>& Sequences() const { return sequences_; }

  private:
    void ReadTable(std::string_view data, size_t& pos);

    std::string_view lineStr_, str_;
    // Sequences point at their table's names: each list stays put.
    std::vector<std::unique_ptr<std::vector<std::string>>> fileTables_;
    std::vector<LineSequence> sequences_;
};

}  // namespace debugdata
