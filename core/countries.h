#pragma once

// The country and language restrictions of the SOAP search interface: the
// program's tables of country and language names with the interface's
// codes ("countryDE", "lang_de"), and the lookup that makes a TCountry of
// a pair of names.

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace core {

class TCountry {
  public:
    TCountry(std::string countryName, std::string countryCode, std::string langName,
             std::string langCode)
        : CountryName(std::move(countryName)),
          CountryCode(std::move(countryCode)),
          LangName(std::move(langName)),
          LangCode(std::move(langCode)) {}

    std::string CountryName;
    std::string CountryCode;
    std::string LangName;
    std::string LangCode;  // empty for languages the interface cannot restrict to
};

// One row of the tables: a name and its restrict code.
struct TCountryRow {
    std::string_view Name;
    std::string_view Code;
};

class TCountryFactory {
  public:
    // The countries and the languages, in table order.
    [[nodiscard]] static std::span<const TCountryRow> Countries();
    [[nodiscard]] static std::span<const TCountryRow> Languages();

    // A new TCountry with the names as given and the codes of the rows that
    // match them without regard to case (the locale's comparison); none
    // when the country or the language is not in the tables.
    [[nodiscard]] std::unique_ptr<TCountry> Find(std::string_view country,
                                                 std::string_view lang) const;
};

}  // namespace core
