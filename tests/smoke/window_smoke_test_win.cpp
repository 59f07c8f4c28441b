#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

constexpr COLORREF kFill = RGB(0x20, 0x80, 0xC0);

void paint(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = CreateSolidBrush(kFill);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

LRESULT CALLBACK smokeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PRINTCLIENT:
            paint(hwnd, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            paint(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

// A real window on the test display, painted into a 32-bit memory bitmap.
TEST(WindowSmoke, PaintsIntoMemoryBitmap) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = smokeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SerplowSmoke";
    ASSERT_NE(RegisterClassW(&wc), 0);

    HWND hwnd = CreateWindowExW(0, L"SerplowSmoke", L"smoke", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr) << "no display: is Xvfb running and DISPLAY set?";

    RECT rc;
    GetClientRect(hwnd, &rc);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = rc.right;
    bi.bmiHeader.biHeight = -rc.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(dib, nullptr);
    HGDIOBJ old = SelectObject(mem, dib);

    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
    GdiFlush();

    const auto* pixels = static_cast<const uint32_t*>(bits);
    const uint32_t centre = pixels[(rc.bottom / 2) * rc.right + rc.right / 2] & 0xFFFFFF;
    EXPECT_EQ(centre, 0x2080C0u);  // DIB pixels are 00RRGGBB

    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    DestroyWindow(hwnd);
}
