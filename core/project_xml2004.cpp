// The oldest project format: a zlib stream holding an XML document (text or
// binary form) read through the XML library.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/project_internal.h"
#include "core/zstream.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "xml/document.h"

namespace core::project {

namespace {

// Files of this format were small; a length field beyond this is taken for
// damage rather than inflated into memory and parsed into a tree.
constexpr uint32_t MaxXmlProjectBytes = 128u << 20;
// Nor may the length promise more than this many bytes per compressed byte:
// the documents of this format compress about 30 times, while a crafted
// stream can promise a thousand times its size.
constexpr int64_t MaxXmlInflateRatio = 256;

// The child elements named prefix + i, for i below the count of the list's
// child nodes, in index order; of two of one name the first counts.
std::vector<xml::Ref<xml::IXmlElement>> IndexedChildren(xml::IXmlElement& list,
                                                        std::u16string_view prefix) {
    auto nodes = list.ChildNodes();
    const int count = nodes->Count();
    std::vector<xml::Ref<xml::IXmlElement>> byIndex(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) {
        auto node = nodes->Item(n);
        int index;
        if (!node || node->NodeType() != xml::ntElement ||
            !IndexedName(node->NodeName(), prefix, index) || index >= count ||
            byIndex[size_t(index)])
            continue;
        byIndex[size_t(index)] =
            xml::Ref<xml::IXmlElement>(dynamic_cast<xml::IXmlElement*>(node.get()));
    }
    std::erase(byIndex, nullptr);
    return byIndex;
}

void ReadLink(xml::IXmlElement& node, TLink& link) {
    link.SetTexts(runtime::WideToAnsi(node.GetAttr(u"Name")), node.GetAttr(u"Title"),
                  node.GetAttr(u"Description"));
    link.Position = node.GetIntAttr(u"Position");
    link.Page = node.GetIntAttr(u"Page");
    link.Cost = node.GetFloatAttr(u"Cost");
}

void ReadKeyword(xml::IXmlElement& node, TKeyword& keyword) {
    keyword.Name = node.GetAttr(u"Name");
    keyword.Position = node.GetIntAttr(u"Position");
    keyword.LastPosition = node.GetIntAttr(u"LastPosition");
    keyword.Best = node.GetIntAttr(u"Best");
    keyword.Active = node.GetBoolAttr(u"Active", true);
    keyword.Date = node.GetFloatAttr(u"Date");
    auto links = node.FindElement(u"Links");
    if (!links) return;
    for (auto& linkNode : IndexedChildren(*links, u"Link")) {
        auto link = std::make_unique<TLink>();
        ReadLink(*linkNode, *link);
        keyword.Links.Add(std::move(link));
    }
}

void ReadSite(xml::IXmlElement& node, TSite& site) {
    site.URL = runtime::WideToAnsi(node.GetAttr(u"URL"));
    site.Notes = node.GetAttr(u"Notes");
    auto keywords = node.FindElement(u"Keywords");
    if (!keywords) return;
    for (auto& keywordNode : IndexedChildren(*keywords, u"Keyword")) {
        auto keyword = std::make_unique<TKeyword>(std::u16string());
        ReadKeyword(*keywordNode, *keyword);
        site.Keywords.Add(std::move(keyword));
    }
}

}  // namespace

TLoadedProject ReadXmlProject2004(runtime::TStream& file) {
    const uint32_t length = ReadLengthField(file);
    const int64_t packed = std::max<int64_t>(file.Size() - file.Position(), 0);
    if (length > MaxXmlProjectBytes || int64_t(length) > (packed + 64) * MaxXmlInflateRatio)
        throw runtime::Exception("The project file is damaged.");

    runtime::TMemoryStream text;
    {
        TZDecompressionStream inflater(file);
        if (length > 0) text.CopyFrom(inflater, length);
    }
    text.SetPosition(0);

    auto document = xml::CreateXmlDocument(u"", "1.0", "windows-1251");
    document->Load(text);

    TLoadedProject project;
    auto root = document->DocumentElement();
    auto sites = root ? root->FindElement(u"Sites") : xml::Ref<xml::IXmlElement>();
    if (!sites) return project;
    project.ReplacesSites = sites->ChildNodes()->Count() > 0;
    for (auto& siteNode : IndexedChildren(*sites, u"Site")) {
        auto site = std::make_unique<TSite>(std::string());
        ReadSite(*siteNode, *site);
        project.Sites->Add(std::move(site));
    }
    return project;
}

}  // namespace core::project
