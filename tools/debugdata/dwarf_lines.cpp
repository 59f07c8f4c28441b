#include "dwarf_lines.h"

#include <cstring>
#include <memory>
#include <stdexcept>

namespace debugdata {

namespace {

// DWARF forms and content types used by line-table headers.
constexpr uint64_t formBlock = 0x09, formData1 = 0x0b, formData2 = 0x05, formData4 = 0x06,
                   formData8 = 0x07, formData16 = 0x1e, formString = 0x08, formStrp = 0x0e,
                   formLineStrp = 0x1f, formUdata = 0x0f;
constexpr uint64_t contentPath = 1, contentDirectory = 2;

class Cursor {
  public:
    Cursor(std::string_view data, size_t pos) : data_(data), pos_(pos) {}

    void Need(size_t count) const {
        if (pos_ > data_.size() || data_.size() - pos_ < count) {
            throw std::runtime_error(".debug_line ends early");
        }
    }
    template <class T>
    T Fixed() {
        Need(sizeof(T));
        T v;
        std::memcpy(&v, data_.data() + pos_, sizeof v);
        pos_ += sizeof v;
        return v;
    }
    uint64_t Sized(size_t bytes) {
        Need(bytes);
        uint64_t v = 0;
        std::memcpy(&v, data_.data() + pos_, bytes);
        pos_ += bytes;
        return v;
    }
    uint64_t Uleb() {
        uint64_t v = 0;
        for (int shift = 0;; shift += 7) {
            const uint8_t b = Fixed<uint8_t>();
            if (shift < 64) v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0) return v;
        }
    }
    int64_t Sleb() {
        int64_t v = 0;
        int shift = 0;
        uint8_t b;
        do {
            b = Fixed<uint8_t>();
            if (shift < 64) v |= static_cast<int64_t>(b & 0x7F) << shift;
            shift += 7;
        } while (b & 0x80);
        if (shift < 64 && (b & 0x40)) v |= -(int64_t{1} << shift);
        return v;
    }
    std::string CString() {
        const size_t end = data_.find('\0', pos_);
        if (end == std::string_view::npos) throw std::runtime_error("unterminated string");
        std::string s(data_.substr(pos_, end - pos_));
        pos_ = end + 1;
        return s;
    }
    void Skip(size_t count) {
        Need(count);
        pos_ += count;
    }
    [[nodiscard]] size_t Pos() const { return pos_; }
    void Seek(size_t pos) { pos_ = pos; }

  private:
    std::string_view data_;
    size_t pos_;
};

std::string stringAt(std::string_view section, uint64_t offset) {
    if (offset >= section.size()) return {};
    return std::string(section.substr(offset, section.find('\0', offset) - offset));
}

bool absolute(const std::string& path) {
    return !path.empty() &&
           (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder + "/" + name;
}

}  // namespace

LineTables::LineTables(std::string_view debugLine, std::string_view lineStr, std::string_view str)
    : lineStr_(lineStr), str_(str) {
    size_t pos = 0;
    while (pos < debugLine.size()) ReadTable(debugLine, pos);
}

void LineTables::ReadTable(std::string_view data, size_t& pos) {
    Cursor c(data, pos);
    uint64_t length = c.Fixed<uint32_t>();
    size_t offsetSize = 4;
    if (length == 0xFFFFFFFF) {
        length = c.Fixed<uint64_t>();
        offsetSize = 8;
    }
    const size_t end = c.Pos() + length;
    if (end > data.size()) throw std::runtime_error("line table runs past its section");
    pos = end;
    const uint16_t version = c.Fixed<uint16_t>();
    size_t addressSize = 8;
    if (version >= 5) {
        addressSize = c.Fixed<uint8_t>();
        c.Fixed<uint8_t>();  // segment selector size
    }
    const uint64_t headerLength = c.Sized(offsetSize);
    const size_t program = c.Pos() + headerLength;
    const uint8_t minInstruction = c.Fixed<uint8_t>();
    if (version >= 4) c.Fixed<uint8_t>();  // maximum operations per instruction
    const bool defaultStmt = c.Fixed<uint8_t>() != 0;
    const int8_t lineBase = c.Fixed<int8_t>();
    const uint8_t lineRange = c.Fixed<uint8_t>();
    const uint8_t opcodeBase = c.Fixed<uint8_t>();
    std::vector<uint8_t> opcodeLengths(opcodeBase > 0 ? opcodeBase - 1 : 0);
    for (uint8_t& l : opcodeLengths) l = c.Fixed<uint8_t>();
    (void)defaultStmt;

    std::vector<std::string> dirs;
    std::vector<std::pair<std::string, uint64_t>> files;  // name, folder index
    if (version >= 5) {
        // Entries described by (content, form) pairs.
        const auto readEntries = [&](auto add) {
            const uint8_t formatCount = c.Fixed<uint8_t>();
            std::vector<std::pair<uint64_t, uint64_t>> format(formatCount);
            for (auto& f : format) f = {c.Uleb(), c.Uleb()};
            const uint64_t count = c.Uleb();
            for (uint64_t i = 0; i < count; ++i) {
                std::string path;
                uint64_t dir = 0;
                for (const auto& [content, form] : format) {
                    std::string text;
                    uint64_t number = 0;
                    switch (form) {
                        case formString:
                            text = c.CString();
                            break;
                        case formLineStrp:
                            text = stringAt(lineStr_, c.Sized(offsetSize));
                            break;
                        case formStrp:
                            text = stringAt(str_, c.Sized(offsetSize));
                            break;
                        case formUdata:
                            number = c.Uleb();
                            break;
                        case formData1:
                            number = c.Sized(1);
                            break;
                        case formData2:
                            number = c.Sized(2);
                            break;
                        case formData4:
                            number = c.Sized(4);
                            break;
                        case formData8:
                            number = c.Sized(8);
                            break;
                        case formData16:
                            c.Skip(16);
                            break;
                        case formBlock:
                            c.Skip(c.Uleb());
                            break;
                        default:
                            throw std::runtime_error("unknown form in a line table header");
                    }
                    if (content == contentPath) path = text;
                    if (content == contentDirectory) dir = number;
                }
                add(std::move(path), dir);
            }
        };
        readEntries([&](std::string path, uint64_t) { dirs.push_back(std::move(path)); });
        readEntries(
            [&](std::string path, uint64_t dir) { files.emplace_back(std::move(path), dir); });
    } else {
        for (std::string d = c.CString(); !d.empty(); d = c.CString()) dirs.push_back(d);
        for (std::string f = c.CString(); !f.empty(); f = c.CString()) {
            const uint64_t dir = c.Uleb();
            c.Uleb();
            c.Uleb();
            files.emplace_back(f, dir);
        }
    }

    // Names as addr2line writes them: a relative name below its folder,
    // a relative folder below the compilation folder.
    const std::string compilation = version >= 5 && !dirs.empty() ? dirs[0] : std::string();
    auto names = std::make_unique<std::vector<std::string>>();
    for (const auto& [name, dirIndex] : files) {
        if (absolute(name)) {
            names->push_back(name);
            continue;
        }
        std::string dir;
        if (version >= 5) {
            if (dirIndex < dirs.size()) dir = dirs[dirIndex];
        } else if (dirIndex > 0 && dirIndex <= dirs.size()) {
            dir = dirs[dirIndex - 1];
        }
        if (!absolute(dir) && !compilation.empty() && dir != compilation)
            dir = joined(compilation, dir);
        names->push_back(joined(dir, name));
    }
    const std::vector<std::string>* table = names.get();
    fileTables_.push_back(std::move(names));

    c.Seek(program);
    // The file register starts at 1; version 5 numbers files from 0.
    constexpr uint32_t firstFile = 1;
    LineSequence sequence;
    uint64_t address = 0;
    uint32_t file = firstFile;
    int64_t line = 1;
    const auto row = [&] {
        sequence.Rows.push_back(
            {address, version >= 5 ? file : file - 1, static_cast<int32_t>(line)});
    };
    while (c.Pos() < end) {
        const uint8_t op = c.Fixed<uint8_t>();
        if (op >= opcodeBase) {
            const uint8_t adjusted = op - opcodeBase;
            address += static_cast<uint64_t>(adjusted / lineRange) * minInstruction;
            line += lineBase + adjusted % lineRange;
            row();
            continue;
        }
        switch (op) {
            case 0: {
                const uint64_t size = c.Uleb();
                const size_t next = c.Pos() + size;
                const uint8_t sub = size > 0 ? c.Fixed<uint8_t>() : 0;
                if (sub == 1) {  // end of sequence
                    sequence.End = address;
                    sequence.Files = table;
                    sequences_.push_back(std::move(sequence));
                    sequence = LineSequence();
                    address = 0;
                    file = firstFile;
                    line = 1;
                } else if (sub == 2) {
                    address = c.Sized(addressSize);
                }
                c.Seek(next);
                break;
            }
            case 1:
                row();
                break;
            case 2:
                address += c.Uleb() * minInstruction;
                break;
            case 3:
                line += c.Sleb();
                break;
            case 4:
                file = static_cast<uint32_t>(c.Uleb());
                break;
            case 5:
                c.Uleb();
                break;
            case 6:
            case 7:
            case 10:
            case 11:
                break;
            case 8:
                address += static_cast<uint64_t>((255 - opcodeBase) / lineRange) * minInstruction;
                break;
            case 9:
                address += c.Fixed<uint16_t>();
                break;
            case 12:
                c.Uleb();
                break;
            default:
                for (uint8_t k = 0; k < opcodeLengths[op - 1]; ++k) c.Uleb();
        }
    }
}

}  // namespace debugdata
