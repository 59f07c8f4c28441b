// The item stream: one record per item, the root first, each followed by
// its children. Written in the newest version (-14: the -13 layout with the
// main text and the column texts in UTF-16); versions -13 down to -1 and
// unversioned records are read too.
#include <cstring>
#include <string>
#include <type_traits>

#include "controls/tree/cellstyle.h"
#include "controls/tree/helpers.h"
#include "controls/tree/limits.h"
#include "controls/tree/treeitem.h"
#include "controls/tree/treeitem_static.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace controls::tree {

namespace {

constexpr int32_t kItemStreamVersion = -14;
constexpr int kBlockSize = 128;
constexpr int kStyleRecordSize = 36;

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

int32_t GetInt32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

void PutInt32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}

int32_t ReadInt32(runtime::TStream& s) {
    uint8_t b[4];
    ReadExact(s, b, 4);
    return GetInt32(b);
}

uint8_t ReadByte(runtime::TStream& s) {
    uint8_t b;
    ReadExact(s, &b, 1);
    return b;
}

void WriteInt32(runtime::TStream& s, int32_t v) {
    uint8_t b[4];
    PutInt32(b, v);
    s.WriteBuffer(b, 4);
}

void WriteByte(runtime::TStream& s, uint8_t v) {
    s.WriteBuffer(&v, 1);
}

// A text whose length fails the read when negative or unsatisfiable.
std::string ReadAnsi(runtime::TStream& s, int32_t length) {
    if (length < 0 || length > Remaining(s)) ReadFailed();
    std::string text(static_cast<size_t>(length), '\0');
    if (length > 0) s.ReadBuffer(text.data(), length);
    return text;
}

std::u16string ReadWide(runtime::TStream& s, int32_t length) {
    if (length < 0 || int64_t{length} * 2 > Remaining(s)) ReadFailed();
    std::string bytes(2 * static_cast<size_t>(length), '\0');
    if (length > 0) s.ReadBuffer(bytes.data(), 2 * int64_t{length});
    std::u16string text(static_cast<size_t>(length), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

std::u16string ReadText(runtime::TStream& s, bool wide) {
    const int32_t length = ReadInt32(s);
    return wide ? ReadWide(s, length) : runtime::AnsiToWide(ReadAnsi(s, length));
}

void WriteText(runtime::TStream& s, std::u16string_view text) {
    if (!WriteWideStringToStream(s, text)) throw runtime::EWriteError(runtime::SWriteError);
}

// A hint or font name: a negative length leaves the value unchanged and the
// read goes on after it; a length beyond the stream fails the read.
template <class Text>
void ReadOptional(runtime::TStream& s, Text& value, bool wide) {
    const int32_t length = ReadInt32(s);
    if (length < 0) return;
    if constexpr (std::is_same_v<Text, std::u16string>)
        value = wide ? ReadWide(s, length) : runtime::AnsiToWide(ReadAnsi(s, length));
    else
        value = ReadAnsi(s, length);
}

void WriteStyleRecord(runtime::TStream& s, const TGtCellStyle& style) {
    uint8_t r[kStyleRecordSize] = {};
    PutInt32(r + 0, static_cast<int32_t>(style.CellBkColor));
    PutInt32(r + 4, static_cast<int32_t>(style.TextBkColor));
    PutInt32(r + 8, static_cast<int32_t>(style.TextColor));
    PutInt32(r + 12, static_cast<int32_t>(style.TextFlags));
    r[20] = static_cast<uint8_t>(style.CellType);
    r[21] = static_cast<uint8_t>(style.Style());
    r[22] = style.OwnerProps() ? 1 : 0;
    r[23] = style.UseBkColor ? 1 : 0;
    PutInt32(r + 24, style.FontSize);
    r[28] = style.FontStyles();
    PutInt32(r + 32, style.Tag);
    s.WriteBuffer(r, sizeof r);
    if (!WriteStringToStream(s, style.FontName)) throw runtime::EWriteError(runtime::SWriteError);
}

void ReadStyleRecord(runtime::TStream& s, TGtCellStyle& style) {
    uint8_t r[kStyleRecordSize];
    ReadExact(s, r, sizeof r);
    style.CellBkColor = static_cast<TGtColor>(GetInt32(r + 0));
    style.TextBkColor = static_cast<TGtColor>(GetInt32(r + 4));
    style.TextColor = static_cast<TGtColor>(GetInt32(r + 8));
    style.TextFlags = static_cast<uint32_t>(GetInt32(r + 12));
    style.CellType = r[20] < kFieldTypeCount ? static_cast<TGtFieldType>(r[20]) : sftUndef;
    style.SetStyle(r[21] <= ElhsPictureOnly ? static_cast<TGtSectionStyle>(r[21]) : ElhsText);
    style.SetOwnerProps(r[22] != 0);
    style.UseBkColor = r[23] != 0;
    style.FontSize = GetInt32(r + 24);
    style.SetFontStyles(r[28] & 0x0F);
    style.Tag = GetInt32(r + 32);
    ReadOptional(s, style.FontName, false);
}

}  // namespace

void TGtTreeItem::WriteData(runtime::TStream& stream) {
    WriteRecord(stream, 0);
}

void TGtTreeItem::ReadData(runtime::TStream& stream) {
    ReadRecord(stream, 0);
}

void TGtTreeItem::WriteRecord(runtime::TStream& s, int depth) {
    WriteInt32(s, kItemStreamVersion);
    WriteText(s, static_ ? std::u16string_view(static_->Text) : std::u16string_view());

    uint8_t block[kBlockSize] = {};
    const uint16_t state =
        state_ & static_cast<uint16_t>(~(StateBit(kStateFocused) | StateBit(kStateSelected)));
    block[0] = static_cast<uint8_t>(state);
    block[1] = static_cast<uint8_t>(state >> 8);
    PutInt32(block + 4, ImageIndex);
    PutInt32(block + 8, StateImageIndex);
    PutInt32(block + 12, ImageIndex2);
    PutInt32(block + 16, StateImageIndex2);
    PutInt32(block + 20, static_cast<int32_t>(flags_ & ~(ifDeleting | ifSorting)));
    PutInt32(block + 28, static_cast<int32_t>(Color));
    PutInt32(block + 32, static_cast<int32_t>(rowBkColor_));
    PutInt32(block + 36, static_cast<int32_t>(BkColor));
    block[40] = static_cast<uint8_t>(checkBoxState_);
    block[41] = checkBoxType_;
    block[48] = BorderStyle;
    PutInt32(block + 52, TextIndent);
    PutInt32(block + 56, static_cast<int32_t>(StrikeLineColor));
    PutInt32(block + 60, Tag);
    block[64] = static_cast<uint8_t>(Overlay1);
    block[66] = static_cast<uint8_t>(Overlay2);
    s.WriteBuffer(block, sizeof block);

    WriteInt32(s, -1);
    WriteText(s, static_ ? std::u16string_view(static_->Hint) : std::u16string_view());
    const TGtWideStringList* texts = ColumnText();
    const int columns = texts != nullptr ? texts->Count() : 0;
    WriteInt32(s, columns);
    for (int i = 0; i < columns; ++i) WriteText(s, texts->Strings(i));

    WriteByte(s, UseStyles() ? 1 : 0);
    if (UseStyles()) {
        const bool handler = static_cast<bool>(owner_->OnCellStyleSave);
        WriteByte(s, handler ? 1 : 0);
        if (static_) {
            auto writeStyle = [&](TGtCellStyle* style) {
                if (handler)
                    owner_->OnCellStyleSave(this, &s, style);
                else
                    WriteStyleRecord(s, *style);
            };
            writeStyle(MainStyle());
            WriteInt32(s, StylesCount());
            for (int i = 0; i < StylesCount(); ++i) writeStyle(Styles(i));
        }
    }
    owner_->DoItemSave(s, this);

    WriteInt32(s, ChildrenCount());
    for (int i = 0; i < ChildrenCount(); ++i) Children(i)->WriteRecord(s, depth + 1);
}

void TGtTreeItem::ReadRecord(runtime::TStream& s, int depth) {
    if (depth > kMaxItemStreamDepth) throw runtime::EReadError("Item stream nesting too deep");
    int32_t version = ReadInt32(s);
    int32_t textLength = version;
    if (version < 0)
        textLength = ReadInt32(s);
    else
        version = 0;
    const std::u16string text = version == kItemStreamVersion
                                    ? ReadWide(s, textLength)
                                    : runtime::AnsiToWide(ReadAnsi(s, textLength));
    if (static_) static_->Text = text;

    // Flags from a stream never set the deleting or sorting marks, and the
    // tree's count of hidden items follows the Hidden flag.
    auto applyFlags = [&](uint32_t flags) {
        const bool wasHidden = Hidden();
        constexpr uint32_t kept = ifDeleting | ifSorting;
        flags_ = (flags & ~kept) | (flags_ & kept);
        if (wasHidden != Hidden()) owner_->ChangeHiddenCount(Hidden() ? 1 : -1);
    };
    auto setFlag = [&](uint32_t flag, uint8_t byte) {
        applyFlags(byte != 0 ? flags_ | flag : flags_ & ~flag);
    };
    auto applyState = [&](const uint8_t* p) {
        state_ = static_cast<uint16_t>((p[0] | p[1] << 8) & ~0x6);
        if (selected_) SetSelected(false);
        selected_ = false;
    };
    auto checkState = [](uint8_t b) {
        return b <= cbGrayed ? static_cast<TCheckBoxState>(b) : cbUnchecked;
    };

    if (version <= -11 && version >= kItemStreamVersion) {
        uint8_t b[kBlockSize];
        ReadExact(s, b, sizeof b);
        applyState(b);
        ImageIndex = GetInt32(b + 4);
        StateImageIndex = GetInt32(b + 8);
        ImageIndex2 = GetInt32(b + 12);
        StateImageIndex2 = GetInt32(b + 16);
        applyFlags(static_cast<uint32_t>(GetInt32(b + 20)));
        Color = static_cast<TGtColor>(GetInt32(b + 28));
        rowBkColor_ = static_cast<TGtColor>(GetInt32(b + 32));
        BkColor = static_cast<TGtColor>(GetInt32(b + 36));
        checkBoxState_ = checkState(b[40]);
        checkBoxType_ = b[41];
        BorderStyle = b[48];
        TextIndent = GetInt32(b + 52);
        StrikeLineColor = static_cast<TGtColor>(GetInt32(b + 56));
        Tag = GetInt32(b + 60);
        if (version <= -13) {
            Overlay1 = static_cast<int8_t>(b[64]);
            Overlay2 = static_cast<int8_t>(b[66]);
        }
    } else if (version == -10) {
        uint8_t b[48];
        ReadExact(s, b, sizeof b);
        applyState(b);
        ImageIndex = GetInt32(b + 4);
        StateImageIndex = GetInt32(b + 8);
        setFlag(ifForceButton, GetInt32(b + 12) != 0);
        Color = static_cast<TGtColor>(GetInt32(b + 16));
        rowBkColor_ = static_cast<TGtColor>(GetInt32(b + 20));
        BkColor = static_cast<TGtColor>(GetInt32(b + 24));
        setFlag(ifParentColors, b[28]);
        setFlag(ifParentStyle, b[29]);
        setFlag(ifCheckBoxEnabled, b[30]);
        checkBoxState_ = checkState(b[31]);
        setFlag(ifShowCheckBox, b[32]);
        checkBoxType_ = b[33];
        setFlag(ifEnabled, b[44]);
        setFlag(ifHidden, b[45]);
        setFlag(ifUseBkColor, ReadByte(s));
    } else if (version <= -7 && version >= -9) {
        uint8_t b[44];
        ReadExact(s, b, sizeof b);
        applyState(b);
        ImageIndex = GetInt32(b + 4);
        StateImageIndex = GetInt32(b + 8);
        setFlag(ifForceButton, GetInt32(b + 12) != 0);
        Color = static_cast<TGtColor>(GetInt32(b + 16));
        BkColor = static_cast<TGtColor>(GetInt32(b + 20));
        setFlag(ifParentColors, b[24]);
        setFlag(ifParentStyle, b[25]);
        setFlag(ifCheckBoxEnabled, b[26]);
        checkBoxState_ = checkState(b[27]);
        setFlag(ifShowCheckBox, b[28]);
        checkBoxType_ = b[29];
        ImageIndex2 = GetInt32(b + 32);
        StateImageIndex2 = GetInt32(b + 36);
        setFlag(ifEnabled, b[40]);
        setFlag(ifHidden, b[41]);
        setFlag(ifUseBkColor, ReadByte(s));
    } else if (version < kItemStreamVersion) {
        ReadFailed();  // a version newer than this reader knows
    }

    int32_t columns = ReadInt32(s);
    if (columns == -1) {
        std::u16string unused;
        ReadOptional(s, static_ ? static_->Hint : unused, version <= -12);
        columns = ReadInt32(s);
    }
    if (columns < 0 || int64_t{columns} * 4 > Remaining(s)) ReadFailed();
    for (int32_t i = 0; i < columns; ++i) {
        const std::u16string column = ReadText(s, version == kItemStreamVersion);
        if (static_) static_->ColumnText.Add(column);
    }

    if (version < 0) {
        const uint8_t stylesFlag = ReadByte(s);
        SetUseStyles(stylesFlag != 0);
        if (stylesFlag != 0) {
            const bool handler = version < -1 && ReadByte(s) != 0;
            TGtCellStyle scratch;
            auto readStyle = [&](TGtCellStyle* style) {
                if (style == nullptr) style = &scratch;
                if (!handler)
                    ReadStyleRecord(s, *style);
                else if (owner_->OnCellStyleLoad)
                    owner_->OnCellStyleLoad(this, &s, style);
            };
            readStyle(MainStyle());
            const int32_t count = ReadInt32(s);
            // Records take 40 bytes or more; styles a missing handler wrote
            // take none here, so their count is bounded by the bytes left.
            const int64_t perStyle = !handler                  ? kStyleRecordSize + 4
                                     : owner_->OnCellStyleLoad ? 0
                                                               : 1;
            if (count < 0 || count > kMaxStylesPerItem || int64_t{count} * perStyle > Remaining(s))
                ReadFailed();
            for (int32_t i = 0; i < count; ++i) readStyle(AddStyle());
        }
    }
    owner_->DoItemLoad(s, this);

    const int32_t children = ReadInt32(s);
    if (children < 0 || int64_t{children} * kMinItemRecordBytes > Remaining(s)) ReadFailed();
    for (int32_t i = 0; i < children; ++i) items_->AddItem(this)->ReadRecord(s, depth + 1);
}

}  // namespace controls::tree
