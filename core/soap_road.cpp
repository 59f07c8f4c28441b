#include "core/soap_road.h"

#include <algorithm>
#include <memory>

#include "core/countries.h"
#include "core/engines.h"
#include "core/google_search.h"
#include "core/keyword.h"
#include "core/options.h"
#include "core/site.h"
#include "core/soap_client.h"
#include "core/state.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace core {

std::string SoapRestrict(std::string_view country, std::string_view lang) {
    const TCountryFactory local;
    const TCountryFactory& factory = CountryFactory ? *CountryFactory : local;
    const std::unique_ptr<TCountry> found = factory.Find(country, lang);
    if (!found || found->CountryCode == "countryUS") return {};
    return found->CountryCode;
}

void SearchKeywordSoap(GoogleSearchPort& port, std::u16string_view keyword, int depth,
                       std::u16string_view restrict, const std::function<bool()>& pending,
                       TKeywordSearch& search) {
    search.Links.Clear();
    search.Succeeded = false;
    search.Reason.clear();
    if (depth < kSoapPageSize) {
        search.Reason = "The search depth " + std::to_string(depth) +
                        " is under 10, the results of one page of the search interface";
        return;
    }
    const std::u16string key = runtime::AnsiToWide(Options ? Options->GoogleKey : std::string());
    const int pages = depth / kSoapPageSize;
    for (int page = 1; page <= pages; ++page) {
        GoogleSearchResult result;
        try {
            result = port.doGoogleSearch(key, keyword, (page - 1) * kSoapPageSize, kSoapPageSize,
                                         true, restrict, true, u"", u"UTF-8", u"UTF-8");
        } catch (const runtime::Exception& e) {
            search.Links.Clear();
            search.Reason = e.Message();
            return;
        }
        // A page is ten results, whatever more the service sends.
        const size_t count =
            std::min(result.resultElements.size(), static_cast<size_t>(kSoapPageSize));
        for (size_t i = 0; i < count; ++i) {
            const ResultElement& element = result.resultElements[i];
            search.Links.Add(std::make_unique<TLink>(
                element.URL, element.title, element.snippet,
                (page - 1) * kSoapPageSize + static_cast<int32_t>(i) + 1, page, -1.0));
        }
        if (!pending()) {
            search.Links.Clear();
            search.Reason = "Stopped";
            return;
        }
        if (count < static_cast<size_t>(kSoapPageSize)) break;
    }
    search.Succeeded = true;
}

bool RunSoapRoad(TSite& site, const TCheckLimits& limits, const std::function<bool()>& pending) {
    TSoapClient own;
    TSoapClient& client = SoapClient() != nullptr ? *SoapClient() : own;
    const std::unique_ptr<GoogleSearchPort> port =
        GetGoogleSearchPort(false, limits.SoapAddress, &client);
    client.Timeout = limits.FetchTimeout;
    const std::u16string restrict = runtime::AnsiToWide(
        CurrentEngine != nullptr ? SoapRestrict(CurrentEngine->Country, CurrentEngine->Lang)
                                 : std::string());
    const int depth = Options ? Options->SearchResults : 10;

    bool aborted = false;
    const auto keywordGoesOn = [&] {
        aborted = !pending();
        return !aborted && !site.Stop;
    };
    for (int i = 0; i < site.Keywords.Count(); ++i) {
        TKeyword& keyword = *site.Keywords.Items(i);
        CurrentKeyword = &keyword;
        if (!keyword.Active) continue;
        if (!keywordGoesOn()) break;

        TKeywordSearch search;
        SearchKeywordSoap(*port, keyword.Name, depth, restrict, keywordGoesOn, search);
        if (aborted) return false;
        const bool dailyLimit =
            !search.Succeeded && search.Reason.find("Daily limit") != std::string::npos;
        if (dailyLimit) site.Stop = true;
        const std::u16string line = RecordSearch(keyword, site.URL, search);
        // The window may end the check from here on: the site is not
        // touched again before pending() says it still stands.
        if (Callbacks.KeywordDone) Callbacks.KeywordDone(line);
        if (dailyLimit && Callbacks.ShowMessage) {
            Callbacks.ShowMessage(kDailyLimitMessage, kDailyLimitCaption, MessageKind::Information,
                                  MessageOwner::CheckProgress);
        }
        if (!pending()) return false;
    }
    return !aborted;
}

}  // namespace core
