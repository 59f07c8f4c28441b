#pragma once

// The SOAP road of a site check: when the user has switched the SOAP key on
// (GoogleKeyActive), CheckSite checks the keywords through the search
// interface's doGoogleSearch instead of engine scripts, on the main thread,
// page by page, ten results a page, restricted to the country of
// CurrentEngine. Every active keyword is reported through KeywordDone like
// on the script road: " - OK" when all its pages came, " - Failed: " and
// the reason when a call failed, the keyword then unchanged. A "Daily
// limit" fault stops the check after its keyword with a notice.

#include <functional>
#include <string>
#include <string_view>

#include "core/search.h"

namespace core {

class TSite;
class GoogleSearchPort;

// The results one call asks for, and the least depth that makes a call.
inline constexpr int kSoapPageSize = 10;

// The notice of a used-up daily limit, and its caption.
inline constexpr const char* kDailyLimitMessage =
    "Sorry, but your daily limit of 1000 queries per day exeeded for this Google key.\r\n"
    "Please try another day or use another Google key or try to disable Google key usage in "
    "Options";
inline constexpr const char* kDailyLimitCaption = "Daily limit exceeded";

// The restrict argument for an engine's country and language: the country's
// code, empty for "USA" and for a country or language the tables do not
// know.
[[nodiscard]] std::string SoapRestrict(std::string_view country, std::string_view lang);

// Searches one keyword page by page into `search` (Links, Succeeded,
// Reason) with the key of the settings: at most `depth` div 10 pages,
// ending after a page of fewer than ten results. `pending` runs after every
// page and answers false when the keyword is to end at once (the check was
// stopped or aborted): it then fails as "Stopped". A depth under ten makes
// no call and fails. Never raises for a failed call.
void SearchKeywordSoap(GoogleSearchPort& port, std::u16string_view keyword, int depth,
                       std::u16string_view restrict, const std::function<bool()>& pending,
                       TKeywordSearch& search);

// The road over the site's active keywords. `pending` lets the window
// process its messages and answers false when the check was aborted
// meanwhile; the road then returns false at once without touching the site
// again. Answers true when it went through (a stop included).
bool RunSoapRoad(TSite& site, const TCheckLimits& limits, const std::function<bool()>& pending);

}  // namespace core
