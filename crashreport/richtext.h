#pragma once

// The report's text in rich-text form for the dialog's pages (colours for
// titles, labels and values), and in HTML for web programs' error pages.

#include <string>
#include <string_view>

namespace crashreport {

// Backslashes and braces escaped; each CR LF becomes "\par" and CR LF.
std::string EscapeRtf(std::string_view text);

// "&", quotes, "<", ">", double blanks and line ends as HTML.
std::string EscapeHtml(std::string_view text);

// A rich-text document of `body` in one fixed-width font and the report's
// colour table (1 teal titles, 2 black, 3 dark grey, 4 dark blue values).
std::string RtfDocument(std::string_view body, int charset, std::string_view fontName,
                        int fontPoints);

// The header text's lines: the first line and the section titles in bold,
// dash lines grey, labels black and values blue.
std::string GeneralPageRtf(std::string_view headerText);

// The CPU text's lines: registers' values in blue; the stack and dump
// columns separated by a tab stop at `stackColumnPixels` (the width of the
// stack columns in the dialog's font).
std::string CpuPageRtf(std::string_view cpuText, int stackColumnPixels);

}  // namespace crashreport
