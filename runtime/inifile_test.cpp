#include "runtime/inifile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/container_test_support.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace runtime {
namespace {

using Lines = std::vector<std::string>;

Lines lines(const TStrings& list) {
    Lines out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

// The fixtures beside this file (under Wine the folder lies on drive Z:).
// Named by the build, not by __FILE__, which a compiler cache may make relative.
std::filesystem::path testData(const char* name) {
    return std::filesystem::path(RUNTIME_TESTDATA_DIR) / name;
}

std::string utf16(std::u16string_view text, bool littleEndian) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        bytes += littleEndian ? low : high;
        bytes += littleEndian ? high : low;
    }
    return bytes;
}

// ---- the private-profile rules --------------------------------------------
//
// Every row was first observed with GetPrivateProfileStringW and
// WritePrivateProfileStringW under Wine 8; the Windows build checks the rows
// against those functions, the native build against our own implementation.

enum class Op { Read, Keys, Sections, Write, DeleteKey, Erase, File };

struct Step {
    Op op;
    std::string section;
    std::string key;
    std::string value;                // Read: the default; Write: the value
    Lines expected;                   // Read: the value; Keys, Sections: the names
    std::optional<std::string> file;  // File: the bytes (none: no file)
};

Step read(std::string section, std::string key, std::string expected, std::string def = "<def>") {
    return {Op::Read,       std::move(section),    std::move(key),
            std::move(def), {std::move(expected)}, {}};
}
Step keys(std::string section, Lines expected) {
    return {Op::Keys, std::move(section), {}, {}, std::move(expected), {}};
}
Step sections(Lines expected) {
    return {Op::Sections, {}, {}, {}, std::move(expected), {}};
}
Step write(std::string section, std::string key, std::string value) {
    return {Op::Write, std::move(section), std::move(key), std::move(value), {}, {}};
}
Step deleteKey(std::string section, std::string key) {
    return {Op::DeleteKey, std::move(section), std::move(key), {}, {}, {}};
}
Step erase(std::string section) {
    return {Op::Erase, std::move(section), {}, {}, {}, {}};
}
Step file(std::optional<std::string> bytes) {
    return {Op::File, {}, {}, {}, {}, std::move(bytes)};
}

struct ProfileCase {
    const char* name;
    std::optional<std::string> initial;  // none: no file
    std::vector<Step> steps;
};

void runSteps(TCustomIniFile& ini, const std::string& fileName, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1));
        TStringList names;
        switch (step.op) {
            case Op::Read:
                EXPECT_EQ(ini.ReadString(step.section, step.key, step.value), step.expected[0]);
                break;
            case Op::Keys:
                ini.ReadSection(step.section, names);
                EXPECT_EQ(lines(names), step.expected);
                break;
            case Op::Sections:
                ini.ReadSections(names);
                EXPECT_EQ(lines(names), step.expected);
                break;
            case Op::Write:
                ini.WriteString(step.section, step.key, step.value);
                break;
            case Op::DeleteKey:
                ini.DeleteKey(step.section, step.key);
                break;
            case Op::Erase:
                ini.EraseSection(step.section);
                break;
            case Op::File:
                if (step.file) {
                    EXPECT_EQ(testing::ReadBytes(fileName), *step.file);
                } else {
                    EXPECT_FALSE(testing::Exists(fileName));
                }
                break;
        }
    }
}

TEST(IniFileTest, FollowsThePrivateProfileRules) {
    const ProfileCase cases[] = {
        {"values",
         "[Sec]\r\n  a  =  1  \r\nb=\r\nc = 'q x' \r\nd=\"q\"\r\ne=\"q'\r\nf='\r\ng=\"\"\r\n"
         "h=\"a\" b \"c\"\r\n",
         {read("Sec", "a", "1"), read("sec", "A", "1"), read(" Sec ", " a ", "1"),
          read("Sec", "b", ""), read("Sec", "c", "q x"), read("Sec", "d", "q"),
          read("Sec", "e", "\"q'"), read("Sec", "f", "'"), read("Sec", "g", ""),
          read("Sec", "h", "a\" b \"c"), read("Sec", "zz", "  dflt", "  dflt  "),
          read("Sec", "zz", "x", "'x'"), read("Other", "a", "<def>"),
          keys("Sec", {"a", "b", "c", "d", "e", "f", "g", "h"}), sections({"Sec"})}},
        {"layout",
         "top=1\r\n;c=2\r\n[S]\r\nnoeq\r\n;comment=3\r\nk=1\r\nK=2\r\n# hash=4\r\n\r\n[S]\r\n"
         "k=3\r\nz=9\r\n[Empty]\r\n[ Sp ]\r\nx=1\r\n",
         {read("", "top", "1"), read("S", "noeq", "<def>"), read("S", ";comment", "3"),
          read("S", "k", "1"), read("S", "z", "<def>"), read("S", "# hash", "4"),
          keys("S", {"k", "K", "# hash"}), sections({"S", "S", "Empty", "Sp"}), keys("Empty", {}),
          keys("", {"top"}), keys(" S ", {}), read("Sp", "x", "1"), read(" Sp ", "x", "1")}},
        {"headers",
         "  [A]  \r\nx=1\r\n[B] junk\r\ny=2\r\n[C\r\nz=3\r\n[D]w=4\r\n[E]]\r\nv=5\r\n[ F G ]\r\n"
         "u=6\r\n",
         {sections({"A", "B", "D", "E]", "F G"}), read("B", "y", "2"), read("B", "z", "3"),
          read("C", "z", "<def>"), read("D", "w", "<def>"), read("E]", "v", "5"),
          read("F G", "u", "6"), read("F  G", "u", "<def>"), write("A", "n", "1"),
          file("[A]\r\nx=1\r\nn=1\r\n[B]\r\ny=2\r\n[C\r\nz=3\r\n[D]\r\n[E]]\r\nv=5\r\n[F G]\r\n"
               "u=6\r\n")}},
        {"key names",
         "[S]\r\na=b=c\r\n=empty\r\nmy key = v v \r\n\tt\t=\tx\t\r\nsemi=1 ;x\r\nq= ' x ' \r\n"
         "v\x0b=1\r\nf\x0c=2\r\ns\x1a=3\r\nn\xa0=4\r\n\xe9t\xe9=5\r\n\x01k=6\r\n",
         {read("S", "a", "b=c"), read("S", "", "empty"), read("S", "my key", "v v"),
          read("S", "t", "x"), read("S", "semi", "1 ;x"), read("S", "q", " x "),
          read("S", "v", "1"), read("S", "f", "2"), read("S", "s", "3"), read("S", "n", "<def>"),
          read("S", "n\xa0", "4"),
          read("S", "\xc9T\xc9", "<def>"),  // only ASCII letters match in any case
          read("S", "\xe9T\xe9", "5"), read("S", "\x01k", "6"),
          keys("S", {"a", "", "my key", "t", "semi", "q", "v", "f", "s", "n\xa0", "\xe9t\xe9",
                     "\x01k"})}},
        {"writes keep the rest of the file",
         "; head\r\n[S]\r\nKey=old\r\n\r\n[T]\r\nx=1\r\n",
         {write("s", "KEY", "new"), file("; head\r\n[S]\r\nKey=new\r\n[T]\r\nx=1\r\n"),
          write("S", "k2", "  lead and trail  "),
          file("; head\r\n[S]\r\nKey=new\r\nk2=lead and trail  \r\n[T]\r\nx=1\r\n"),
          read("S", "k2", "lead and trail"), write("U", "n", "v"),
          file("; head\r\n[S]\r\nKey=new\r\nk2=lead and trail\r\n[T]\r\nx=1\r\n[U]\r\nn=v\r\n"),
          deleteKey("T", "x"),
          file("; head\r\n[S]\r\nKey=new\r\nk2=lead and trail\r\n[T]\r\n"
               "[U]\r\nn=v\r\n"),
          erase("S"), file("; head\r\n[T]\r\n[U]\r\nn=v\r\n"), write("T", "y", "'q'"),
          read("T", "y", "q"), write("T", "y", ""), file("; head\r\n[T]\r\ny=\r\n[U]\r\nn=v\r\n"),
          read("T", "y", "")}},
        {"names with blanks",
         "[S]\r\nk=1\r\n",
         {write(" U ", " k ", " v  "), file("[S]\r\nk=1\r\n[U ]\r\nk =v  \r\n"),
          read("U", "k", "v"), keys("U", {"k"}), keys(" U ", {}), erase(" U "),
          deleteKey("U", " k "), deleteKey(" U", "k"), file("[S]\r\nk=1\r\n[U ]\r\nk =v  \r\n"),
          erase("u"), file("[S]\r\nk=1\r\n"), write("\tT\t", "k", "v"),
          file("[S]\r\nk=1\r\n[T\t]\r\nk=v\r\n")}},
        {"duplicates",
         "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nj=4\r\n",
         {write("S", "j", "5"), file("[S]\r\nk=1\r\nk=2\r\nj=5\r\n[S]\r\nk=3\r\nj=4\r\n"),
          write("S", "k", "9"), file("[S]\r\nk=9\r\nk=2\r\nj=5\r\n[S]\r\nk=3\r\nj=4\r\n"),
          deleteKey("S", "k"), file("[S]\r\nk=2\r\nj=5\r\n[S]\r\nk=3\r\nj=4\r\n"), erase("S"),
          file("[S]\r\nk=3\r\nj=4\r\n")}},
        {"deleting a key looks into later sections of the name",
         "[S]\r\na=1\r\n[S]\r\nb=2\r\n",
         {deleteKey("S", "b"), file("[S]\r\na=1\r\n[S]\r\n")}},
        {"writes that change nothing leave the file alone",
         "[S]\nk=1\n",
         {write("S", "k", "1"), write("S", "k", " 1"), deleteKey("S", "x"), erase("X"),
          file("[S]\nk=1\n")}},
        {"missing file",
         std::nullopt,
         {read("S", "k", "d", "d"), read("S", "k", "x", "'x'"), keys("S", {}), sections({}),
          deleteKey("S", "k"), erase("S"), file(std::nullopt), write("A", "k", "v"),
          file("[A]\r\nk=v\r\n"), write("B", "k", "v"), file("[A]\r\nk=v\r\n[B]\r\nk=v\r\n")}},
        {"empty file", "", {write("S", "k", "v"), file("[S]\r\nk=v\r\n")}},
        {"line ends",
         "[S]\r\na=1\rb=2\r\nc=3\n\rd=4\r\n\r\n\r\n[T]\r\n\r\ne=5",
         {keys("S", {"a", "b", "c", "d"}), read("T", "e", "5"), write("S", "f", "6"),
          file("[S]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\nf=6\r\n[T]\r\ne=5\r\n")}},
        {"nameless and empty-named sections",
         "top=0\r\n[]\r\nk=1\r\n[ ]\r\nj=2\r\n[S]\r\n",
         {read("", "k", "<def>"), read("", "top", "0"), sections({"S"}), keys("", {"top"}),
          write("", "n", "2"), file("top=0\r\nn=2\r\nk=1\r\nj=2\r\n[S]\r\n"), erase(""),
          file("[S]\r\n"), write("", "t", "1"), file("t=1\r\n[S]\r\n")}},
        {"runs of nameless keys",
         "[S]\r\n=1\r\n=2\r\nk=3\r\n=4\r\n=5\r\n",
         {keys("S", {}),  // a list that starts with an empty name reads as empty
          write("S", "x", "y"), file("[S]\r\n=1\r\nk=3\r\n=4\r\nx=y\r\n"), write("S", "  ", "v"),
          file("[S]\r\n=v\r\nk=3\r\n=4\r\nx=y\r\n")}},
        {"case, comments and lines without =",
         "[sEc]\r\nKeY=1\r\n;k=1\r\nnoeq\r\n",
         {write("SEC", "key", "2"), write("SEC", "Other", "3"), read("sec", ";K", "1"),
          write("sec", ";k", "2"), write("sec", "NOEQ", "x"),
          file("[sEc]\r\nKeY=2\r\n;k=2\r\nnoeq=x\r\nOther=3\r\n"), deleteKey("sec", "noEQ"),
          deleteKey("sec", ";k"), file("[sEc]\r\nKeY=2\r\nOther=3\r\n"), erase("sec"), file("")}},
        {"names holding = and ]",
         "[S]\r\n",
         {write("S", "a=b", "v"), file("[S]\r\na=b=v\r\n"), read("S", "a=b", "<def>"),
          read("S", "a", "b=v"), write("a]b", "k", "v"), read("a]b", "k", "v"),
          file("[S]\r\na=b=v\r\n[a]b]\r\nk=v\r\n")}},
        {"a value holding a line break is written as it is",
         "[S]\r\n",
         {write("S", "k", "a\r\n[X]\r\nb=c"), file("[S]\r\nk=a\r\n[X]\r\nb=c\r\n"),
          read("X", "b", "c")}},
        {"system code page",
         "[\xc9t\xe9]\r\n\xe9=\xff\x80\r\n",
         {read("\xc9t\xe9", "\xe9", "\xff\x80"), read("\xe9T\xc9", "\xc9", "<def>"),
          write("\xe9t\xe9", "\xc9", "\x80"),
          file("[\xc9t\xe9]\r\n\xe9=\xff\x80\r\n[\xe9t\xe9]\r\n\xc9=\x80\r\n")}},
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n",
         {read("S", "k", "\xe9"), write("S", "j", "\x80"),
          file("\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\nj=\xE2\x82\xAC\r\n")}},
        {"UTF-8 without a mark is system code page text",
         "[S]\r\nk=\xC3\xA9\r\n",
         {read("S", "k", "\xC3\xA9")}},
        {"UTF-16 little-endian",
         utf16(u"[S]\r\nk=\u00e9\u263a\r\n", true),
         {read("S", "k", "\xe9?"), write("S", "j", "\x80"),
          file(utf16(u"[S]\r\nk=\u00e9\u263a\r\nj=\u20ac\r\n", true))}},
        {"UTF-16 big-endian",
         utf16(u"[S]\r\nk=\u00e9\r\n", false),
         {read("S", "k", "\xe9"), write("S", "j", "x"),
          file(utf16(u"[S]\r\nk=\u00e9\r\nj=x\r\n", false))}},
    };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempFolder folder;
        const std::string name = folder.File("profile.ini");
        if (c.initial) testing::WriteBytes(name, *c.initial);
        TIniFile ini(name);
        runSteps(ini, name, c.steps);
    }
}

TEST(IniFileTest, FilesThatCannotBeOpened) {
    testing::TempFolder folder;
    const std::string names[] = {folder.File("missing") + "/profile.ini", folder.Path().string()};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        TIniFile ini(name);
        EXPECT_EQ(ini.ReadString("S", "k", "d  "), "d");
        EXPECT_EQ(ini.ReadString("S", "k", "'quoted'"), "'quoted'");  // as it is
        TStringList list;
        ini.ReadSections(list);
        EXPECT_EQ(list.Count(), 0);
        ini.DeleteKey("S", "k");  // not reported
        try {
            ini.WriteString("S", "k", "v");
            ADD_FAILURE() << "no error";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message(), "Unable to write to " + name);
            EXPECT_STREQ(e.ClassName(), "EIniFileException");
        }
        EXPECT_THROW(ini.EraseSection("S"), EIniFileException);
    }
    EXPECT_FALSE(testing::Exists(folder.File("missing")));
}

TEST(IniFileTest, LongValuesAndLongListsArriveWhole) {
    testing::TempFolder folder;
    const std::string name = folder.File("long.ini");
    std::string file = "[Values]\r\n";
    std::vector<std::string> values;
    for (size_t length : {2045u, 2046u, 2047u, 2048u, 5000u}) {
        for (const bool quoted : {false, true}) {
            std::string value(length, 'v');
            value.back() = 'e';
            values.push_back(value);
            file += "k" + std::to_string(values.size()) + "=" +
                    (quoted ? "\"" + value + "\"" : value) + "\r\n";
        }
    }
    Lines sectionNames;
    for (int i = 0; i < 2000; ++i) {
        sectionNames.push_back("Section" + std::to_string(1000 + i));
        file += "[" + sectionNames.back() + "]\r\nk=1\r\n";
    }
    testing::WriteBytes(name, file);

    TIniFile ini(name);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(ini.ReadString("Values", "k" + std::to_string(i + 1), ""), values[i]) << i;
    }
    TStringList list;
    ini.ReadSections(list);
    sectionNames.insert(sectionNames.begin(), "Values");
    EXPECT_EQ(lines(list), sectionNames);
}

// ---- a file written by Wine, read natively ---------------------------------
//
// testdata/ini_wine_written.ini was made under Wine 8 by a throwaway program
// that copied testdata/ini_source.ini and applied kFixtureWrites to the copy
// with WritePrivateProfileStringW (a null value deletes the key, a null key
// the section). The Windows build repeats those writes through TIniFile and
// must produce the same bytes; the native build must too.

struct FixtureWrite {
    const char* section;
    const char* key;    // null: erase the section
    const char* value;  // null: delete the key
};
const FixtureWrite kFixtureWrites[] = {
    {"General", "name", "Renamed"},
    {" general ", "NewKey", "  lead and trail  "},
    {"Padded", "x", "2"},
    {"Numbers", "big", "4000000000"},
    {"General", "dup", nullptr},
    {"Doomed", nullptr, nullptr},
    {"New Section", "k", "'quoted'"},
    {"", "orphan2", "x"},
    {"Tail", "missing", nullptr},
    {"Tail", "euro", "\x80"},
};

TEST(IniFileTest, WritesTheBytesWineWrites) {
    testing::TempFolder folder;
    const std::string name = folder.File("copy.ini");
    std::filesystem::copy_file(testData("ini_source.ini"), name);
    TIniFile ini(name);
    for (const FixtureWrite& w : kFixtureWrites) {
        if (w.key == nullptr) {
            ini.EraseSection(w.section);
        } else if (w.value == nullptr) {
            ini.DeleteKey(w.section, w.key);
        } else {
            ini.WriteString(w.section, w.key, w.value);
        }
    }
    EXPECT_EQ(testing::ReadBytes(name),
              testing::ReadBytes(testData("ini_wine_written.ini").string()));
}

TEST(IniFileTest, ReadsTheFileWineWrote) {
    testing::TempFolder folder;
    const std::string name = folder.File("wine.ini");
    std::filesystem::copy_file(testData("ini_wine_written.ini"), name);
    const TIniFile ini(AnsiToWide(name));
    EXPECT_EQ(ini.FileName(), name);

    // {section, key, value}
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"", "orphan", "before any section"},
        {"", "orphan2", "x"},
        {"General", "Name", "Renamed"},
        {"General", "quoted", "two words"},
        {"General", "Single", "single"},
        {"General", "Empty", ""},
        {"General", "NoEquals", "<def>"},
        {"General", ";Commented", "1"},
        {"General", "spaced key", "spaced value"},
        {"General", "dup", "second"},
        {"General", "NewKey", "lead and trail"},
        {"General", "hidden", "<def>"},
        {"Padded", "x", "2"},
        {"Doomed", "a", "<def>"},
        {"New Section", "k", "quoted"},
        {"Tail", "last", "caf\xe9"},
        {"Tail", "euro", "\x80"},
    };
    for (const auto& [section, key, value] : rows) {
        EXPECT_EQ(ini.ReadString(section, key, "<def>"), value) << section << "/" << key;
    }

    // {key, integer}
    const std::pair<const char*, int> numbers[] = {{"hex", 31}, {"neg", -12}, {"bad", -1},
                                                   {"flag", 1}, {"big", -1},  {"none", -1}};
    for (const auto& [key, value] : numbers) {
        EXPECT_EQ(ini.ReadInteger("Numbers", key, -1), value) << key;
    }
    EXPECT_TRUE(ini.ReadBool("Numbers", "flag", false));

    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(lines(list),
              (Lines{"General", "Padded", "General", "Numbers", "Tail", "New Section"}));
    ini.ReadSection("general", list);
    EXPECT_EQ(lines(list),
              (Lines{"Name", "Quoted", "Single", "Empty", "Spaced Key", "DUP", "NewKey"}));
    ini.ReadSectionValues("Tail", list);
    EXPECT_EQ(lines(list), (Lines{"last=caf\xe9", "euro=\x80"}));
    EXPECT_TRUE(ini.SectionExists("padded"));
    EXPECT_FALSE(ini.SectionExists("Doomed"));
    EXPECT_TRUE(ini.ValueExists("General", "newkey"));
    EXPECT_FALSE(ini.ValueExists("General", "NoEquals"));
}

// ---- typed values, both kinds of ini file -----------------------------------

using IniFactory = std::function<std::unique_ptr<TCustomIniFile>(const std::string&)>;

const std::pair<const char*, IniFactory> kIniKinds[] = {
    {"TIniFile", [](const std::string& n) { return std::make_unique<TIniFile>(n); }},
    {"TMemIniFile", [](const std::string& n) { return std::make_unique<TMemIniFile>(n); }},
};

TEST(IniFileTest, TypedValues) {
    const ScopedFormatSettings us(DefaultFormatSettings());
    for (const auto& [kind, make] : kIniKinds) {
        SCOPED_TRACE(kind);
        testing::TempFolder folder;
        const auto ini = make(folder.File("typed.ini"));

        // {text, ReadInteger with default -1, ReadBool with default false}
        const std::tuple<const char*, int, bool> integers[] = {
            {"10", 10, true},     {"0x1F", 31, true},  {"0X1f", 31, true},
            {"$1F", 31, true},    {"-5", -5, true},    {"0", 0, false},
            {"abc", -1, false},   {"", -1, false},     {"0x", -1, false},
            {"12abc", -1, false}, {"true", -1, false}, {"99999999999", -1, false},
        };
        for (const auto& [text, integer, boolean] : integers) {
            ini->WriteString("T", "v", text);
            EXPECT_EQ(ini->ReadInteger("T", "v", -1), integer) << text;
            EXPECT_EQ(ini->ReadBool("T", "v", false), boolean) << text;
        }
        EXPECT_TRUE(ini->ReadBool("T", "missing", true));

        ini->WriteBool("T", "b", true);
        EXPECT_EQ(ini->ReadString("T", "b", ""), "1");
        ini->WriteBool("T", "b", false);
        EXPECT_EQ(ini->ReadString("T", "b", ""), "0");
        ini->WriteInteger("T", "i", -3);
        EXPECT_EQ(ini->ReadString("T", "i", ""), "-3");

        ini->WriteFloat("T", "f", 2.5);
        EXPECT_EQ(ini->ReadString("T", "f", ""), "2.5");
        EXPECT_EQ(ini->ReadFloat("T", "f", 0), 2.5);
        ini->WriteString("T", "f", "1,5");
        EXPECT_EQ(ini->ReadFloat("T", "f", -1), -1);

        const TDateTime date = EncodeDate(2024, 3, 9);
        const TDateTime time = EncodeTime(13, 30, 0, 0);
        ini->WriteDate("T", "d", date);
        EXPECT_EQ(ini->ReadString("T", "d", ""), "3/9/2024");
        EXPECT_EQ(ini->ReadDate("T", "d", 0), date);
        ini->WriteDateTime("T", "d", date + time);
        EXPECT_NEAR(ini->ReadDateTime("T", "d", 0), date + time, 1e-9);
        ini->WriteTime("T", "d", time);
        EXPECT_NEAR(ini->ReadTime("T", "d", 0), time, 1e-9);
        ini->WriteString("T", "d", "not a date");
        EXPECT_EQ(ini->ReadDate("T", "d", 7), 7);
        EXPECT_EQ(ini->ReadDateTime("T", "d", 7), 7);
        EXPECT_EQ(ini->ReadTime("T", "d", 7), 7);
    }
}

TEST(IniFileTest, SectionQueries) {
    for (const auto& [kind, make] : kIniKinds) {
        SCOPED_TRACE(kind);
        testing::TempFolder folder;
        const std::string name = folder.File("queries.ini");
        testing::WriteBytes(name, "[S]\r\na=1\r\nB=2\r\nA=3\r\n[Empty]\r\n");
        const auto ini = make(name);
        EXPECT_TRUE(ini->SectionExists("s"));
        EXPECT_FALSE(ini->SectionExists("Empty"));  // no keys: as the class library
        EXPECT_FALSE(ini->SectionExists("None"));
        EXPECT_TRUE(ini->ValueExists("S", "b"));
        EXPECT_FALSE(ini->ValueExists("S", "c"));
        TStringList values;
        ini->ReadSectionValues("S", values);
        // The first of two equal names gives its value to both.
        EXPECT_EQ(lines(values), std::string(kind) == "TIniFile" ? (Lines{"a=1", "B=2", "A=1"})
                                                                 : (Lines{"a=1", "B=2", "A=3"}));
    }
}

// ---- TMemIniFile --------------------------------------------------------------

TEST(MemIniFileTest, LoadsTheWholeFileAndWritesOnlyOnUpdateFile) {
    testing::TempFolder folder;
    const std::string name = folder.File("mem.ini");
    const std::string original =
        "; c\r\nbefore=1\r\n[S]\r\n  a  =  1  \r\nnoeq\r\n\r\n[T]\r\nq='x'\r\n[S]\r\nlater=2\r\n";
    testing::WriteBytes(name, original);
    {
        TMemIniFile ini(name);
        EXPECT_EQ(ini.ReadString("s", "A", ""), "1");
        EXPECT_EQ(ini.ReadString("T", "q", ""), "'x'");  // quotes kept
        EXPECT_EQ(ini.ReadString("S", "later", "<def>"), "<def>");
        EXPECT_EQ(ini.ReadString("", "before", "<def>"), "<def>");
        TStringList list;
        ini.ReadSections(list);
        EXPECT_EQ(lines(list), (Lines{"S", "T", "S"}));
        ini.ReadSection("S", list);
        EXPECT_EQ(lines(list), (Lines{"a", ""}));
        ini.ReadSectionValues("S", list);
        EXPECT_EQ(lines(list), (Lines{"a=1", "noeq"}));

        ini.WriteString("S", "a", "2");
        ini.WriteString("New", "k", " v ");
        ini.DeleteKey("T", "Q");
        EXPECT_EQ(ini.ReadString("New", "k", ""), " v ");
        EXPECT_EQ(testing::ReadBytes(name), original);  // not written yet
        ini.UpdateFile();
        EXPECT_EQ(
            testing::ReadBytes(name),
            "[S]\r\na=2\r\nnoeq\r\n\r\n[T]\r\n\r\n[S]\r\nlater=2\r\n\r\n[New]\r\nk= v \r\n\r\n");
        ini.EraseSection("s");
        ini.EraseSection("T");
    }
    // Destroying it writes nothing.
    EXPECT_EQ(testing::ReadBytes(name),
              "[S]\r\na=2\r\nnoeq\r\n\r\n[T]\r\n\r\n[S]\r\nlater=2\r\n\r\n[New]\r\nk= v \r\n\r\n");

    TMemIniFile again(name);
    EXPECT_EQ(again.ReadString("New", "k", ""), "v");  // trimmed when loaded
    TStringList content;
    again.GetStrings(content);
    TMemIniFile other(folder.File("other.ini"));  // missing: empty
    other.SetStrings(content);
    EXPECT_EQ(other.ReadString("S", "a", ""), "2");
    other.UpdateFile();
    EXPECT_TRUE(testing::Exists(folder.File("other.ini")));

    // A file that exists but cannot be read is not taken for an empty one.
    EXPECT_THROW(TMemIniFile(folder.Path().string()), EFOpenError);
}

}  // namespace
}  // namespace runtime
