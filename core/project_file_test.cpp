#include "core/project_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/options.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/os/files.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"

namespace core {
namespace {

using namespace std::literals;

using runtime::testing::Exists;
using runtime::testing::ReadBytes;
using runtime::testing::TempFolder;
using runtime::testing::WriteBytes;
using testing::ScopedCallbacks;

std::u16string Wide(std::string_view s) {
    return runtime::AnsiToWide(s);
}

std::string Bytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string LengthField(size_t length) {
    return {char(length & 0xFF), char((length >> 8) & 0xFF), char((length >> 16) & 0xFF),
            char((length >> 24) & 0xFF)};
}

std::string Deflate(const std::string& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(data.data()), uLong(data.size())),
              Z_OK);
    out.resize(size);
    return out;
}

// The whole model as text, so that two projects compare in one line.
std::string Describe(const TSiteList& sites) {
    std::string out;
    for (int i = 0; i < sites.Count(); ++i) {
        const TSite& site = *sites.Items(i);
        out += "site " + site.URL + " [" + runtime::WideToUtf8(site.Notes) + "]\n";
        for (int j = 0; j < site.Keywords.Count(); ++j) {
            const TKeyword& k = *site.Keywords.Items(j);
            out += " kw " + runtime::WideToUtf8(k.Name) + " " + std::to_string(k.Position) + "/" +
                   std::to_string(k.LastPosition) + "/" + std::to_string(k.Best) + " " +
                   (k.Active ? "on" : "off") + " " + std::to_string(k.Date) + "\n";
            for (int l = 0; l < k.Links.Count(); ++l) {
                const TLink& link = *k.Links.Links(l);
                out += "  link " + std::string(link.Name()) + " [" +
                       runtime::WideToUtf8(link.Title()) + "] [" +
                       runtime::WideToUtf8(link.Description()) + "] " +
                       std::to_string(link.Position) + " " + std::to_string(link.Page) + " " +
                       std::to_string(link.Cost) + "\n";
            }
        }
    }
    return out;
}

// The oldest format as its program wrote it: the model as an XML document
// of attributes, in the XML library's text or binary form, compressed.
std::string Project2004(const TSiteList& sites, bool binary) {
    auto document = xml::CreateXmlDocument(u"Project", "1.0", "windows-1251");
    auto list = document->DocumentElement()->AppendElement(u"Sites");
    for (int i = 0; i < sites.Count(); ++i) {
        const TSite& site = *sites.Items(i);
        auto siteNode = list->AppendElement(u"Site" + Wide(std::to_string(i)));
        siteNode->SetAttr(u"URL", Wide(site.URL));
        siteNode->SetAttr(u"Notes", site.Notes);
        auto keywords = siteNode->AppendElement(u"Keywords");
        for (int j = 0; j < site.Keywords.Count(); ++j) {
            const TKeyword& keyword = *site.Keywords.Items(j);
            auto keywordNode = keywords->AppendElement(u"Keyword" + Wide(std::to_string(j)));
            keywordNode->SetAttr(u"Name", keyword.Name);
            keywordNode->SetIntAttr(u"Position", keyword.Position);
            keywordNode->SetIntAttr(u"LastPosition", keyword.LastPosition);
            keywordNode->SetIntAttr(u"Best", keyword.Best);
            keywordNode->SetBoolAttr(u"Active", keyword.Active);
            keywordNode->SetFloatAttr(u"Date", keyword.Date);
            auto links = keywordNode->AppendElement(u"Links");
            for (int k = 0; k < keyword.Links.Count(); ++k) {
                const TLink& link = *keyword.Links.Links(k);
                auto linkNode = links->AppendElement(u"Link" + Wide(std::to_string(k)));
                linkNode->SetAttr(u"Name", Wide(link.Name()));
                linkNode->SetAttr(u"Title", link.Title());
                linkNode->SetAttr(u"Description", link.Description());
                linkNode->SetIntAttr(u"Position", link.Position);
                linkNode->SetIntAttr(u"Page", link.Page);
                linkNode->SetFloatAttr(u"Cost", link.Cost);
            }
        }
    }
    std::string payload;
    if (binary) {
        payload = document->BinaryXML();
    } else {
        runtime::TMemoryStream text;
        document->Save(text);
        payload.assign(static_cast<const char*>(text.Memory()), size_t(text.Size()));
    }
    return std::string(ProjectMagic2004) + LengthField(payload.size()) + Deflate(payload);
}

std::unique_ptr<TSiteList> SampleSites() {
    auto sites = std::make_unique<TSiteList>();
    auto& site = sites->Add(std::make_unique<TSite>("example.com"));
    site.Notes = u"Notes \u00fc & </Notes> <x>";
    for (int j = 0; j < 12; ++j) {
        auto& keyword = site.AddKeyword(u"keyword " + Wide(std::to_string(j)));
        keyword.Position = j;
        keyword.LastPosition = j + 1;
        keyword.Best = j / 2;
        keyword.Active = j % 3 != 0;
        keyword.Date = 46000 + j;
        for (int k = 0; k < (j == 5 ? 11 : 2); ++k)
            keyword.Links.Add(std::make_unique<TLink>(
                Wide("http://r" + std::to_string(k) + ".example/page?q=1&b=2"),
                u"Title \u4e2d\u6587 " + Wide(std::to_string(k)), u"lost on save", k + 1,
                k / 10 + 1, k == 0 ? -1.0 : 0.25 * k));
    }
    site.AddKeyword(u"Caf\u00e9 </Name>&&");
    sites->Add(std::make_unique<TSite>("b.org"));
    return sites;
}

// A project of many shapes at once: texts longer than the writer's and the
// reader's buffers, lists whose two- and three-digit names sort apart from
// their numbers, escaped and non-ASCII text in every string field, every
// kind of cost, whole and fractional dates. `linkCounts` gives each
// keyword's number of links, in turn; the first site's notes run to
// `noteUnits`.
std::unique_ptr<TSiteList> VariedSites(int sites, int keywords, std::vector<int> linkCounts,
                                       size_t noteUnits) {
    auto list = std::make_unique<TSiteList>();
    size_t turn = 0;
    for (int s = 0; s < sites; ++s) {
        auto& site =
            list->Add(std::make_unique<TSite>("site" + std::to_string(s) + ".example/\xe9"));
        if (s == 0) {
            // Escapes and a character beyond U+FFFF across the buffers' edges.
            for (int i = 0; site.Notes.size() < noteUnits; ++i)
                site.Notes +=
                    i % 5 == 0 ? u"</Notes>&\U0001F600 " : u"notes " + Wide(std::to_string(i));
        }
        for (int j = 0; j < keywords; ++j) {
            auto& keyword =
                site.AddKeyword(j % 4 == 1 ? u"k&<" + Wide(std::to_string(j)) + u"/>"
                                           : u"kw \u00e9\u4e2d " + Wide(std::to_string(j)));
            keyword.Position = (j * 7 + s) % 31;
            keyword.LastPosition = j % 3 == 0 ? 0 : j % 29 + 1;
            keyword.Best = j % 17;
            keyword.Active = j % 3 != 2;
            keyword.Date = j % 6 == 0   ? 0.0
                           : j % 2 == 0 ? 45000.0 + j
                                        : 45000.0 + j + 1.0 / (j + 2);
            const int links = linkCounts[turn++ % linkCounts.size()];
            for (int k = 0; k < links; ++k) {
                const double costs[] = {-1.0, 0.0, 0.25 * k, 1e-7 * (k + 1), 123456.789, 1e20};
                keyword.Links.Add(std::make_unique<TLink>(
                    Wide("http://r" + std::to_string(k) + ".example/p?q=" + std::to_string(j) +
                         (k % 7 == 3 ? "&x=\xe9\xfc" : "")),
                    k % 5 == 4 ? u""
                               : u"Title " + std::u16string(size_t(k % 13), u"ab&</\u00fc"[k % 6]) +
                                     Wide(std::to_string(k)),
                    u"not stored", k + 1, k / 10 + 1, costs[k % 6]));
            }
        }
    }
    return list;
}

// FNV-1a of the bytes: a large file's fingerprint.
uint64_t Fingerprint(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// A data folder with settings, the program's state pointed at it, and the
// window's callbacks recorded.
class ProjectFileTest : public ::testing::Test {
  protected:
    ProjectFileTest() : callbacks_(Recording()) {
        Options = std::make_unique<TOptions>(Wide(folder_.File("")));
        Sites = std::make_unique<TSiteList>();
        CurrentSite = nullptr;
        CurrentKeyword = nullptr;
        ProjectMaySave = true;
    }
    ~ProjectFileTest() override {
        WaitForReleasedProjects();
        CurrentSite = nullptr;
        CurrentKeyword = nullptr;
        ProjectMaySave = true;
        Sites.reset();
        Options.reset();
    }

    CoreCallbacks Recording() {
        CoreCallbacks c;
        c.StageText = [this](const std::string& text) { log_.push_back("stage " + text); };
        c.SitesCleared = [this] { log_.push_back("cleared"); };
        c.SiteAdded = [this](const std::string& url) { log_.push_back("added " + url); };
        c.CurrentSiteShown = [this] { log_.push_back("shown"); };
        c.ShowMessage = [this](const std::string& text, const std::string& caption, MessageKind,
                               MessageOwner) {
            log_.push_back("message " + caption + ": " + text);
        };
        return c;
    }

    std::u16string Project() const { return Wide(folder_.File("project.spj")); }
    std::string ProjectFile() const { return folder_.File("project.spj"); }
    std::string BackupFile() const { return folder_.File("project.spj.backup"); }

    void SaveSample() {
        Sites = SampleSites();
        SaveProject(Project());
        Sites = std::make_unique<TSiteList>();
    }

    TempFolder folder_;
    std::vector<std::string> log_;
    ScopedCallbacks callbacks_;
};

TEST_F(ProjectFileTest, SaveAndLoadRoundTrip) {
    Sites = SampleSites();
    std::string expected = Describe(*Sites);
    SaveProject(Project());
    EXPECT_EQ(log_, (std::vector<std::string>{"stage Preparing data for save... please wait",
                                              "stage Saving... please wait"}));
    EXPECT_FALSE(Exists(folder_.File("project.spj.saving")));

    std::string bytes = ReadBytes(ProjectFile());
    ASSERT_GT(bytes.size(), 29u);
    EXPECT_EQ(bytes.substr(0, 25), ProjectMagic2008);
    EXPECT_EQ(bytes.substr(25, 4), LengthField(bytes.size() - 29));

    Sites = std::make_unique<TSiteList>();
    log_.clear();
    ASSERT_TRUE(LoadProject(Project()));
    // Descriptions are not stored.
    size_t lost;
    while ((lost = expected.find("[lost on save]")) != std::string::npos)
        expected.replace(lost, 14, "[]");
    EXPECT_EQ(Describe(*Sites), expected);
    EXPECT_EQ(log_, (std::vector<std::string>{"stage Loading... Please wait", "cleared",
                                              "added example.com", "added b.org", "shown"}));
    EXPECT_EQ(CurrentSite, Sites->Items(0));
    EXPECT_EQ(CurrentKeyword, nullptr);
    EXPECT_EQ(ReadBytes(BackupFile()), ReadBytes(ProjectFile()));
    EXPECT_FALSE(Exists(BackupFile() + ".saving"));
}

// A data folder whose name the code page cannot spell: the project, its
// backup and a failed load's dump all land there, and the project reads
// back.
TEST_F(ProjectFileTest, LivesInADataFolderOutsideTheCodePage) {
    const std::u16string data = testing::MakeWideFolder(folder_);
    Options = std::make_unique<TOptions>(data);
    Sites = SampleSites();
    SaveProject(data + u"project.spj");
    Sites = std::make_unique<TSiteList>();
    ASSERT_TRUE(LoadProject(data + u"project.spj"));
    ASSERT_EQ(Sites->Count(), 2);
    EXPECT_EQ(Sites->Items(1)->URL, "b.org");
    const std::string saved = testing::ReadWideFile(data + u"project.spj");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(testing::ReadWideFile(data + u"project.spj.backup"), saved);

    const std::u16string broken = u"<DocumentRoot><Sites";
    testing::WriteWideFile(data + u"project.spj",
                           std::string(ProjectMagic2008) + LengthField(0) + Bytes(broken));
    EXPECT_THROW(LoadProject(data + u"project.spj"), runtime::Exception);
    EXPECT_EQ(testing::ReadWideFile(data + u"debug.xml"), Bytes(broken));
}

// Projects are written byte for byte as the program always wrote them (a
// small one against a file written before, a large one against its
// fingerprint), and a load followed by a save writes the same bytes again.
TEST_F(ProjectFileTest, ProjectsAreWrittenByteForByteAsBefore) {
    struct Case {
        const char* name;
        int sites, keywords;
        std::vector<int> linkCounts;
        size_t noteUnits;
        std::string golden;  // file in the test data, or empty
        uint64_t fingerprint;
    };
    const Case cases[] = {
        {"small", 2, 5, {0, 3, 12, 2}, 40, "project_written.spj", 0xa2edbb72601d6842},
        {"large", 2, 40, {0, 1, 9, 10, 11, 99, 100, 101, 120, 37}, 70000, "", 0x0093a4cf7c4ac3b1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sites = VariedSites(c.sites, c.keywords, c.linkCounts, c.noteUnits);
        SaveProject(Project());
        const std::string written = ReadBytes(ProjectFile());
        if (!c.golden.empty()) {
            EXPECT_TRUE(written == ReadBytes(std::string(CORE_TESTDATA_DIR) + "/" + c.golden));
        }
        EXPECT_EQ(Fingerprint(written), c.fingerprint);

        Sites = std::make_unique<TSiteList>();
        ASSERT_TRUE(LoadProject(Project(), ProjectBackup::None));
        SaveProject(Project());
        EXPECT_TRUE(ReadBytes(ProjectFile()) == written) << "after a load and a save";
    }
}

TEST_F(ProjectFileTest, AProjectWithoutSitesLeavesTheSitesAlone) {
    SaveProject(Project());
    EXPECT_EQ(ReadBytes(ProjectFile()), std::string(ProjectMagic2008) + LengthField(88) +
                                            Bytes(u"<DocumentRoot><Sites></Sites></DocumentRoot>"));

    Sites = SampleSites();
    TSite* first = Sites->Items(0);
    ASSERT_TRUE(LoadProject(Project()));
    EXPECT_EQ(Sites->Items(0), first);
    EXPECT_EQ(CurrentSite, first);
    EXPECT_TRUE(Exists(BackupFile()));
}

TEST_F(ProjectFileTest, OlderFormatsLoad) {
    SaveSample();
    const std::string text = ReadBytes(ProjectFile()).substr(29);
    LoadProject(Project(), ProjectBackup::None);
    const std::string fromNewest = Describe(*Sites);

    // The middle format: the same text, compressed.
    WriteBytes(ProjectFile(),
               std::string(ProjectMagic2007) + LengthField(text.size()) + Deflate(text));
    Sites = std::make_unique<TSiteList>();
    ASSERT_TRUE(LoadProject(Project()));
    EXPECT_EQ(Describe(*Sites), fromNewest);

    // The oldest: an XML document with attributes, descriptions included.
    const std::u16string xml =
        u"<?xml version=\"1.0\" encoding=\"windows-1251\"?><Project><Sites>"
        u"<Site1 URL=\"second.net\" Notes=\"\"/>"
        u"<Site0 URL=\"first.com\" Notes=\"n&amp;b\"><Keywords>"
        u"<Keyword0 Name=\"k \u00e9\" Position=\"4\" LastPosition=\"6\" Best=\"2\" Active=\"0\" "
        u"Date=\"45000.5\"><Links><Link0 Name=\"http://first.com/x\" Title=\"T\" "
        u"Description=\"D\" Position=\"1\" Page=\"1\" Cost=\"0.25\"/><Link5 Name=\"skipped\"/>"
        u"</Links></Keyword0><Keyword1 Name=\"plain\"/></Keywords></Site0>"
        u"<Site7 URL=\"beyond the count\"/></Sites></Project>";
    WriteBytes(ProjectFile(),
               std::string(ProjectMagic2004) + LengthField(xml.size() * 2) + Deflate(Bytes(xml)));
    ASSERT_TRUE(LoadProject(Project()));
    EXPECT_EQ(Describe(*Sites),
              "site first.com [n&b]\n"
              " kw k \xc3\xa9 4/6/2 off 45000.500000\n"
              "  link http://first.com/x [T] [D] 1 1 0.250000\n"
              " kw plain 0/0/0 on 0.000000\n"
              "site second.net []\n");

    // A whole model in both forms of the XML library, descriptions and
    // fractions of dates included.
    auto model = SampleSites();
    model->Items(0)->Keywords.Items(3)->Date = 45123.75;
    const std::string expected = Describe(*model);
    for (bool binary : {false, true}) {
        WriteBytes(ProjectFile(), Project2004(*model, binary));
        Sites = std::make_unique<TSiteList>();
        ASSERT_TRUE(LoadProject(Project())) << binary;
        EXPECT_EQ(Describe(*Sites), expected) << (binary ? "binary" : "text");
        EXPECT_TRUE(ProjectMaySave);
    }
}

TEST_F(ProjectFileTest, UnknownFormatsAreRefusedWithoutABackup) {
    for (std::string bytes : {std::string("SERPLOW PROJECT"), std::string(40, 'x'),
                              std::string("SERPLOW PROJECT FILE 2009") + LengthField(0)}) {
        WriteBytes(ProjectFile(), bytes);
        log_.clear();
        Sites = SampleSites();
        std::string before = Describe(*Sites);
        EXPECT_FALSE(LoadProject(Project()));
        EXPECT_EQ(log_,
                  (std::vector<std::string>{"message Error: " + std::string(SProjectWrongFormat)}));
        EXPECT_EQ(Describe(*Sites), before);
        EXPECT_FALSE(Exists(BackupFile()));
        EXPECT_FALSE(ProjectMaySave);
    }
}

TEST_F(ProjectFileTest, TheNewestFormatReadsToTheEndWhateverItsLength) {
    const std::u16string text =
        u"<DocumentRoot><Sites><Site0><URL>\0a.com</URL></Site0></Sites></DocumentRoot>"s;
    WriteBytes(ProjectFile(), std::string(ProjectMagic2008) + LengthField(3) + Bytes(text));
    ASSERT_TRUE(LoadProject(Project()));
    ASSERT_EQ(Sites->Count(), 1);
    EXPECT_EQ(Sites->Items(0)->URL, "a.com");
}

TEST_F(ProjectFileTest, AFailedLoadKeepsSitesAndBackupAndDropsTheSelection) {
    SaveSample();
    LoadProject(Project());  // a clean load makes the backup
    const std::string backup = ReadBytes(BackupFile());
    TSite* site = Sites->Items(0);
    CurrentSite = site;
    CurrentKeyword = site->Keywords.Items(1);
    const std::string before = Describe(*Sites);

    const std::u16string broken =
        u"<DocumentRoot><Sites><Site0><Keywords><Keyword0><Position>\x01x</Position>"
        u"</Keyword0></Keywords></Site0></Sites></DocumentRoot>";
    const std::string bytes = std::string(ProjectMagic2008) + LengthField(0) + Bytes(broken);
    WriteBytes(ProjectFile(), bytes);
    try {
        LoadProject(Project());
        FAIL() << "loaded";
    } catch (const runtime::Exception& e) {
        std::string message = e.what();
        EXPECT_EQ(
            message.rfind("Error while loading project.\r\n'x' is not a valid integer value\r\n"
                          "Additional info: stream size=" +
                              std::to_string(bytes.size()) +
                              "; buf size=" + std::to_string(broken.size()) + "\r\n",
                          0),
            0u)
            << message;
        EXPECT_NE(message.find(folder_.File("debug.xml")), std::string::npos);
    }
    EXPECT_EQ(Describe(*Sites), before);
    EXPECT_EQ(Sites->Items(0), site);
    EXPECT_EQ(CurrentSite, nullptr);
    EXPECT_EQ(CurrentKeyword, nullptr);
    EXPECT_EQ(ReadBytes(BackupFile()), backup);
    EXPECT_EQ(ReadBytes(folder_.File("debug.xml")), Bytes(broken));
    // The project in memory is not the file's: it must not be saved over it.
    EXPECT_FALSE(ProjectMaySave);

    SaveSample();
    ASSERT_TRUE(LoadProject(Project()));
    EXPECT_TRUE(ProjectMaySave);
}

TEST_F(ProjectFileTest, NoFailedLoadTouchesTheBackup) {
    SaveSample();
    const std::string good = ReadBytes(ProjectFile());
    const std::string text = good.substr(29);
    std::string truncated = Deflate(text);
    truncated.resize(truncated.size() / 2);
    const std::u16string badXml = u"<Project><Sites><Site0 URL=\"a\"></Sites></Project>";
    struct Row {
        const char* what;
        std::string file;
    } rows[] = {
        {"unknown magic", "SERPLOW PROJECT FILE 1999" + LengthField(0)},
        {"2008, unbalanced", std::string(ProjectMagic2008) + LengthField(0) + Bytes(u"<A><B></A>")},
        {"2007, inflate failure",
         std::string(ProjectMagic2007) + LengthField(text.size()) + truncated},
        {"2004, malformed XML",
         std::string(ProjectMagic2004) + LengthField(badXml.size() * 2) + Deflate(Bytes(badXml))},
        {"2004, inflate failure",
         std::string(ProjectMagic2004) + LengthField(text.size()) + truncated},
        {"2004, a length beyond what the data can hold",
         std::string(ProjectMagic2004) + LengthField(100u << 20) + Deflate(Bytes(badXml))},
        {"header cut short", std::string(ProjectMagic2007) + "\x01"},
    };
    for (const Row& row : rows) {
        WriteBytes(ProjectFile(), good);
        ASSERT_TRUE(LoadProject(Project())) << row.what;
        const std::string backup = ReadBytes(BackupFile());
        ASSERT_EQ(backup, good) << row.what;
        const std::string before = Describe(*Sites);
        CurrentKeyword = Sites->Items(0)->Keywords.Items(0);

        WriteBytes(ProjectFile(), row.file);
        bool loaded = false;
        try {
            loaded = LoadProject(Project());
        } catch (const runtime::Exception&) {
        }
        EXPECT_FALSE(loaded) << row.what;
        EXPECT_EQ(ReadBytes(BackupFile()), backup) << row.what;
        EXPECT_FALSE(Exists(BackupFile() + ".saving")) << row.what;
        EXPECT_EQ(Describe(*Sites), before) << row.what;
        EXPECT_EQ(CurrentSite, nullptr) << row.what;
        EXPECT_EQ(CurrentKeyword, nullptr) << row.what;
        EXPECT_FALSE(ProjectMaySave) << row.what;
    }
}

TEST_F(ProjectFileTest, ATruncatedCompressedProjectIsReported) {
    SaveSample();
    std::string text = ReadBytes(ProjectFile()).substr(29);
    std::string packed = Deflate(text);
    packed.resize(packed.size() / 2);  // the compressed data ends early
    WriteBytes(ProjectFile(), std::string(ProjectMagic2007) + LengthField(text.size()) + packed);
    // Whatever was inflated, the load fails rather than pass for an empty
    // project (which the window would then save over the file).
    EXPECT_THROW(LoadProject(Project()), runtime::Exception);
    ASSERT_FALSE(log_.empty());
    EXPECT_EQ(log_.back().rfind("message Error: Unable to open project.\r\nAdditional info: " +
                                    std::to_string(text.size()) + ",",
                                0),
              0u)
        << log_.back();
    EXPECT_EQ(Sites->Count(), 0);
}

TEST_F(ProjectFileTest, MissingElementsTakeTheirDefaults) {
    // Site1 has no site number 0 before it counted: the count of "Sites"'
    // children is 2, so Site0 and Site1 are looked for; Site5 is beyond it.
    const std::u16string text =
        u"<DocumentRoot><Sites><Site1><Keywords><Keyword0><Date>\0"
        "45000,5</Date>"
        u"<Links><Link0><Cost>\0cheap</Cost></Link0><Link1></Link1></Links></Keyword0>"
        u"</Keywords></Site1><Site5></Site5></Sites></DocumentRoot>"s;
    WriteBytes(ProjectFile(), std::string(ProjectMagic2008) + LengthField(0) + Bytes(text));
    ASSERT_TRUE(LoadProject(Project()));
    EXPECT_EQ(Describe(*Sites),
              "site  []\n"
              " kw  0/0/0 off 45000.500000\n"
              "  link  [] [] 0 0 -1.000000\n"
              "  link  [] [] 0 0 -1.000000\n");
}

TEST_F(ProjectFileTest, AKeywordWithoutADateFailsTheLoad) {
    const std::u16string text =
        u"<DocumentRoot><Sites><Site0><Keywords><Keyword0></Keyword0></Keywords></Site0>"
        u"</Sites></DocumentRoot>";
    WriteBytes(ProjectFile(), std::string(ProjectMagic2008) + LengthField(0) + Bytes(text));
    EXPECT_THROW(LoadProject(Project()), runtime::Exception);
}

TEST_F(ProjectFileTest, NumbersMoveBetweenLocales) {
    runtime::TFormatSettings comma = runtime::DefaultFormatSettings();
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = '.';
    runtime::ScopedFormatSettings scoped(comma);
    Sites = std::make_unique<TSiteList>();
    auto& keyword = Sites->Add(std::make_unique<TSite>("a.com")).AddKeyword(u"k");
    keyword.Date = 46000.25;
    keyword.Links.Add(std::make_unique<TLink>(u"http://a.com", u"", u"", 1, 1, 1.5));
    SaveProject(Project());
    const std::string bytes = ReadBytes(ProjectFile());
    EXPECT_NE(bytes.find(Bytes(u"<Cost>\x02"
                               u"1.5</Cost>")),
              std::string::npos);
    EXPECT_NE(bytes.find(Bytes(u"<Date>"s + u'\0' + u"46000.25</Date>")), std::string::npos);

    Sites = std::make_unique<TSiteList>();
    ASSERT_TRUE(LoadProject(Project()));
    EXPECT_EQ(Sites->Items(0)->Keywords.Items(0)->Links.Links(0)->Cost, 1.5);
    EXPECT_EQ(Sites->Items(0)->Keywords.Items(0)->Date, 46000.25);
}

TEST_F(ProjectFileTest, AnInterruptedSaveKeepsTheOldProject) {
    SaveSample();
    const std::string old = ReadBytes(ProjectFile());
    Sites = SampleSites();
    Sites->Items(0)->URL = "changed.com";
    CoreCallbacks failingCallbacks;
    failingCallbacks.SaveProgress = [](int64_t position, int64_t) {
        if (position > 0) throw runtime::Exception("disk full");
    };
    ScopedCallbacks failing(std::move(failingCallbacks));
    EXPECT_THROW(SaveProject(Project()), runtime::Exception);
    EXPECT_EQ(ReadBytes(ProjectFile()), old);
    EXPECT_FALSE(Exists(folder_.File("project.spj.saving")));
}

TEST_F(ProjectFileTest, AProjectThatCannotBeReplacedIsNotSaved) {
    // A folder stands where the project goes: the rename fails.
    ASSERT_TRUE(runtime::os::CreateDir(ProjectFile()));
    Sites = SampleSites();
    EXPECT_THROW(SaveProject(Project()), runtime::Exception);
    EXPECT_TRUE(runtime::os::DirectoryExists(ProjectFile()));
    EXPECT_FALSE(Exists(folder_.File("project.spj.saving")));
}

TEST_F(ProjectFileTest, ProgressIsReportedAtMostEveryFiftyMilliseconds) {
    // Enough keywords and links that reporting each would be thousands of
    // calls; the first and the last report come besides the timed ones.
    Sites = std::make_unique<TSiteList>();
    auto& site = Sites->Add(std::make_unique<TSite>("wide.com"));
    for (int j = 0; j < 4000; ++j) {
        auto& keyword = site.AddKeyword(u"k" + Wide(std::to_string(j)));
        for (int k = 0; k < 10; ++k)
            keyword.Links.Add(std::make_unique<TLink>(u"http://r.example", u"t", u"", k, 1, 0.5));
    }
    int saveReports = 0;
    int loadReports = 0;
    int pumps = 0;
    CoreCallbacks counting;
    counting.SaveProgress = [&](int64_t, int64_t) { ++saveReports; };
    counting.LoadProgress = [&](int64_t, int64_t) { ++loadReports; };
    counting.ProcessPending = [&] { ++pumps; };
    ScopedCallbacks scoped(std::move(counting));
    using Clock = std::chrono::steady_clock;
    auto allowed = [](Clock::time_point start) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        return int(ms.count() / 50) + 2;
    };

    auto start = Clock::now();
    SaveProject(Project());
    const int saveAllowed = allowed(start);
    EXPECT_GE(saveReports, 1);
    EXPECT_LE(saveReports, saveAllowed);

    const int pumpsAfterSave = pumps;
    Sites = std::make_unique<TSiteList>();
    start = Clock::now();
    ASSERT_TRUE(LoadProject(Project(), ProjectBackup::None));
    const int loadAllowed = allowed(start);
    EXPECT_LE(loadReports, loadAllowed);
    // The stage texts and the sites added pump as well: a few more.
    EXPECT_LE(pumps, pumpsAfterSave + loadAllowed + 4 + Sites->Count());
    EXPECT_EQ(Sites->Items(0)->Keywords.Count(), 4000);
}

TEST_F(ProjectFileTest, LoadingWhileACheckRunsIsRefused) {
    SaveSample();
    RunningThreads = 1;
    EXPECT_THROW(LoadProject(Project()), runtime::Exception);
    RunningThreads = 0;
}

}  // namespace
}  // namespace core
