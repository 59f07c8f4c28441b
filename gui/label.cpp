#include <algorithm>

#include "gui/graphic.h"
#include "gui/stdctrls.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

bool IsAccel(char16_t c, std::u16string_view caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return runtime::WideUpChar(caption[i + 1]) == runtime::WideUpChar(c);
    }
    return false;
}

RUNTIME_BEGIN_CLASS(TCustomLabel, TGraphicControl)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taLeftJustify);
RUNTIME_PROPERTY(AutoSize, AutoSize, SetAutoSize).Default(true);
RUNTIME_PROPERTY(Caption, Text, SetText);
RUNTIME_PROPERTY(FocusControl, FocusControl, SetFocusControl);
RUNTIME_PROPERTY(Layout, Layout, SetLayout).Default(tlTop);
RUNTIME_PROPERTY(ShowAccelChar, ShowAccelChar, SetShowAccelChar).Default(true);
RUNTIME_PROPERTY(Transparent, Transparent, SetTransparent).Default(false);
RUNTIME_PROPERTY(WordWrap, WordWrap, SetWordWrap).Default(false);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomLabel)
GUI_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
GUI_MESSAGE(CM_FONTCHANGED, CMFontChanged)
GUI_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
GUI_END_MESSAGE_MAP

RUNTIME_BEGIN_CLASS(TLabel, TCustomLabel)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TLinkLabel, TCustomLabel)
RUNTIME_PROPERTY(Cursor, Cursor, SetCursor).Default(crHandPoint);
RUNTIME_PROPERTY(LinkColor, LinkColor, SetLinkColor).Default(clBlue);
RUNTIME_PROPERTY(Transparent, Transparent, SetTransparent).Default(true);
RUNTIME_END_CLASS

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    SetBounds(0, 0, 65, 17);
}

TLinkLabel::TLinkLabel(TComponent* owner) : TCustomLabel(owner) {
    SetTransparent(true);
    SetCursor(crHandPoint);
}

void TLinkLabel::SetLinkColor(TColor value) {
    if (linkColor_ == value) return;
    linkColor_ = value;
    Invalidate();
}

void TLinkLabel::PrepareFont(TFont& font) {
    // The face and size follow the label's font; the link look is its own.
    font.SetColor(linkColor_);
    font.SetStyle(font.Style() + TFontStyles{fsUnderline});
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (layout_ == value) return;
    layout_ = value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (autoSize_ == value) return;
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (wordWrap_ == value) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    if (transparent_ == value) return;
    transparent_ = value;
    TControlStyle style = ControlStyle();
    if (value)
        style.Exclude(csOpaque);
    else
        style.Include(csOpaque);
    SetControlStyle(style);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (showAccelChar_ == value) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
    if (focusControl_ != nullptr) focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, runtime::TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == runtime::opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

UINT TCustomLabel::DrawTextFlags() const {
    static constexpr UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = DT_EXPANDTABS | kAlign[alignment_];
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    return flags;
}

// Small faces can paint their glyphs a few pixels past the width the
// system measures for them (hinted outlines); the label grows to the ink so
// its own bounds never cut the last letter.
int TCustomLabel::InkRight(std::u16string_view text, const TRect& measured) {
    const int spare = std::max(measured.Height(), 8);
    TBitmap scratch(measured.Width() + spare, std::max(measured.Height(), 1));
    TCanvas& canvas = scratch.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({0, 0, scratch.Width(), scratch.Height()});
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().Assign(Font());
    PrepareFont(canvas.Font());
    canvas.Font().SetColor(clBlack);
    TRect all{0, 0, scratch.Width(), scratch.Height()};
    canvas.DrawText(text, all, DrawTextFlags() | DT_NOCLIP);
    HDC dc = canvas.Handle();
    for (int x = scratch.Width() - 1; x >= measured.Right; --x)
        for (int y = 0; y < scratch.Height(); ++y)
            if ((GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF) return x + 1;
    return measured.Right;
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || ComponentState().Contains(runtime::csLoading)) return;
    TWindowDC screen(nullptr);
    TCanvas canvas;
    canvas.SetHandle(screen.Get());
    // Measured in the font it is painted in: a link's underlined face may
    // come out of the font mapper wider than the plain one.
    canvas.Font().Assign(Font());
    PrepareFont(canvas.Font());
    std::u16string text = TextW();
    if (text.empty() || (showAccelChar_ && text.size() == 1 && text[0] == u'&')) text = u" ";
    TRect r{0, 0, wordWrap_ ? Width() : 0, 0};
    canvas.DrawText(text, r, DrawTextFlags() | DT_CALCRECT);
    canvas.SetHandle(nullptr);
    if (!wordWrap_) r.Right = std::max(r.Right, InkRight(text, r));
    int left = Left();
    if (alignment_ == taRightJustify) left += Width() - r.Width();
    SetBounds(left, Top(), r.Width(), r.Height());
}

void TCustomLabel::CMTextChanged(TMessage&) {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage&) {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMDialogChar(TMessage& msg) {
    if (focusControl_ != nullptr && Enabled() && showAccelChar_ &&
        IsAccel(static_cast<char16_t>(msg.WParam), TextW()) && focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        msg.Result = 1;
    }
}

void TCustomLabel::Paint() {
    TCanvas& canvas = Canvas();
    const TRect client = ClientRect();
    if (!transparent_) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(client);
    }
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().Assign(Font());
    PrepareFont(canvas.Font());
    TRect r = client;
    UINT flags = DrawTextFlags();
    if (layout_ != tlTop) {
        TRect measured = client;
        canvas.DrawText(TextW(), measured, flags | DT_CALCRECT);
        const int offset = layout_ == tlBottom ? client.Height() - measured.Height()
                                               : (client.Height() - measured.Height()) / 2;
        r = r.Offset(0, offset);
    }
    if (!Enabled()) {
        canvas.Font().SetColor(clGrayText);
    }
    canvas.DrawText(TextW(), r, flags);
}

}  // namespace gui
