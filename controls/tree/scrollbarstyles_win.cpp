// TGtScrollBarStyles: a scroll bar's look published through its owner.
#include "controls/tree/errors.h"
#include "controls/tree/scrollbar.h"
#include "runtime/properties.h"

namespace controls::tree {

// A published property of the styles that reads and writes the bar's.
#define GT_BAR_PROPERTY(Name)                                                 \
    builder.Property(                                                         \
        #Name, [](const Self& s) { return s.ScrollBar().Name(); },            \
        [](Self& s, decltype(std::declval<TCustomGtScrollBar&>().Name()) v) { \
            s.ScrollBar().Set##Name(v);                                       \
        })
#define GT_BAR_FIELD(Name)                                                                       \
    builder.Property(                                                                            \
        #Name, [](const Self& s) { return s.ScrollBar().Name; },                                 \
        [](Self& s, std::remove_cvref_t<decltype(std::declval<TCustomGtScrollBar&>().Name)> v) { \
            s.ScrollBar().Name = v;                                                              \
        })

RUNTIME_BEGIN_CLASS(TGtScrollBarStyles, runtime::TPersistent)
GT_BAR_PROPERTY(ActiveFlat);
GT_BAR_PROPERTY(BlendBackground);
builder.Property(
    "Color", [](const Self& s) { return s.ScrollBar().Color(); },
    [](Self& s, gui::TColor v) { s.ScrollBar().SetColor(v); });
GT_BAR_PROPERTY(Flat);
GT_BAR_PROPERTY(MinThumbSize);
GT_BAR_PROPERTY(NoDisableButtons);
GT_BAR_PROPERTY(NoSunkenThumb);
GT_BAR_PROPERTY(OwnerDraw);
GT_BAR_PROPERTY(SecondaryButtons);
GT_BAR_FIELD(SecondBtnKind);
GT_BAR_PROPERTY(ShowLeftArrows);
GT_BAR_PROPERTY(ShowRightArrows);
GT_BAR_FIELD(ShowTrackHint);
GT_BAR_PROPERTY(ThumbMode);
GT_BAR_PROPERTY(ThumbSize);
RUNTIME_PROPERTY(Width, Width, SetWidth);
GT_BAR_PROPERTY(ButtonSize);
RUNTIME_PROPERTY(UseSystemMetrics, UseSystemMetrics, SetUseSystemMetrics).Default(true);
GT_BAR_PROPERTY(ArrowColor);
GT_BAR_PROPERTY(ArrowHotTrackColor);
RUNTIME_FIELD(OnChange);
GT_BAR_PROPERTY(DrawFrames);
GT_BAR_PROPERTY(DrawArrowFrames);
GT_BAR_PROPERTY(DrawBars);
GT_BAR_PROPERTY(BarOffset);
GT_BAR_PROPERTY(BarColor);
GT_BAR_PROPERTY(ThinFrames);
GT_BAR_FIELD(HintColor);
GT_BAR_FIELD(HintTextColor);
GT_BAR_PROPERTY(SystemBkColor);
GT_BAR_PROPERTY(UseXPThemes);
RUNTIME_END_CLASS

#undef GT_BAR_PROPERTY
#undef GT_BAR_FIELD

TGtScrollBarStyles::TGtScrollBarStyles(TCustomGtScrollBar* scrollBar, runtime::TComponent* owner)
    : bar_(scrollBar), owner_(owner) {
    if (bar_ == nullptr || owner_ == nullptr) throw EGtTreeError(SGtNoScrollBar);
    bar_->SetUseSystemMetrics(true);
}

int TGtScrollBarStyles::Width() const {
    return bar_->Kind() == gui::sbVertical ? bar_->Width() : bar_->Height();
}

void TGtScrollBarStyles::SetWidth(int value) {
    const bool ownerLoading = owner_->ComponentState().Contains(runtime::csLoading);
    if (bar_->UseSystemMetrics() && !ownerLoading) {
        // The system's thickness holds: applied again.
        bar_->SetUseSystemMetrics(false);
        bar_->SetUseSystemMetrics(true);
    } else if (bar_->Kind() == gui::sbVertical) {
        bar_->SetWidth(value);
    } else {
        bar_->SetHeight(value);
    }
    OnChange(this);
}

bool TGtScrollBarStyles::UseSystemMetrics() const {
    return bar_->UseSystemMetrics();
}

void TGtScrollBarStyles::SetUseSystemMetrics(bool value) {
    if (value == bar_->UseSystemMetrics()) return;
    bar_->SetUseSystemMetrics(value);
    OnChange(this);
}

void TGtScrollBarStyles::Assign(const runtime::TPersistent* source) {
    const auto* other = dynamic_cast<const TGtScrollBarStyles*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    const TCustomGtScrollBar& from = other->ScrollBar();
    TCustomGtScrollBar& to = *bar_;
    to.SetActiveFlat(from.ActiveFlat());
    to.SetBlendBackground(from.BlendBackground());
    to.SetColor(from.Color());
    to.SetFlat(from.Flat());
    to.SetMinThumbSize(from.MinThumbSize());
    to.SetOwnerDraw(from.OwnerDraw());
    to.SetSecondaryButtons(from.SecondaryButtons());
    to.SecondBtnKind = from.SecondBtnKind;
    to.ShowTrackHint = from.ShowTrackHint;
    to.SetThumbMode(from.ThumbMode());
    to.SetThumbSize(from.ThumbSize());
}

}  // namespace controls::tree
