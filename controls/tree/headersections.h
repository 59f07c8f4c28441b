#pragma once

// TGtHeaderSection and TGtHeaderSections: the columns of a header with
// their widths, limits, sort arrow, alignment, images and glyph settings;
// their order (SectionsOrder) and their stream (the property "Data").
//
// A section has a position (its place in the list: the display order,
// changed by dragging) and an Index (the logical column number the tree and
// the application use; it stays with the section when it moves). A new
// section takes the smallest unused Index; deleting one renumbers all
// sections to their positions.
//
// The sections reach their header through TGtHeaderHost, which the header
// control implements; without one they behave as in a header without a
// window (no repaint, no stickiness, default width 120).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/tree/errors.h"
#include "controls/tree/treetypes.h"
#include "runtime/persistent.h"

namespace runtime {
class TComponent;
class TStream;
class TStringList;
}  // namespace runtime

namespace controls::tree {

class TGtHeaderSection;
class TGtHeaderSections;

// What sections need of their header.
class TGtHeaderHost {
  public:
    virtual ~TGtHeaderHost() = default;

    // The header's update lock (section repaints wait for its end).
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    virtual int DefaultWidth() const { return 120; }
    virtual bool StickySections() const { return false; }
    // The header is resizing its sections itself (sticky fitting).
    virtual bool IsResizing() const { return false; }
    virtual bool IsLoading() const { return false; }
    virtual bool IsDesigning() const { return false; }
    virtual bool IsDestroying() const { return false; }
    virtual bool HasWindow() const { return false; }
    // Client width and height, horizontal scroll offset.
    virtual int Width() const { return 0; }
    virtual int Height() const { return 0; }
    virtual void SetHeight(int) {}
    virtual int ScrollOffset() const { return 0; }
    // Re-fit the height to font, images and glyphs.
    virtual void AdjustHeight() {}
    virtual void Invalidate() {}
    // Invalidate from the section's left edge to the right end.
    virtual void InvalidateFrom(TGtHeaderSection*) {}
    // Invalidate left..right (client coordinates) over the full height.
    virtual void InvalidateRange(int /*left*/, int /*right*/) {}
    // Sticky headers: make the visible sections fill the width, keeping
    // `except`; recompute the resizable sections' proportions.
    virtual void FitSections(TGtHeaderSection* /*except*/) {}
    virtual void ComputeProportions() {}
    // The tree under the header repaints (UseMainStyle changed).
    virtual void RepaintParent() {}

    // Events.
    virtual void SectionChange(TGtHeaderSection*, TSectionChangeMode) {}
    virtual void SectionResize(TGtHeaderSection*) {}
    virtual void SectionAutoSize(TGtHeaderSection*) {}
    virtual void SectionShowHide(TGtHeaderSection*) {}
    virtual void SectionMove(TGtHeaderSection*, int /*oldPos*/, int /*newPos*/) {}
    // Notifications left pending until the end of the outermost update.
    virtual void SectionsCreated() {}
    virtual void SectionsDeleted() {}
};

class TGtHeaderSection : public runtime::TPersistent {
    RUNTIME_CLASS(TGtHeaderSection)

  public:
    explicit TGtHeaderSection(TGtHeaderSections* owner);
    ~TGtHeaderSection() override;

    TGtHeaderSections* Owner() const { return owner_; }
    int Index() const { return index_; }
    int32_t Key() const { return key_; }
    // Place in the list (display order).
    int Position() const;
    int Left() const;
    int Right() const;

    std::u16string Text() const { return text_; }
    void SetText(std::u16string_view value);
    TGtSectionStyle Style() const { return style_; }
    void SetStyle(TGtSectionStyle value);
    int Width() const { return width_; }
    void SetWidth(int value);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value);
    TGtSSortMode SortMode() const { return sortMode_; }
    void SetSortMode(TGtSSortMode value);
    TGtSAlignment Alignment() const { return alignment_; }
    void SetAlignment(TGtSAlignment value);
    // Own flag and, for a child section, its parent shown and expanded.
    bool Visible() const;
    bool OwnVisible() const { return visible_; }
    void SetVisible(bool value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    std::string FieldName() const { return fieldName_; }
    virtual void SetFieldName(const std::string& value);
    TGtFieldType FieldType() const { return fieldType_; }
    virtual void SetFieldType(TGtFieldType value);
    bool Editable() const { return editable_; }
    virtual void SetEditable(bool value);
    bool Password() const { return password_; }
    void SetPassword(bool value);
    bool Resizable() const { return resizable_; }
    virtual void SetResizable(bool value);
    bool Expandable() const { return expandable_; }
    void SetExpandable(bool value);
    bool Expanded() const { return expanded_; }
    void SetExpanded(bool value);
    TGtHeaderSection* ParentSection() const { return parent_; }
    void SetParentSection(TGtHeaderSection* value);
    runtime::TComponent* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(runtime::TComponent* value);
    // The popup menu's component name, kept to find it again after loading.
    const std::string& PopupMenuName() const { return popupMenuName_; }
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TGtColor Color() const { return color_; }
    void SetColor(TGtColor value);
    TGtColor FontColor() const { return fontColor_; }
    void SetFontColor(TGtColor value);
    bool UseMainStyle() const { return useMainStyle_; }
    void SetUseMainStyle(bool value);
    TTextLayout TextLayout() const { return textLayout_; }
    void SetTextLayout(TTextLayout value);
    bool ShowSortMark() const { return showSortMark_; }
    void SetShowSortMark(bool value);
    bool FilterIsActive() const { return filterIsActive_; }
    void SetFilterIsActive(bool value);
    bool LookupEnabled() const { return lookupEnabled_; }
    void SetLookupEnabled(bool value);
    bool FilterEnabled() const { return filterEnabled_; }
    void SetFilterEnabled(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    runtime::TStringList& LookupHistory() { return *lookupHistory_; }
    void SetLookupHistory(const runtime::TStringList& lines);

    bool AllowClick = true;
    TGtSAlignment PictureAlign = hsaLeft;
    bool ClickSelect = true;
    std::u16string Hint;
    int32_t Tag = 0;
    // Sticky headers: the width given back to a non-resizable section (-1:
    // none) and the share of the resizable width.
    int SavedWidth = -1;
    float Proportion = 0;

    void Assign(const runtime::TPersistent* source) override;

  private:
    friend class TGtHeaderSections;

    TGtHeaderHost& Host() const;
    void Repaint();
    void ApplyWidth(int newWidth);
    void AutoSizeChanged();
    void Changed(TSectionChangeMode mode);

    TGtHeaderSections* owner_;
    int index_ = 0;
    int32_t key_ = 0;
    int loadedParent_ = -1;
    std::u16string text_;
    TGtSectionStyle style_ = ElhsText;
    int width_;
    int minWidth_ = 0;
    int maxWidth_ = 10000;
    TGtSSortMode sortMode_ = hsmNone;
    TGtSAlignment alignment_ = hsaLeft;
    bool visible_ = true;
    int imageIndex_ = -1;
    std::string fieldName_;
    TGtFieldType fieldType_ = sftText;
    bool editable_ = false;
    bool password_ = false;
    bool resizable_ = true;
    bool expandable_ = false;
    bool expanded_ = false;
    TGtHeaderSection* parent_ = nullptr;
    runtime::TComponent* popupMenu_ = nullptr;
    std::string popupMenuName_;
    bool lookupEnabled_ = false;
    std::unique_ptr<runtime::TStringList> lookupHistory_;
    bool parentColor_ = true;
    TGtColor color_ = 0;
    TGtColor fontColor_ = 0;
    bool useMainStyle_ = false;
    TTextLayout textLayout_ = tlCenter;
    bool filterEnabled_ = false;
    bool filterIsActive_ = false;
    bool autoSize_ = false;
    bool showSortMark_ = true;
};

class TGtHeaderSections : public runtime::TPersistent {
    RUNTIME_CLASS(TGtHeaderSections)

  public:
    explicit TGtHeaderSections(TGtHeaderHost* host = nullptr);
    ~TGtHeaderSections() override;

    TGtHeaderHost& Host() const { return *host_; }
    int Count() const { return static_cast<int>(sections_.size()); }
    TGtHeaderSection* FindByKey(int32_t key) const;
    // The section whose Index is `index`, none when absent.
    TGtHeaderSection* GetSection(int index) const { return FindByIndex(index); }
    TGtHeaderSection* FindByIndex(int index) const;
    // The section at that place; none outside 0..Count-1.
    TGtHeaderSection* ItemByPosition(int position) const;
    int PositionOf(const TGtHeaderSection* section) const;

    TGtHeaderSection* AddSection();
    TGtHeaderSection* InsertSection(int position);
    // EGtHeaderError "Invalid section" for none.
    void DeleteSection(TGtHeaderSection* section);
    void MoveSection(TGtHeaderSection* section, int newPosition);
    // Frees every section without notifications.
    void Clear();
    TGtHeaderSection* LastVisibleSection() const;
    TGtHeaderSection* PrevVisibleSection(const TGtHeaderSection* section) const;

    // ---- sticky headers: the visible sections fill the client width ----
    // Each visible resizable section's share of the resizable width (the
    // client width less the visible sections that are not resizable).
    void ComputeProportions(int clientWidth);
    // Makes the visible sections end one pixel short of the client width,
    // taking room from resizable sections but `except` first.
    void FitSections(TGtHeaderSection* except, int clientWidth);
    // The client width changed: the resizable sections take their shares of
    // the new width; sections that gave room back take it again.
    void StickyResize(int oldWidth, int newWidth);

    // "i<Index>:w<Width>:v<t|f>," per section in position order.
    std::string SectionsOrder() const;
    void SetSectionsOrder(std::string_view order);

    void Assign(const runtime::TPersistent* source) override;
    void DefineProperties(runtime::TFiler& filer) override;
    void SaveToStream(runtime::TStream& stream) const;
    void LoadFromStream(runtime::TStream& stream);

  protected:
    virtual std::unique_ptr<TGtHeaderSection> CreateSection();

  private:
    friend class TGtHeaderSection;
    int FreeIndex() const;
    int32_t FreeKey();
    void ReadSections(runtime::TStream& stream, int32_t version);

    TGtHeaderHost* host_;
    std::vector<std::unique_ptr<TGtHeaderSection>> sections_;
    int32_t nextKey_ = 1;
};

}  // namespace controls::tree
