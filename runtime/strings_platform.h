#pragma once

// Internal seam between the portable text routines and their platform
// halves (*_posix.cpp natively, *_win.cpp on Windows). Not for other modules.

#include <string>
#include <string_view>

namespace runtime::detail {

// Simple case mapping of every UTF-16 code unit: 65536 entries each, built
// once on first use and never freed.
const char16_t* WideUpperTable();
const char16_t* WideLowerTable();

// True when every character of the system code page is one byte, so 8-bit
// case mapping can go byte by byte.
bool SystemCodePageIsSingleByte();

// A Windows date or time picture ("M/d/yyyy", "h:mm:ss tt", "dddd, d' de
// 'MMMM") in FormatDateTime notation ("m/d/yyyy", "h:nn:ss AMPM", ...).
std::string LocalePictureToFormat(std::string_view picture);
// The short time format derived from a long one: the seconds and the
// separator before them dropped ("h:nn:ss AMPM" -> "h:nn AMPM").
std::string ShortTimeFromLong(std::string_view longTimeFormat);

}  // namespace runtime::detail
