#include <algorithm>
#include <cstring>

#include "gui/comctrls.h"
#include "gui/geometry_win.h"
#include "gui/setfield.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

// ---- nodes ---------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TTreeNode, runtime::TPersistent)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TTreeNodes, runtime::TPersistent)
RUNTIME_END_CLASS

TTreeNode::~TTreeNode() = default;

void TTreeNode::SetText(const std::string& value) {
    text_ = value;
    TTreeView& view = owner_.view_;
    if (item_ != nullptr && view.HandleAllocated()) {
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item_;
        tv.pszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(view.WindowHandle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    }
}

void TTreeNode::SetImageIndex(int32_t value) {
    imageIndex_ = value;
    if (item_ != nullptr) InvalidateRect(owner_.view_.WindowHandle(), nullptr, TRUE);
}

void TTreeNode::SetSelectedIndex(int32_t value) {
    selectedIndex_ = value;
    if (item_ != nullptr) InvalidateRect(owner_.view_.WindowHandle(), nullptr, TRUE);
}

void TTreeNode::SetStateIndex(int32_t value) {
    stateIndex_ = value;
    ApplyState();
}

// The state image goes to the window; the window keeps it.
void TTreeNode::ApplyState() {
    if (item_ == nullptr || !owner_.view_.HandleAllocated()) return;
    TVITEMW tv{};
    tv.mask = TVIF_STATE;
    tv.hItem = item_;
    tv.stateMask = TVIS_STATEIMAGEMASK;
    tv.state = INDEXTOSTATEIMAGEMASK(std::max(0, stateIndex_));
    SendMessageW(owner_.view_.WindowHandle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

bool TTreeNode::EditText() {
    TTreeView& view = owner_.view_;
    if (item_ == nullptr || !view.HandleAllocated() || view.ReadOnly()) return false;
    SetFocus(view.WindowHandle());
    return SendMessageW(view.WindowHandle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item_)) !=
           0;
}

int TTreeNode::Index() const {
    const auto& siblings = const_cast<TTreeNodes&>(owner_).SiblingsOf(parent_);
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return static_cast<int>(i);
    return -1;
}

int TTreeNode::Level() const {
    int level = 0;
    for (const TTreeNode* p = parent_; p != nullptr; p = p->parent_) ++level;
    return level;
}

bool TTreeNode::Expanded() const {
    if (item_ == nullptr || !owner_.view_.HandleAllocated()) return expanded_;
    return (SendMessageW(owner_.view_.WindowHandle(), TVM_GETITEMSTATE,
                         reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}

void TTreeNode::SetExpanded(bool value) {
    expanded_ = value;
    if (item_ != nullptr && owner_.view_.HandleAllocated())
        SendMessageW(owner_.view_.WindowHandle(), TVM_EXPAND, value ? TVE_EXPAND : TVE_COLLAPSE,
                     reinterpret_cast<LPARAM>(item_));
}

bool TTreeNode::Selected() const {
    return owner_.view_.Selected() == this;
}

void TTreeNode::SetSelected(bool value) {
    if (value)
        owner_.view_.SetSelected(this);
    else if (Selected())
        owner_.view_.SetSelected(nullptr);
}

void TTreeNode::MakeVisible() {
    if (item_ != nullptr && owner_.view_.HandleAllocated())
        SendMessageW(owner_.view_.WindowHandle(), TVM_ENSUREVISIBLE, 0,
                     reinterpret_cast<LPARAM>(item_));
}

void TTreeNode::Delete() {
    owner_.Delete(this);
}

std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::SiblingsOf(TTreeNode* parent) {
    return parent != nullptr ? parent->children_ : roots_;
}

TTreeNode* TTreeNodes::Insert(TTreeNode* parent, size_t position, const std::string& text) {
    auto& siblings = SiblingsOf(parent);
    auto node = std::make_unique<TTreeNode>(*this, parent);
    TTreeNode* result = node.get();
    result->text_ = text;
    siblings.insert(
        siblings.begin() + static_cast<std::ptrdiff_t>(std::min(position, siblings.size())),
        std::move(node));
    view_.InsertItem(result);
    return result;
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    return Insert(parent, SiblingsOf(parent).size(), text);
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
    TTreeNode* parent = sibling != nullptr ? sibling->parent_ : nullptr;
    return Insert(parent, SiblingsOf(parent).size(), text);
}

int TTreeNodes::Count() const {
    int count = 0;
    std::vector<const TTreeNode*> stack;
    for (const auto& root : roots_) stack.push_back(root.get());
    while (!stack.empty()) {
        const TTreeNode* node = stack.back();
        stack.pop_back();
        ++count;
        for (const auto& child : node->children_) stack.push_back(child.get());
    }
    return count;
}

void TTreeNodes::Clear() {
    if (view_.HandleAllocated())
        SendMessageW(view_.WindowHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    view_.selected_ = nullptr;
    roots_.clear();
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (node == nullptr) return;
    if (view_.HandleAllocated() && node->item_ != nullptr)
        SendMessageW(view_.WindowHandle(), TVM_DELETEITEM, 0,
                     reinterpret_cast<LPARAM>(node->item_));
    for (const TTreeNode* s = view_.selected_; s != nullptr; s = s->parent_)
        if (s == node) view_.selected_ = nullptr;
    auto& siblings = SiblingsOf(node->parent_);
    siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                [node](const auto& n) { return n.get() == node; }));
}

void TTreeNodes::BeginUpdate() {
    view_.BeginRedrawLock();
}

void TTreeNodes::EndUpdate() {
    view_.EndRedrawLock();
}

// ---- the view ------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TTreeView, TWinControl)
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSingle);
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindow);
RUNTIME_PROPERTY(HideSelection, HideSelection, SetHideSelection).Default(true);
RUNTIME_PROPERTY(Images, Images, SetImages);
RUNTIME_PROPERTY(ReadOnly, ReadOnly, SetReadOnly).Default(false);
RUNTIME_PROPERTY(ShowButtons, ShowButtons, SetShowButtons).Default(true);
RUNTIME_PROPERTY(ShowLines, ShowLines, SetShowLines).Default(true);
RUNTIME_PROPERTY(ShowRoot, ShowRoot, SetShowRoot).Default(true);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_FIELD(OnChange);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TTreeView)
GUI_MESSAGE(CN_NOTIFY, CNNotify)
GUI_END_MESSAGE_MAP

TTreeView::TTreeView(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TTreeNodes>(*this)) {
    SetControlStyle({});
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

TTreeView::~TTreeView() = default;

void TTreeView::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"SysTreeView32";
    if (showLines_) params.Style |= TVS_HASLINES;
    if (showButtons_) params.Style |= TVS_HASBUTTONS;
    if (showRoot_) params.Style |= TVS_LINESATROOT;
    if (!readOnly_) params.Style |= TVS_EDITLABELS;
    if (!hideSelection_) params.Style |= TVS_SHOWSELALWAYS;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::CreateHandleDone() {
    if (images_ != nullptr)
        SendMessageW(WindowHandle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(images_->Handle()));
    InsertAll(items_->roots_);
    if (selected_ != nullptr && selected_->item_ != nullptr)
        SendMessageW(WindowHandle(), TVM_SELECTITEM, TVGN_CARET,
                     reinterpret_cast<LPARAM>(selected_->item_));
}

void TTreeView::DestroyWnd() {
    selected_ = Selected();
    std::vector<TTreeNode*> stack;
    for (auto& root : items_->roots_) stack.push_back(root.get());
    while (!stack.empty()) {
        TTreeNode* node = stack.back();
        stack.pop_back();
        node->expanded_ = node->Expanded();
        for (auto& child : node->children_) stack.push_back(child.get());
    }
    ForgetItems(items_->roots_);
    TWinControl::DestroyWnd();
}

void TTreeView::ForgetItems(std::vector<std::unique_ptr<TTreeNode>>& nodes) {
    for (auto& node : nodes) {
        node->item_ = nullptr;
        ForgetItems(node->children_);
    }
}

void TTreeView::InsertItem(TTreeNode* node) {
    if (!HandleAllocated()) return;
    TVINSERTSTRUCTW insert{};
    insert.hParent = node->parent_ != nullptr ? node->parent_->item_ : TVI_ROOT;
    auto& siblings = items_->SiblingsOf(node->parent_);
    const int index = node->Index();
    insert.hInsertAfter = index == 0 ? TVI_FIRST : siblings[static_cast<size_t>(index - 1)]->item_;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    node->item_ = reinterpret_cast<HTREEITEM>(
        SendMessageW(WindowHandle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (node->stateIndex_ > 0) node->ApplyState();
}

void TTreeView::InsertAll(std::vector<std::unique_ptr<TTreeNode>>& nodes) {
    for (auto& node : nodes) {
        InsertItem(node.get());
        InsertAll(node->children_);
        if (node->expanded_) node->SetExpanded(true);
    }
}

TTreeNode* TTreeView::NodeOf(HTREEITEM item) const {
    if (item == nullptr || !HandleAllocated()) return nullptr;
    TVITEMW tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessageW(WindowHandle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return nullptr;
    return reinterpret_cast<TTreeNode*>(tv.lParam);
}

TTreeNode* TTreeView::Selected() const {
    if (!HandleAllocated()) return selected_;
    return NodeOf(
        reinterpret_cast<HTREEITEM>(SendMessageW(WindowHandle(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TTreeView::SetSelected(TTreeNode* node) {
    selected_ = node;
    if (HandleAllocated())
        SendMessageW(WindowHandle(), TVM_SELECTITEM, TVGN_CARET,
                     reinterpret_cast<LPARAM>(node != nullptr ? node->item_ : nullptr));
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
    if (!HandleAllocated()) return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = {x, y};
    return NodeOf(reinterpret_cast<HTREEITEM>(
        SendMessageW(WindowHandle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
}

void TTreeView::FullExpand() {
    std::vector<TTreeNode*> stack;
    for (auto& root : items_->roots_) stack.push_back(root.get());
    while (!stack.empty()) {
        TTreeNode* node = stack.back();
        stack.pop_back();
        if (!node->children_.empty()) node->SetExpanded(true);
        for (auto& child : node->children_) stack.push_back(child.get());
    }
}

void TTreeView::FullCollapse() {
    std::vector<TTreeNode*> stack;
    for (auto& root : items_->roots_) stack.push_back(root.get());
    while (!stack.empty()) {
        TTreeNode* node = stack.back();
        stack.pop_back();
        node->SetExpanded(false);
        for (auto& child : node->children_) stack.push_back(child.get());
    }
}

TTreeNode* TTreeView::TopItem() const {
    if (!HandleAllocated()) return nullptr;
    return NodeOf(reinterpret_cast<HTREEITEM>(
        SendMessageW(WindowHandle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

void TTreeView::SetTopItem(TTreeNode* node) {
    if (node != nullptr && node->item_ != nullptr && HandleAllocated())
        SendMessageW(WindowHandle(), TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                     reinterpret_cast<LPARAM>(node->item_));
}

void TTreeView::SetShowLines(bool value) {
    SetField(showLines_, value, [this] { RecreateWnd(); });
}
void TTreeView::SetShowButtons(bool value) {
    SetField(showButtons_, value, [this] { RecreateWnd(); });
}
void TTreeView::SetShowRoot(bool value) {
    SetField(showRoot_, value, [this] { RecreateWnd(); });
}
void TTreeView::SetReadOnly(bool value) {
    SetField(readOnly_, value, [this] { RecreateWnd(); });
}
void TTreeView::SetHideSelection(bool value) {
    SetField(hideSelection_, value, [this] { RecreateWnd(); });
}
void TTreeView::SetBorderStyle(TBorderStyle value) {
    SetField(borderStyle_, value, [this] { RecreateWnd(); });
}

void TTreeView::SetImages(TCustomImageList* value) {
    if (images_ != nullptr) images_->RemoveFreeNotification(this);
    images_ = value;
    if (value != nullptr) value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(value != nullptr ? value->Handle() : nullptr));
}

void TTreeView::Notification(TComponent* component, runtime::TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == runtime::opRemove && component == images_) SetImages(nullptr);
}

void TTreeView::CNNotify(TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    switch (header->code) {
        case TVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMTVDISPINFOW*>(msg.LParam);
            auto* node = reinterpret_cast<TTreeNode*>(info->item.lParam);
            if (node == nullptr) return;
            if ((info->item.mask & TVIF_TEXT) != 0 && info->item.cchTextMax > 0) {
                const std::u16string wide = runtime::AnsiToWide(node->text_);
                const size_t n =
                    std::min<size_t>(wide.size(), static_cast<size_t>(info->item.cchTextMax - 1));
                std::memcpy(info->item.pszText, wide.data(), n * sizeof(char16_t));
                info->item.pszText[n] = L'\0';
            }
            if ((info->item.mask & TVIF_IMAGE) != 0) info->item.iImage = node->imageIndex_;
            if ((info->item.mask & TVIF_SELECTEDIMAGE) != 0)
                info->item.iSelectedImage =
                    node->selectedIndex_ >= 0 ? node->selectedIndex_ : node->imageIndex_;
            break;
        }
        case TVN_SELCHANGEDW: {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(msg.LParam);
            selected_ = reinterpret_cast<TTreeNode*>(change->itemNew.lParam);
            OnChange(this, selected_);
            break;
        }
        case TVN_ENDLABELEDITW: {
            const auto* edit = reinterpret_cast<const NMTVDISPINFOW*>(msg.LParam);
            auto* node = reinterpret_cast<TTreeNode*>(edit->item.lParam);
            if (node != nullptr && edit->item.pszText != nullptr) {
                node->text_ =
                    runtime::WideToAnsi(reinterpret_cast<const char16_t*>(edit->item.pszText));
                msg.Result = TRUE;
            }
            break;
        }
        case NM_DBLCLK:
            DblClick();
            break;
        case NM_CLICK:
            Click();
            break;
        default:
            break;
    }
}

}  // namespace gui
