// The forms group: controls, forms, the application object and their
// constants.

#include <windows.h>

#include <array>
#include <string>

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "runtime/strings.h"
#include "script/classes_rtti_internal.h"
#include "script/event_bridges.h"
#include "script/gui_rtti.h"

namespace script::forms {

namespace {

using classes::ClassRow;
using classes::ConstRow;
using classes::EnumRow;
using classes::Event;
using classes::HostCall;
using classes::Indexed;
using classes::MemberRow;
using classes::Method;
using classes::ObjectValue;
using classes::Prop;
using gui::TControl;
using gui::TCustomComboBox;
using gui::TCustomForm;
using gui::TCustomListBox;
using gui::TWinControl;
using runtime::Variant;

// clang-format off
constexpr ConstRow kConstants[] = {
    // modal results
    {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrAbort", 3}, {"mrRetry", 4}, {"mrIgnore", 5},
    {"mrYes", 6}, {"mrNo", 7}, {"mrAll", 8}, {"mrNoToAll", 9}, {"mrYesToAll", 10},
    // cursors ("crSize" and "crSizeAll" are the same cursor)
    {"crDefault", 0}, {"crNone", -1}, {"crArrow", -2}, {"crCross", -3}, {"crIBeam", -4},
    {"crSize", -22}, {"crSizeNESW", -6}, {"crSizeNS", -7}, {"crSizeNWSE", -8},
    {"crSizeWE", -9}, {"crUpArrow", -10}, {"crHourGlass", -11}, {"crDrag", -12},
    {"crNoDrop", -13}, {"crHSplit", -14}, {"crVSplit", -15}, {"crMultiDrag", -16},
    {"crSQLWait", -17}, {"crNo", -18}, {"crAppStart", -19}, {"crHelp", -20},
    {"crHandPoint", -21}, {"crSizeAll", -22},
    // border styles
    {"bsNone", 0}, {"bsSingle", 1}, {"bsSizeable", 2}, {"bsDialog", 3}, {"bsToolWindow", 4},
    {"bsSizeToolWin", 5},
    // key codes (no constant for 113)
    {"VK_RBUTTON", 2}, {"VK_CANCEL", 3}, {"VK_MBUTTON", 4}, {"VK_BACK", 8}, {"VK_TAB", 9},
    {"VK_RETURN", 13}, {"VK_SHIFT", 16}, {"VK_CONTROL", 17}, {"VK_MENU", 18},
    {"VK_PAUSE", 19}, {"VK_CAPITAL", 20}, {"VK_ESCAPE", 27}, {"VK_SPACE", 32},
    {"VK_PRIOR", 33}, {"VK_NEXT", 34}, {"VK_END", 35}, {"VK_HOME", 36}, {"VK_LEFT", 37},
    {"VK_UP", 38}, {"VK_RIGHT", 39}, {"VK_DOWN", 40}, {"VK_INSERT", 45}, {"VK_DELETE", 46},
    {"VK_HELP", 47}, {"VK_LWIN", 91}, {"VK_RWIN", 92}, {"VK_APPS", 93}, {"VK_NUMPAD0", 96},
    {"VK_NUMPAD1", 97}, {"VK_NUMPAD2", 98}, {"VK_NUMPAD3", 99}, {"VK_NUMPAD4", 100},
    {"VK_NUMPAD5", 101}, {"VK_NUMPAD6", 102}, {"VK_NUMPAD7", 103}, {"VK_NUMPAD8", 104},
    {"VK_NUMPAD9", 105}, {"VK_MULTIPLY", 106}, {"VK_ADD", 107}, {"VK_SEPARATOR", 108},
    {"VK_SUBTRACT", 109}, {"VK_DECIMAL", 110}, {"VK_DIVIDE", 111}, {"VK_F1", 112},
    {"VK_F3", 114}, {"VK_F4", 115}, {"VK_F5", 116}, {"VK_F6", 117}, {"VK_F7", 118},
    {"VK_F8", 119}, {"VK_F9", 120}, {"VK_F10", 121}, {"VK_F11", 122}, {"VK_F12", 123},
    {"VK_NUMLOCK", 144}, {"VK_SCROLL", 145},
    // alignment
    {"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2},
};
// clang-format on
static_assert(std::size(kConstants) == 11 + 23 + 6 + 56 + 3);

constexpr std::string_view kIntTypes[] = {"TFormBorderStyle", "TBorderStyle", "TAlignment",
                                          "TLeftRight"};

constexpr EnumRow kSets[] = {
    {"TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble"},
    {"TAnchors", "akLeft, akTop, akRight, akBottom"},
    {"TBorderIcons", "biSystemMenu, biMinimize, biMaximize, biHelp"},
};

constexpr EnumRow kEnums[] = {
    {"TAlign", "alNone, alTop, alBottom, alLeft, alRight, alClient"},
    {"TMouseButton", "mbLeft, mbRight, mbMiddle"},
    {"TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace"},
    {"TTextLayout", "tlTop, tlCenter, tlBottom"},
    {"TEditCharCase", "ecNormal, ecUpperCase, ecLowerCase"},
    {"TScrollStyle", "ssNone, ssHorizontal, ssVertical, ssBoth"},
    {"TComboBoxStyle",
     "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable"},
    {"TCheckBoxState", "cbUnchecked, cbChecked, cbGrayed"},
    {"TListBoxStyle", "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable"},
    {"TWindowState", "wsNormal, wsMinimized, wsMaximized"},
    {"TFormStyle", "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop"},
    {"TPosition",
     "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, "
     "poDesktopCenter"},
    {"TCloseAction", "caNone, caHide, caFree, caMinimize"},
};

// ---- TControl, TWinControl --------------------------------------------------------------

Variant ControlParent(const HostCall& call) {
    return ObjectValue(call.Self<TControl>().Parent());
}

Variant ControlSetParent(const HostCall& call) {
    call.Self<TControl>().SetParent(HostCall::ObjectOf<TWinControl>(call.Value()));
    return Variant();
}

Variant ControlHide(const HostCall& call) {
    call.Self<TControl>().Hide();
    return Variant();
}

Variant ControlShow(const HostCall& call) {
    call.Self<TControl>().Show();
    return Variant();
}

Variant ControlSetBounds(const HostCall& call) {
    TControl& control = call.Self<TControl>();
    control.SetBounds(call.IntArg(0), call.IntArg(1), call.IntArg(2), call.IntArg(3));
    return Variant();
}

Variant WinControlSetFocus(const HostCall& call) {
    call.Self<TWinControl>().SetFocus();
    return Variant();
}

// ---- combo and list boxes ---------------------------------------------------------------

Variant ComboDroppedDown(const HostCall& call) {
    return Variant(call.Self<TCustomComboBox>().DroppedDown());
}

Variant ComboSetDroppedDown(const HostCall& call) {
    call.Self<TCustomComboBox>().SetDroppedDown(call.Value().AsBoolean());
    return Variant();
}

template <typename T>
Variant ItemIndex(const HostCall& call) {
    return Variant(int32_t{call.Self<T>().ItemIndex()});
}

template <typename T>
Variant SetItemIndex(const HostCall& call) {
    call.Self<T>().SetItemIndex(call.Value().AsInteger());
    return Variant();
}

Variant ListBoxSelCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TCustomListBox>().SelCount()});
}

Variant ListBoxSelectedGet(const HostCall& call) {
    return Variant(call.Self<TCustomListBox>().Selected(call.IntArg(0)));
}

Variant ListBoxSelectedSet(const HostCall& call) {
    TCustomListBox& list = call.Self<TCustomListBox>();
    list.SetSelected(call.IntArg(0), call.Value().AsBoolean());
    return Variant();
}

// ---- forms ------------------------------------------------------------------------------------

Variant FormClose(const HostCall& call) {
    call.Self<TCustomForm>().Close();
    return Variant();
}

Variant FormHide(const HostCall& call) {
    call.Self<TCustomForm>().Hide();
    return Variant();
}

Variant FormShow(const HostCall& call) {
    call.Self<TCustomForm>().Show();
    return Variant();
}

Variant FormShowModal(const HostCall& call) {
    return Variant(int32_t{call.Self<TCustomForm>().ShowModal()});
}

Variant FormCanvas(const HostCall& call) {
    return ObjectValue(&call.Self<TCustomForm>().Canvas());
}

Variant FormModalResult(const HostCall& call) {
    return Variant(int32_t{call.Self<TCustomForm>().ModalResult()});
}

Variant FormSetModalResult(const HostCall& call) {
    call.Self<TCustomForm>().SetModalResult(call.Value().AsInteger());
    return Variant();
}

// ---- the application --------------------------------------------------------------------

Variant ApplicationMinimize(const HostCall& call) {
    call.Self<gui::TApplication>().Minimize();
    return Variant();
}

Variant ApplicationProcessMessages(const HostCall& call) {
    call.Self<gui::TApplication>().ProcessMessages();
    return Variant();
}

Variant ApplicationRestore(const HostCall& call) {
    call.Self<gui::TApplication>().Restore();
    return Variant();
}

Variant ApplicationExeName(const HostCall& call) {
    (void)call.Self<gui::TApplication>();
    std::u16string path(32768, u'\0');
    const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()),
                                            static_cast<DWORD>(path.size()));
    path.resize(length);
    return Variant(runtime::WideToAnsi(path));
}

// ---- tables ----------------------------------------------------------------------------------

constexpr MemberRow kControlMembers[] = {
    Prop("Parent", "TWinControl", ControlParent, ControlSetParent),
    Method("procedure Hide", ControlHide),
    Method("procedure Show", ControlShow),
    Method("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)", ControlSetBounds),
    Event("OnCanResize", &NewEventBridge<TscCanResizeEvent>),
    Event("OnClick", &NewEventBridge<TscNotifyEvent>),
    Event("OnDblClick", &NewEventBridge<TscNotifyEvent>),
    Event("OnMouseDown", &NewEventBridge<TscMouseEvent>),
    Event("OnMouseMove", &NewEventBridge<TscMouseMoveEvent>),
    Event("OnMouseUp", &NewEventBridge<TscMouseEvent>),
    Event("OnResize", &NewEventBridge<TscNotifyEvent>),
};

constexpr MemberRow kWinControlMembers[] = {
    Method("procedure SetFocus", WinControlSetFocus),
    Event("OnEnter", &NewEventBridge<TscNotifyEvent>),
    Event("OnExit", &NewEventBridge<TscNotifyEvent>),
    Event("OnKeyDown", &NewEventBridge<TscKeyEvent>),
    Event("OnKeyPress", &NewEventBridge<TscKeyPressEvent>),
    Event("OnKeyUp", &NewEventBridge<TscKeyEvent>),
};

constexpr MemberRow kComboBoxMembers[] = {
    Prop("DroppedDown", "Boolean", ComboDroppedDown, ComboSetDroppedDown),
    Prop("ItemIndex", "Integer", ItemIndex<TCustomComboBox>, SetItemIndex<TCustomComboBox>),
    Event("OnChange", &NewEventBridge<TscNotifyEvent>),
    Event("OnDropDown", &NewEventBridge<TscNotifyEvent>),
    Event("OnCloseUp", &NewEventBridge<TscNotifyEvent>),
};

constexpr MemberRow kListBoxMembers[] = {
    Prop("ItemIndex", "Integer", ItemIndex<TCustomListBox>, SetItemIndex<TCustomListBox>),
    Prop("SelCount", "Integer", ListBoxSelCount),
    Indexed("Selected", "Integer", "Boolean", ListBoxSelectedGet, ListBoxSelectedSet),
};

constexpr MemberRow kFormMembers[] = {
    Method("procedure Close", FormClose),
    Method("procedure Hide", FormHide),
    Method("procedure Show", FormShow),
    Method("function ShowModal: Integer", FormShowModal),
    Event("OnActivate", &NewEventBridge<TscNotifyEvent>),
    Event("OnClose", &NewEventBridge<TscCloseEvent>),
    Event("OnCloseQuery", &NewEventBridge<TscCloseQueryEvent>),
    Event("OnCreate", &NewEventBridge<TscNotifyEvent>),
    Event("OnDestroy", &NewEventBridge<TscNotifyEvent>),
    Event("OnDeactivate", &NewEventBridge<TscNotifyEvent>),
    Event("OnHide", &NewEventBridge<TscNotifyEvent>),
    Event("OnPaint", &NewEventBridge<TscNotifyEvent>),
    Event("OnShow", &NewEventBridge<TscNotifyEvent>),
    Prop("Canvas", "TCanvas", FormCanvas),
    Prop("ModalResult", "Integer", FormModalResult, FormSetModalResult),
};

constexpr MemberRow kApplicationMembers[] = {
    Method("procedure Minimize", ApplicationMinimize),
    Method("procedure ProcessMessages", ApplicationProcessMessages),
    Method("procedure Restore", ApplicationRestore),
    Prop("ExeName", "String", ApplicationExeName),
};

const runtime::TClassInfo& ControlScrollBarInfo() {
    static const auto info =
        classes::NameOnlyClass("TControlScrollBar", runtime::TPersistent::StaticClassInfo());
    return *info;
}

const runtime::TClassInfo& ScrollingWinControlInfo() {
    static const auto info =
        classes::NameOnlyClass("TScrollingWinControl", TWinControl::StaticClassInfo());
    return *info;
}

template <typename T>
const runtime::TClassInfo& Info() {
    return runtime::ClassInfoOf<T>();
}

const ClassRow kClasses[] = {
    {&Info<TControl>, "TComponent", kControlMembers},
    {&Info<TWinControl>, "TControl", kWinControlMembers},
    {&Info<gui::TCustomControl>, "TWinControl", {}},
    {&Info<gui::TGraphicControl>, "TControl", {}},
    {&Info<gui::TGroupBox>, "TWinControl", {}},
    {&Info<gui::TLabel>, "TControl", {}},
    {&Info<gui::TEdit>, "TWinControl", {}},
    {&Info<gui::TMemo>, "TWinControl", {}},
    {&Info<TCustomComboBox>, "TWinControl", kComboBoxMembers},
    {&Info<gui::TComboBox>, "TCustomComboBox", {}},
    {&Info<gui::TButton>, "TWinControl", {}},
    {&Info<gui::TCheckBox>, "TWinControl", {}},
    {&Info<gui::TRadioButton>, "TWinControl", {}},
    {&Info<TCustomListBox>, "TWinControl", kListBoxMembers},
    {&Info<gui::TListBox>, "TCustomListBox", {}},
    {&ControlScrollBarInfo, "TPersistent", {}},
    {&ScrollingWinControlInfo, "TWinControl", {}},
    {&Info<gui::TScrollBox>, "TScrollingWinControl", {}},
    {&Info<TCustomForm>, "TScrollingWinControl", kFormMembers},
    {&Info<gui::TForm>, "TCustomForm", {}},
    {&Info<gui::TDataModule>, "TComponent", {}},
    {&Info<gui::TApplication>, "TComponent", kApplicationMembers},
};

}  // namespace

TFunctions::TFunctions(TscScript& script) : TscRTTIModule(script) {
    classes::DeclareConstants(script, kConstants);
    for (std::string_view name : kIntTypes) script.DeclareType(name, fskInt);
    classes::DeclareEnumSets(script, kSets);
    classes::DeclareEnums(script, kEnums);
    classes::DeclareClasses(script, kClasses);
    if (gui::Application != nullptr)
        script.DeclareObject("Application", gui::Application);
    else
        script.DeclareVariable("Application", "TApplication", Variant(int32_t{0}));
}

}  // namespace script::forms
