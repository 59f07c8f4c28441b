#include "gui/desktop.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "gui/errors.h"
#include "gui/handles.h"
#include "runtime/strings.h"

namespace gui {

namespace {

const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

// The clipboard held open for one exchange. Another program may hold it
// for a moment, so opening tries a few times.
class TClipboardOpen {
  public:
    TClipboardOpen() {
        for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
            open_ = OpenClipboard(nullptr) != FALSE;
            if (!open_) ::Sleep(10);
        }
        if (!open_) RaiseLastWin32Error("Cannot open clipboard");
    }
    ~TClipboardOpen() {
        if (open_) CloseClipboard();
    }
    TClipboardOpen(const TClipboardOpen&) = delete;
    TClipboardOpen& operator=(const TClipboardOpen&) = delete;

  private:
    bool open_ = false;
};

void PutData(UINT format, const void* data, size_t bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) RaiseLastWin32Error("Cannot put text on the clipboard");
    std::memcpy(GlobalLock(memory), data, bytes);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory) == nullptr) {
        GlobalFree(memory);
        RaiseLastWin32Error("Cannot put text on the clipboard");
    }
}

// "a|b|c|d" -> "a\0b\0c\0d\0\0", as the common dialogs take filters.
std::u16string DialogFilter(const std::u16string& filter) {
    std::u16string out = filter;
    for (char16_t& c : out)
        if (c == u'|') c = u'\0';
    out.push_back(u'\0');
    out.push_back(u'\0');
    return out;
}

class TWindowsDesktop final : public IDesktop {
  public:
    int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT flags) override {
        return MessageBoxW(owner, W(text), W(caption), flags);
    }

    bool FileDialog(TFileDialogRequest& request) override {
        std::u16string buffer(32768, u'\0');
        std::copy_n(request.FileName.begin(), std::min(request.FileName.size(), buffer.size() - 1),
                    buffer.begin());
        const std::u16string filter = DialogFilter(request.Filter);
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = request.Owner;
        ofn.lpstrFilter = request.Filter.empty() ? nullptr : W(filter);
        ofn.nFilterIndex = static_cast<DWORD>(request.FilterIndex);
        ofn.lpstrFile = reinterpret_cast<wchar_t*>(buffer.data());
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        ofn.lpstrInitialDir = request.InitialDir.empty() ? nullptr : W(request.InitialDir);
        ofn.lpstrTitle = request.Title.empty() ? nullptr : W(request.Title);
        ofn.lpstrDefExt = request.DefaultExt.empty() ? nullptr : W(request.DefaultExt);
        ofn.Flags = request.Flags | OFN_EXPLORER;
        const BOOL ok = request.Save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        if (!ok) return false;
        request.FilterIndex = static_cast<int>(ofn.nFilterIndex);
        request.Files.clear();
        const char16_t* p = buffer.data();
        std::u16string first(p);
        p += first.size() + 1;
        if ((request.Flags & OFN_ALLOWMULTISELECT) != 0 && *p != u'\0') {
            // A folder, then the names in it.
            while (*p != u'\0') {
                std::u16string name(p);
                p += name.size() + 1;
                request.Files.push_back(first + u"\\" + name);
            }
        } else {
            request.Files.push_back(first);
        }
        request.FileName = request.Files.front();
        return true;
    }

    bool ShellOpen(HWND owner, const std::u16string& target, const std::u16string& parameters,
                   int showCommand) override {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(owner, L"open", W(target), parameters.empty() ? nullptr : W(parameters),
                          nullptr, showCommand));
        return result > 32;
    }

    void SetClipboardText(const std::string& ansi, const std::u16string& wide) override {
        TClipboardOpen open;
        EmptyClipboard();
        PutData(CF_TEXT, ansi.c_str(), ansi.size() + 1);
        PutData(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    }

    std::optional<std::u16string> ClipboardText() override {
        TClipboardOpen open;
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (data == nullptr) return std::nullopt;
        const auto* text = static_cast<const char16_t*>(GlobalLock(data));
        if (text == nullptr) return std::nullopt;
        const size_t limit = GlobalSize(data) / sizeof(char16_t);
        size_t length = 0;
        while (length < limit && text[length] != u'\0') ++length;
        std::u16string result(text, length);
        GlobalUnlock(data);
        return result;
    }
};

TWindowsDesktop& RealDesktop() {
    static TWindowsDesktop desktop;
    return desktop;
}

IDesktop* g_desktop = nullptr;

}  // namespace

IDesktop& Desktop() {
    return g_desktop != nullptr ? *g_desktop : RealDesktop();
}

TDesktopOverride::TDesktopOverride(IDesktop& desktop) : previous_(g_desktop) {
    g_desktop = &desktop;
}

TDesktopOverride::~TDesktopOverride() {
    g_desktop = previous_;
}

}  // namespace gui
