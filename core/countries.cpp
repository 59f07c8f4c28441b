#include "core/countries.h"

#include <array>

#include "runtime/strings.h"

namespace core {

namespace {

constexpr std::array kCountries = {
    TCountryRow{"Argentina", "countryAR"},      TCountryRow{"Austria", "countryAT"},
    TCountryRow{"Australia", "countryAU"},      TCountryRow{"Belgium", "countryBE"},
    TCountryRow{"Bolivia", "countryBO"},        TCountryRow{"Brazil", "countryBR"},
    TCountryRow{"Canada", "countryCA"},         TCountryRow{"Costa Rica", "countryCR"},
    TCountryRow{"Cuba", "countryCU"},           TCountryRow{"Denmark", "countryDK"},
    TCountryRow{"Ecuador", "countryEC"},        TCountryRow{"Fiji", "countryFJ"},
    TCountryRow{"Finland", "countryFI"},        TCountryRow{"France", "countryFR"},
    TCountryRow{"Germany", "countryDE"},        TCountryRow{"Guatemala", "countryGT"},
    TCountryRow{"Hungary", "countryHU"},        TCountryRow{"India", "countryIN"},
    TCountryRow{"Indonesia", "countryID"},      TCountryRow{"Ireland", "countryIE"},
    TCountryRow{"Israel", "countryIL"},         TCountryRow{"Italy", "countryIT"},
    TCountryRow{"Jamaica", "countryJM"},        TCountryRow{"Japan", "countryJP"},
    TCountryRow{"Luxemburg", "countryLU"},      TCountryRow{"Malaysia", "countryMY"},
    TCountryRow{"Malta", "countryMT"},          TCountryRow{"Mexico", "countryMX"},
    TCountryRow{"Netherlands", "countryNL"},    TCountryRow{"New Zealand", "countryNZ"},
    TCountryRow{"Norway", "countryNO"},         TCountryRow{"Panama", "countryPA"},
    TCountryRow{"Poland", "countryPL"},         TCountryRow{"Portugal", "countryPT"},
    TCountryRow{"Romania", "countryRO"},        TCountryRow{"Russia", "countryRU"},
    TCountryRow{"Senegal", "countrySN"},        TCountryRow{"Seychelles", "countrySC"},
    TCountryRow{"Singapore", "countrySG"},      TCountryRow{"South Africa", "countryZA"},
    TCountryRow{"Spain", "countryES"},          TCountryRow{"Sweden", "countrySE"},
    TCountryRow{"Switzerland", "countryCH"},    TCountryRow{"Taiwan", "countryTW"},
    TCountryRow{"Thailand", "countryTH"},       TCountryRow{"Turkey", "countryTR"},
    TCountryRow{"United Kingdom", "countryUK"}, TCountryRow{"USA", "countryUS"},
    TCountryRow{"Vietnam", "countryVN"},
};
static_assert(kCountries.size() == 49);

constexpr std::array kLanguages = {
    TCountryRow{"None", ""},
    TCountryRow{"Arabic", "lang_ar"},
    TCountryRow{"Chinese (S)", "lang_zh-CN"},
    TCountryRow{"Chinese (T)", "lang_zh-TW"},
    TCountryRow{"Czech", "lang_cs"},
    TCountryRow{"Danish", "lang_da"},
    TCountryRow{"Dutch", "lang_nl"},
    TCountryRow{"English", "lang_en"},
    TCountryRow{"Estonian", "lang_et"},
    TCountryRow{"Finnish", "lang_fi"},
    TCountryRow{"French", "lang_fr"},
    TCountryRow{"German", "lang_de"},
    TCountryRow{"Greek", "lang_el"},
    TCountryRow{"Hebrew", "lang_iw"},
    TCountryRow{"Hungarian", "lang_hu"},
    TCountryRow{"Icelandic", "lang_is"},
    TCountryRow{"Italian", "lang_it"},
    TCountryRow{"Japanese", "lang_ja"},
    TCountryRow{"Korean", "lang_ko"},
    TCountryRow{"Latvian", "lang_lv"},
    TCountryRow{"Lithuanian", "lang_lt"},
    TCountryRow{"Norwegian", "lang_no"},
    TCountryRow{"Portuguese", "lang_pt"},
    TCountryRow{"Polish", "lang_pl"},
    TCountryRow{"Romanian", "lang_ro"},
    TCountryRow{"Russian", "lang_ru"},
    TCountryRow{"Spanish", "lang_es"},
    TCountryRow{"Swedish", "lang_sv"},
    TCountryRow{"Thai", ""},
    TCountryRow{"Turkish", "lang_tr"},
    TCountryRow{"Vietnamese", "lang_vn"},
};
static_assert(kLanguages.size() == 31);

const TCountryRow* FindRow(std::span<const TCountryRow> rows, std::string_view name) {
    for (const TCountryRow& row : rows) {
        if (runtime::AnsiSameText(row.Name, name)) return &row;
    }
    return nullptr;
}

}  // namespace

std::span<const TCountryRow> TCountryFactory::Countries() {
    return kCountries;
}

std::span<const TCountryRow> TCountryFactory::Languages() {
    return kLanguages;
}

std::unique_ptr<TCountry> TCountryFactory::Find(std::string_view country,
                                                std::string_view lang) const {
    const TCountryRow* countryRow = FindRow(kCountries, country);
    const TCountryRow* langRow = FindRow(kLanguages, lang);
    if (countryRow == nullptr || langRow == nullptr) return nullptr;
    return std::make_unique<TCountry>(std::string(country), std::string(countryRow->Code),
                                      std::string(lang), std::string(langRow->Code));
}

}  // namespace core
