#pragma once

// The Windows headers as the class library includes them. The generic
// names that the headers define as macros for their A/W pairs and that the
// class library uses for its own methods are undefined here; the library
// always calls the W functions by their full names.

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#undef TextOut
#undef DrawText
#undef MessageBox
#undef GetClassInfo
#undef CreateWindow
#undef LoadImage
#undef FindText
#undef GetObject
#undef CreateFont
