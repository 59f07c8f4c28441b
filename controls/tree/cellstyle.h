#pragma once

// TGtCellStyle: how one cell of an item is drawn when the item uses styles:
// colours, text flags, field type, drawing style and font. The item owns its
// styles; the view reads them.

#include <cstdint>
#include <string>

#include "controls/tree/treetypes.h"
#include "runtime/classinfo.h"
#include "runtime/object.h"

namespace controls::tree {

class TGtTreeItem;

// Font style bits of FontStyles.
inline constexpr uint8_t kFontBold = 1;
inline constexpr uint8_t kFontItalic = 2;
inline constexpr uint8_t kFontUnderline = 4;
inline constexpr uint8_t kFontStrikeOut = 8;

// DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS.
inline constexpr uint32_t kDefaultTextFlags = 0x8824;

class TGtCellStyle : public runtime::TObject {
    RUNTIME_CLASS(TGtCellStyle)

  public:
    explicit TGtCellStyle(TGtTreeItem* owner = nullptr) : owner_(owner) {}

    TGtTreeItem* Owner() const { return owner_; }

    // Copies everything but the owner, the tag and the picture's ownership
    // (the picture is a reference); nothing for a missing source.
    void Assign(const TGtCellStyle* source);

    TGtSectionStyle Style() const { return style_; }
    void SetStyle(TGtSectionStyle value);
    bool OwnerProps() const { return ownerProps_; }
    void SetOwnerProps(bool value);
    uint8_t FontStyles() const { return fontStyles_; }
    void SetFontStyles(uint8_t value);
    // How an item's main style starts: OwnerProps on and the given font,
    // stored without the setters' repaints.
    void StartWithOwnerFont(int32_t size, uint8_t styles, std::string name);

    int32_t Tag = 0;
    TGtColor CellBkColor = 0;
    TGtColor TextBkColor = 0;
    TGtColor TextColor = 0;
    uint32_t TextFlags = kDefaultTextFlags;
    // Drawn for ElhsPictureOnly cells; not owned, not streamed.
    runtime::TObject* Picture = nullptr;
    TGtFieldType CellType = sftText;
    int32_t FontSize = 0;
    std::string FontName;
    bool UseBkColor = false;

  private:
    // The owner item's row repaints when it uses styles.
    void OwnerChanged();

    TGtTreeItem* owner_;
    TGtSectionStyle style_ = ElhsText;
    bool ownerProps_ = false;
    uint8_t fontStyles_ = 0;
};

}  // namespace controls::tree
