#pragma once

// The visual-styles binding of the tree family and its themed control base.
//
// ThemesAvailable tells whether visual styles can be used at all: the
// visual-styles library was bound (Windows NT 5.1 or later, every entry
// point the family calls present) and the program's shutdown has not
// begun. TGtXPThemedControl, the base of the header, the scroll bar and the
// tree, keeps one theme handle of its window's class while UseXPThemes is
// on, reopens it on theme changes, and paints its bevel and border frame
// with the theme. Windows only.

#include "gui/controls.h"
#include "gui/themes.h"

namespace controls::tree {

using gui::HTHEME_;

// Binds visual styles once (before any window of the family exists) and
// ends their use at shutdown; both are idempotent.
void InitThemes();
void DoneThemes();
bool ThemesAvailable();
// Theme data for "WINDOW" could be opened when the binding was made.
bool ThemeActive();

// Draws a part of a theme class without a window: E_NOTIMPL when the class
// has no theme data here.
HRESULT DrawThemedBackground(const wchar_t* className, HDC dc, int part, int state,
                             const gui::TRect& r, const gui::TRect* clip);

RUNTIME_ENUM(TBevelKind, bkNone, bkTile, bkSoft, bkFlat)
RUNTIME_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
RUNTIME_ENUM(TBevelEdge, beLeft, beTop, beRight, beBottom)
RUNTIME_SET(TBevelEdges, TBevelEdge)

class TGtXPThemedControl : public gui::TCustomControl {
    RUNTIME_CLASS(TGtXPThemedControl)

  public:
    explicit TGtXPThemedControl(runtime::TComponent* owner);
    ~TGtXPThemedControl() override;

    bool UseXPThemes() const { return useXPThemes_; }
    virtual void SetUseXPThemes(bool value);
    HTHEME_ Theme() const { return theme_; }
    // Descendants draw themed exactly when this holds.
    bool ThemeInUse() const { return useXPThemes_ && theme_ != nullptr; }

    // The frame around the client area: an optional bevel and a border
    // (drawn in one colour without Ctl3D).
    TBevelKind BevelKind() const { return bevelKind_; }
    void SetBevelKind(TBevelKind value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelEdges BevelEdges() const { return bevelEdges_; }
    void SetBevelEdges(TBevelEdges value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);

  protected:
    GUI_MESSAGE_MAP(TGtXPThemedControl, gui::TCustomControl)
    void WMNCCalcSize(gui::TMessage& msg);
    void WMNCPaint(gui::TMessage& msg);
    void WMThemeChanged(gui::TMessage& msg);
    void WMDestroy(gui::TMessage& msg);
    void CMCtl3DChanged(gui::TMessage& msg);

  protected:
    // The theme class of the window ("SCROLLBAR", "HEADER", "TREEVIEW").
    virtual const wchar_t* ThemeClassName() const = 0;
    virtual void CloseThemeHandle();
    virtual void OpenThemeHandle();
    void CreateWnd() override;
    void DestroyWnd() override;
    gui::TSize FrameExtent() const override;
    // The control is being destroyed (no window is made again).
    bool Destroying() const { return destroying_; }

  private:
    int BevelSize() const;
    void FrameChanged();

    bool useXPThemes_ = true;
    HTHEME_ theme_ = nullptr;
    bool destroying_ = false;
    TBevelKind bevelKind_ = bkNone;
    TBevelCut bevelInner_ = bvRaised;
    TBevelCut bevelOuter_ = bvLowered;
    TBevelEdges bevelEdges_{beLeft, beTop, beRight, beBottom};
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
};

}  // namespace controls::tree
