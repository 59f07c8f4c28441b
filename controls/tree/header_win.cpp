// The header's sections, settings, update lock, geometry and hints.
#include <algorithm>
#include <cstdlib>

#include "controls/tree/drawing.h"
#include "controls/tree/errors.h"
#include "controls/tree/header.h"
#include "controls/tree/hintwindow.h"
#include "gui/application.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/menus.h"
#include "gui/stdctrls.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"

namespace controls::tree {

// What the sections ask of their header.
class TCustomGtHeader::Host : public TGtHeaderHost {
  public:
    explicit Host(TCustomGtHeader& header) : h_(header) {}

    void BeginUpdate() override { h_.BeginUpdate(); }
    void EndUpdate() override { h_.EndUpdate(); }
    int DefaultWidth() const override { return h_.defaultWidth_; }
    bool StickySections() const override { return h_.stickySections_; }
    bool IsResizing() const override { return h_.stickyResizing_; }
    bool IsLoading() const override { return h_.Loading(); }
    bool IsDesigning() const override { return h_.Designing(); }
    bool IsDestroying() const override {
        return h_.ComponentState().Contains(runtime::csDestroying);
    }
    bool HasWindow() const override { return h_.HandleAllocated(); }
    int Width() const override { return h_.ClientWidth(); }
    int Height() const override { return h_.Height(); }
    void SetHeight(int value) override { h_.SetHeight(value); }
    int ScrollOffset() const override { return h_.leftPos_; }
    void AdjustHeight() override { h_.AdjustHeight(); }
    void Invalidate() override { h_.Invalidate(); }
    void InvalidateFrom(TGtHeaderSection* section) override {
        h_.InvalidateRange(section->Left() - h_.leftPos_, h_.ClientWidth());
    }
    void InvalidateRange(int left, int right) override { h_.InvalidateRange(left, right); }
    void FitSections(TGtHeaderSection* except) override { h_.FitSections(except); }
    void ComputeProportions() override { h_.ComputeProportions(); }
    void RepaintParent() override {
        if (h_.Parent() != nullptr) h_.Parent()->Invalidate();
    }
    void SectionChange(TGtHeaderSection* s, TSectionChangeMode mode) override {
        h_.DoSectionChange(s, mode);
    }
    void SectionResize(TGtHeaderSection* s) override {
        if (!h_.quietResize_) h_.DoSectionResize(s);
    }
    void SectionAutoSize(TGtHeaderSection* s) override { h_.DoSectionAutoSize(s); }
    void SectionShowHide(TGtHeaderSection* s) override { h_.DoSectionShowHide(s); }
    void SectionMove(TGtHeaderSection* s, int oldPos, int newPos) override {
        h_.DoSectionMove(s, oldPos, newPos);
    }
    void SectionsCreated() override { h_.pendingCreated_ = true; }
    void SectionsDeleted() override { h_.pendingDeleted_ = true; }

  private:
    TCustomGtHeader& h_;
};

RUNTIME_BEGIN_CLASS(TCustomGtHeader, TGtXPThemedControl)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TGtHeader, TCustomGtHeader)
RUNTIME_PROPERTY(Sections, Sections, SetSections);
RUNTIME_PROPERTY(DefaultWidth, DefaultWidth, SetDefaultWidth).Default(120);
RUNTIME_FIELD(AllowDrag).Default(true);
RUNTIME_FIELD(MoveOnDrag).Default(false);
RUNTIME_FIELD(ResizeOnDrag).Default(false);
RUNTIME_PROPERTY(Tracking, Tracking, SetTracking).Default(true);
RUNTIME_PROPERTY(Flat, Flat, SetFlat).Default(false);
RUNTIME_PROPERTY(InvertSortArrows, InvertSortArrows, SetInvertSortArrows).Default(false);
RUNTIME_PROPERTY(StickySections, StickySections, SetStickySections).Default(false);
RUNTIME_PROPERTY(LockHeight, LockHeight, SetLockHeight).Default(false);
RUNTIME_PROPERTY(RightAlignedText, RightAlignedText, SetRightAlignedText).Default(false);
RUNTIME_PROPERTY(RightAlignedOrder, RightAlignedOrder, SetRightAlignedOrder).Default(false);
RUNTIME_PROPERTY(Images, Images, SetImages);
RUNTIME_PROPERTY(FilterColor, FilterColor, SetFilterColor).Default(gui::clBtnText);
RUNTIME_PROPERTY(ActiveFilterColor, ActiveFilterColor, SetActiveFilterColor).Default(gui::clBlack);
RUNTIME_READONLY(SectionsWidth, SectionsWidth);
RUNTIME_PROPERTY(Hint, HintW, SetHintW);
RUNTIME_FIELD(OnSectionClick);
RUNTIME_FIELD(OnSectionResize);
RUNTIME_FIELD(OnSectionResizing);
RUNTIME_FIELD(OnSectionMove);
RUNTIME_FIELD(OnSectionDraw);
RUNTIME_FIELD(OnSectionShowHide);
RUNTIME_FIELD(OnSectionChange);
RUNTIME_FIELD(OnSectionCreate);
RUNTIME_FIELD(OnSectionDelete);
RUNTIME_FIELD(OnSectionExpand);
RUNTIME_FIELD(OnSectionCollapse);
RUNTIME_FIELD(OnPictureNeeded);
RUNTIME_FIELD(OnHeaderLookup);
RUNTIME_FIELD(OnHeaderLookupDone);
RUNTIME_FIELD(OnSectionAutoSize);
RUNTIME_FIELD(OnFilterCall);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomGtHeader)
GUI_MESSAGE(WM_SETCURSOR, WMSetCursor)
GUI_MESSAGE(WM_LBUTTONDBLCLK, WMLButtonDblClk)
GUI_MESSAGE(WM_CANCELMODE, WMCancelMode)
GUI_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
GUI_MESSAGE(WM_SYSCOLORCHANGE, WMSysColorChange)
GUI_MESSAGE(WM_RBUTTONDOWN, WMRButtonDown)
GUI_MESSAGE(WM_RBUTTONUP, WMRButtonUp)
GUI_MESSAGE(WM_CONTEXTMENU, WMContextMenu)
GUI_MESSAGE(gui::CM_MOUSEENTER, CMMouseEnter)
GUI_MESSAGE(gui::CM_MOUSELEAVE, CMMouseLeave)
GUI_MESSAGE(gui::CM_FONTCHANGED, CMFontChanged)
GUI_MESSAGE(gui::CM_HINTSHOW, CMHintShow)
GUI_MESSAGE(gui::CM_EXIT, CMExit)
GUI_END_MESSAGE_MAP

TCustomGtHeader::TCustomGtHeader(runtime::TComponent* owner)
    : TGtXPThemedControl(owner),
      host_(std::make_unique<Host>(*this)),
      imageLink_(std::make_unique<gui::TChangeLink>()) {
    sections_ = CreateSections();
    imageLink_->OnChange = [this](runtime::TObject*) {
        AdjustHeight();
        Invalidate();
    };
    SetControlStyle(gui::TControlStyle{gui::csCaptureMouse, gui::csClickEvents, gui::csOpaque,
                                       gui::csReplicatable, gui::csDoubleClicks});
    SetTabStop(false);
    SetColor(gui::clBtnFace);
    SetAlign(gui::alTop);
    SetHeight(std::abs(Font()->Height()) + 2 * GetSystemMetrics(SM_CYBORDER) + 6);
}

TCustomGtHeader::~TCustomGtHeader() {
    // The sections go while the header they report to is whole.
    sections_.reset();
    if (images_ != nullptr) images_->UnRegisterChanges(imageLink_.get());
}

std::unique_ptr<TGtHeaderSections> TCustomGtHeader::CreateSections() {
    return std::make_unique<TGtHeaderSections>(host_.get());
}

bool TCustomGtHeader::Loading() const {
    return ComponentState().Contains(runtime::csLoading);
}

bool TCustomGtHeader::Designing() const {
    return designing_ || ComponentState().Contains(runtime::csDesigning);
}

void TCustomGtHeader::SetDesigning(bool value) {
    designing_ = value;
}

void TCustomGtHeader::CreateParams(gui::TCreateParams& params) {
    TGtXPThemedControl::CreateParams(params);
    if (rightAlignedText_) params.ExStyle |= WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR;
}

void TCustomGtHeader::CreateWnd() {
    TGtXPThemedControl::CreateWnd();
    AdjustHeight();
}

// ---- settings --------------------------------------------------------------------------------

void TCustomGtHeader::SetSections(TGtHeaderSections* value) {
    if (value != nullptr && value != sections_.get()) sections_->Assign(value);
}

void TCustomGtHeader::SetTracking(bool value) {
    if (value == tracking_) return;
    tracking_ = value;
    if (!value && !ThemeInUse()) {
        hot_ = nullptr;
        Invalidate();
    }
}

void TCustomGtHeader::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    AdjustHeight();
    Invalidate();
}

void TCustomGtHeader::SetInvertSortArrows(bool value) {
    if (value == invertSortArrows_) return;
    invertSortArrows_ = value;
    Invalidate();
}

void TCustomGtHeader::SetStickySections(bool value) {
    stickySections_ = value;
    if (!value || Loading()) return;
    ComputeProportions();
    if (HandleAllocated() && ClientWidth() > 0) {
        FitSections(nullptr);
        lastClientWidth_ = ClientWidth();
    }
    Invalidate();
}

void TCustomGtHeader::SetLockHeight(bool value) {
    if (value == lockHeight_) return;
    lockHeight_ = value;
    const bool parentLoading =
        Parent() != nullptr && Parent()->ComponentState().Contains(runtime::csLoading);
    if (!value && !parentLoading) AdjustHeight();
}

void TCustomGtHeader::SetRightAlignedText(bool value) {
    if (value == rightAlignedText_) return;
    rightAlignedText_ = value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomGtHeader::SetRightAlignedOrder(bool value) {
    if (value == rightAlignedOrder_) return;
    rightAlignedOrder_ = value;
    if (!Loading()) ReverseOrder();
}

void TCustomGtHeader::ReverseOrder() {
    BeginUpdate();
    const int n = sections_->Count();
    for (int i = 0; i < n - 1; ++i) sections_->MoveSection(sections_->ItemByPosition(n - 1), i);
    EndUpdate();
}

void TCustomGtHeader::SetImages(gui::TCustomImageList* value) {
    if (value == images_) return;
    if (images_ != nullptr) {
        images_->UnRegisterChanges(imageLink_.get());
        images_->RemoveFreeNotification(this);
    }
    images_ = value;
    if (images_ != nullptr) {
        images_->RegisterChanges(imageLink_.get());
        images_->FreeNotification(this);
    }
    AdjustHeight();
    Invalidate();
}

void TCustomGtHeader::SetFilterColor(gui::TColor value) {
    if (value == filterColor_) return;
    filterColor_ = value;
    Invalidate();
}

void TCustomGtHeader::SetActiveFilterColor(gui::TColor value) {
    if (value == activeFilterColor_) return;
    activeFilterColor_ = value;
    Invalidate();
}

void TCustomGtHeader::SetHintW(std::u16string_view value) {
    hint_ = value;
    PublishWideHint(*this, hint_);
}

int TCustomGtHeader::SectionsWidth() const {
    return controls::tree::SectionsWidth(*sections_);
}

void TCustomGtHeader::Notification(runtime::TComponent* component, runtime::TOperation operation) {
    TGtXPThemedControl::Notification(component, operation);
    if (operation != runtime::opRemove || component == nullptr) return;
    if (component == images_) {
        images_ = nullptr;
        Invalidate();
    }
    // The lookup edit goes with its parent when that goes first.
    if (component == lookup_) {
        lookup_ = nullptr;
        lookupOpen_ = false;
    }
    for (int i = 0; i < sections_->Count(); ++i) {
        TGtHeaderSection* s = sections_->ItemByPosition(i);
        if (s->PopupMenu() == component) s->SetPopupMenu(nullptr);
    }
}

void TCustomGtHeader::Loaded() {
    TGtXPThemedControl::Loaded();
    if (gui::TCustomForm* form = GetOwnerForm(this)) {
        for (int i = 0; i < sections_->Count(); ++i) {
            TGtHeaderSection* s = sections_->ItemByPosition(i);
            if (s->PopupMenuName().empty()) continue;
            auto* menu = dynamic_cast<gui::TPopupMenu*>(form->FindComponent(s->PopupMenuName()));
            s->SetPopupMenu(menu);
        }
    }
    SetStickySections(stickySections_);
    if (rightAlignedOrder_) ReverseOrder();
    AdjustHeight();
}

// ---- updates and geometry --------------------------------------------------------------------

void TCustomGtHeader::BeginUpdate() {
    ++updateCount_;
}

void TCustomGtHeader::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    if (pendingDeleted_) {
        pendingDeleted_ = false;
        DoSectionDelete(nullptr);
    }
    if (pendingCreated_) {
        pendingCreated_ = false;
        DoSectionCreate(nullptr);
    }
    Update();
}

void TCustomGtHeader::Update() {
    if (updateCount_ > 0) return;
    TGtXPThemedControl::Update();
}

int TCustomGtHeader::IdealHeight() {
    return IdealHeaderHeight(std::abs(Font()->Height()), images_ != nullptr ? images_->Height() : 0,
                             flat_);
}

void TCustomGtHeader::AdjustHeight() {
    if (lockHeight_ || !HandleAllocated()) return;
    const int ideal = IdealHeight();
    if (ClientHeight() != ideal) SetClientHeight(ideal);
}

TGtHeaderSection* TCustomGtHeader::SectionAt(int x, int y) const {
    return controls::tree::SectionAt(*sections_, x, y, ClientHeight(), leftPos_);
}

bool TCustomGtHeader::InResizeArea(int x, TGtHeaderSection*& section) {
    return controls::tree::InResizeArea(*sections_, x, leftPos_, section);
}

void TCustomGtHeader::InvalidateRange(int left, int right) {
    if (!HandleAllocated()) return;
    const RECT r{left, 0, right, ClientHeight()};
    InvalidateRect(WindowHandle(), &r, FALSE);
}

void TCustomGtHeader::InvalidateFrom(int index) {
    TGtHeaderSection* s = sections_->GetSection(index);
    if (index < 0 || index >= sections_->Count() || s == nullptr)
        throw EGtHeaderError(SGtIndexOutOfBounds);
    InvalidateRange(s->Left() - leftPos_, ClientWidth());
}

void TCustomGtHeader::RepaintSection(TGtHeaderSection* section) {
    if (section == nullptr || !section->Visible() || updateCount_ > 0) {
        if (section != nullptr)
            InvalidateRange(section->Left() - leftPos_, section->Right() - leftPos_);
        return;
    }
    InvalidateRange(section->Left() - leftPos_, section->Right() - leftPos_);
    Update();
}

void TCustomGtHeader::SetLeftPos(int offset) {
    if (offset == leftPos_) return;
    leftPos_ = offset;
    Invalidate();
}

int TCustomGtHeader::ImageIndexOf(TGtHeaderSection* section) {
    const int index = section->ImageIndex();
    return index == -1 ? DoGetPicture(section) : index;
}

int TCustomGtHeader::MeasureSection(TGtHeaderSection* section, int& textWidth, int& textHeight) {
    textWidth = 0;
    textHeight = 0;
    int content = 0;
    if (section->Style() == ElhsOwnerDraw) {
        gui::TPoint size;
        DoSectionMeasure(section, size);
        content = size.X;
        textHeight = size.Y;
    } else {
        const int image = ImageIndexOf(section);
        if (images_ != nullptr && image >= 0 && image < images_->Count())
            content += images_->Width();
        if (section->Style() != ElhsPictureOnly) {
            const std::u16string text = section->Text();
            if (text.empty()) {
                textHeight = std::abs(Font()->Height());
            } else {
                gui::TWindowDC screen(nullptr);
                gui::TSelectObject font(screen.Get(), Font()->Handle());
                gui::TRect r{0, 0, 0, 0};
                DrawTextWideEx(screen.Get(), text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, r,
                               nullptr);
                textWidth = r.Width();
                textHeight = r.Height();
            }
            content += textWidth;
        }
    }
    return MeasuredSectionWidth(*section, content);
}

// ---- sticky sections ---------------------------------------------------------------------------

void TCustomGtHeader::FitSections(TGtHeaderSection* except) {
    const bool was = stickyResizing_;
    stickyResizing_ = true;
    sections_->FitSections(except, ClientWidth());
    stickyResizing_ = was;
}

void TCustomGtHeader::ComputeProportions() {
    sections_->ComputeProportions(ClientWidth());
}

void TCustomGtHeader::Resize() {
    const int fontHeight = std::abs(Font()->Height());
    const int imageHeight = images_ != nullptr ? images_->Height() : 0;
    if (ClientHeight() < fontHeight + 6 || ClientHeight() < imageHeight) AdjustHeight();
    // Lookup and filter glyphs need 17 pixels.
    if (Height() >= 1 && Height() <= 16) {
        for (int i = 0; i < sections_->Count(); ++i) {
            const TGtHeaderSection* s = sections_->ItemByPosition(i);
            if (s->LookupEnabled() || s->FilterEnabled()) {
                SetHeight(17);
                break;
            }
        }
    }
    const int width = ClientWidth();
    if (stickySections_ && width > 0 && width != lastClientWidth_ && !stickyResizing_) {
        stickyResizing_ = true;
        sections_->StickyResize(lastClientWidth_, width);
        stickyResizing_ = false;
        Invalidate();
    }
    lastClientWidth_ = width;
    TGtXPThemedControl::Resize();
}

// ---- reactions ---------------------------------------------------------------------------------

void TCustomGtHeader::CMFontChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    AdjustHeight();
    Invalidate();
}

void TCustomGtHeader::WMSysColorChange(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    Invalidate();
}

void TCustomGtHeader::CMHintShow(gui::TMessage& msg) {
    auto* info = reinterpret_cast<gui::THintInfo*>(msg.LParam);
    if (info == nullptr) return;
    TGtHeaderSection* s = SectionAt(info->CursorPos.X, info->CursorPos.Y);
    const bool own = s != nullptr && !s->Hint.empty();
    if (s != nullptr)
        info->CursorRect = {s->Left() - leftPos_, 0, s->Right() - leftPos_, ClientHeight()};
    msg.Result = PrepareWideHint(*this, own ? s->Hint : hint_, *info) ? 0 : 1;
}

// ---- event dispatchers -------------------------------------------------------------------------

int TCustomGtHeader::DoGetPicture(TGtHeaderSection* section) {
    int index = -1;
    OnPictureNeeded(this, section, index);
    return index;
}
void TCustomGtHeader::DoSectionShowHide(TGtHeaderSection* s) {
    OnSectionShowHide(this, s);
}
void TCustomGtHeader::DoSectionDelete(TGtHeaderSection* s) {
    OnSectionDelete(this, s);
}
void TCustomGtHeader::DoSectionMove(TGtHeaderSection* s, int oldPos, int newPos) {
    OnSectionMove(this, s, oldPos, newPos);
}
void TCustomGtHeader::DoSectionResizing(TGtHeaderSection* s, TGtResizeState state, int width) {
    OnSectionResizing(this, s, state, width);
}
void TCustomGtHeader::DoSectionResize(TGtHeaderSection* s) {
    OnSectionResize(this, s);
}
void TCustomGtHeader::DoSectionClick(TGtHeaderSection* s) {
    OnSectionClick(this, s);
}
void TCustomGtHeader::DoSectionDraw(gui::TCanvas& canvas, TGtHeaderSection* s, const gui::TRect& r,
                                    bool pressed) {
    OnSectionDraw(this, &canvas, s, r, pressed);
}
void TCustomGtHeader::DoSectionChange(TGtHeaderSection* s, TSectionChangeMode change) {
    OnSectionChange(this, s, change);
}
void TCustomGtHeader::DoSectionExpand(TGtHeaderSection* s) {
    OnSectionExpand(this, s);
}
void TCustomGtHeader::DoSectionCollapse(TGtHeaderSection* s) {
    OnSectionCollapse(this, s);
}
void TCustomGtHeader::DoSectionCreate(TGtHeaderSection* s) {
    OnSectionCreate(this, s);
}
void TCustomGtHeader::DoHeaderLookup(TGtHeaderSection* s, std::u16string& text) {
    OnHeaderLookup(this, s, text);
}
void TCustomGtHeader::DoHeaderLookupDone(TGtHeaderSection* s, const std::u16string& text,
                                         bool accepted) {
    OnHeaderLookupDone(this, s, text, accepted);
}
void TCustomGtHeader::DoSectionAutoSize(TGtHeaderSection* s) {
    OnSectionAutoSize(this, s);
}
void TCustomGtHeader::DoFilterCall(TGtHeaderSection* s) {
    OnFilterCall(this, s);
}
void TCustomGtHeader::DoSectionMeasure(TGtHeaderSection* s, gui::TPoint& size) {
    if (OnSectionMeasure) OnSectionMeasure(this, s, size);
}

}  // namespace controls::tree
