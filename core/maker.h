#pragma once

// The maker's web server, which keeps the news page, the version file and
// the home page, and the program's own version as the version file
// compares it.

#include <string>
#include <string_view>

namespace core {

// The maker's host name.
inline constexpr const char* kMakerHost = "www.serplow.com";
// The environment variable that names another host (with ":port" when
// needed), so that tests talk to a local server.
inline constexpr const char* kMakerHostVariable = "SERPLOW_MAKER_HOST";

// The program's version: four decimal numbers.
inline constexpr const char* kProgramVersion = "2.5.32.93";

// kMakerHost, or the value of SERPLOW_MAKER_HOST when it is set and not
// empty.
[[nodiscard]] std::string MakerHost();
// The maker's web address: "http://" and MakerHost(), without a path.
[[nodiscard]] std::string MakerWebAddress();
// A page of the maker's server: MakerWebAddress() + `path` (which starts
// with "/").
[[nodiscard]] std::string MakerURL(std::string_view path);

}  // namespace core
