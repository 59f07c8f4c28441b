// The tree control with 100,000 rows of three columns beside the
// platform's list view (report mode) and tree view holding the same rows,
// in the same run: fill, sort by a text column (the list view through
// LVM_SORTITEMSEX, the tree view by its own text order), paint one screen
// into a memory bitmap (the first paint, then the best of ten repaints of
// that screen), and scroll one page down with the paint that follows (best
// of ten pages). The first paint of the process pays for what the platform
// sets up once (about 10 ms under Wine), so the first control measured
// would carry it alone; the repaint is the comparable figure. Milliseconds, with our figure's ratio
// to each platform control. The fill also reports the memory it took per row (the working set's
// growth): on these machines a page a process touches for the first time costs about 10
// microseconds, so a fill costs mostly the memory it takes.
//
//   cmake --build build/windows --target tree_control_bench
//   DISPLAY=:99 build/windows/wine-run.sh build/windows/bench/tree_control_bench.exe [--ours]
//
// With --ours only our tree is measured (the platform's list view alone
// takes half a minute to sort): for profiling and quick comparisons.
//
// A Debug tree measures our code unoptimised against the platform's
// optimised controls; the figures then only bound ours from above.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/tree/headersections.h"
#include "controls/tree/init.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace {

constexpr int kRows = 100000;
constexpr int kPages = 10;
constexpr int kWidth = 600, kHeight = 400;

struct Row {
    std::u16string text, position, best;
};

// Keyword-like texts in a scrambled order, so that the sort has work.
std::vector<Row> Rows() {
    static const char16_t* const words[] = {u"rank",  u"search",       u"keyword", u"engine",
                                            u"site",  u"result",       u"tracker", u"position",
                                            u"poisk", u"r\u00E9sultat"};
    std::vector<Row> rows(kRows);
    unsigned seed = 12345;
    for (int i = 0; i < kRows; ++i) {
        seed = seed * 1103515245 + 12345;
        const unsigned r = seed >> 8;
        rows[i].text = std::u16string(words[r % 10]) + u' ' + words[(r / 10) % 10] + u' ' +
                       runtime::Utf8ToWide(std::to_string(r % 100000));
        rows[i].position = runtime::Utf8ToWide(std::to_string(r % 997));
        rows[i].best = runtime::Utf8ToWide(std::to_string(r % 101));
    }
    return rows;
}

double Ms(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The growth of the working set while `work` runs, in bytes per row.
double BytesPerRow(const std::function<void()>& work) {
    const auto workingSet = [] {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return static_cast<double>(counters.WorkingSetSize);
    };
    const double before = workingSet();
    work();
    return (workingSet() - before) / kRows;
}

// The best of ten runs.
double Best(const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < kPages; ++i) best = std::min(best, Ms(work));
    return best;
}

// A 32-bit memory bitmap the controls paint into.
struct Surface {
    Surface() {
        screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof bi.bmiHeader, kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    HDC screen, dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

struct Figures {
    double fill = 0, fillBytes = 0, sort = 0, firstPaint = 0, paint = 0, scroll = 0;
};

Figures Ours(const std::vector<Row>& rows, Surface& surface) {
    using namespace controls::tree;
    gui::TForm form(nullptr);
    form.SetBounds(0, 0, kWidth + 40, kHeight + 80);
    auto* tree = new TGtTree(&form);
    tree->SetParent(&form);
    tree->SetBounds(0, 0, kWidth, kHeight);
    for (auto [caption, width] : {std::pair{u"Keyword", 300}, {u"Position", 120}, {u"Best", 120}}) {
        TGtHeaderSection* s = tree->HeaderSections()->AddSection();
        s->SetText(caption);
        s->SetWidth(width);
    }
    tree->SetShowColumns(true);
    form.HandleNeeded();
    gui::testing::Pump();
    TGtTreeView& view = *tree->View();
    Figures f;
    f.fillBytes = BytesPerRow([&] {
        f.fill = Ms([&] {
            TGtTreeItems& items = tree->Items();
            items.BeginUpdate();
            for (const Row& row : rows) {
                TGtTreeItem* item = items.Add(nullptr, row.text);
                item->ColumnText()->Add(row.position);
                item->ColumnText()->Add(row.best);
            }
            items.EndUpdate();
        });
    });
    f.sort = Ms([&] {
        tree->SetSortSection(0);
        tree->Sort(true);
    });
    const auto paint = [&] {
        view.PaintTo(surface.dc, 0, 0);
        GdiFlush();
    };
    f.firstPaint = Ms(paint);
    f.paint = Best(paint);
    int rest = 0;
    const int page = std::max(view.GetFullRowCount(rest), 1);
    f.scroll = Best([&] {
        tree->SetTopIndex(tree->TopIndex() + page);
        paint();
    });
    return f;
}

HWND MakeWindow(const wchar_t* cls, DWORD style) {
    return CreateWindowExW(0, cls, L"", WS_POPUP | style, 0, 0, kWidth, kHeight, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void Print(HWND window, Surface& surface) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc),
                 PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
}

double ScrollPages(HWND window, Surface& surface) {
    return Best([&] {
        SendMessageW(window, WM_VSCROLL, SB_PAGEDOWN, 0);
        Print(window, surface);
    });
}

wchar_t* Text(const std::u16string& s) {
    return reinterpret_cast<wchar_t*>(const_cast<char16_t*>(s.c_str()));
}

int CALLBACK CompareListItems(LPARAM a, LPARAM b, LPARAM list) {
    wchar_t ta[128], tb[128];
    ListView_GetItemText(reinterpret_cast<HWND>(list), static_cast<int>(a), 0, ta, 128);
    ListView_GetItemText(reinterpret_cast<HWND>(list), static_cast<int>(b), 0, tb, 128);
    return lstrcmpiW(ta, tb);
}

Figures ListView(const std::vector<Row>& rows, Surface& surface) {
    HWND list = MakeWindow(WC_LISTVIEWW, LVS_REPORT);
    int column = 0;
    for (auto [caption, width] : {std::pair{L"Keyword", 300}, {L"Position", 120}, {L"Best", 120}}) {
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = const_cast<wchar_t*>(caption);
        c.cx = width;
        ListView_InsertColumn(list, column++, &c);
    }
    Figures f;
    f.fillBytes = BytesPerRow([&] {
        f.fill = Ms([&] {
            SendMessageW(list, WM_SETREDRAW, FALSE, 0);
            for (int i = 0; i < kRows; ++i) {
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = i;
                item.pszText = Text(rows[i].text);
                ListView_InsertItem(list, &item);
                ListView_SetItemText(list, i, 1, Text(rows[i].position));
                ListView_SetItemText(list, i, 2, Text(rows[i].best));
            }
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        });
    });
    f.sort = Ms([&] {
        SendMessageW(list, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(list),
                     reinterpret_cast<LPARAM>(&CompareListItems));
    });
    f.firstPaint = Ms([&] { Print(list, surface); });
    f.paint = Best([&] { Print(list, surface); });
    f.scroll = ScrollPages(list, surface);
    DestroyWindow(list);
    return f;
}

Figures TreeView(const std::vector<Row>& rows, Surface& surface) {
    HWND tree = MakeWindow(WC_TREEVIEWW, TVS_HASLINES | TVS_HASBUTTONS);
    Figures f;
    f.fillBytes = BytesPerRow([&] {
        f.fill = Ms([&] {
            SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
            for (const Row& row : rows) {
                TVINSERTSTRUCTW insert{};
                insert.hParent = TVI_ROOT;
                insert.hInsertAfter = TVI_LAST;
                insert.item.mask = TVIF_TEXT;
                insert.item.pszText = Text(row.text);
                TreeView_InsertItem(tree, &insert);
            }
            SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        });
    });
    f.sort = Ms([&] { TreeView_SortChildren(tree, TVI_ROOT, FALSE); });
    f.firstPaint = Ms([&] { Print(tree, surface); });
    f.paint = Best([&] { Print(tree, surface); });
    f.scroll = ScrollPages(tree, surface);
    DestroyWindow(tree);
    return f;
}

void Line(const char* what, double ours, double list, double tree) {
    std::printf(
        "%-22s ours %9.2f ms   list view %9.2f ms (ratio %6.2f)   tree view %9.2f ms "
        "(ratio %6.2f)\n",
        what, ours, list, ours / list, tree, ours / tree);
}

}  // namespace

int main(int argc, char** argv) {
    const bool oursOnly = argc > 1 && std::string(argv[1]) == "--ours";
    gui::testing::EnsureGui();
    controls::tree::init();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const std::vector<Row> rows = Rows();
    Surface surface;
    const Figures ours = Ours(rows, surface);
    if (oursOnly) {
        std::printf("%d rows, 3 columns\n", kRows);
        std::printf("%-22s ours %9.0f bytes\n", "fill memory per row", ours.fillBytes);
        for (auto [what, ms] : {std::pair{"fill", ours.fill},
                                {"sort by text", ours.sort},
                                {"first paint", ours.firstPaint},
                                {"paint one screen", ours.paint},
                                {"scroll one page", ours.scroll}})
            std::printf("%-22s ours %9.2f ms\n", what, ms);
        return 0;
    }
    const Figures list = ListView(rows, surface);
    const Figures tree = TreeView(rows, surface);
    std::printf("%d rows, 3 columns (the tree view holds the main text only)\n", kRows);
    Line("fill", ours.fill, list.fill, tree.fill);
    std::printf(
        "%-22s ours %6.0f bytes   list view %6.0f bytes (ratio %6.2f)   tree view %6.0f "
        "bytes (ratio %6.2f)\n",
        "fill memory per row", ours.fillBytes, list.fillBytes, ours.fillBytes / list.fillBytes,
        tree.fillBytes, ours.fillBytes / tree.fillBytes);
    Line("sort by text", ours.sort, list.sort, tree.sort);
    Line("first paint", ours.firstPaint, list.firstPaint, tree.firstPaint);
    Line("paint one screen", ours.paint, list.paint, tree.paint);
    Line("scroll one page", ours.scroll, list.scroll, tree.scroll);
    return 0;
}
