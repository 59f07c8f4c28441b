#pragma once

// The program's name and version as the windows show them, and the maker's
// addresses that its links open.

#include <string>

namespace ui {

inline constexpr const char* ProgramName = "Serplow";
inline constexpr const char* ProgramVersion = "2.5.32.93";

// The maker's web address as the windows show it, and its support mailbox.
inline constexpr const char* MakerWebAddress = "www.tarvenixco.example";
inline constexpr const char* MakerSupportAddress = "support@tarvenixco.example";

// A page of the maker's web site: "http://", the web address, then `path`
// (which starts with "/").
std::string MakerPage(const std::string& path);
// The home page, as the program's links open it.
std::string MakerHomePage();

// Opens a page or a "mailto:" link with the shell's "open" verb, owned by
// the desktop, in a normal window (through the desktop services). Anything
// but an http, https or mailto address is not opened.
void OpenLink(const std::string& target);

// A link clicked on the maker's news page, which comes from the network:
// only web and mail addresses are opened (a file, a program or a script
// address is not run). Answers whether it was opened; the viewer follows
// none of them itself either way.
bool OpenNewsLink(const std::string& target);

}  // namespace ui
