#include "crashreport/richtext_win.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace crashreport {

namespace {

struct StreamSource {
    const std::string* text;
    size_t position;
};

DWORD CALLBACK readRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t count =
        std::min<size_t>(static_cast<size_t>(wanted), source->text->size() - source->position);
    std::memcpy(buffer, source->text->data() + source->position, count);
    source->position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

bool LoadRtf(HWND control, const std::string& rtf) {
    StreamSource source{&rtf, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = readRtf;
    ::SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0;
}

void SetRichEditBackground(HWND control, int32_t colour) {
    const COLORREF value =
        colour < 0 ? ::GetSysColor(colour & 0xFF) : static_cast<COLORREF>(colour);
    ::SendMessageW(control, EM_SETBKGNDCOLOR, 0, value);
}

int SystemCharset() {
    char text[16] = {};
    UINT codePage = ::GetACP();
    if (::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text) >
        0) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text, &end, 10);
        if (end != text && *end == '\0') codePage = static_cast<UINT>(value);
    }
    CHARSETINFO info{};
    if (!::TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(codePage)), &info,
                                TCI_SRCCODEPAGE)) {
        return DEFAULT_CHARSET;
    }
    return static_cast<int>(info.ciCharset);
}

}  // namespace crashreport
