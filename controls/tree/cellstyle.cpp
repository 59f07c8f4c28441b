#include "controls/tree/cellstyle.h"

#include "controls/tree/treeitem.h"
#include "controls/tree/treemodel.h"
#include "runtime/properties.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtCellStyle, runtime::TObject)
RUNTIME_END_CLASS

void TGtCellStyle::Assign(const TGtCellStyle* source) {
    if (source == nullptr || source == this) return;
    UseBkColor = source->UseBkColor;
    CellBkColor = source->CellBkColor;
    TextBkColor = source->TextBkColor;
    TextColor = source->TextColor;
    TextFlags = source->TextFlags;
    Picture = source->Picture;
    CellType = source->CellType;
    style_ = source->style_;
    ownerProps_ = source->ownerProps_;
    FontSize = source->FontSize;
    fontStyles_ = source->fontStyles_;
    FontName = source->FontName;
}

void TGtCellStyle::StartWithOwnerFont(int32_t size, uint8_t styles, std::string name) {
    ownerProps_ = true;
    FontSize = size;
    fontStyles_ = styles;
    FontName = std::move(name);
}

void TGtCellStyle::OwnerChanged() {
    if (owner_ != nullptr && owner_->UseStyles()) owner_->UpdateItem();
}

void TGtCellStyle::SetStyle(TGtSectionStyle value) {
    if (value == style_) return;
    style_ = value;
    OwnerChanged();
}

void TGtCellStyle::SetOwnerProps(bool value) {
    if (value == ownerProps_) return;
    ownerProps_ = value;
    OwnerChanged();
}

void TGtCellStyle::SetFontStyles(uint8_t value) {
    if (value == fontStyles_) return;
    fontStyles_ = value;
    if (style_ == ElhsOwnerDraw || owner_ == nullptr || !owner_->UseStyles()) return;
    // The text may need another width: the style's column is re-measured.
    owner_->Owner()->Request(rfAutoSizeAll);
    owner_->UpdateItem();
}

}  // namespace controls::tree
