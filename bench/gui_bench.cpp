// The class library against the same work done with bare Win32 calls, in
// one run under Wine: a form of 60 controls made from its layout, shown,
// painted and destroyed; and 10,000 messages through a control's handler
// chain. Prints the median of each and the ratio.
//
// The same work on both sides: the class library's labels have no window
// of their own (the form paints them), so the bare form paints its labels
// in its own WM_PAINT too, measured once as the labels size themselves.
// Build it in a Release tree to measure.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/init.h"
#include "runtime/classinfo.h"
#include "runtime/properties.h"
#include "runtime/threads.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void PumpBare() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// ---- the class library side ----------------------------------------------------------------

class TBenchForm : public gui::TForm {
    RUNTIME_CLASS(TBenchForm)

  public:
    explicit TBenchForm(runtime::TComponent* owner) : gui::TForm(owner) {}
};
RUNTIME_BEGIN_CLASS(TBenchForm, gui::TForm)
RUNTIME_END_CLASS

constexpr UINT WM_BENCH = WM_APP + 7;

class TBenchBase : public gui::TCustomControl {
    RUNTIME_CLASS(TBenchBase)
    GUI_MESSAGE_MAP(TBenchBase, gui::TCustomControl)
    void WMBench(gui::TMessage& msg) { msg.Result += 1; }

  public:
    explicit TBenchBase(runtime::TComponent* owner) : gui::TCustomControl(owner) {}
};
RUNTIME_BEGIN_CLASS(TBenchBase, gui::TCustomControl)
RUNTIME_END_CLASS
GUI_BEGIN_MESSAGE_MAP(TBenchBase)
GUI_MESSAGE(WM_BENCH, WMBench)
GUI_END_MESSAGE_MAP

class TBenchProbe : public TBenchBase {
    RUNTIME_CLASS(TBenchProbe)
    GUI_MESSAGE_MAP(TBenchProbe, TBenchBase)
    void WMBench(gui::TMessage& msg) {
        msg.Result += static_cast<LRESULT>(msg.WParam);
        GUI_INHERITED(msg);
    }

  public:
    explicit TBenchProbe(runtime::TComponent* owner) : TBenchBase(owner) {}
};
RUNTIME_BEGIN_CLASS(TBenchProbe, TBenchBase)
RUNTIME_END_CLASS
GUI_BEGIN_MESSAGE_MAP(TBenchProbe)
GUI_MESSAGE(WM_BENCH, WMBench)
GUI_END_MESSAGE_MAP

void LibraryForm() {
    TBenchForm& form = gui::NewForm<TBenchForm>(*gui::Application);
    form.Show();
    gui::Application->ProcessMessages();
    delete &form;
    gui::Application->ProcessMessages();
}

// ---- the bare Win32 side ---------------------------------------------------------------------

// The labels the bare form paints: their text and place, sized to the
// text when the form is made.
struct BareLabel {
    std::wstring text;
    RECT bounds;
};
std::vector<BareLabel> g_bareLabels;
HFONT g_bareFont = nullptr;

LRESULT CALLBACK BareFormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        HGDIOBJ old = SelectObject(dc, g_bareFont);
        SetBkMode(dc, TRANSPARENT);
        for (BareLabel& label : g_bareLabels) {
            RECT visible;
            if (!IntersectRect(&visible, &label.bounds, &ps.rcPaint)) continue;
            FillRect(dc, &label.bounds, GetSysColorBrush(COLOR_BTNFACE));
            DrawTextW(dc, label.text.c_str(), -1, &label.bounds, DT_LEFT | DT_NOCLIP);
        }
        SelectObject(dc, old);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT CALLBACK BarePanelProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        wchar_t text[64];
        GetWindowTextW(window, text, 64);
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, reinterpret_cast<HFONT>(GetWindowLongPtrW(window, GWLP_USERDATA)));
        DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void BareForm(HFONT font) {
    RECT frame{0, 0, 760, 520};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND form = CreateWindowExW(0, L"SerplowBenchForm", L"Sixty controls",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    auto child = [&](DWORD exStyle, const wchar_t* cls, const std::wstring& text, DWORD style,
                     int x, int y, int w, int h) {
        HWND c = CreateWindowExW(exStyle, cls, text.c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, w, h, form,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    g_bareLabels.clear();
    g_bareFont = font;
    HDC screen = GetDC(form);
    HGDIOBJ oldFont = SelectObject(screen, font);
    for (int i = 0; i < 15; ++i) {
        const int x = 10 + (i % 5) * 150;
        const int y = 10 + (i / 5) * 60;
        BareLabel label{L"Label " + std::to_wstring(i), {x, y, x, y}};
        DrawTextW(screen, label.text.c_str(), -1, &label.bounds, DT_LEFT | DT_CALCRECT);
        g_bareLabels.push_back(std::move(label));
        child(WS_EX_CLIENTEDGE, L"EDIT", L"text " + std::to_wstring(i), ES_AUTOHSCROLL | WS_TABSTOP,
              x, y + 18, 130, 21);
    }
    SelectObject(screen, oldFont);
    ReleaseDC(form, screen);
    for (int i = 0; i < 10; ++i)
        child(0, L"BUTTON", L"Button " + std::to_wstring(i), BS_PUSHBUTTON | WS_TABSTOP,
              10 + (i % 5) * 150, 200 + (i / 5) * 35, 90, 25);
    for (int i = 0; i < 10; ++i) {
        HWND c = child(0, L"BUTTON", L"Option " + std::to_wstring(i), BS_AUTOCHECKBOX | WS_TABSTOP,
                       10 + (i % 5) * 150, 280 + (i / 5) * 25, 120, 17);
        SendMessageW(c, BM_SETCHECK, i % 2 != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    for (int i = 0; i < 5; ++i) {
        HWND c = child(0, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                       10 + i * 150, 340, 130, 150);
        for (const wchar_t* item : {L"first", L"second", L"third"})
            SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    for (int i = 0; i < 5; ++i) {
        HWND c = child(0, L"SerplowBenchPanel", L"Panel " + std::to_wstring(i), 0, 10 + i * 150,
                       380, 130, 60);
        SetWindowLongPtrW(c, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(font));
    }
    ShowWindow(form, SW_SHOW);
    PumpBare();
    DestroyWindow(form);
    PumpBare();
}

int BareBase(WPARAM, LRESULT& result) {
    result += 1;
    return 0;
}

int BareDerived(WPARAM wParam, LRESULT& result) {
    result += static_cast<LRESULT>(wParam);
    return BareBase(wParam, result);
}

LRESULT CALLBACK BareProbeProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_BENCH: {
            LRESULT result = 0;
            BareDerived(wParam, result);
            return result;
        }
        default:
            return DefWindowProcW(window, msg, wParam, lParam);
    }
}

void Register(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

void Row(const char* what, double library, double bare) {
    std::printf("%-58s %9.2f ms %9.2f ms %7.2f\n", what, library, bare, library / bare);
}

}  // namespace

int main() {
    runtime::InitThreads();
    runtime::RegisterRuntimeClasses();
    gui::init();
    runtime::RegisterClassInfo<TBenchForm>();
    Register(L"SerplowBenchForm", BareFormProc);
    Register(L"SerplowBenchPanel", BarePanelProc);
    Register(L"SerplowBenchProbe", BareProbeProc);
    HFONT font =
        CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");

    // Warm both sides up (classes registered, fonts and code paged in).
    for (int i = 0; i < 3; ++i) {
        LibraryForm();
        BareForm(font);
    }
    constexpr int kFormRuns = 31;
    const double libraryForm = MedianMs(kFormRuns, LibraryForm);
    const double bareForm = MedianMs(kFormRuns, [font] { BareForm(font); });

    constexpr int kMessages = 10000;
    gui::TForm host(nullptr);
    host.SetBounds(0, 0, 200, 100);
    auto* probe = new TBenchProbe(&host);
    probe->SetParent(&host);
    // A replaced WindowProc in front, as programs and hooks chain them.
    gui::TWndMethod old = probe->WindowProc();
    probe->SetWindowProc([old](gui::TMessage& msg) { old(msg); });
    HWND probeWindow = probe->Handle();
    HWND bareWindow = CreateWindowExW(0, L"SerplowBenchProbe", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    LRESULT check = 0;
    auto send = [&check](HWND window) {
        for (int i = 0; i < kMessages; ++i) check += SendMessageW(window, WM_BENCH, 1, 0);
    };
    send(probeWindow);
    send(bareWindow);
    const double libraryMessages = MedianMs(15, [&] { send(probeWindow); });
    const double bareMessages = MedianMs(15, [&] { send(bareWindow); });
    // Both chains add 2 per message; each side sent 16 rounds.
    if (check != 2 * 16 * 2 * static_cast<LRESULT>(kMessages))
        std::printf("unexpected results (%lld)\n", static_cast<long long>(check));

    std::printf(
        "gui_bench: median times, the class library beside the same work in bare Win32 calls\n");
    std::printf("%-58s %12s %12s %7s\n", "", "library", "bare Win32", "ratio");
    Row("form of 60 controls from its layout: make, show, paint, free", libraryForm, bareForm);
    Row("10000 messages through a control's handler chain", libraryMessages, bareMessages);

    DestroyWindow(bareWindow);
    DeleteObject(font);
    gui::shutdown();
    return 0;
}
