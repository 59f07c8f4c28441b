// The binary reader over any bytes behind the signature. Whatever it reads,
// in part or whole, writes to a binary form that reads back to the same
// binary form and text, also after every node's first attribute is set
// again to its own value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "xml/document.h"
#include "xml/values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace xml;
    Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    std::string bytes(kBinaryXmlSignature);
    bytes.append(reinterpret_cast<const char*>(data), size);
    try {
        doc->LoadBinaryXML(bytes);
    } catch (const runtime::Exception&) {
        // Malformed input; the nodes read so far stay and are checked below.
    }
    std::string binary;
    std::u16string text;
    try {
        binary = doc->BinaryXML();
        text = doc->XML();
    } catch (const runtime::Exception&) {
        return 0;  // values the text and binary forms cannot hold
    }
    Ref<IXmlDocument> copy = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    copy->LoadBinaryXML(binary);
    if (copy->BinaryXML() != binary || copy->XML() != text) std::abort();

    std::vector<Ref<IXmlNode>> pending{Ref<IXmlNode>(copy.get())};
    while (!pending.empty()) {
        Ref<IXmlNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->AttrCount() > 0) {
            const int32_t id = node->AttrNameID(0);
            node->SetVarAttr(id, node->GetVarAttr(id, Variant()));
        }
        Ref<IXmlNodeList> children = node->ChildNodes();
        for (int i = 0; i < children->Count(); ++i) pending.push_back(children->Item(i));
    }
    if (copy->BinaryXML() != binary || copy->XML() != text) std::abort();
    return 0;
}
