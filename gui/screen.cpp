#include "gui/screen.h"

#include <algorithm>
#include <array>

#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/graphics.h"
#include "runtime/properties.h"

namespace gui {

TScreen* Screen = nullptr;

namespace {

// The system cursor (its IDC_ number) of each negative cursor number, from
// crArrow (-2) down.
constexpr WORD kArrow = 32512, kIBeam = 32513, kWait = 32514, kCross = 32515, kUpArrow = 32516,
               kSizeNWSE = 32642, kSizeNESW = 32643, kSizeWE = 32644, kSizeNS = 32645,
               kSizeAll = 32646, kNo = 32648, kHand = 32649, kAppStarting = 32650, kHelp = 32651;
constexpr std::array<WORD, 21> kSystemCursors = {
    kArrow,  kCross,       kIBeam, kSizeAll,     kSizeNESW, kSizeNS, kSizeNWSE,
    kSizeWE, kUpArrow,     kWait,  kArrow,       kNo,       kSizeNS, kSizeWE,
    kArrow,  kAppStarting, kNo,    kAppStarting, kHelp,     kHand,   kSizeAll,
};
static_assert(kSystemCursors.size() == 21,
              "one system cursor per number from crArrow to crSizeAll");

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<TMonitor>*>(data)->push_back(
            {monitor, ToTRect(info.rcMonitor), ToTRect(info.rcWork),
             (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

RUNTIME_BEGIN_CLASS(TScreen, runtime::TComponent)
RUNTIME_END_CLASS

TScreen::TScreen(runtime::TComponent* owner) : TComponent(owner) {}
TScreen::~TScreen() = default;

void TScreen::SetCursor(TCursor value) {
    if (cursor_ == value) return;
    cursor_ = value;
    POINT p;
    if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);  // makes the window under the mouse set it again
    if (value != crDefault) ::SetCursor(Cursors(value));
}

HCURSOR TScreen::Cursors(TCursor cursor) const {
    if (cursor > 0) {
        auto it = cursors_.find(cursor);
        if (it != cursors_.end()) return it->second.Get();
    } else if (cursor == crNone) {
        return nullptr;
    } else if (cursor <= crArrow && cursor >= crSizeAll) {
        return LoadCursorW(nullptr,
                           MAKEINTRESOURCEW(kSystemCursors[static_cast<size_t>(crArrow - cursor)]));
    }
    return LoadCursorW(nullptr, IDC_ARROW);
}

void TScreen::SetCursorHandle(TCursor cursor, HCURSOR handle) {
    if (cursor <= 0) return;
    cursors_[cursor].Reset(handle);
}

std::vector<TMonitor> TScreen::Monitors() const {
    std::vector<TMonitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

TRect TScreen::WorkAreaFor(const TRect& r) const {
    const RECT rc = ToRECT(r);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &info))
        return ToTRect(info.rcWork);
    return WorkAreaRect();
}

TRect TScreen::WorkAreaRect() const {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return ToTRect(r);
}

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}
int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}
int TScreen::PixelsPerInch() const {
    return ScreenPixelsPerInch();
}

void TScreen::AddForm(TCustomForm* form) {
    if (std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    if (activeForm_ == form) {
        activeForm_ = nullptr;
        activeControl_ = nullptr;
    }
}

void TScreen::SetActiveForm(TCustomForm* form) {
    activeForm_ = form;
    activeControl_ = form != nullptr ? form->ActiveControl() : nullptr;
}

}  // namespace gui
