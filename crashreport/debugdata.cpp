#include "crashreport/debugdata.h"

#include <algorithm>

#include "net/base64.h"

namespace crashreport {

namespace {

// Reads the unsigned 32-bit fields of the unit headers; nullopt at the end.
std::optional<uint32_t> u32(std::string_view data, size_t& pos) {
    if (pos > data.size() || data.size() - pos < 4) return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(data[pos + i])) << (8 * i);
    pos += 4;
    return v;
}

}  // namespace

TDebugInformation::TDebugInformation(std::string bytes, uint16_t version,
                                     std::optional<TCipherKey> key)
    : bytes_(std::move(bytes)), version_(version), key_(key) {
    const std::string_view data = bytes_;
    size_t pos = 0;
    if (version_ > 404 && version_ < 500) {
        const auto skip = u32(data, pos);
        if (!skip || *skip > data.size() - pos) return;
        pos += *skip;
    }
    const auto count = u32(data, pos);
    if (!count) return;
    for (uint32_t i = 0; i < *count; ++i) {
        Unit unit;
        unit.NamePos = pos;
        if (!ReadName(data, pos, version_, nullptr)) break;
        const auto firstLine = u32(data, pos);
        const auto start = u32(data, pos);
        const auto size = u32(data, pos);
        const auto tableSize = u32(data, pos);
        if (!tableSize || *tableSize > data.size() - pos) break;
        unit.FirstLine = static_cast<int32_t>(*firstLine);
        unit.Start = *start;
        unit.End = *start + *size;
        unit.TablePos = pos;
        unit.TableSize = *tableSize;
        pos += *tableSize;
        if (unit.End <= unit.Start) continue;
        widestUnit_ = std::max(widestUnit_, unit.End - unit.Start);
        units_.push_back(unit);
    }
    std::stable_sort(units_.begin(), units_.end(),
                     [](const Unit& a, const Unit& b) { return a.Start < b.Start; });
}

std::string TDebugInformation::NameText(const TRawName& name) const {
    if (name.RawParts.empty()) return name.Text;
    std::string raw;
    for (const std::string& part : name.RawParts) raw += part;
    return "?" + net::EncodeToBase64(raw);
}

bool TDebugInformation::Lookup(uint32_t offset, TSourcePosition& position) const {
    // Units may overlap; every unit that starts at or before the offset and
    // is wide enough to reach it is a candidate, nearest start first.
    auto it = std::upper_bound(units_.begin(), units_.end(), offset,
                               [](uint32_t value, const Unit& u) { return value < u.Start; });
    while (it != units_.begin()) {
        --it;
        if (offset - it->Start >= widestUnit_) break;
        if (offset < it->End && LookupInUnit(*it, offset, position)) return true;
    }
    return false;
}

bool TDebugInformation::LookupInUnit(const Unit& unit, uint32_t offset,
                                     TSourcePosition& position) const {
    const std::string_view data = bytes_;
    const std::string_view table = data.substr(unit.TablePos, unit.TableSize);
    const TCipherKey* key = key_ ? &*key_ : nullptr;

    struct Procedure {
        std::string ClassName, Name;
        int32_t FirstLine = 0;
    } procedure;
    const auto found = [&](int32_t line) {
        size_t namePos = unit.NamePos;
        const auto unitName = ReadName(data, namePos, version_, key);
        position.UnitName = unitName ? NameText(*unitName) : std::string();
        position.ClassName = procedure.ClassName;
        position.ProcedureName = procedure.Name;
        position.Line = line;
        position.LineOffset = std::max(0, line - procedure.FirstLine);
        return true;
    };

    int32_t line = unit.FirstLine;
    uint32_t at = unit.Start;
    int32_t lastLine = line;
    size_t pos = 0;
    while (pos < table.size()) {
        const auto record = ReadLineRecord(table, pos, version_);
        if (!record) return false;
        if (record->HasName) {
            const auto raw = ReadName(table, pos, version_, key);
            if (!raw) return false;
            std::string name = NameText(*raw);
            const size_t dot = name.find('.');
            if (dot == 0) {
                procedure.Name = name.substr(1);
            } else if (dot != std::string::npos && raw->RawParts.empty()) {
                procedure.ClassName = name.substr(0, dot);
                procedure.Name = name.substr(dot + 1);
            } else {
                procedure.ClassName.clear();
                procedure.Name = name;
            }
            if (!procedure.Name.empty() && procedure.Name[0] == '@') procedure.Name[0] = '_';
            procedure.FirstLine = line;
        }
        if (offset >= at && offset - at < record->CodeStep) return found(line);
        if (at > offset) return false;
        lastLine = line;
        line += static_cast<int32_t>(record->LineStep);
        at += record->CodeStep;
    }
    // The code after the last record belongs to it.
    if (offset >= at && offset < unit.End) return found(lastLine);
    return false;
}

}  // namespace crashreport
