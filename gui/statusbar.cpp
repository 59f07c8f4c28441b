#include <algorithm>

#include "gui/comctrls.h"
#include "gui/geometry_win.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

// ---- TStatusPanel --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TStatusPanel, runtime::TCollectionItem)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taLeftJustify);
RUNTIME_PROPERTY(Bevel, Bevel, SetBevel).Default(pbLowered);
RUNTIME_PROPERTY(Text, Text, SetText);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(50);
RUNTIME_END_CLASS

void TStatusPanel::SetText(const std::string& value) {
    if (text_ == value) return;
    text_ = value;
    Changed(false);
}

void TStatusPanel::SetWidth(int value) {
    if (width_ == value) return;
    width_ = std::max(0, value);
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (bevel_ == value) return;
    bevel_ = value;
    Changed(false);
}

void TStatusPanel::Assign(const runtime::TPersistent* source) {
    if (const auto* other = dynamic_cast<const TStatusPanel*>(source)) {
        text_ = other->text_;
        width_ = other->width_;
        alignment_ = other->alignment_;
        bevel_ = other->bevel_;
        Changed(true);
        return;
    }
    TCollectionItem::Assign(source);
}

RUNTIME_BEGIN_CLASS(TStatusPanels, runtime::TCollection)
RUNTIME_END_CLASS

TStatusPanels::TStatusPanels(TStatusBar& bar)
    : TCollection(runtime::CollectionItemFactory<TStatusPanel>()), bar_(bar) {}

void TStatusPanels::Update(runtime::TCollectionItem*) {
    bar_.UpdatePanels();
}

// ---- TStatusBar ----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TStatusBar, TWinControl)
RUNTIME_PROPERTY(Align, Align, SetAlign).Default(alBottom);
RUNTIME_READONLY(Panels, Panels);
RUNTIME_PROPERTY(SimplePanel, SimplePanel, SetSimplePanel).Default(false);
RUNTIME_PROPERTY(SimpleText, SimpleText, SetSimpleText);
RUNTIME_PROPERTY(SizeGrip, SizeGrip, SetSizeGrip).Default(true);
RUNTIME_END_CLASS

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner), panels_(std::make_unique<TStatusPanels>(*this)) {
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
    SetAlign(alBottom);
    SetBounds(0, 0, 100, 19);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"msctls_statusbar32";
    // The class library places it (Align), not the control itself.
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | WS_CLIPCHILDREN;
    if (sizeGrip_) params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateHandleDone() {
    UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool value) {
    if (simplePanel_ == value) return;
    simplePanel_ = value;
    UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::string& value) {
    if (simpleText_ == value) return;
    simpleText_ = value;
    UpdatePanels();
}

void TStatusBar::SetSizeGrip(bool value) {
    if (sizeGrip_ == value) return;
    sizeGrip_ = value;
    RecreateWnd();
}

void TStatusBar::UpdatePanels() {
    if (!HandleAllocated()) return;
    HWND window = WindowHandle();
    SendMessageW(window, SB_SIMPLE, simplePanel_, 0);
    if (simplePanel_) {
        const std::u16string text = runtime::AnsiToWide(simpleText_);
        SendMessageW(window, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
        return;
    }
    const int count = std::max(1, panels_->Count());
    std::vector<int> edges(static_cast<size_t>(count), -1);
    int right = 0;
    for (int i = 0; i < panels_->Count(); ++i) {
        right += panels_->Items(i)->Width();
        // The last panel takes the rest of the bar.
        edges[static_cast<size_t>(i)] = i + 1 < panels_->Count() ? right : -1;
    }
    SendMessageW(window, SB_SETPARTS, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < panels_->Count(); ++i) {
        const TStatusPanel* panel = panels_->Items(i);
        std::u16string text = runtime::AnsiToWide(panel->Text());
        // The control aligns text after tabs: one tab centres, two align right.
        if (panel->Alignment() == taCenter) text.insert(0, u"\t");
        if (panel->Alignment() == taRightJustify) text.insert(0, u"\t\t");
        static constexpr WPARAM kBevel[] = {SBT_NOBORDERS, 0, SBT_POPOUT};
        SendMessageW(window, SB_SETTEXTW, static_cast<WPARAM>(i) | kBevel[panel->Bevel()],
                     reinterpret_cast<LPARAM>(text.c_str()));
    }
}

TRect TStatusBar::PanelRect(int index) const {
    if (!HandleAllocated()) return {};
    RECT r{};
    SendMessageW(WindowHandle(), SB_GETRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&r));
    return ToTRect(r);
}

}  // namespace gui
