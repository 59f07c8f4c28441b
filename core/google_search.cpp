#include "core/google_search.h"

#include <array>
#include <cassert>
#include <initializer_list>
#include <span>

#include "core/soap_client.h"
#include "core/soap_message.h"
#include "runtime/strings.h"

namespace core {

namespace {

// ---- the interface's operations, in the order it declares them ----------------

struct TParam {
    std::string_view Name;
    TSoapType Type;
};

constexpr std::array kCachedPageParams = {
    TParam{"key", TSoapType::String},
    TParam{"url", TSoapType::String},
};
constexpr std::array kSpellingParams = {
    TParam{"key", TSoapType::String},
    TParam{"phrase", TSoapType::String},
};
constexpr std::array kSearchParams = {
    TParam{"key", TSoapType::String},         TParam{"q", TSoapType::String},
    TParam{"start", TSoapType::Int},          TParam{"maxResults", TSoapType::Int},
    TParam{"filter", TSoapType::Boolean},     TParam{"restrict", TSoapType::String},
    TParam{"safeSearch", TSoapType::Boolean}, TParam{"lr", TSoapType::String},
    TParam{"ie", TSoapType::String},          TParam{"oe", TSoapType::String},
};
static_assert(kSearchParams.size() == 10);

enum class TOperation { GetCachedPage, SpellingSuggestion, GoogleSearch };

struct TOperationInfo {
    std::string_view Name;
    std::span<const TParam> Params;
};

constexpr std::array kOperations = {
    TOperationInfo{"doGetCachedPage", kCachedPageParams},
    TOperationInfo{"doSpellingSuggestion", kSpellingParams},
    TOperationInfo{"doGoogleSearch", kSearchParams},
};
static_assert(kOperations.size() == static_cast<size_t>(TOperation::GoogleSearch) + 1);

std::u16string IntText(int32_t value) {
    return runtime::AnsiToWide(std::to_string(value));
}

std::u16string BoolText(bool value) {
    return value ? u"true" : u"false";
}

TSoapValue Call(TSoapClient& client, TOperation operation,
                std::initializer_list<std::u16string> values) {
    const TOperationInfo& info = kOperations[static_cast<size_t>(operation)];
    assert(values.size() == info.Params.size());
    TSoapCall call{kGoogleSearchNamespace, info.Name, {}};
    call.Arguments.reserve(values.size());
    const std::u16string* value = values.begin();
    for (const TParam& param : info.Params) {
        call.Arguments.push_back({param.Name, param.Type, *value++});
    }
    return client.Invoke(call);
}

// ---- the remotable types ---------------------------------------------------------

// A value whose xsi:type names another type than the binding's is refused;
// one without a type is taken as the binding's.
void ExpectType(const TSoapValue& value, std::u16string_view type) {
    if (value.Type.empty() || value.Type == type) return;
    // Arrays may be typed as SOAP-ENC:Array.
    if (type.ends_with(u"Array") && value.Type == u"Array") return;
    throw ESoapError("The answer's " + runtime::WideToAnsi(value.Name) + " is of the type " +
                     runtime::WideToAnsi(value.Type) + ", not " + runtime::WideToAnsi(type));
}

std::u16string Text(const TSoapValue& value, std::u16string_view member) {
    const TSoapValue* found = value.Member(member);
    return found != nullptr ? found->Text : std::u16string();
}

bool Boolean(const TSoapValue& value, std::u16string_view member) {
    const TSoapValue* found = value.Member(member);
    return found != nullptr && found->AsBoolean();
}

int32_t Int(const TSoapValue& value, std::u16string_view member) {
    const TSoapValue* found = value.Member(member);
    return found != nullptr ? found->AsInt() : 0;
}

DirectoryCategory ReadCategory(const TSoapValue& value) {
    ExpectType(value, u"DirectoryCategory");
    return {Text(value, u"fullViewableName"), Text(value, u"specialEncoding")};
}

ResultElement ReadElement(const TSoapValue& value) {
    ExpectType(value, u"ResultElement");
    ResultElement element;
    element.summary = Text(value, u"summary");
    element.URL = Text(value, u"URL");
    element.snippet = Text(value, u"snippet");
    element.title = Text(value, u"title");
    element.cachedSize = Text(value, u"cachedSize");
    element.relatedInformationPresent = Boolean(value, u"relatedInformationPresent");
    element.hostName = Text(value, u"hostName");
    if (const TSoapValue* category = value.Member(u"directoryCategory")) {
        element.directoryCategory = ReadCategory(*category);
    }
    element.directoryTitle = Text(value, u"directoryTitle");
    return element;
}

// The items of an array member; none when the member is missing or nil.
template <class Item, class ReadItem>
std::vector<Item> ReadArray(const TSoapValue& value, std::u16string_view member,
                            std::u16string_view type, ReadItem readItem) {
    std::vector<Item> items;
    const TSoapValue* array = value.Member(member);
    if (array == nullptr) return items;
    ExpectType(*array, type);
    items.reserve(array->Children.size());
    for (const TSoapValue& item : array->Children) items.push_back(readItem(item));
    return items;
}

GoogleSearchResult ReadSearchResult(const TSoapValue& value) {
    ExpectType(value, u"GoogleSearchResult");
    GoogleSearchResult result;
    result.documentFiltering = Boolean(value, u"documentFiltering");
    result.searchComments = Text(value, u"searchComments");
    result.estimatedTotalResultsCount = Int(value, u"estimatedTotalResultsCount");
    result.estimateIsExact = Boolean(value, u"estimateIsExact");
    result.resultElements =
        ReadArray<ResultElement>(value, u"resultElements", u"ResultElementArray", ReadElement);
    result.searchQuery = Text(value, u"searchQuery");
    result.startIndex = Int(value, u"startIndex");
    result.endIndex = Int(value, u"endIndex");
    result.searchTips = Text(value, u"searchTips");
    result.directoryCategories = ReadArray<DirectoryCategory>(
        value, u"directoryCategories", u"DirectoryCategoryArray", ReadCategory);
    if (const TSoapValue* time = value.Member(u"searchTime")) result.searchTime = time->AsDouble();
    return result;
}

}  // namespace

GoogleSearchPort::GoogleSearchPort(TSoapClient& client) : client_(&client) {}

GoogleSearchPort::GoogleSearchPort(std::unique_ptr<TSoapClient> client)
    : own_(std::move(client)), client_(own_.get()) {}

GoogleSearchPort::~GoogleSearchPort() = default;

std::string GoogleSearchPort::doGetCachedPage(std::u16string_view key, std::u16string_view url) {
    return Call(*client_, TOperation::GetCachedPage, {std::u16string(key), std::u16string(url)})
        .AsBase64();
}

std::u16string GoogleSearchPort::doSpellingSuggestion(std::u16string_view key,
                                                      std::u16string_view phrase) {
    return Call(*client_, TOperation::SpellingSuggestion,
                {std::u16string(key), std::u16string(phrase)})
        .Text;
}

GoogleSearchResult GoogleSearchPort::doGoogleSearch(std::u16string_view key, std::u16string_view q,
                                                    int32_t start, int32_t maxResults, bool filter,
                                                    std::u16string_view restrict, bool safeSearch,
                                                    std::u16string_view lr, std::u16string_view ie,
                                                    std::u16string_view oe) {
    const TSoapValue value =
        Call(*client_, TOperation::GoogleSearch,
             {std::u16string(key), std::u16string(q), IntText(start), IntText(maxResults),
              BoolText(filter), std::u16string(restrict), BoolText(safeSearch), std::u16string(lr),
              std::u16string(ie), std::u16string(oe)});
    return ReadSearchResult(value);
}

std::unique_ptr<GoogleSearchPort> GetGoogleSearchPort(bool useWSDL, const std::string& addr,
                                                      TSoapClient* client) {
    auto port = client != nullptr
                    ? std::make_unique<GoogleSearchPort>(*client)
                    : std::make_unique<GoogleSearchPort>(std::make_unique<TSoapClient>());
    TSoapClient& bound = port->Client();
    if (useWSDL) {
        const std::string description = bound.Get(addr.empty() ? kGoogleSearchWSDL : addr);
        bound.URL = ReadWsdlAddress(description, kGoogleSearchService, kGoogleSearchPortName);
    } else {
        bound.URL = addr.empty() ? kGoogleSearchEndpoint : addr;
    }
    bound.SOAPAction = kGoogleSearchAction;
    return port;
}

}  // namespace core
