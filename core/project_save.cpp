// Writing the project: the tagged text streamed straight from the sites
// into a temporary file, which then replaces the project file.

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "core/progress_throttle.h"
#include "core/project_file.h"
#include "core/project_internal.h"
#include "core/state.h"
#include "core/tagged_text.h"
#include "runtime/os/errors.h"
#include "runtime/os/files.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace core {

namespace {

using project::IndexedName;

// The fields of each element, and the order the locale gives their names:
// siblings are written sorted, as the reader's lookups expect.
enum class SiteField { Keywords, Notes, URL };
constexpr std::array<std::u16string_view, 3> SiteFieldNames{u"Keywords", u"Notes", u"URL"};

enum class KeywordField { Active, Best, Date, LastPosition, Links, Name, Position };
constexpr std::array<std::u16string_view, 7> KeywordFieldNames{
    u"Active", u"Best", u"Date", u"LastPosition", u"Links", u"Name", u"Position"};

enum class LinkField { Cost, Name, Page, Position, Title };
constexpr std::array<std::u16string_view, 5> LinkFieldNames{u"Cost", u"Name", u"Page", u"Position",
                                                            u"Title"};

template <class Field, size_t N>
std::array<Field, N> LocaleOrder(const std::array<std::u16string_view, N>& names) {
    std::array<Field, N> order;
    for (size_t i = 0; i < N; ++i) order[i] = Field(i);
    std::sort(order.begin(), order.end(), [&](Field a, Field b) {
        return runtime::WideCompareStr(names[size_t(a)], names[size_t(b)]) < 0;
    });
    return order;
}

// Elements a project's text holds: the root and "Sites", then per site
// itself and three fields, per keyword itself and seven fields, per link
// itself and five.
int64_t CountElements(const TSiteList& sites) {
    int64_t count = 2;
    for (int i = 0; i < sites.Count(); ++i) {
        const TSite& site = *sites.Items(i);
        count += 4;
        for (int j = 0; j < site.Keywords.Count(); ++j)
            count += 8 + 6 * int64_t(site.Keywords.Items(j)->Links.Count());
    }
    return count;
}

class TProjectWriter {
  public:
    TProjectWriter(tagged::TTaggedTextWriter& writer, int64_t total)
        : writer_(writer), total_(total) {}

    void Write(const TSiteList& sites) {
        writer_.Open(u"DocumentRoot");
        writer_.Open(u"Sites");
        for (int i : IndexOrder(Prefix::Site, sites.Count())) Site(*sites.Items(i), i);
        writer_.Close(u"Sites");
        writer_.Close(u"DocumentRoot");
        Report();
    }

  private:
    enum class Prefix { Site, Keyword, Link };
    static constexpr std::array<std::u16string_view, 3> PrefixNames{u"Site", u"Keyword", u"Link"};

    // The indices 0..count-1 in the locale's order of prefix + index
    // ("Link10" before "Link2"); the same counts recur, so orders are kept.
    const std::vector<int>& IndexOrder(Prefix prefix, int count) {
        auto [slot, added] = orders_.try_emplace({prefix, count});
        if (added) {
            std::vector<std::u16string> names;
            names.reserve(size_t(count));
            for (int i = 0; i < count; ++i)
                names.push_back(IndexedName(PrefixNames[size_t(prefix)], i));
            std::vector<int>& order = slot->second;
            order.resize(size_t(count));
            for (int i = 0; i < count; ++i) order[size_t(i)] = i;
            std::sort(order.begin(), order.end(), [&](int a, int b) {
                return runtime::WideCompareStr(names[size_t(a)], names[size_t(b)]) < 0;
            });
        }
        return slot->second;
    }

    void Site(const TSite& site, int index) {
        std::u16string name = IndexedName(u"Site", index);
        writer_.Open(name);
        for (SiteField field : siteOrder_) {
            std::u16string_view fieldName = SiteFieldNames[size_t(field)];
            switch (field) {
                case SiteField::URL:
                    writer_.AnsiStringElement(fieldName, site.URL);
                    break;
                case SiteField::Notes:
                    writer_.StringElement(fieldName, site.Notes);
                    break;
                case SiteField::Keywords:
                    writer_.Open(fieldName);
                    for (int j : IndexOrder(Prefix::Keyword, site.Keywords.Count()))
                        Keyword(*site.Keywords.Items(j), j);
                    writer_.Close(fieldName);
                    break;
            }
        }
        writer_.Close(name);
    }

    void Keyword(const TKeyword& keyword, int index) {
        std::u16string name = IndexedName(u"Keyword", index);
        writer_.Open(name);
        for (KeywordField field : keywordOrder_) {
            std::u16string_view fieldName = KeywordFieldNames[size_t(field)];
            switch (field) {
                case KeywordField::Name:
                    writer_.StringElement(fieldName, keyword.Name);
                    break;
                case KeywordField::Position:
                    writer_.IntegerElement(fieldName, keyword.Position);
                    break;
                case KeywordField::LastPosition:
                    writer_.IntegerElement(fieldName, keyword.LastPosition);
                    break;
                case KeywordField::Best:
                    writer_.IntegerElement(fieldName, keyword.Best);
                    break;
                case KeywordField::Active:
                    writer_.IntegerElement(fieldName, keyword.Active ? -1 : 0);
                    break;
                case KeywordField::Date:
                    // Stored as text, as it always was.
                    writer_.StringElement(fieldName, tagged::FloatText(keyword.Date));
                    break;
                case KeywordField::Links:
                    writer_.Open(fieldName);
                    for (int k : IndexOrder(Prefix::Link, keyword.Links.Count()))
                        Link(*keyword.Links.Links(k), k);
                    writer_.Close(fieldName);
                    break;
            }
        }
        writer_.Close(name);
        Tick();
    }

    void Link(const TLink& link, int index) {
        std::u16string name = IndexedName(u"Link", index);
        writer_.Open(name);
        for (LinkField field : linkOrder_) {
            std::u16string_view fieldName = LinkFieldNames[size_t(field)];
            switch (field) {
                case LinkField::Name:
                    writer_.AnsiStringElement(fieldName, link.Name());
                    break;
                case LinkField::Title:
                    writer_.StringElement(fieldName, link.Title());
                    break;
                case LinkField::Position:
                    writer_.IntegerElement(fieldName, link.Position);
                    break;
                case LinkField::Page:
                    writer_.IntegerElement(fieldName, link.Page);
                    break;
                case LinkField::Cost:
                    writer_.FloatElement(fieldName, link.Cost);
                    break;
            }
        }
        writer_.Close(name);
    }

    void Tick() {
        if (throttle_.Due()) Report();
    }

    void Report() {
        if (Callbacks.SaveProgress) Callbacks.SaveProgress(writer_.ElementsWritten(), total_);
        if (Callbacks.ProcessPending) Callbacks.ProcessPending();
    }

    tagged::TTaggedTextWriter& writer_;
    const int64_t total_;
    TProgressThrottle throttle_;
    std::map<std::pair<Prefix, int>, std::vector<int>> orders_;
    const std::array<SiteField, 3> siteOrder_ = LocaleOrder<SiteField>(SiteFieldNames);
    const std::array<KeywordField, 7> keywordOrder_ = LocaleOrder<KeywordField>(KeywordFieldNames);
    const std::array<LinkField, 5> linkOrder_ = LocaleOrder<LinkField>(LinkFieldNames);
};

void Stage(const char* text) {
    if (Callbacks.StageText) Callbacks.StageText(text);
    if (Callbacks.ProcessPending) Callbacks.ProcessPending();
}

}  // namespace

namespace project {

void ReplaceFile(const std::u16string& temp, const std::u16string& target) {
    if (!runtime::os::RenameFileReplacing(temp, target)) {
        std::string reason = runtime::os::SysErrorMessage(runtime::os::LastOSError());
        (void)runtime::os::DeleteFile(temp);
        throw runtime::Exception("The file " + runtime::WideToAnsi(target) +
                                 " could not be replaced: " + reason);
    }
}

}  // namespace project

void SaveProject(const std::u16string& path) {
    static const TSiteList noSites;
    const TSiteList& sites = Sites ? *Sites : noSites;

    Stage("Preparing data for save... please wait");
    const int64_t total = CountElements(sites);
    Stage("Saving... please wait");

    const std::u16string temp = path + u".saving";
    try {
        runtime::TFileStream file(temp, runtime::fmCreate);
        file.WriteBuffer(ProjectMagic2008.data(), int64_t(ProjectMagicSize));
        const uint8_t noLength[4] = {};
        file.WriteBuffer(noLength, 4);

        tagged::TTaggedTextWriter writer(file);
        TProjectWriter(writer, total).Write(sites);
        writer.Flush();

        // The length field is 32 bits wide; readers of this format read to
        // the file's end whatever it says.
        uint64_t bytes = uint64_t(writer.BytesWritten());
        uint32_t length = bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(bytes);
        const uint8_t field[4] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                                  uint8_t(length >> 24)};
        file.Seek(int64_t(ProjectMagicSize), runtime::soFromBeginning);
        file.WriteBuffer(field, 4);
    } catch (...) {
        (void)runtime::os::DeleteFile(temp);
        throw;
    }
    project::ReplaceFile(temp, path);
}

}  // namespace core
