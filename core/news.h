#pragma once

// The maker's news page and version file (core/maker.h), both fetched over
// plain HTTP on the main thread through the proxy of the settings. Before a
// check the news page is fetched and, when its text and its date line are
// new, kept in TempDir + "newsblock.txt" and flagged to be shown
// (NeedToShowNews); after a check the version file tells whether a newer
// version exists. Neither check raises for what the server answers:
// failures leave things as they were, with a line in the check log
// (CoreCallbacks::LogLine) where something was wrong with the answer.

#include <string>
#include <string_view>

namespace net {
class THTTPSend;
}

namespace core {

inline constexpr std::string_view kNewsPath = "/serplow_news.txt";
inline constexpr std::string_view kVersionPath = "/serplow-ver.txt";
// The HTTP client's wait for each step of a news or version request,
// milliseconds: the main thread waits meanwhile.
inline constexpr int kMakerTimeout = 10000;

// The kept copy of the news page: TempDir + "newsblock.txt".
[[nodiscard]] std::u16string NewsFileName();

// The news check: when DownloadNews finds a new page, it is written to the
// kept copy, NeedToShowNews is set and the settings are saved. A copy that
// cannot be written is logged; the page is shown from NewsText all the
// same.
void FetchNews();

// Fetches the news page with `client`. Only a status 200 answer with a body
// counts: NewsText is first refreshed from the kept copy when there is one;
// when the body differs from it, NewsText becomes the body and the answer is
// UpdateNewsDate's. False for everything else; `body` is the answer's body.
[[nodiscard]] bool DownloadNews(net::THTTPSend& client, std::string& body);

// `headers`: the answer's head lines joined with CR LF. Takes the whole
// "Last-Modified:" line, else the "Date:" line (names in any letter case);
// when it differs from LastNewsDate, it becomes LastNewsDate, the settings
// are saved and the answer is true. False without such a line.
[[nodiscard]] bool UpdateNewsDate(std::string_view headers);

// The version check: fetches the version file and, when its first line is
// a newer version than kProgramVersion, sets NewVersionText to the question
// with the file's other lines and answers true. A network failure, a status
// other than 200 and a file whose first line is no version answer false
// (the last with a log line).
[[nodiscard]] bool CheckNewVersion();

// Versions are four decimal numbers separated by "."; `remote` is newer when
// it is greater component by component in order (2.6.0.0 and 3.0.0.0 are
// newer than 2.5.32.93). A text that is no version is never newer, nor
// newer than.
[[nodiscard]] bool IsNewerVersion(std::string_view remote, std::string_view own);

// Whether a link of the news page may be opened: http, https and mailto
// addresses only.
[[nodiscard]] bool IsNewsLinkAllowed(std::string_view url);

}  // namespace core
