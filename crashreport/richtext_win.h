#pragma once

// Rich-edit controls of the report dialog's pages.

#include <windows.h>

#include <cstdint>
#include <string>

namespace crashreport {

// Streams rich text into a rich-edit control; false when it refuses.
bool LoadRtf(HWND control, const std::string& rtf);
// The control's background: a colour, or a system colour (negative: its
// index in the low byte).
void SetRichEditBackground(HWND control, int32_t colour);
// The character set of the system's default ANSI code page.
int SystemCharset();

}  // namespace crashreport
