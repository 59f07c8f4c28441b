#include <algorithm>

#include "gui/stdctrls.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

// ---- TCustomEdit ---------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCustomEdit, TWinControl)
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSingle);
RUNTIME_PROPERTY(CharCase, CharCase, SetCharCase).Default(ecNormal);
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindow);
RUNTIME_PROPERTY(MaxLength, MaxLength, SetMaxLength).Default(0);
RUNTIME_PROPERTY(PasswordChar, PasswordChar, SetPasswordChar).Default('\0');
RUNTIME_PROPERTY(ReadOnly, ReadOnly, SetReadOnly).Default(false);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_PROPERTY(Text, Text, SetText);
RUNTIME_FIELD(OnChange);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomEdit)
GUI_MESSAGE(CN_COMMAND, CNCommand)
GUI_END_MESSAGE_MAP

RUNTIME_BEGIN_CLASS(TEdit, TCustomEdit)
RUNTIME_END_CLASS

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csClickEvents, csSetCaption, csDoubleClicks});
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"EDIT";
    params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (readOnly_) params.Style |= ES_READONLY;
    if (passwordChar_ != '\0') params.Style |= ES_PASSWORD;
    if (charCase_ == ecUpperCase) params.Style |= ES_UPPERCASE;
    if (charCase_ == ecLowerCase) params.Style |= ES_LOWERCASE;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateHandleDone() {
    HWND window = WindowHandle();
    SendMessageW(window, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    if (passwordChar_ != '\0') {
        const std::u16string c = runtime::AnsiToWide(std::string(1, passwordChar_));
        SendMessageW(window, EM_SETPASSWORDCHAR, c.empty() ? u'*' : c[0], 0);
    }
    SendMessageW(window, EM_SETMODIFY, modified_, 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
    if (borderStyle_ == value) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool value) {
    if (readOnly_ == value) return;
    readOnly_ = value;
    if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetMaxLength(int value) {
    maxLength_ = std::max(0, value);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetPasswordChar(char value) {
    if (passwordChar_ == value) return;
    const bool styleChanges = (passwordChar_ == '\0') != (value == '\0');
    passwordChar_ = value;
    if (!HandleAllocated()) return;
    if (styleChanges) {
        RecreateWnd();
    } else {
        const std::u16string c = runtime::AnsiToWide(std::string(1, value));
        SendMessageW(WindowHandle(), EM_SETPASSWORDCHAR, c.empty() ? u'*' : c[0], 0);
        Invalidate();
    }
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    if (charCase_ == value) return;
    charCase_ = value;
    RecreateWnd();
}

bool TCustomEdit::Modified() const {
    if (HandleAllocated()) return SendMessageW(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
    return modified_;
}

void TCustomEdit::SetModified(bool value) {
    modified_ = value;
    if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETMODIFY, value, 0);
}

int TCustomEdit::SelStart() const {
    if (!HandleAllocated()) return 0;
    DWORD start = 0;
    SendMessageW(WindowHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
    SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_SETSEL, value, value);
}

int TCustomEdit::SelLength() const {
    if (!HandleAllocated()) return 0;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(WindowHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
    const int start = SelStart();
    SendMessageW(Handle(), EM_SETSEL, start, start + value);
}

std::string TCustomEdit::SelText() const {
    const std::u16string text = TextW();
    const size_t start = std::min<size_t>(static_cast<size_t>(SelStart()), text.size());
    return runtime::WideToAnsi(text.substr(start, static_cast<size_t>(SelLength())));
}

void TCustomEdit::SetSelText(const std::string& value) {
    const std::u16string text = runtime::AnsiToWide(value);
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomEdit::SelectAll() {
    if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::CNCommand(TMessage& msg) {
    if (HIWORD(msg.WParam) == EN_CHANGE) Change();
}

void TCustomEdit::Change() {
    OnChange(this);
}

// ---- TCustomMemo
// ---------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCustomMemo, TCustomEdit)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taLeftJustify);
RUNTIME_READONLY(Lines, Lines);
RUNTIME_PROPERTY(ScrollBars, ScrollBars, SetScrollBars).Default(ssNone);
RUNTIME_PROPERTY(Text, Text, SetText).Stored(false);
RUNTIME_PROPERTY(WantReturns, WantReturns, SetWantReturns).Default(true);
RUNTIME_PROPERTY(WantTabs, WantTabs, SetWantTabs).Default(false);
RUNTIME_PROPERTY(WordWrap, WordWrap, SetWordWrap).Default(true);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomMemo)
GUI_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
GUI_END_MESSAGE_MAP

TCustomMemo::TCustomMemo(TComponent* owner)
    : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(*this)) {
    SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    static constexpr DWORD kAlign[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    params.Style |= ES_MULTILINE | kAlign[alignment_];
    if (wordWrap_) params.Style &= ~ES_AUTOHSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
    if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_)
        params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
    if (scrollBars_ == value) return;
    scrollBars_ = value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value) {
    if (wordWrap_ == value) return;
    wordWrap_ = value;
    RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    RecreateWnd();
}

void TCustomMemo::WMGetDlgCode(TMessage& msg) {
    DefaultHandler(msg);
    if (wantTabs_)
        msg.Result |= DLGC_WANTTAB;
    else
        msg.Result &= ~DLGC_WANTTAB;
    if (!wantReturns_) msg.Result &= ~DLGC_WANTALLKEYS;
}

RUNTIME_BEGIN_CLASS(TMemo, TCustomMemo)
RUNTIME_END_CLASS

// ---- TMemoStrings --------------------------------------------------------------------------

std::vector<std::string> TMemoStrings::Lines() const {
    std::vector<std::string> lines;
    const std::string text = memo_.Text();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

void TMemoStrings::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    memo_.SetText(text);
}

std::string TMemoStrings::Get(int index) const {
    const auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        Error("List index out of bounds (%d)", index);
    return lines[static_cast<size_t>(index)];
}

int TMemoStrings::GetCount() const {
    return static_cast<int>(Lines().size());
}

void TMemoStrings::Put(int index, std::string_view s) {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        Error("List index out of bounds (%d)", index);
    lines[static_cast<size_t>(index)] = std::string(s);
    SetLines(lines);
}

void TMemoStrings::Insert(int index, std::string_view s) {
    auto lines = Lines();
    if (index < 0 || index > static_cast<int>(lines.size()))
        Error("List index out of bounds (%d)", index);
    lines.insert(lines.begin() + index, std::string(s));
    SetLines(lines);
}

void TMemoStrings::Delete(int index) {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        Error("List index out of bounds (%d)", index);
    lines.erase(lines.begin() + index);
    SetLines(lines);
}

void TMemoStrings::Clear() {
    memo_.SetText({});
}

std::string TMemoStrings::GetTextStr() const {
    std::string text;
    for (const std::string& line : Lines()) text += line + "\r\n";
    return text;
}

void TMemoStrings::SetTextStr(std::string_view text) {
    // CR, LF and CR LF all end a line; the memo wants CR LF.
    std::string normal;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            normal += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            normal += text[i];
        }
    }
    memo_.SetText(normal);
}

}  // namespace gui
