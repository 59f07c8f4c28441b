#pragma once

// Messages as the controls see them, the class library's own notifications,
// and per-class message handler tables.
//
// Every control class that handles messages declares its table in its body
// and defines it beside its handlers, one line per message:
//
//   class TMyControl : public TCustomControl {
//       GUI_MESSAGE_MAP(TMyControl, TCustomControl)
//       void WMSize(TMessage& msg);
//   };
//
//   GUI_BEGIN_MESSAGE_MAP(TMyControl)
//   GUI_MESSAGE(WM_SIZE, WMSize)
//   GUI_END_MESSAGE_MAP
//
// A control dispatches a message to the handler of its most derived class
// that has one, else to its default handling (the window's own procedure).
// A handler passes the message on to the handler its base class would have
// used with GUI_INHERITED(msg).

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "gui/win.h"

namespace gui {

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// A control's replaceable message handler (TControl::WindowProc).
using TWndMethod = std::function<void(TMessage&)>;

// ---- the class library's notifications -------------------------------------------
// Sent among controls with Perform; never seen by Windows.
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 2;     // wParam: key; result 1 when used
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 3;    // wParam: character
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 4;  // lParam: the control focused
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 5;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 6;
inline constexpr UINT CM_HITTEST = CM_BASE + 7;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 8;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 9;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 10;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 11;
inline constexpr UINT CM_CURSORCHANGED = CM_BASE + 12;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 13;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 14;  // lParam: the control entered
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 15;  // lParam: the control left
inline constexpr UINT CM_MENUCHANGED = CM_BASE + 16;
// To the application's window: a key no form used as a shortcut (wParam:
// key, lParam: key data; result 1 when used).
inline constexpr UINT CM_APPKEYDOWN = CM_BASE + 17;
inline constexpr UINT CM_BUTTONPRESSED = CM_BASE + 18;
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 19;
inline constexpr UINT CM_ENTER = CM_BASE + 20;
inline constexpr UINT CM_EXIT = CM_BASE + 21;
inline constexpr UINT CM_DESIGNHITTEST = CM_BASE + 22;
inline constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 23;
inline constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 24;
inline constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 25;
inline constexpr UINT CM_FONTCHANGE = CM_BASE + 26;
inline constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 27;
inline constexpr UINT CM_UIACTIVATE = CM_BASE + 28;
inline constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 29;  // wParam: control; lParam: inserted
inline constexpr UINT CM_GETDATALINK = CM_BASE + 30;
inline constexpr UINT CM_CHILDKEY = CM_BASE + 31;  // wParam: key; lParam: the control
inline constexpr UINT CM_HINTSHOW = CM_BASE + 32;  // lParam: THintInfo*; result 0 to show
inline constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 33;
inline constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 34;  // wParam: key; result 1 to take it
inline constexpr UINT CM_RELEASE = CM_BASE + 35;         // posted: the form frees itself
inline constexpr UINT CM_CANCELMODE = CM_BASE + 36;      // lParam: the control clicked
// To the application's window: an action nothing else updated / executed
// (lParam: TBasicAction*; result 1 when handled).
inline constexpr UINT CM_ACTIONUPDATE = CM_BASE + 37;
inline constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 38;
// To a parent after a child joined it, and before one leaves it (wParam:
// the control; lParam: 1 inserted, 0 removed). CM_CONTROLLISTCHANGE comes
// before the child joins the list and after it left.
inline constexpr UINT CM_CONTROLCHANGE = CM_BASE + 39;
inline constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 40;
inline constexpr UINT CM_INVOKEHELP = CM_BASE + 41;
inline constexpr UINT CM_DEFERREDFREE = CM_BASE + 42;   // posted to the application window
inline constexpr UINT CM_DESTROYWINDOW = CM_BASE + 43;  // posted there too; wParam: the window
// To the application's window: a form's menu key (its WM_SYSCOMMAND with
// SC_KEYMENU; wParam and lParam as there; result 1 when used), for menu
// bars that are not the system's.
inline constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 44;
// A windowed control's Ctl3D changed (its classes draw their border anew).
inline constexpr UINT CM_CTL3DCHANGED = CM_BASE + 45;
// To the control under a drag (drag.h): wParam the TDragMessage, lParam a
// TDragRec*; result 1 when it would accept a drop.
inline constexpr UINT CM_DRAG = CM_BASE + 46;

// Notifications Windows sends to a parent, reflected to the child control
// they are about: CN_BASE + the original message.
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
inline constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
inline constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
inline constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
inline constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
inline constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
inline constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
inline constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
inline constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
inline constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// ---- handler tables -------------------------------------------------------------------

class TControl;

// The handlers of one class, its ancestors' included (a class's own entry
// for a message replaces its ancestor's), sorted by message for lookup.
class TMessageMap {
  public:
    using Handler = void (*)(TControl& control, TMessage& msg);
    using Entry = std::pair<UINT, Handler>;

    TMessageMap(const TMessageMap* parent, std::initializer_list<Entry> own);

    Handler Find(UINT msg) const {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), msg,
                                   [](const Entry& e, UINT m) { return e.first < m; });
        return it != entries_.end() && it->first == msg ? it->second : nullptr;
    }
    // Calls the handler of msg; false when this class and its ancestors have none.
    bool Dispatch(TControl& control, TMessage& msg) const {
        if (Handler handler = Find(msg.Msg)) {
            handler(control, msg);
            return true;
        }
        return false;
    }

  private:
    std::vector<Entry> entries_;
};

// The base of the root class's table: no handlers.
struct TNoMessages {
    static const TMessageMap& StaticMessageMap();
};

namespace detail {
template <class C, void (C::*Method)(TMessage&)>
void MessageThunk(TControl& control, TMessage& msg) {
    (static_cast<C&>(control).*Method)(msg);
}
}  // namespace detail

}  // namespace gui

// In the class body (after RUNTIME_CLASS): declares the class's handler table.
#define GUI_MESSAGE_MAP(Class, Parent)                      \
  protected:                                                \
    using MessageParent = Parent;                           \
                                                            \
  public:                                                   \
    static const ::gui::TMessageMap& StaticMessageMap();    \
    const ::gui::TMessageMap& MessageMap() const override { \
        return StaticMessageMap();                          \
    }                                                       \
                                                            \
  private:

#define GUI_BEGIN_MESSAGE_MAP(Class)                      \
    const ::gui::TMessageMap& Class::StaticMessageMap() { \
        using Self = Class;                               \
        static const ::gui::TMessageMap map(&MessageParent::StaticMessageMap(), {
#define GUI_MESSAGE(Msg, Method) {(Msg), &::gui::detail::MessageThunk<Self, &Self::Method>},
#define GUI_END_MESSAGE_MAP \
    });                     \
    return map;             \
    }

// In a handler: the handling the base class would give the message.
#define GUI_INHERITED(msg) this->InheritedMessage(MessageParent::StaticMessageMap(), (msg))
