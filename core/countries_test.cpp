#include "core/countries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/soap_road.h"

namespace core {
namespace {

struct NameCode {
    std::string name, code;
};

// The search interface's restrict codes, written out here once more.
const std::vector<NameCode> kExpectedCountries = {
    {"Argentina", "countryAR"},    {"Austria", "countryAT"},        {"Australia", "countryAU"},
    {"Belgium", "countryBE"},      {"Bolivia", "countryBO"},        {"Brazil", "countryBR"},
    {"Canada", "countryCA"},       {"Costa Rica", "countryCR"},     {"Cuba", "countryCU"},
    {"Denmark", "countryDK"},      {"Ecuador", "countryEC"},        {"Fiji", "countryFJ"},
    {"Finland", "countryFI"},      {"France", "countryFR"},         {"Germany", "countryDE"},
    {"Guatemala", "countryGT"},    {"Hungary", "countryHU"},        {"India", "countryIN"},
    {"Indonesia", "countryID"},    {"Ireland", "countryIE"},        {"Israel", "countryIL"},
    {"Italy", "countryIT"},        {"Jamaica", "countryJM"},        {"Japan", "countryJP"},
    {"Luxemburg", "countryLU"},    {"Malaysia", "countryMY"},       {"Malta", "countryMT"},
    {"Mexico", "countryMX"},       {"Netherlands", "countryNL"},    {"New Zealand", "countryNZ"},
    {"Norway", "countryNO"},       {"Panama", "countryPA"},         {"Poland", "countryPL"},
    {"Portugal", "countryPT"},     {"Romania", "countryRO"},        {"Russia", "countryRU"},
    {"Senegal", "countrySN"},      {"Seychelles", "countrySC"},     {"Singapore", "countrySG"},
    {"South Africa", "countryZA"}, {"Spain", "countryES"},          {"Sweden", "countrySE"},
    {"Switzerland", "countryCH"},  {"Taiwan", "countryTW"},         {"Thailand", "countryTH"},
    {"Turkey", "countryTR"},       {"United Kingdom", "countryUK"}, {"USA", "countryUS"},
    {"Vietnam", "countryVN"},
};

const std::vector<NameCode> kExpectedLanguages = {
    {"None", ""},
    {"Arabic", "lang_ar"},
    {"Chinese (S)", "lang_zh-CN"},
    {"Chinese (T)", "lang_zh-TW"},
    {"Czech", "lang_cs"},
    {"Danish", "lang_da"},
    {"Dutch", "lang_nl"},
    {"English", "lang_en"},
    {"Estonian", "lang_et"},
    {"Finnish", "lang_fi"},
    {"French", "lang_fr"},
    {"German", "lang_de"},
    {"Greek", "lang_el"},
    {"Hebrew", "lang_iw"},
    {"Hungarian", "lang_hu"},
    {"Icelandic", "lang_is"},
    {"Italian", "lang_it"},
    {"Japanese", "lang_ja"},
    {"Korean", "lang_ko"},
    {"Latvian", "lang_lv"},
    {"Lithuanian", "lang_lt"},
    {"Norwegian", "lang_no"},
    {"Portuguese", "lang_pt"},
    {"Polish", "lang_pl"},
    {"Romanian", "lang_ro"},
    {"Russian", "lang_ru"},
    {"Spanish", "lang_es"},
    {"Swedish", "lang_sv"},
    {"Thai", ""},
    {"Turkish", "lang_tr"},
    {"Vietnamese", "lang_vn"},
};

TEST(CountryTest, TablesHoldEveryRowInOrder) {
    const TCountryFactory factory;
    ASSERT_EQ(TCountryFactory::Countries().size(), kExpectedCountries.size());
    ASSERT_EQ(TCountryFactory::Languages().size(), kExpectedLanguages.size());
    for (size_t i = 0; i < kExpectedCountries.size(); ++i) {
        const NameCode& row = kExpectedCountries[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(TCountryFactory::Countries()[i].Name, row.name);
        EXPECT_EQ(TCountryFactory::Countries()[i].Code, row.code);
        const auto found = factory.Find(row.name, "English");
        ASSERT_TRUE(found);
        EXPECT_EQ(found->CountryCode, row.code);
        EXPECT_EQ(found->LangCode, "lang_en");
    }
    for (size_t i = 0; i < kExpectedLanguages.size(); ++i) {
        const NameCode& row = kExpectedLanguages[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(TCountryFactory::Languages()[i].Name, row.name);
        EXPECT_EQ(TCountryFactory::Languages()[i].Code, row.code);
        const auto found = factory.Find("USA", row.name);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->CountryCode, "countryUS");
        EXPECT_EQ(found->LangCode, row.code);
    }
}

TEST(CountryTest, FindIgnoresCaseAndRefusesUnknownNames) {
    struct Row {
        std::string country, lang;
        bool found;
        std::string countryCode, langCode;
    };
    const Row rows[] = {
        {"usa", "english", true, "countryUS", "lang_en"},
        {"GERMANY", "Thai", true, "countryDE", ""},
        {"new zealand", "chinese (t)", true, "countryNZ", "lang_zh-TW"},
        {"Atlantis", "English", false, "", ""},
        {"USA", "Klingon", false, "", ""},
        {"", "English", false, "", ""},
        {"USA ", "English", false, "", ""},
    };
    const TCountryFactory factory;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.country + "/" + row.lang);
        const auto found = factory.Find(row.country, row.lang);
        ASSERT_EQ(found != nullptr, row.found);
        if (!found) continue;
        // The names as asked for, the codes of the rows.
        EXPECT_EQ(found->CountryName, row.country);
        EXPECT_EQ(found->LangName, row.lang);
        EXPECT_EQ(found->CountryCode, row.countryCode);
        EXPECT_EQ(found->LangCode, row.langCode);
    }
}

TEST(CountryTest, RestrictIsTheCountryCodeButForTheUSAndUnknownNames) {
    struct Row {
        std::string country, lang, restrict;
    };
    const Row rows[] = {
        {"USA", "English", ""},           {"Germany", "German", "countryDE"},
        {"Germany", "Thai", "countryDE"}, {"united kingdom", "English", "countryUK"},
        {"Atlantis", "English", ""},      {"Germany", "Klingon", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.country + "/" + row.lang);
        EXPECT_EQ(SoapRestrict(row.country, row.lang), row.restrict);
    }
}

}  // namespace
}  // namespace core
