#pragma once

// The standard controls: labels, buttons, check boxes, radio buttons, group
// boxes, edits, memos, list boxes and combo boxes. Each windowed one is a
// class of the system's ("BUTTON", "EDIT", "LISTBOX", "COMBOBOX") made
// into a class library control; its notifications come back to it as CN_
// messages.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gui/controls.h"
#include "gui/forms.h"
#include "runtime/stringlist.h"

namespace gui {

RUNTIME_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
RUNTIME_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
RUNTIME_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
RUNTIME_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
RUNTIME_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)
RUNTIME_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList)
RUNTIME_ENUM(TScrollBarKind, sbHorizontal, sbVertical)
RUNTIME_ENUM(TScrollCode, scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop,
             scBottom, scEndScroll)
RUNTIME_EVENT_TYPE(TScrollEvent, "Sender, ScrollCode, ScrollPos", TObject*, TScrollCode, int&);

// True when `caption` marks `c` as its accelerator ("&Open" and 'o').
bool IsAccel(char16_t c, std::u16string_view caption);

// ---- labels ------------------------------------------------------------------------------

class TCustomLabel : public TGraphicControl {
    RUNTIME_CLASS(TCustomLabel)

  public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* value);

    // Sizes the label to its text (AutoSize), keeping the edge its
    // alignment holds.
    void AdjustBounds();
    int InkRight(std::u16string_view text, const TRect& measured);
    void Loaded() override;

  protected:
    GUI_MESSAGE_MAP(TCustomLabel, TGraphicControl)
    void CMTextChanged(TMessage& msg);
    void CMFontChanged(TMessage& msg);
    void CMDialogChar(TMessage& msg);

  protected:
    void Paint() override;
    // The font the text is drawn in, made from the label's own.
    virtual void PrepareFont(TFont&) {}
    void Notification(TComponent* component, runtime::TOperation operation) override;
    UINT DrawTextFlags() const;

  private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
    RUNTIME_CLASS(TLabel)

  public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// A label that reads as a link: drawn underlined in LinkColor (blue) in
// its font's face and size, transparent, with the hand cursor; its OnClick
// opens what it points at.
class TLinkLabel : public TCustomLabel {
    RUNTIME_CLASS(TLinkLabel)

  public:
    explicit TLinkLabel(TComponent* owner);
    TColor LinkColor() const { return linkColor_; }
    void SetLinkColor(TColor value);

  protected:
    void PrepareFont(TFont& font) override;

  private:
    TColor linkColor_ = clBlue;
};

// ---- buttons -----------------------------------------------------------------------------

class TButtonControl : public TWinControl {
    RUNTIME_CLASS(TButtonControl)

  public:
    explicit TButtonControl(TComponent* owner);

  protected:
    GUI_MESSAGE_MAP(TButtonControl, TWinControl)
    void CNCommand(TMessage& msg);
    void CMDialogChar(TMessage& msg);

  protected:
    // The system says the button was clicked (BN_CLICKED).
    virtual void ButtonClicked() { Click(); }
    void CreateParams(TCreateParams& params) override;
};

class TButton : public TButtonControl {
    RUNTIME_CLASS(TButton)

  public:
    explicit TButton(TComponent* owner);

    // Enter clicks the default button (unless another button has the
    // focus); Escape clicks the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // Clicking sets the form's ModalResult to it.
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    void Click() override;

  protected:
    GUI_MESSAGE_MAP(TButton, TButtonControl)
    void CMDialogKey(TMessage& msg);
    void CMFocusChanged(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;

  private:
    void SetActive(bool value);
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
};

class TCheckBox : public TButtonControl {
    RUNTIME_CLASS(TCheckBox)

  public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    // Changing the state clicks the box (OnClick), as the user would.
    void SetState(TCheckBoxState value);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    // taRightJustify: the box at the left of the caption.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

  protected:
    void ButtonClicked() override;
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

  private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TRadioButton : public TButtonControl {
    RUNTIME_CLASS(TRadioButton)

  public:
    explicit TRadioButton(TComponent* owner);

    bool Checked() const { return checked_; }
    // Checking one unchecks the other radio buttons of its parent.
    void SetChecked(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

  protected:
    void ButtonClicked() override;
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

  private:
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

// A frame with a caption around other controls.
class TGroupBox : public TCustomControl {
    RUNTIME_CLASS(TGroupBox)

  public:
    explicit TGroupBox(TComponent* owner);

  protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) const override;
};

// ---- edits -------------------------------------------------------------------------------

class TCustomEdit : public TWinControl {
    RUNTIME_CLASS(TCustomEdit)

  public:
    explicit TCustomEdit(TComponent* owner);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    // '\0': the text shows; any other character hides it.
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool Modified() const;
    void SetModified(bool value);

    int SelStart() const;
    void SetSelStart(int value);
    int SelLength() const;
    void SetSelLength(int value);
    std::string SelText() const;
    void SetSelText(const std::string& value);
    void SelectAll();
    void Clear() { SetTextW({}); }

    TNotifyEvent OnChange;

  protected:
    GUI_MESSAGE_MAP(TCustomEdit, TWinControl)
    void CNCommand(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    virtual void Change();

  private:
    TBorderStyle borderStyle_ = bsSingle;
    bool readOnly_ = false;
    int maxLength_ = 0;
    char passwordChar_ = '\0';
    TEditCharCase charCase_ = ecNormal;
    bool modified_ = false;
};

class TEdit : public TCustomEdit {
    RUNTIME_CLASS(TEdit)

  public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

class TCustomMemo;

// The lines of a memo, read from and written to its text.
class TMemoStrings : public runtime::TStrings {
  public:
    explicit TMemoStrings(TCustomMemo& memo) : memo_(memo) {}

    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, std::string_view s) override;

  protected:
    std::string Get(int index) const override;
    int GetCount() const override;
    void Put(int index, std::string_view s) override;
    std::string GetTextStr() const override;
    void SetTextStr(std::string_view text) override;

  private:
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    TCustomMemo& memo_;
};

class TCustomMemo : public TCustomEdit {
    RUNTIME_CLASS(TCustomMemo)

  public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;

    runtime::TStrings* Lines() const { return lines_.get(); }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

  protected:
    GUI_MESSAGE_MAP(TCustomMemo, TCustomEdit)
    void WMGetDlgCode(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;

  private:
    std::unique_ptr<TMemoStrings> lines_;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    TAlignment alignment_ = taLeftJustify;
};

class TMemo : public TCustomMemo {
    RUNTIME_CLASS(TMemo)

  public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

// ---- lists -------------------------------------------------------------------------------

// The items of a list or combo box: a string list (with an object beside
// each line) that the control's window mirrors. Sorting is the list's, so
// the window's indexes always match the list's.
class TControlStrings : public runtime::TStringList {
  public:
    struct Sink {
        virtual ~Sink() = default;
        virtual void ItemInserted(int index, const std::string& text) = 0;
        virtual void ItemDeleted(int index) = 0;
        // The whole list changed (cleared, sorted, moved).
        virtual void ItemsReset() = 0;
    };
    explicit TControlStrings(Sink& sink) : sink_(sink) {}

    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;
    void Sort() override;
    void CustomSort(const runtime::TStringListSortCompare& compare) override;

  protected:
    void InsertItem(int index, std::string_view s, runtime::TObject* object) override;
    void Put(int index, std::string_view s) override;

  private:
    Sink& sink_;
};

class TCustomListBox : public TWinControl, private TControlStrings::Sink {
    RUNTIME_CLASS(TCustomListBox)

  public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    runtime::TStrings* Items() const { return items_.get(); }
    int ItemIndex() const;
    void SetItemIndex(int value);
    bool Sorted() const { return items_->Sorted(); }
    void SetSorted(bool value) { items_->SetSorted(value); }
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool Selected(int index) const;
    void SetSelected(int index, bool value);
    int SelCount() const;
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    int ItemHeight() const;
    void Clear() { items_->Clear(); }

  protected:
    GUI_MESSAGE_MAP(TCustomListBox, TWinControl)
    void CNCommand(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;

  private:
    void ItemInserted(int index, const std::string& text) override;
    void ItemDeleted(int index) override;
    void ItemsReset() override;

    std::unique_ptr<TControlStrings> items_;
    int itemIndex_ = -1;
    bool multiSelect_ = false;
    std::vector<bool> selected_;
    TBorderStyle borderStyle_ = bsSingle;
};

class TListBox : public TCustomListBox {
    RUNTIME_CLASS(TListBox)

  public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

class TCustomComboBox : public TWinControl, private TControlStrings::Sink {
    RUNTIME_CLASS(TCustomComboBox)

  public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    runtime::TStrings* Items() const { return items_.get(); }
    int ItemIndex() const;
    void SetItemIndex(int value);
    bool Sorted() const { return items_->Sorted(); }
    void SetSorted(bool value) { items_->SetSorted(value); }
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    bool DroppedDown() const;
    void SetDroppedDown(bool value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    void Clear();

    std::u16string TextW() const override;
    void SetTextW(const std::u16string& value) override;

    // The selection or the edited text changed.
    TNotifyEvent OnChange;
    // The user chose an item from the list.
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

  protected:
    GUI_MESSAGE_MAP(TCustomComboBox, TWinControl)
    void CNCommand(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void UpdateBoundsRect(int left, int top, int width, int height) override;

  private:
    void ItemInserted(int index, const std::string& text) override;
    void ItemDeleted(int index) override;
    void ItemsReset() override;
    int DropDownHeight(int height) const;

    std::unique_ptr<TControlStrings> items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int maxLength_ = 0;
};

class TComboBox : public TCustomComboBox {
    RUNTIME_CLASS(TComboBox)

  public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

// ---- scroll bar ----------------------------------------------------------------------------

// The system's scroll bar as a control of its own.
class TScrollBar : public TWinControl {
    RUNTIME_CLASS(TScrollBar)

  public:
    explicit TScrollBar(TComponent* owner);

    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind value);
    int Min() const { return min_; }
    void SetMin(int value) { SetParams(position_, value, max_); }
    int Max() const { return max_; }
    void SetMax(int value) { SetParams(position_, min_, value); }
    int Position() const { return position_; }
    void SetPosition(int value) { SetParams(value, min_, max_); }
    // The position is kept within Min..Max less the page.
    void SetParams(int position, int min, int max);
    int PageSize() const { return pageSize_; }
    void SetPageSize(int value);
    int SmallChange() const { return smallChange_; }
    void SetSmallChange(int value) { smallChange_ = value; }
    int LargeChange() const { return largeChange_; }
    void SetLargeChange(int value) { largeChange_ = value; }

    // Before the position moves: the handler may change the new position.
    TScrollEvent OnScroll;
    TNotifyEvent OnChange;

  protected:
    GUI_MESSAGE_MAP(TScrollBar, TWinControl)
    void CNScroll(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

  private:
    void UpdateWindow();
    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int pageSize_ = 0;
    int smallChange_ = 1;
    int largeChange_ = 1;
};

}  // namespace gui
