// Reading attributes and interning names grow in proportion to the input
// (tests/support/linear_time.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/linear_time.h"
#include "xml/document.h"

namespace xml {
namespace {

TEST(XmlScaling, AttributesOfOneElement) {
    serplow::testing::ExpectLinearTime("attributes", 12500, [](int count) {
        std::u16string text = u"<e";
        for (int i = 0; i < count; ++i) {
            std::u16string n;
            for (int v = i; v > 0 || n.empty(); v /= 26) n += static_cast<char16_t>(u'a' + v % 26);
            text += u" " + n + u"='v'";
        }
        text += u" a='again'/>";
        return [text, count] {
            Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "UTF-16", CreateNameTable(4096));
            doc->LoadXML(text);
            ASSERT_EQ(doc->DocumentElement()->AttrCount(), count);
            // A repeated name replaces the earlier value.
            ASSERT_EQ(doc->DocumentElement()->GetAttr(u"a"), u"again");
        };
    });
}

// Names that the hash h * 33 + unit (which the stored form keeps) gives one
// value: "aZ" and "b9" add the same to any hash, so every string of such
// pairs collides with every other of its length.
TEST(XmlScaling, NamesThatCollide) {
    serplow::testing::ExpectLinearTime("colliding names", 4096, [](int count) {
        std::vector<std::u16string> names;
        for (int i = 0; i < count; ++i) {
            std::u16string name;
            for (int bit = 0; bit < 16; ++bit) name += (i >> bit & 1) ? u"b9" : u"aZ";
            names.push_back(std::move(name));
        }
        return [names] {
            Ref<IXmlNameTable> table = CreateNameTable(4096);
            for (const std::u16string& name : names) table->GetID(name);
            ASSERT_EQ(table->GetID(names.front()), 5);
        };
    });
}

}  // namespace
}  // namespace xml
