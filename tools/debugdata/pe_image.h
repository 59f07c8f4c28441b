#pragma once

// The parts of an unstripped PE program file that its debug data comes
// from: sections, function symbols and the function table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace debugdata {

struct Section {
    std::string Name;
    uint32_t VirtualAddress = 0;
    uint32_t VirtualSize = 0;
    uint32_t RawOffset = 0;
    uint32_t RawSize = 0;
};

struct FunctionSymbol {
    uint32_t Rva = 0;
    std::string Name;  // as linked (mangled)
    bool External = false;
};

struct FunctionRange {
    uint32_t Begin = 0;
    uint32_t End = 0;
};

class PeImage {
  public:
    // Reads the file's headers, sections, symbols and function table;
    // std::runtime_error when it is no 64-bit PE program.
    explicit PeImage(std::string bytes);

    [[nodiscard]] uint64_t ImageBase() const { return imageBase_; }
    [[nodiscard]] const std::vector<Section>& Sections() const { return sections_; }
    // Sorted by Rva.
    [[nodiscard]] const std::vector<FunctionSymbol>& Functions() const { return functions_; }
    // Sorted by Begin.
    [[nodiscard]] const std::vector<FunctionRange>& Ranges() const { return ranges_; }
    // The raw bytes of a section, or nothing.
    [[nodiscard]] std::optional<std::string_view> SectionData(std::string_view name) const;
    [[nodiscard]] const Section* SectionNamed(std::string_view name) const;
    [[nodiscard]] const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
    uint64_t imageBase_ = 0;
    std::vector<Section> sections_;
    std::vector<FunctionSymbol> functions_;
    std::vector<FunctionRange> ranges_;
};

}  // namespace debugdata
