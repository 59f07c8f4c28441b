#include "pe_image.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace debugdata {

namespace {

template <class T>
T read(std::string_view bytes, size_t at) {
    if (at > bytes.size() || bytes.size() - at < sizeof(T)) {
        throw std::runtime_error("the program file ends early");
    }
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

constexpr uint16_t functionType = 0x20;
constexpr uint8_t externalClass = 2;
constexpr uint8_t staticClass = 3;
constexpr size_t symbolSize = 18;
constexpr size_t sectionHeaderSize = 40;

}  // namespace

PeImage::PeImage(std::string bytes) : bytes_(std::move(bytes)) {
    const std::string_view b = bytes_;
    if (read<uint16_t>(b, 0) != 0x5A4D) throw std::runtime_error("no MZ header");
    const uint32_t pe = read<uint32_t>(b, 60);
    if (read<uint32_t>(b, pe) != 0x00004550) throw std::runtime_error("no PE header");
    const size_t file = pe + 4;
    const uint16_t sectionCount = read<uint16_t>(b, file + 2);
    const uint32_t symbolTable = read<uint32_t>(b, file + 8);
    const uint32_t symbolCount = read<uint32_t>(b, file + 12);
    const uint16_t optionalSize = read<uint16_t>(b, file + 16);
    const size_t optional = file + 20;
    if (read<uint16_t>(b, optional) != 0x20B) throw std::runtime_error("not a 64-bit program");
    imageBase_ = read<uint64_t>(b, optional + 24);
    const uint32_t exceptionRva = read<uint32_t>(b, optional + 112 + 3 * 8);
    const uint32_t exceptionSize = read<uint32_t>(b, optional + 112 + 3 * 8 + 4);

    // Long section names ("/123") and symbol names live in the string table
    // after the symbols.
    const size_t strings = symbolTable + symbolCount * symbolSize;
    const auto stringAt = [&](size_t offset) {
        const size_t at = strings + offset;
        if (symbolTable == 0 || at >= b.size()) return std::string();
        return std::string(b.substr(at, b.find('\0', at) - at));
    };
    const auto shortName = [&](size_t at) {
        const std::string_view raw = b.substr(at, 8);
        return std::string(raw.substr(0, raw.find('\0')));
    };
    const size_t headers = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t h = headers + i * sectionHeaderSize;
        Section s;
        s.Name = shortName(h);
        if (!s.Name.empty() && s.Name[0] == '/') s.Name = stringAt(std::stoul(s.Name.substr(1)));
        s.VirtualSize = read<uint32_t>(b, h + 8);
        s.VirtualAddress = read<uint32_t>(b, h + 12);
        s.RawSize = read<uint32_t>(b, h + 16);
        s.RawOffset = read<uint32_t>(b, h + 20);
        sections_.push_back(s);
    }

    for (uint32_t i = 0; symbolTable != 0 && i < symbolCount; ++i) {
        const size_t at = symbolTable + i * symbolSize;
        const int16_t section = read<int16_t>(b, at + 12);
        const uint16_t type = read<uint16_t>(b, at + 14);
        const uint8_t storage = static_cast<uint8_t>(b[at + 16]);
        const uint8_t aux = static_cast<uint8_t>(b[at + 17]);
        if (type == functionType && section > 0 && section <= sectionCount &&
            (storage == externalClass || storage == staticClass)) {
            FunctionSymbol f;
            f.Name =
                read<uint32_t>(b, at) == 0 ? stringAt(read<uint32_t>(b, at + 4)) : shortName(at);
            f.Rva = sections_[section - 1].VirtualAddress + read<uint32_t>(b, at + 8);
            f.External = storage == externalClass;
            functions_.push_back(std::move(f));
        }
        i += aux;
    }
    // One name per address: an external one before a static one.
    std::stable_sort(functions_.begin(), functions_.end(), [](const auto& x, const auto& y) {
        return x.Rva != y.Rva ? x.Rva < y.Rva : x.External > y.External;
    });
    functions_.erase(std::unique(functions_.begin(), functions_.end(),
                                 [](const auto& x, const auto& y) { return x.Rva == y.Rva; }),
                     functions_.end());

    for (const Section& s : sections_) {
        if (exceptionRva < s.VirtualAddress || exceptionRva >= s.VirtualAddress + s.RawSize)
            continue;
        const size_t at = s.RawOffset + (exceptionRva - s.VirtualAddress);
        for (uint32_t k = 0; k + 12 <= exceptionSize; k += 12) {
            ranges_.push_back({read<uint32_t>(b, at + k), read<uint32_t>(b, at + k + 4)});
        }
    }
    std::sort(ranges_.begin(), ranges_.end(),
              [](const auto& x, const auto& y) { return x.Begin < y.Begin; });
}

const Section* PeImage::SectionNamed(std::string_view name) const {
    for (const Section& s : sections_) {
        if (s.Name == name) return &s;
    }
    return nullptr;
}

std::optional<std::string_view> PeImage::SectionData(std::string_view name) const {
    const Section* s = SectionNamed(name);
    if (s == nullptr || s->RawOffset > bytes_.size()) return std::nullopt;
    const size_t size =
        std::min<size_t>({s->RawSize, s->VirtualSize == 0 ? s->RawSize : s->VirtualSize,
                          bytes_.size() - s->RawOffset});
    return std::string_view(bytes_).substr(s->RawOffset, size);
}

}  // namespace debugdata
