// The main window's side of the core: what the core's callbacks do on it.

#include "core/options.h"
#include "core/site.h"
#include "core/state.h"
#include "gui/desktop.h"
#include "runtime/strings.h"
#include "ui/main_form.h"
#include "ui/progress_form.h"
#include "ui/project_progress_form.h"

namespace ui {

void TForm1::InstallCoreCallbacks() {
    core::CoreCallbacks& c = core::Callbacks;
    c = {};
    c.KeywordDone = [this](const std::u16string& line) {
        if (Form6 != nullptr) Form6->KeywordDone(line);
    };
    c.LogLine = [this](const std::u16string& line) {
        if (Form6 != nullptr) Form6->LogLine(line);
    };
    c.StageText = [this](const std::string& text) {
        if (projectProgress_ == nullptr) return;
        projectProgress_->SetStageText(text);
        projectProgress_->Repaint();
    };
    c.LoadProgress = [this](int64_t position, int64_t total) {
        if (projectProgress_ != nullptr) {
            projectProgress_->SetProgress(position, total);
            projectProgress_->Repaint();
        }
        gui::Application->ProcessMessages();
    };
    c.SaveProgress = c.LoadProgress;
    c.InflateProgress = [this] {
        if (projectProgress_ != nullptr) {
            projectProgress_->StepIt();
            projectProgress_->Repaint();
        }
        gui::Application->ProcessMessages();
    };
    c.SitesCleared = [this] { ComboBox1->Items()->Clear(); };
    c.SiteAdded = [this](const std::string& url) { ComboBox1->Items()->Add(url); };
    c.CurrentSiteShown = [this] {
        // The entry of exactly that address (the list's own search ignores case).
        int index = -1;
        if (core::CurrentSite != nullptr)
            for (int i = 0; i < ComboBox1->Items()->Count() && index < 0; ++i)
                if (ComboBox1->Items()->Strings(i) == core::CurrentSite->URL) index = i;
        ComboBox1->SetItemIndex(index);
        FillKeywordTree();
    };
    c.ShowMessage = [this](const std::string& text, const std::string& caption,
                           core::MessageKind kind, core::MessageOwner owner) {
        gui::Desktop().MessageBox(
            MessageOwner(owner), runtime::AnsiToWide(text), runtime::AnsiToWide(caption),
            MB_OK | (kind == core::MessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION));
    };
    c.ProcessPending = [] { gui::Application->ProcessMessages(); };
    c.TreeColumnCount = [this](int tree) {
        const controls::tree::TGtTree* view = TreeOf(tree);
        return view != nullptr ? view->HeaderSections()->Count() : 0;
    };
    c.TreeColumnWidth = [this](int tree, int column) {
        const controls::tree::TGtTree* view = TreeOf(tree);
        const controls::tree::TGtHeaderSection* section =
            view != nullptr ? view->HeaderSections()->GetSection(column) : nullptr;
        return section != nullptr ? section->Width() : 0;
    };
    c.SetTreeColumnWidth = [this](int tree, int column, int width) {
        const controls::tree::TGtTree* view = TreeOf(tree);
        controls::tree::TGtHeaderSection* section =
            view != nullptr ? view->HeaderSections()->GetSection(column) : nullptr;
        if (section != nullptr) section->SetWidth(width);
    };
    c.GetGeometry = [this] { return Geometry(); };
    // RestoreFromMaximized stays unset: Geometry answers a maximized
    // window's normal placement itself, so the window need not jump back
    // to normal size as the program ends.
}

controls::tree::TGtTree* TForm1::TreeOf(int tree) const {
    return tree == core::KeywordTree ? GtTree1 : tree == core::ResultTree ? GtTree2 : nullptr;
}

HWND TForm1::MessageOwner(core::MessageOwner owner) const {
    if (owner == core::MessageOwner::CheckProgress && Form6 != nullptr && Form6->Showing())
        return Form6->WindowHandle();
    if (Showing()) return WindowHandle();
    // While the window is being made, the loading dialog is what shows.
    if (projectProgress_ != nullptr && projectProgress_->Showing())
        return projectProgress_->WindowHandle();
    return nullptr;
}

core::WindowGeometry TForm1::Geometry() const {
    core::WindowGeometry geometry;
    geometry.Splitter = GtTree1->Width();
    gui::TRect bounds = BoundsRect();
    HWND window = WindowHandle();
    if (window != nullptr) {
        geometry.Maximized = IsZoomed(window) != FALSE;
        if (geometry.Maximized || IsIconic(window)) {
            // The normal placement, which Windows keeps in work-area
            // coordinates.
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(window, &placement);
            RECT r = placement.rcNormalPosition;
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &monitor))
                OffsetRect(&r, monitor.rcWork.left - monitor.rcMonitor.left,
                           monitor.rcWork.top - monitor.rcMonitor.top);
            bounds = {r.left, r.top, r.right, r.bottom};
        }
    }
    geometry.Left = bounds.Left;
    geometry.Top = bounds.Top;
    geometry.Width = bounds.Width();
    geometry.Height = bounds.Height();
    return geometry;
}

}  // namespace ui
