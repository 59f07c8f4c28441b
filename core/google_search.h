#pragma once

// The binding of the SOAP search interface: the port GoogleSearchPort in
// the namespace "urn:GoogleSearch" with its three operations, and the
// remotable types its answers are read into.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {

class TSoapClient;

inline constexpr std::string_view kGoogleSearchNamespace = "urn:GoogleSearch";
inline constexpr std::string_view kGoogleSearchAction = "urn:GoogleSearchAction";
// The service's SOAP endpoint, and its description with the service and
// port that name the endpoint there.
inline constexpr const char* kGoogleSearchEndpoint = "http://api.google.com/search/beta2";
inline constexpr const char* kGoogleSearchWSDL = "http://api.google.com/GoogleSearch.wsdl";
inline constexpr std::u16string_view kGoogleSearchService = u"GoogleSearchService";
inline constexpr std::u16string_view kGoogleSearchPortName = u"GoogleSearchPort";

struct DirectoryCategory {
    std::u16string fullViewableName;
    std::u16string specialEncoding;
};

struct ResultElement {
    std::u16string summary;
    std::u16string URL;
    std::u16string snippet;
    std::u16string title;
    std::u16string cachedSize;
    bool relatedInformationPresent = false;
    std::u16string hostName;
    DirectoryCategory directoryCategory;
    std::u16string directoryTitle;
};

using ResultElementArray = std::vector<ResultElement>;
using DirectoryCategoryArray = std::vector<DirectoryCategory>;

struct GoogleSearchResult {
    bool documentFiltering = false;
    std::u16string searchComments;
    int32_t estimatedTotalResultsCount = 0;
    bool estimateIsExact = false;
    ResultElementArray resultElements;
    std::u16string searchQuery;
    int32_t startIndex = 0;
    int32_t endIndex = 0;
    std::u16string searchTips;
    DirectoryCategoryArray directoryCategories;
    double searchTime = 0;
};

// The port, calling through a SOAP client. Every operation raises
// ESoapFault for a fault the service answers and ESoapError for every
// other failure (core/soap_message.h).
class GoogleSearchPort {
  public:
    // Calls through `client`, which must outlive the port.
    explicit GoogleSearchPort(TSoapClient& client);
    // Calls through its own client.
    explicit GoogleSearchPort(std::unique_ptr<TSoapClient> client);
    ~GoogleSearchPort();
    GoogleSearchPort(const GoogleSearchPort&) = delete;
    GoogleSearchPort& operator=(const GoogleSearchPort&) = delete;

    // The page as the service keeps it, as bytes.
    std::string doGetCachedPage(std::u16string_view key, std::u16string_view url);
    std::u16string doSpellingSuggestion(std::u16string_view key, std::u16string_view phrase);
    GoogleSearchResult doGoogleSearch(std::u16string_view key, std::u16string_view q, int32_t start,
                                      int32_t maxResults, bool filter, std::u16string_view restrict,
                                      bool safeSearch, std::u16string_view lr,
                                      std::u16string_view ie, std::u16string_view oe);

    [[nodiscard]] TSoapClient& Client() const { return *client_; }

  private:
    std::unique_ptr<TSoapClient> own_;
    TSoapClient* client_;
};

// Binds a SOAP client to the port. Without a WSDL the target is `addr`, or
// the service's endpoint when `addr` is empty; with one (`useWSDL`) the
// target is the endpoint that the description at `addr` (the service's own
// description when empty) gives the port GoogleSearchPort of the service
// GoogleSearchService. Without `client` the port makes a client of its own,
// which goes with a failed binding. ESoapError when the description cannot
// be read or names no such port.
std::unique_ptr<GoogleSearchPort> GetGoogleSearchPort(bool useWSDL, const std::string& addr,
                                                      TSoapClient* client);

}  // namespace core
