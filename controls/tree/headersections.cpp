#include "controls/tree/headersections.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "runtime/component.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtHeaderSection, runtime::TPersistent)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TGtHeaderSections, runtime::TPersistent)
RUNTIME_END_CLASS

namespace {

// The host of sections without a header.
TGtHeaderHost& NoHeader() {
    static TGtHeaderHost host;
    return host;
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

int ScaledWidth(int width, double factor) {
    return static_cast<int>(std::lround(width * factor));
}

}  // namespace

// ---- TGtHeaderSection -----------------------------------------------------------------

TGtHeaderSection::TGtHeaderSection(TGtHeaderSections* owner)
    : owner_(owner),
      width_(owner != nullptr ? owner->Host().DefaultWidth() : 120),
      lookupHistory_(std::make_unique<runtime::TStringList>()) {}

TGtHeaderSection::~TGtHeaderSection() {
    if (owner_ != nullptr && expandable_)
        for (auto& s : owner_->sections_)
            if (s && s->parent_ == this) s->parent_ = nullptr;
}

TGtHeaderHost& TGtHeaderSection::Host() const {
    return owner_ != nullptr ? owner_->Host() : NoHeader();
}

int TGtHeaderSection::Position() const {
    return owner_ != nullptr ? owner_->PositionOf(this) : -1;
}

int TGtHeaderSection::Left() const {
    int left = 0;
    if (owner_ == nullptr) return 0;
    for (const auto& s : owner_->sections_) {
        if (s.get() == this) break;
        if (s->Visible()) left += s->width_;
    }
    return left;
}

int TGtHeaderSection::Right() const {
    return Visible() ? Left() + width_ : Left();
}

bool TGtHeaderSection::Visible() const {
    // Parents never form a cycle (SetParentSection refuses one), but a
    // bound keeps a damaged chain from looping.
    const TGtHeaderSection* s = this;
    if (!s->visible_) return false;
    for (int depth = 0; s->parent_ != nullptr && depth < 1024; ++depth) {
        const TGtHeaderSection* p = s->parent_;
        if (!p->visible_ || !p->expanded_) return false;
        s = p;
    }
    return true;
}

void TGtHeaderSection::Repaint() {
    TGtHeaderHost& host = Host();
    if (!Visible() || !host.HasWindow()) return;
    HeaderUpdate update(host);
    host.InvalidateRange(Left() - host.ScrollOffset(), Right() - host.ScrollOffset());
}

void TGtHeaderSection::Changed(TSectionChangeMode mode) {
    Host().SectionChange(this, mode);
}

void TGtHeaderSection::AutoSizeChanged() {
    if (autoSize_) Host().SectionAutoSize(this);
}

void TGtHeaderSection::SetText(std::u16string_view value) {
    if (value == text_) return;
    text_ = value;
    AutoSizeChanged();
    Host().AdjustHeight();
    if (style_ == ElhsText) Repaint();
    Changed(scmCaption);
}

void TGtHeaderSection::SetStyle(TGtSectionStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed(scmStyle);
    Repaint();
}

void TGtHeaderSection::SetAlignment(TGtSAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Changed(scmAlign);
    Repaint();
}

void TGtHeaderSection::SetFieldName(const std::string& value) {
    if (value == fieldName_) return;
    fieldName_ = value;
    Changed(scmFieldName);
}

void TGtHeaderSection::SetFieldType(TGtFieldType value) {
    if (value == fieldType_) return;
    fieldType_ = value;
    Changed(scmFieldType);
}

void TGtHeaderSection::SetEditable(bool value) {
    if (value == editable_) return;
    editable_ = value;
    Changed(scmEditable);
}

void TGtHeaderSection::SetPassword(bool value) {
    if (value == password_) return;
    password_ = value;
    Changed(scmPassword);
}

void TGtHeaderSection::SetWidth(int value) {
    ApplyWidth(value);
    Host().SectionResize(this);
}

void TGtHeaderSection::ApplyWidth(int newWidth) {
    if (newWidth > maxWidth_ || newWidth < minWidth_) return;
    TGtHeaderHost& host = Host();
    if (!host.StickySections() || !Visible() || host.IsResizing() || host.IsLoading()) {
        width_ = newWidth;
        if (Visible() && !host.IsResizing()) {
            host.AdjustHeight();
            host.Invalidate();
        }
        return;
    }
    const int position = Position();
    if (position < owner_->Count() - 1) {
        const int W = host.Width();
        const int L = Left();
        int divisor = W - L - width_;
        if (divisor == 0) divisor = 1;
        const double factor = static_cast<double>(W - L - newWidth) / divisor;
        TGtHeaderSection* lastChanged = nullptr;
        for (int i = position + 1; i < owner_->Count(); ++i) {
            TGtHeaderSection* s = owner_->ItemByPosition(i);
            if (!s->resizable_ || !s->Visible()) continue;
            s->width_ = ScaledWidth(s->width_, factor);
            lastChanged = s;
        }
        width_ = newWidth;
        int total = 0;
        for (const auto& s : owner_->sections_)
            if (s->Visible()) total += s->width_;
        if (total < W && lastChanged != nullptr) lastChanged->width_ += W - total;
        host.FitSections(this);
    }
    host.ComputeProportions();
    host.InvalidateFrom(this);
}

void TGtHeaderSection::SetMinWidth(int value) {
    if (value == minWidth_) return;
    minWidth_ = value;
    if (width_ < value) SetWidth(value);
}

void TGtHeaderSection::SetMaxWidth(int value) {
    if (value == maxWidth_) return;
    maxWidth_ = value;
    if (width_ > value) SetWidth(value);
}

void TGtHeaderSection::SetSortMode(TGtSSortMode value) {
    if (value == sortMode_) return;
    if (owner_ != nullptr)
        for (auto& s : owner_->sections_) s->sortMode_ = hsmNone;
    sortMode_ = value;
    AutoSizeChanged();
    if (Host().HasWindow() && showSortMark_) Host().Invalidate();
}

void TGtHeaderSection::SetVisible(bool value) {
    if (value == visible_) return;
    TGtHeaderHost& host = Host();
    HeaderUpdate update(host);
    const bool parentShown = parent_ == nullptr || parent_->Visible();
    if (!host.StickySections() || !parentShown || host.IsResizing() || host.IsLoading()) {
        visible_ = value;
        host.AdjustHeight();
        if (!host.IsResizing() && parentShown) host.InvalidateFrom(this);
    } else {
        const int W = host.Width();
        const int L = Left();
        const int w = width_;
        const int before = value ? 0 : w;
        const int after = value ? w : 0;
        visible_ = value;
        int divisor = W - L - before;
        if (divisor == 0) divisor = 1;
        const double factor = static_cast<double>(W - L - after) / divisor;
        const int position = Position();
        const bool last = position == owner_->Count() - 1;
        for (int i = 0; i < owner_->Count(); ++i) {
            if (last ? i >= position : i <= position) continue;
            TGtHeaderSection* s = owner_->ItemByPosition(i);
            if (s->resizable_ && s->Visible()) s->width_ = ScaledWidth(s->width_, factor);
        }
        host.FitSections(this);
        host.ComputeProportions();
    }
    host.Invalidate();
    host.SectionShowHide(this);
}

void TGtHeaderSection::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    AutoSizeChanged();
    Repaint();
}

void TGtHeaderSection::SetResizable(bool value) {
    resizable_ = value;
    if (Host().StickySections()) Host().ComputeProportions();
}

void TGtHeaderSection::SetExpandable(bool value) {
    if (value == expandable_) return;
    expandable_ = value;
    bool detached = false;
    if (!value && owner_ != nullptr) {
        for (auto& s : owner_->sections_) {
            if (s->parent_ == this) {
                s->parent_ = nullptr;
                detached = true;
            }
        }
    }
    AutoSizeChanged();
    if (detached && !Host().IsDestroying()) Host().Invalidate();
}

void TGtHeaderSection::SetExpanded(bool value) {
    if (value == expanded_ || !expandable_) return;
    expanded_ = value;
    Host().Invalidate();
}

void TGtHeaderSection::SetParentSection(TGtHeaderSection* value) {
    if (value == parent_) return;
    for (const TGtHeaderSection* p = value; p != nullptr; p = p->parent_)
        if (p == this) return;  // would make a cycle
    parent_ = value;
    Host().SectionShowHide(this);
    Host().AdjustHeight();
    Host().Invalidate();
}

void TGtHeaderSection::SetPopupMenu(runtime::TComponent* value) {
    popupMenu_ = value;
    popupMenuName_ = value != nullptr ? value->Name() : std::string();
}

void TGtHeaderSection::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    Repaint();
}

void TGtHeaderSection::SetColor(TGtColor value) {
    if (value == color_) return;
    color_ = value;
    parentColor_ = false;
    Repaint();
}

void TGtHeaderSection::SetFontColor(TGtColor value) {
    if (value == fontColor_) return;
    fontColor_ = value;
    parentColor_ = false;
    Repaint();
}

void TGtHeaderSection::SetUseMainStyle(bool value) {
    if (value == useMainStyle_) return;
    useMainStyle_ = value;
    if (Host().HasWindow()) Host().RepaintParent();
}

void TGtHeaderSection::SetTextLayout(TTextLayout value) {
    if (value == textLayout_) return;
    textLayout_ = value;
    Repaint();
}

void TGtHeaderSection::SetShowSortMark(bool value) {
    if (value == showSortMark_) return;
    showSortMark_ = value;
    if (sortMode_ != hsmNone) Repaint();
}

void TGtHeaderSection::SetFilterIsActive(bool value) {
    if (value == filterIsActive_) return;
    filterIsActive_ = value;
    if (filterEnabled_) Repaint();
}

void TGtHeaderSection::SetLookupEnabled(bool value) {
    if (value == lookupEnabled_) return;
    lookupEnabled_ = value;
    const int h = Host().Height();
    if (value && h >= 1 && h <= 16) Host().SetHeight(17);
}

void TGtHeaderSection::SetFilterEnabled(bool value) {
    if (value == filterEnabled_) return;
    filterEnabled_ = value;
    const int h = Host().Height();
    if (value && h >= 1 && h <= 16) Host().SetHeight(17);
    AutoSizeChanged();
    Repaint();
}

void TGtHeaderSection::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AutoSizeChanged();
}

void TGtHeaderSection::SetLookupHistory(const runtime::TStringList& lines) {
    lookupHistory_->Assign(lines);
}

void TGtHeaderSection::Assign(const runtime::TPersistent* source) {
    const auto* src = dynamic_cast<const TGtHeaderSection*>(source);
    if (src == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (src == this) return;
    fieldType_ = src->fieldType_;
    Hint = src->Hint;
    visible_ = src->visible_;
    style_ = src->style_;
    text_ = src->text_;
    width_ = src->width_;
    Tag = src->Tag;
    minWidth_ = src->minWidth_;
    maxWidth_ = src->maxWidth_;
    sortMode_ = src->sortMode_;
    AllowClick = src->AllowClick;
    alignment_ = src->alignment_;
    expandable_ = src->expandable_;
    expanded_ = src->expanded_;
    TGtHeaderSection* parent = nullptr;
    if (src->parent_ != nullptr && owner_ != nullptr)
        parent = owner_->FindByIndex(src->parent_->index_);
    if (parent != nullptr && parent != this)
        SetParentSection(parent);
    else
        parent_ = nullptr;
    popupMenu_ = src->popupMenu_;
    popupMenuName_ = src->popupMenuName_;
    lookupEnabled_ = src->lookupEnabled_;
    useMainStyle_ = src->useMainStyle_;
    textLayout_ = src->textLayout_;
    filterEnabled_ = src->filterEnabled_;
    parentColor_ = src->parentColor_;
    fontColor_ = src->fontColor_;
    color_ = src->color_;
    autoSize_ = src->autoSize_;
    PictureAlign = src->PictureAlign;
    resizable_ = src->resizable_;
    ClickSelect = src->ClickSelect;
    password_ = src->password_;
    imageIndex_ = src->imageIndex_;
    editable_ = src->editable_;
    showSortMark_ = src->showSortMark_;
    index_ = src->index_;
}

// ---- TGtHeaderSections ----------------------------------------------------------------

TGtHeaderSections::TGtHeaderSections(TGtHeaderHost* host)
    : host_(host != nullptr ? host : &NoHeader()) {}

TGtHeaderSections::~TGtHeaderSections() {
    Clear();
}

std::unique_ptr<TGtHeaderSection> TGtHeaderSections::CreateSection() {
    return std::make_unique<TGtHeaderSection>(this);
}

TGtHeaderSection* TGtHeaderSections::FindByKey(int32_t key) const {
    for (const auto& s : sections_)
        if (s->key_ == key) return s.get();
    return nullptr;
}

TGtHeaderSection* TGtHeaderSections::FindByIndex(int index) const {
    for (const auto& s : sections_)
        if (s->index_ == index) return s.get();
    return nullptr;
}

TGtHeaderSection* TGtHeaderSections::ItemByPosition(int position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return sections_[static_cast<size_t>(position)].get();
}

int TGtHeaderSections::PositionOf(const TGtHeaderSection* section) const {
    for (size_t i = 0; i < sections_.size(); ++i)
        if (sections_[i].get() == section) return static_cast<int>(i);
    return -1;
}

int TGtHeaderSections::FreeIndex() const {
    for (int index = 0;; ++index)
        if (FindByIndex(index) == nullptr) return index;
}

int32_t TGtHeaderSections::FreeKey() {
    while (FindByKey(nextKey_) != nullptr) ++nextKey_;
    return nextKey_++;
}

TGtHeaderSection* TGtHeaderSections::AddSection() {
    return InsertSection(Count());
}

TGtHeaderSection* TGtHeaderSections::InsertSection(int position) {
    position = std::clamp(position, 0, Count());
    HeaderUpdate update(*host_);
    std::unique_ptr<TGtHeaderSection> section = CreateSection();
    section->index_ = FreeIndex();
    section->key_ = FreeKey();
    TGtHeaderSection* raw = section.get();
    sections_.insert(sections_.begin() + position, std::move(section));
    host_->InvalidateFrom(raw);
    host_->SectionsCreated();
    return raw;
}

void TGtHeaderSections::DeleteSection(TGtHeaderSection* section) {
    const int position = PositionOf(section);
    if (section == nullptr || position < 0) throw EGtHeaderError(SGtInvalidSection);
    HeaderUpdate update(*host_);
    std::unique_ptr<TGtHeaderSection> owned = std::move(sections_[static_cast<size_t>(position)]);
    sections_.erase(sections_.begin() + position);
    for (size_t i = 0; i < sections_.size(); ++i) {
        sections_[i]->index_ = static_cast<int>(i);
        if (sections_[i]->parent_ == section) sections_[i]->parent_ = nullptr;
    }
    host_->SectionsDeleted();
    owned.reset();
    host_->Invalidate();
}

void TGtHeaderSections::MoveSection(TGtHeaderSection* section, int newPosition) {
    const int old = PositionOf(section);
    if (old < 0) throw EGtHeaderError(SGtInvalidSection);
    newPosition = std::clamp(newPosition, 0, Count() - 1);
    HeaderUpdate update(*host_);
    if (old != newPosition) {
        std::unique_ptr<TGtHeaderSection> owned = std::move(sections_[static_cast<size_t>(old)]);
        sections_.erase(sections_.begin() + old);
        sections_.insert(sections_.begin() + newPosition, std::move(owned));
    }
    host_->SectionMove(section, old, newPosition);
    host_->Invalidate();
}

void TGtHeaderSections::Clear() {
    // First to last; parents are unlinked first so no section points at a
    // freed one while the list is emptied.
    for (auto& s : sections_) s->parent_ = nullptr;
    std::vector<std::unique_ptr<TGtHeaderSection>> gone = std::move(sections_);
    sections_.clear();
    for (auto& s : gone) s.reset();
}

TGtHeaderSection* TGtHeaderSections::LastVisibleSection() const {
    for (int i = Count() - 1; i >= 0; --i)
        if (sections_[static_cast<size_t>(i)]->Visible())
            return sections_[static_cast<size_t>(i)].get();
    return nullptr;
}

TGtHeaderSection* TGtHeaderSections::PrevVisibleSection(const TGtHeaderSection* section) const {
    for (int i = PositionOf(section) - 1; i >= 0; --i)
        if (sections_[static_cast<size_t>(i)]->Visible())
            return sections_[static_cast<size_t>(i)].get();
    return nullptr;
}

std::string TGtHeaderSections::SectionsOrder() const {
    std::string order;
    for (const auto& s : sections_) {
        order += "i" + std::to_string(s->index_) + ":w" + std::to_string(s->width_) + ":v";
        order += s->visible_ ? "t," : "f,";
    }
    return order;
}

void TGtHeaderSections::SetSectionsOrder(std::string_view order) {
    if (host_->IsDesigning() || host_->IsLoading() || sections_.empty()) return;
    // A number from `pos` up to the next ':'; false when there is none.
    auto number = [&](size_t& pos, int& value) {
        const size_t colon = order.find(':', pos);
        if (colon == std::string_view::npos) return false;
        int32_t v;
        if (!runtime::TryStrToInt(order.substr(pos, colon - pos), v)) return false;
        value = v;
        pos = colon + 1;
        return true;
    };
    size_t pos = 0;
    int target = 0;
    while (pos < order.size()) {
        int index, width;
        ++pos;  // the letter before the Index
        if (!number(pos, index)) return;
        ++pos;  // the letter before the Width
        if (!number(pos, width)) return;
        const std::string_view rest = order.substr(pos);
        const bool hidden = rest.starts_with("vf,") || rest.starts_with("vf;");
        pos = std::min(order.size(), pos + 3);
        TGtHeaderSection* section = FindByIndex(index);
        if (section == nullptr) continue;
        MoveSection(section, target);
        section->SetWidth(width);
        section->SetVisible(!hidden);
        ++target;
    }
}

void TGtHeaderSections::Assign(const runtime::TPersistent* source) {
    const auto* src = dynamic_cast<const TGtHeaderSections*>(source);
    if (src == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (src == this) return;
    HeaderUpdate update(*host_);
    while (!sections_.empty()) DeleteSection(sections_.back().get());
    for (int i = 0; i < src->Count(); ++i) AddSection();
    for (int i = 0; i < src->Count(); ++i) {
        TGtHeaderSection* to = ItemByPosition(i);
        const TGtHeaderSection* from = src->ItemByPosition(i);
        to->index_ = from->index_;
        to->key_ = from->key_;
    }
    for (int i = 0; i < src->Count(); ++i) ItemByPosition(i)->Assign(src->ItemByPosition(i));
    host_->ComputeProportions();
    host_->Invalidate();
}

void TGtHeaderSections::DefineProperties(runtime::TFiler& filer) {
    filer.DefineBinaryProperty(
        "Data", [this](runtime::TStream& stream) { LoadFromStream(stream); },
        [this](runtime::TStream& stream) { SaveToStream(stream); }, true);
}

}  // namespace controls::tree
