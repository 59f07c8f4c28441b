// The tree family's wide-text drawing against DrawTextW: 1,000 cells of
// single-line text with an end ellipsis, drawn into a 32-bit memory bitmap
// in the same run, best of ten rounds each.
//
//   cmake -S . -B build/windows-release -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
//   cmake --build build/windows-release --target tree_text_bench
//   export DISPLAY=:99 WINEPREFIX=$PWD/build/windows/wineprefix
//   wine build/windows-release/bench/tree_text_bench.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/tree/drawing.h"

namespace {

constexpr int kCells = 1000;
constexpr int kRounds = 10;
constexpr UINT kFlags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER;

std::vector<std::u16string> Cells() {
    static const char16_t* const words[] = {
        u"keyword",       u"position", u"rank",     u"search", u"\u043F\u043E\u0438\u0441\u043A",
        u"r\u00E9sultat", u"engine",   u"tracking", u"site",   u"results"};
    std::vector<std::u16string> cells;
    unsigned seed = 7;
    for (int i = 0; i < kCells; ++i) {
        std::u16string text;
        const int count = 1 + i % 6;
        for (int w = 0; w < count; ++w) {
            seed = seed * 1103515245 + 12345;
            if (!text.empty()) text += u' ';
            text += words[(seed >> 16) % 10];
        }
        cells.push_back(text);
    }
    return cells;
}

template <class Draw>
double BestMs(Draw draw) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        draw();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main() {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, 800, -400, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
    HFONT font =
        CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const std::vector<std::u16string> cells = Cells();
    // Cells of 80 x 17 pixels in a grid of 10 columns.
    auto cell = [](int i) {
        const int x = (i % 10) * 80, y = (i / 10 % 23) * 17;
        return RECT{x, y, x + 80, y + 17};
    };
    const double ours = BestMs([&] {
        for (int i = 0; i < kCells; ++i) {
            const RECT r = cell(i);
            gui::TRect t{r.left, r.top, r.right, r.bottom};
            controls::tree::DrawTextWideEx(dc, cells[i], kFlags, t, nullptr);
        }
        GdiFlush();
    });
    const double system = BestMs([&] {
        for (int i = 0; i < kCells; ++i) {
            RECT r = cell(i);
            DrawTextW(dc, reinterpret_cast<const wchar_t*>(cells[i].c_str()),
                      static_cast<int>(cells[i].size()), &r, kFlags);
        }
        GdiFlush();
    });
    std::printf(
        "1,000 wide text cells with ellipsis   DrawTextWide %8.2f ms   DrawTextW %8.2f ms"
        "   ratio %.2f\n",
        ours, system, ours / system);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return 0;
}
