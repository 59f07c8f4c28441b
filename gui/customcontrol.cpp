#include "gui/controls.h"
#include "gui/doublebuffer.h"
#include "gui/geometry_win.h"
#include "runtime/properties.h"

namespace gui {

// ---- TCustomControl ------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCustomControl, TWinControl)
RUNTIME_PROPERTY(DoubleBuffered, DoubleBuffered, SetDoubleBuffered).Default(true);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomControl)
GUI_MESSAGE(WM_ERASEBKGND, WMEraseBkgnd)
GUI_END_MESSAGE_MAP

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner),
      canvas_(std::make_unique<TCanvas>()),
      buffer_(std::make_unique<TDoubleBuffer>()) {}

TCustomControl::~TCustomControl() {
    canvas_->SetHandle(nullptr);
}

void TCustomControl::SetDoubleBuffered(bool value) {
    if (doubleBuffered_ == value) return;
    doubleBuffered_ = value;
    if (!value) buffer_ = std::make_unique<TDoubleBuffer>();  // lets the bitmap go
    Invalidate();
}

void TCustomControl::WMEraseBkgnd(TMessage& msg) {
    // Painting covers the whole client area through the buffer.
    if (doubleBuffered_) {
        msg.Result = 1;
        return;
    }
    GUI_INHERITED(msg);
}

void TCustomControl::PaintHandler(TMessage& msg) {
    HDC target = reinterpret_cast<HDC>(msg.WParam);
    PAINTSTRUCT ps{};
    if (target == nullptr) target = BeginPaint(WindowHandle(), &ps);
    RECT clipBox{};
    if (msg.WParam == 0)
        clipBox = ps.rcPaint;
    else if (GetClipBox(target, &clipBox) == NULLREGION)
        clipBox = {};
    const TRect client = ClientRect();
    auto paint = [this, &client](HDC dc) {
        canvas_->SetHandle(dc);
        try {
            // Without the buffer WM_ERASEBKGND has filled the background.
            if (doubleBuffered_) {
                canvas_->Brush().SetColor(Color());
                canvas_->Brush().SetStyle(bsSolid);
                canvas_->FillRect(client);
            }
            canvas_->Font().Assign(Font());
            Paint();
        } catch (...) {
            canvas_->SetHandle(nullptr);
            throw;
        }
        canvas_->SetHandle(nullptr);
        PaintControls(dc, nullptr);
    };
    try {
        if (doubleBuffered_)
            buffer_->Paint(target, client.Size(), ToTRect(clipBox), paint);
        else
            paint(target);
    } catch (...) {
        if (msg.WParam == 0) EndPaint(WindowHandle(), &ps);
        throw;
    }
    if (msg.WParam == 0) EndPaint(WindowHandle(), &ps);
}

// ---- TGraphicControl -----------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TGraphicControl, TControl)
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TGraphicControl)
GUI_MESSAGE(WM_PAINT, WMPaint)
GUI_END_MESSAGE_MAP

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() {
    canvas_->SetHandle(nullptr);
}

void TGraphicControl::WMPaint(TMessage& msg) {
    if (msg.WParam == 0) return;
    canvas_->SetHandle(reinterpret_cast<HDC>(msg.WParam));
    try {
        canvas_->Font().Assign(Font());
        Paint();
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
}

}  // namespace gui
