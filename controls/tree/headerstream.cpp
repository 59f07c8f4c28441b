// The header sections' stream: written in version -12, read in versions
// -12, -11, -10, -9, -8, -6, -5 and -4.
#include <cstring>
#include <string>

#include "controls/tree/headersections.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace controls::tree {

namespace {

constexpr int32_t kHeaderStreamVersion = -12;
constexpr int kRecordSize = 140;

[[noreturn]] void ReadFailed() {
    throw runtime::EReadError(runtime::SReadError);
}

int64_t Remaining(runtime::TStream& s) {
    const int64_t left = s.Size() - s.Position();
    return left > 0 ? left : 0;
}

void ReadExact(runtime::TStream& s, void* buffer, int64_t count) {
    if (count < 0 || count > Remaining(s)) ReadFailed();
    s.ReadBuffer(buffer, count);
}

int32_t Get32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

void Put32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t ReadInt32(runtime::TStream& s) {
    uint8_t b[4];
    ReadExact(s, b, 4);
    return Get32(b);
}

void WriteInt32(runtime::TStream& s, int32_t v) {
    uint8_t b[4];
    Put32(b, v);
    s.WriteBuffer(b, 4);
}

std::string ReadBytes(runtime::TStream& s, int64_t unitSize) {
    const int32_t n = ReadInt32(s);
    if (n < 0 || int64_t{n} * unitSize > Remaining(s)) ReadFailed();
    std::string bytes(static_cast<size_t>(n * unitSize), '\0');
    if (n > 0) s.ReadBuffer(bytes.data(), n * unitSize);
    return bytes;
}

// int32 n, then n bytes holding the text and its terminating zero.
std::string ReadZeroText(runtime::TStream& s) {
    std::string bytes = ReadBytes(s, 1);
    const size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    return bytes;
}

void WriteZeroText(runtime::TStream& s, std::string_view text) {
    std::string bytes(text.substr(0, text.find('\0')));
    bytes += '\0';
    WriteInt32(s, static_cast<int32_t>(bytes.size()));
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

std::u16string ReadWideText(runtime::TStream& s) {
    const std::string bytes = ReadBytes(s, 2);
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

class HeaderUpdate {
  public:
    explicit HeaderUpdate(TGtHeaderHost& host) : host_(host) { host_.BeginUpdate(); }
    ~HeaderUpdate() { host_.EndUpdate(); }
    HeaderUpdate(const HeaderUpdate&) = delete;
    HeaderUpdate& operator=(const HeaderUpdate&) = delete;

  private:
    TGtHeaderHost& host_;
};

template <class E>
E Enum(uint8_t byte, E last, E fallback) {
    return byte <= static_cast<uint8_t>(last) ? static_cast<E>(byte) : fallback;
}

}  // namespace

void TGtHeaderSections::SaveToStream(runtime::TStream& s) const {
    WriteInt32(s, kHeaderStreamVersion);
    WriteInt32(s, Count());
    for (const auto& section : sections_) {
        const TGtHeaderSection& c = *section;
        uint8_t r[kRecordSize] = {};
        r[4] = c.lookupEnabled_;
        Put32(r + 8, c.parent_ != nullptr ? c.parent_->index_ : -1);
        r[12] = c.expandable_;
        r[13] = c.expanded_;
        r[14] = c.visible_;
        r[15] = c.ClickSelect;
        r[16] = c.resizable_;
        r[17] = static_cast<uint8_t>(c.style_);
        Put32(r + 20, c.width_);
        Put32(r + 24, c.minWidth_);
        Put32(r + 28, c.maxWidth_);
        r[32] = static_cast<uint8_t>(c.sortMode_);
        r[33] = c.AllowClick;
        r[34] = static_cast<uint8_t>(c.alignment_);
        Put32(r + 36, c.key_);
        Put32(r + 40, c.index_);
        r[44] = static_cast<uint8_t>(c.fieldType_);
        r[45] = c.editable_;
        Put32(r + 48, c.imageIndex_);
        r[52] = static_cast<uint8_t>(c.PictureAlign);
        r[53] = c.password_;
        r[54] = c.parentColor_;
        Put32(r + 56, static_cast<int32_t>(c.color_));
        Put32(r + 60, static_cast<int32_t>(c.fontColor_));
        r[64] = c.filterEnabled_;
        r[65] = static_cast<uint8_t>(c.textLayout_);
        r[66] = c.useMainStyle_;
        r[67] = c.autoSize_;
        Put32(r + 68, c.Tag);
        s.WriteBuffer(r, sizeof r);
        WriteZeroText(s, runtime::WideToAnsi(c.text_));
        WriteZeroText(s, c.fieldName_);
        WriteInt32(s, static_cast<int32_t>(c.popupMenuName_.size()));
        s.WriteBuffer(c.popupMenuName_.data(), static_cast<int64_t>(c.popupMenuName_.size()));
        WriteInt32(s, static_cast<int32_t>(c.Hint.size()));
        std::string hint(2 * c.Hint.size(), '\0');
        for (size_t i = 0; i < c.Hint.size(); ++i) {
            hint[2 * i] = static_cast<char>(c.Hint[i] & 0xFF);
            hint[2 * i + 1] = static_cast<char>(c.Hint[i] >> 8);
        }
        s.WriteBuffer(hint.data(), static_cast<int64_t>(hint.size()));
    }
}

void TGtHeaderSections::LoadFromStream(runtime::TStream& s) {
    const int32_t version = ReadInt32(s);
    Clear();
    HeaderUpdate update(*host_);
    struct Refit {
        TGtHeaderHost& host;
        ~Refit() {
            host.AdjustHeight();
            host.Invalidate();
        }
    } refit{*host_};
    ReadSections(s, version);
}

void TGtHeaderSections::ReadSections(runtime::TStream& s, int32_t version) {
    int recordSize;
    switch (version) {
        case -12:
        case -11:
            recordSize = kRecordSize;
            break;
        case -10:
            recordSize = 68;
            break;
        case -9:
        case -8:
            recordSize = 64;
            break;
        case -6:
        case -5:
            recordSize = 52;
            break;
        case -4:
            recordSize = 36;
            break;
        default:
            return;  // no sections
    }
    const int32_t count = ReadInt32(s);
    // Each record is followed by at least two lengths.
    if (count < 0 || int64_t{count} * (recordSize + 8) > Remaining(s)) ReadFailed();
    for (int32_t n = 0; n < count; ++n) {
        uint8_t r[kRecordSize] = {};
        ReadExact(s, r, recordSize);
        TGtHeaderSection& c = *AddSection();
        auto common = [&] {  // offsets 4..34 of the newer records
            c.lookupEnabled_ = r[4] != 0;
            c.loadedParent_ = Get32(r + 8);
            c.expandable_ = r[12] != 0;
            c.expanded_ = r[13] != 0;
            c.visible_ = r[14] != 0;
            c.ClickSelect = r[15] != 0;
            c.resizable_ = r[16] != 0;
            c.style_ = Enum(r[17], ElhsPictureOnly, ElhsText);
            c.width_ = Get32(r + 20);
            c.minWidth_ = Get32(r + 24);
            c.maxWidth_ = Get32(r + 28);
            c.sortMode_ = Enum(r[32], hsmDescend, hsmNone);
            c.AllowClick = r[33] != 0;
            c.alignment_ = Enum(r[34], hsaRight, hsaLeft);
        };
        if (version <= -10) {
            common();
            c.key_ = Get32(r + 36);
            c.index_ = Get32(r + 40);
            c.fieldType_ = Enum(r[44], sftMemo, sftText);
            c.editable_ = r[45] != 0;
            c.imageIndex_ = Get32(r + 48);
            c.PictureAlign = Enum(r[52], hsaRight, hsaLeft);
            c.password_ = r[53] != 0;
            c.parentColor_ = r[54] != 0;
            c.color_ = static_cast<TGtColor>(Get32(r + 56));
            c.fontColor_ = static_cast<TGtColor>(Get32(r + 60));
            c.filterEnabled_ = r[64] != 0;
            c.textLayout_ = Enum(r[65], tlBottom, tlCenter);
            c.useMainStyle_ = r[66] != 0;
            c.autoSize_ = r[67] != 0;
            if (version <= -11) c.Tag = Get32(r + 68);
        } else if (version >= -9 && version <= -5) {
            common();
            c.index_ = Get32(r + 36);
            c.fieldType_ = Enum(r[40], sftMemo, sftText);
            c.editable_ = r[41] != 0;
            c.imageIndex_ = Get32(r + 44);
            c.PictureAlign = Enum(r[48], hsaRight, hsaLeft);
            c.password_ = r[49] != 0;
            if (version >= -9 && version <= -8) {
                c.parentColor_ = r[50] != 0;
                c.color_ = static_cast<TGtColor>(Get32(r + 52));
                c.fontColor_ = static_cast<TGtColor>(Get32(r + 56));
                c.filterEnabled_ = r[60] != 0;
                c.textLayout_ = Enum(r[61], tlBottom, tlCenter);
                c.useMainStyle_ = r[62] != 0;
                if (version == -9) c.autoSize_ = r[63] != 0;
            }
        } else {  // -4
            c.visible_ = r[0] != 0;
            c.ClickSelect = r[1] != 0;
            c.resizable_ = r[2] != 0;
            c.style_ = Enum(r[3], ElhsPictureOnly, ElhsText);
            c.width_ = Get32(r + 4);
            c.minWidth_ = Get32(r + 8);
            c.maxWidth_ = Get32(r + 12);
            c.sortMode_ = Enum(r[16], hsmDescend, hsmNone);
            c.AllowClick = r[17] != 0;
            c.alignment_ = Enum(r[18], hsaRight, hsaLeft);
            c.index_ = Get32(r + 20);
            c.fieldType_ = Enum(r[24], sftMemo, sftText);
            c.editable_ = r[25] != 0;
            c.imageIndex_ = Get32(r + 28);
            c.PictureAlign = Enum(r[32], hsaRight, hsaLeft);
            c.password_ = r[33] != 0;
        }
        c.text_ = runtime::AnsiToWide(ReadZeroText(s));
        c.fieldName_ = ReadZeroText(s);
        if (version <= -6) c.popupMenuName_ = ReadBytes(s, 1);
        if (version <= -8) {
            if (version <= -12)
                c.Hint = ReadWideText(s);
            else
                c.Hint = runtime::AnsiToWide(ReadBytes(s, 1));
        }
    }
    if (version <= -5) {
        for (int i = 0; i < Count(); ++i) {
            TGtHeaderSection* c = FindByIndex(i);
            if (c == nullptr || c->loadedParent_ == -1) continue;
            if (TGtHeaderSection* parent = FindByIndex(c->loadedParent_))
                c->SetParentSection(parent);
        }
    }
}

}  // namespace controls::tree
