#pragma once

// A module's debug information, read for lookups: source file, class,
// procedure and line of a code offset.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "crashreport/debugformat.h"

namespace crashreport {

struct TSourcePosition {
    std::string UnitName;
    std::string ClassName;
    std::string ProcedureName;
    int32_t Line = 0;
    // Lines from the procedure's first line (never below 0).
    int32_t LineOffset = 0;
};

class TDebugInformation {
  public:
    // `bytes` are the debug information of library data of `version`;
    // `key` deciphers its names (none: the names cannot be read and show as
    // "?" and the Base64 form of their bytes). The units are indexed once
    // here, so each lookup decodes only the unit that holds the offset.
    TDebugInformation(std::string bytes, uint16_t version, std::optional<TCipherKey> key);

    // The position of the code at `offset` (from the module base + 0x1000);
    // false when no unit covers it.
    [[nodiscard]] bool Lookup(uint32_t offset, TSourcePosition& position) const;
    [[nodiscard]] size_t UnitCount() const { return units_.size(); }

  private:
    struct Unit {
        uint32_t Start = 0;
        uint32_t End = 0;  // one past the last byte
        int32_t FirstLine = 0;
        size_t NamePos = 0;
        size_t TablePos = 0;
        size_t TableSize = 0;
    };

    [[nodiscard]] bool LookupInUnit(const Unit& unit, uint32_t offset,
                                    TSourcePosition& position) const;
    [[nodiscard]] std::string NameText(const TRawName& name) const;

    std::string bytes_;
    uint16_t version_;
    std::optional<TCipherKey> key_;
    std::vector<Unit> units_;  // by Start
    uint32_t widestUnit_ = 0;
};

}  // namespace crashreport
