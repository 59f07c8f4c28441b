// The view's clicks, keys and mouse raise the tree's own events: a form
// sees one control. Mouse positions are moved into the tree's client
// coordinates; a handler's change to a key reaches the view.
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"

namespace controls::tree {

void TCustomGtTree::WireViewInput() {
    TGtTreeView& v = *view_;
    v.OnClick = [this](runtime::TObject*) { ViewClick(); };
    v.OnDblClick = [this](runtime::TObject*) { ViewDblClick(); };
    v.OnEnter = [this](runtime::TObject*) { ViewEnter(); };
    v.OnExit = [this](runtime::TObject*) { ViewExit(); };
    v.OnKeyDown = [this](runtime::TObject*, uint16_t& key, runtime::TShiftState shift) {
        ViewKeyDown(key, shift);
    };
    v.OnKeyPress = [this](runtime::TObject*, char& key) { ViewKeyPress(key); };
    v.OnWideKeyPress = [this](runtime::TObject*, char16_t& key) { ViewWideKeyPress(key); };
    v.OnKeyUp = [this](runtime::TObject*, uint16_t& key, runtime::TShiftState shift) {
        ViewKeyUp(key, shift);
    };
    v.OnMouseDown = [this](runtime::TObject*, runtime::TMouseButton button,
                           runtime::TShiftState shift, int x,
                           int y) { ViewMouseDown(button, shift, x, y); };
    v.OnMouseMove = [this](runtime::TObject*, runtime::TShiftState shift, int x, int y) {
        ViewMouseMove(shift, x, y);
    };
    v.OnMouseUp = [this](runtime::TObject*, runtime::TMouseButton button,
                         runtime::TShiftState shift, int x,
                         int y) { ViewMouseUp(button, shift, x, y); };
}

void TCustomGtTree::ViewClick() {
    if (OnClick) OnClick(this);
}

void TCustomGtTree::ViewDblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TCustomGtTree::ViewEnter() {
    if (OnEnter) OnEnter(this);
}

void TCustomGtTree::ViewExit() {
    if (OnExit) OnExit(this);
}

void TCustomGtTree::ViewKeyDown(uint16_t& key, runtime::TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TCustomGtTree::ViewKeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TCustomGtTree::ViewWideKeyPress(char16_t& key) {
    if (OnWideKeyPress) OnWideKeyPress(this, key);
}

void TCustomGtTree::ViewKeyUp(uint16_t& key, runtime::TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TCustomGtTree::ViewMouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                                  int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x + view_->Left(), y + view_->Top());
}

void TCustomGtTree::ViewMouseMove(runtime::TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x + view_->Left(), y + view_->Top());
}

void TCustomGtTree::ViewMouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                                int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x + view_->Left(), y + view_->Top());
}

}  // namespace controls::tree
