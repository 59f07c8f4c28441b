#include <algorithm>

#include "gui/comctrls.h"
#include "gui/geometry_win.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

// ---- TTabSheet -----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TTabSheet, TWinControl)
RUNTIME_PROPERTY(Caption, Text, SetText);
RUNTIME_PROPERTY(ImageIndex, ImageIndex, SetImageIndex).Default(-1);
RUNTIME_PROPERTY(PageControl, PageControl, SetPageControl).Stored(false);
RUNTIME_PROPERTY(PageIndex, PageIndex, SetPageIndex).Stored(false);
RUNTIME_PROPERTY(TabVisible, TabVisible, SetTabVisible).Default(true);
RUNTIME_END_CLASS

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(
        {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetVisible(false);
}

TTabSheet::~TTabSheet() {
    if (pageControl_ != nullptr) pageControl_->RemovePage(this);
}

void TTabSheet::SetParent(TWinControl* parent) {
    if (auto* pages = dynamic_cast<TPageControl*>(parent)) {
        SetPageControl(pages);
        return;
    }
    if (pageControl_ != nullptr) pageControl_->RemovePage(this);
    TWinControl::SetParent(parent);
}

void TTabSheet::SetPageControl(TPageControl* value) {
    if (pageControl_ == value) return;
    if (pageControl_ != nullptr) pageControl_->RemovePage(this);
    TWinControl::SetParent(value);
    if (value != nullptr) value->InsertPage(this);
}

void TTabSheet::SetTabVisible(bool value) {
    if (tabVisible_ == value) return;
    tabVisible_ = value;
    if (pageControl_ != nullptr) pageControl_->UpdateTabs();
}

int TTabSheet::PageIndex() const {
    if (pageControl_ == nullptr) return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
    if (pageControl_ == nullptr) return;
    auto& pages = pageControl_->pages_;
    pages.erase(std::find(pages.begin(), pages.end(), this));
    value = std::clamp(value, 0, static_cast<int>(pages.size()));
    pages.insert(pages.begin() + value, this);
    pageControl_->UpdateTabs();
}

void TTabSheet::SetImageIndex(int32_t value) {
    if (imageIndex_ == value) return;
    imageIndex_ = value;
    if (pageControl_ != nullptr) pageControl_->UpdateTabs();
}

void TTabSheet::TextChanged() {
    if (pageControl_ != nullptr) pageControl_->UpdateTabs();
}

// ---- TPageControl --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TPageControl, TWinControl)
RUNTIME_PROPERTY(ActivePage, ActivePage, SetActivePage);
RUNTIME_PROPERTY(Images, Images, SetImages);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_FIELD(OnChange);
RUNTIME_FIELD(OnChanging);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TPageControl)
GUI_MESSAGE(CN_NOTIFY, CNNotify)
GUI_END_MESSAGE_MAP

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csAcceptsControls, csDoubleClicks});
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
    imagesLink_.OnChange = [this](TObject*) { UpdateTabs(); };
}

void TPageControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"SysTabControl32";
    params.Style |= WS_CLIPCHILDREN | TCS_TABS | TCS_FOCUSONBUTTONDOWN;
}

void TPageControl::CreateHandleDone() {
    UpdateTabs();
    ShowActivePage();
    Realign();
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    if (activePage_ == nullptr && !pages_.empty()) {
        auto first = std::find_if(pages_.begin(), pages_.end(),
                                  [](TTabSheet* p) { return p->TabVisible(); });
        SetActivePage(first != pages_.end() ? *first : pages_.front());
    }
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    page->SetVisible(false);
    UpdateTabs();
    Realign();
}

void TPageControl::RemovePage(TTabSheet* page) {
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    page->pageControl_ = nullptr;
    if (activePage_ == page) {
        activePage_ = nullptr;
        if (!ComponentState().Contains(runtime::csDestroying) && !pages_.empty())
            SetActivePage(pages_.front());
    }
    UpdateTabs();
}

int TPageControl::TabOfPage(const TTabSheet* page) const {
    int tab = 0;
    for (const TTabSheet* p : pages_) {
        if (p == page) return p->TabVisible() ? tab : -1;
        if (p->TabVisible()) ++tab;
    }
    return -1;
}

TTabSheet* TPageControl::PageOfTab(int tab) const {
    for (TTabSheet* p : pages_) {
        if (!p->TabVisible()) continue;
        if (tab-- == 0) return p;
    }
    return nullptr;
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated() || ComponentState().Contains(runtime::csDestroying)) return;
    HWND window = WindowHandle();
    SendMessageW(window, TCM_SETIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(images_ != nullptr ? images_->Handle() : nullptr));
    SendMessageW(window, TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    for (TTabSheet* page : pages_) {
        if (!page->TabVisible()) continue;
        std::u16string text = page->TextW();
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = reinterpret_cast<wchar_t*>(text.data());
        item.iImage = page->ImageIndex();
        SendMessageW(window, TCM_INSERTITEMW, static_cast<WPARAM>(tab++),
                     reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(window, TCM_SETCURSEL, static_cast<WPARAM>(TabOfPage(activePage_)), 0);
    Realign();
    Invalidate();
}

TRect TPageControl::DisplayRect() const {
    TRect client = ClientRect();
    if (!HandleAllocated()) return client.Inflate(-4, -4);
    RECT r = ToRECT(client);
    SendMessageW(WindowHandle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return ToTRect(r);
}

void TPageControl::AlignControls(TControl*, TRect& rect) {
    rect = DisplayRect();
    for (TTabSheet* page : pages_)
        page->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page != nullptr && page->pageControl_ != this) return;
    if (activePage_ == page) return;
    activePage_ = page;
    ShowActivePage();
}

void TPageControl::ShowActivePage() {
    if (activePage_ != nullptr) {
        activePage_->SetVisible(true);
        activePage_->BringToFront();
    }
    for (TTabSheet* page : pages_)
        if (page != activePage_) page->SetVisible(false);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), TCM_SETCURSEL, static_cast<WPARAM>(TabOfPage(activePage_)), 0);
}

int TPageControl::ActivePageIndex() const {
    auto it = std::find(pages_.begin(), pages_.end(), activePage_);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePageIndex(int value) {
    SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<size_t>(value)] : nullptr);
}

void TPageControl::SelectNextPage(bool forward) {
    const int count = PageCount();
    if (count == 0) return;
    const int start = ActivePageIndex();
    for (int step = 1; step <= count; ++step) {
        const int i = ((start + (forward ? step : -step)) % count + count) % count;
        TTabSheet* page = pages_[static_cast<size_t>(i)];
        if (!page->TabVisible()) continue;
        bool allow = true;
        OnChanging(this, allow);
        if (!allow) return;
        SetActivePage(page);
        OnChange(this);
        return;
    }
}

void TPageControl::SetImages(TCustomImageList* value) {
    if (images_ != nullptr) {
        images_->UnRegisterChanges(&imagesLink_);
        images_->RemoveFreeNotification(this);
    }
    images_ = value;
    if (value != nullptr) {
        value->RegisterChanges(&imagesLink_);
        value->FreeNotification(this);
    }
    UpdateTabs();
}

void TPageControl::Notification(TComponent* component, runtime::TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    if (component == images_) images_ = nullptr;
}

void TPageControl::CNNotify(TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    switch (header->code) {
        case TCN_SELCHANGING: {
            bool allow = true;
            OnChanging(this, allow);
            msg.Result = allow ? FALSE : TRUE;
            break;
        }
        case TCN_SELCHANGE:
            activePage_ =
                PageOfTab(static_cast<int>(SendMessageW(WindowHandle(), TCM_GETCURSEL, 0, 0)));
            ShowActivePage();
            OnChange(this);
            break;
        default:
            break;
    }
}

}  // namespace gui
