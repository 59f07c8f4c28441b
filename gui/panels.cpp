#include <algorithm>

#include "gui/extctrls.h"
#include "gui/setfield.h"
#include "runtime/properties.h"

namespace gui {

// ---- TPanel --------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TPanel, TCustomControl)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taCenter);
RUNTIME_PROPERTY(BevelInner, BevelInner, SetBevelInner).Default(bvNone);
RUNTIME_PROPERTY(BevelOuter, BevelOuter, SetBevelOuter).Default(bvRaised);
RUNTIME_PROPERTY(BevelWidth, BevelWidth, SetBevelWidth).Default(1);
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsNone);
RUNTIME_PROPERTY(BorderWidth, BorderWidth, SetBorderWidth).Default(0);
RUNTIME_PROPERTY(Caption, Text, SetText);
RUNTIME_END_CLASS

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(
        {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks});
    SetBounds(0, 0, 185, 41);
}

void TPanel::Changed() {
    Realign();
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut value) {
    if (bevelInner_ == value) return;
    bevelInner_ = value;
    Changed();
}

void TPanel::SetBevelOuter(TBevelCut value) {
    if (bevelOuter_ == value) return;
    bevelOuter_ = value;
    Changed();
}

void TPanel::SetBevelWidth(int value) {
    if (value < 1 || bevelWidth_ == value) return;
    bevelWidth_ = value;
    Changed();
}

void TPanel::SetBorderWidth(int value) {
    if (value < 0 || borderWidth_ == value) return;
    borderWidth_ = value;
    Changed();
}

void TPanel::SetBorderStyle(TBorderStyle value) {
    if (borderStyle_ == value) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TPanel::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    Invalidate();
}

void TPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TPanel::AdjustClientRect(TRect& rect) const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    rect = rect.Inflate(-inset, -inset);
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    TRect r = ClientRect();
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const bool raised = cut == bvRaised;
        const TColor top = cut == bvSpace ? Color() : raised ? clBtnHighlight : clBtnShadow;
        const TColor bottom = cut == bvSpace ? Color() : raised ? clBtnShadow : clBtnHighlight;
        r = Frame3D(canvas, r, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    r = Frame3D(canvas, r, Color(), Color(), borderWidth_);
    bevel(bevelInner_);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    if (TextW().empty()) return;
    static constexpr UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    canvas.Brush().SetStyle(bsClear);
    canvas.DrawText(TextW(), r, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | kAlign[alignment_]);
}

// ---- TBevel --------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TBevel, TGraphicControl)
RUNTIME_PROPERTY(Shape, Shape, SetShape).Default(bsBox);
RUNTIME_PROPERTY(Style, Style, SetStyle).Default(bsLowered);
RUNTIME_END_CLASS

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
    if (shape_ == value) return;
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    if (style_ == value) return;
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas& canvas = Canvas();
    const TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = Width();
    const int h = Height();
    auto line = [&](TColor color, TPoint a, TPoint b) {
        canvas.Pen().SetColor(color);
        canvas.MoveTo(a.X, a.Y);
        canvas.LineTo(b.X, b.Y);
    };
    switch (shape_) {
        case bsBox:
            Frame3D(canvas, ClientRect(), first, second, 1);
            break;
        case bsFrame: {
            TRect r = ClientRect();
            --r.Right;
            --r.Bottom;
            Frame3D(canvas, r, first, first, 1);
            Frame3D(canvas, r.Offset(1, 1), second, second, 1);
            break;
        }
        case bsTopLine:
            line(first, {0, 0}, {w, 0});
            line(second, {0, 1}, {w, 1});
            break;
        case bsBottomLine:
            line(first, {0, h - 2}, {w, h - 2});
            line(second, {0, h - 1}, {w, h - 1});
            break;
        case bsLeftLine:
            line(first, {0, 0}, {0, h});
            line(second, {1, 0}, {1, h});
            break;
        case bsRightLine:
            line(first, {w - 2, 0}, {w - 2, h});
            line(second, {w - 1, 0}, {w - 1, h});
            break;
        case bsSpacer:
            break;
    }
}

// ---- TSplitter -----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TSplitter, TGraphicControl)
RUNTIME_PROPERTY(Align, Align, SetAlign).Default(alLeft);
RUNTIME_PROPERTY(Beveled, Beveled, SetBeveled).Default(false);
RUNTIME_PROPERTY(MinSize, MinSize, SetMinSize).Default(30);
RUNTIME_PROPERTY(ResizeStyle, ResizeStyle, SetResizeStyle).Default(rsUpdate);
RUNTIME_FIELD(OnCanResize);
RUNTIME_FIELD(OnMoved);
RUNTIME_END_CLASS

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::BoundsChanged(bool resized) {
    TGraphicControl::BoundsChanged(resized);
    SetCursor(Horizontal() ? crHSplit : crVSplit);
}

void TSplitter::SetBeveled(bool value) {
    if (beveled_ == value) return;
    beveled_ = value;
    Invalidate();
}

TControl* TSplitter::ResizeControl() const {
    if (Parent() == nullptr) return nullptr;
    // The control with the same alignment whose edge touches the splitter.
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align()) continue;
        switch (Align()) {
            case alLeft:
                if (c->Left() + c->Width() == Left()) return c;
                break;
            case alRight:
                if (c->Left() == Left() + Width()) return c;
                break;
            case alTop:
                if (c->Top() + c->Height() == Top()) return c;
                break;
            case alBottom:
                if (c->Top() == Top() + Height()) return c;
                break;
            default:
                break;
        }
    }
    return nullptr;
}

int TSplitter::NewSize(int position) const {
    const int delta = position - downPosition_;
    const bool grows = Align() == alLeft || Align() == alTop;
    return std::clamp(startSize_ + (grows ? delta : -delta), minSize_,
                      std::max(minSize_, maxSize_));
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != runtime::mbLeft) return;
    EndDrag();
    control_ = ResizeControl();
    if (control_ == nullptr) return;
    control_->FreeNotification(this);
    const TPoint screen = ClientToScreen({x, y});
    downPosition_ = Horizontal() ? screen.X : screen.Y;
    startSize_ = Horizontal() ? control_->Width() : control_->Height();
    // What the parent's other aligned controls leave, less MinSize.
    const TRect client = Parent()->ClientRect();
    int taken = Horizontal() ? Width() : Height();
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || c == control_ || !c->Visible()) continue;
        if (Horizontal() && (c->Align() == alLeft || c->Align() == alRight)) taken += c->Width();
        if (!Horizontal() && (c->Align() == alTop || c->Align() == alBottom)) taken += c->Height();
    }
    maxSize_ = (Horizontal() ? client.Width() : client.Height()) - taken - minSize_;
    dragging_ = true;
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_ || control_ == nullptr || resizeStyle_ == rsNone) return;
    const TPoint screen = ClientToScreen({x, y});
    int size = NewSize(Horizontal() ? screen.X : screen.Y);
    bool accept = true;
    OnCanResize(this, size, accept);
    if (!accept) return;
    if (Horizontal())
        control_->SetWidth(size);
    else
        control_->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_) return;
    EndDrag();
    OnMoved(this);
}

void TSplitter::EndDrag() {
    dragging_ = false;
    if (control_ != nullptr) control_->RemoveFreeNotification(this);
    control_ = nullptr;
}

void TSplitter::Notification(TComponent* component, runtime::TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == runtime::opRemove && component == control_) {
        control_ = nullptr;
        dragging_ = false;
    }
}

void TSplitter::Paint() {
    TCanvas& canvas = Canvas();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
    if (beveled_) Frame3D(canvas, ClientRect(), clBtnHighlight, clBtnShadow, 1);
}

// ---- TImage --------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TPaintBox, TGraphicControl)
RUNTIME_FIELD(OnPaint);
RUNTIME_END_CLASS

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
    OnPaint(this);
}

RUNTIME_BEGIN_CLASS(TImage, TGraphicControl)
RUNTIME_PROPERTY(AutoSize, AutoSize, SetAutoSize).Default(false);
RUNTIME_PROPERTY(Center, Center, SetCenter).Default(false);
RUNTIME_PROPERTY(Picture, Picture, SetPicture);
RUNTIME_PROPERTY(Proportional, Proportional, SetProportional).Default(false);
RUNTIME_PROPERTY(Stretch, Stretch, SetStretch).Default(false);
RUNTIME_PROPERTY(Transparent, Transparent, SetTransparent).Default(false);
RUNTIME_END_CLASS

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

void TImage::SetPicture(TPicture* value) {
    picture_->Assign(value);
}

void TImage::SetStretch(bool value) {
    SetField(stretch_, value, [this] { PictureChanged(); });
}
void TImage::SetCenter(bool value) {
    SetField(center_, value, [this] { PictureChanged(); });
}
void TImage::SetProportional(bool value) {
    SetField(proportional_, value, [this] { PictureChanged(); });
}
void TImage::SetTransparent(bool value) {
    SetField(transparent_, value, [this] { PictureChanged(); });
}
void TImage::SetAutoSize(bool value) {
    SetField(autoSize_, value, [this] { PictureChanged(); });
}

void TImage::PictureChanged() {
    if (TGraphic* g = picture_->Graphic();
        g != nullptr && g->Transparent() != transparent_ && dynamic_cast<TIcon*>(g) == nullptr)
        g->SetTransparent(transparent_);
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
    Invalidate();
}

TRect TImage::DestRect() const {
    const int pw = picture_->Width();
    const int ph = picture_->Height();
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    int w = pw;
    int h = ph;
    if (stretch_ || (proportional_ && (pw > cw || ph > ch))) {
        if (proportional_ && pw > 0 && ph > 0) {
            // The largest size of the picture's shape that fits.
            if (static_cast<int64_t>(cw) * ph < static_cast<int64_t>(ch) * pw) {
                w = cw;
                h = static_cast<int>(static_cast<int64_t>(ph) * cw / pw);
            } else {
                h = ch;
                w = static_cast<int>(static_cast<int64_t>(pw) * ch / ph);
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r{0, 0, w, h};
    if (center_) r = r.Offset((cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* graphic = picture_->Graphic();
    if (graphic == nullptr || graphic->Empty()) return;
    Canvas().StretchDraw(DestRect(), *graphic);
}

}  // namespace gui
