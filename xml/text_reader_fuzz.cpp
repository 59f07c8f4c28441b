// The text reader over any bytes (a stream in whatever encoding its start
// shows). Whatever it accepts, in part or whole, is written, read back and
// written again to the same text, and survives the binary form; what the
// writer refuses (a control character that came by reference, "--" in a
// comment) survives the binary form.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "xml/document.h"
#include "xml/test_trees.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace xml;
    Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    runtime::TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        doc->Load(stream);
    } catch (const runtime::Exception&) {
        // Malformed input; the nodes read so far stay and are checked below.
    }
    (void)doc->Text();
    Ref<IXmlDocument> copy = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    std::u16string text;
    try {
        text = doc->XML();
    } catch (const runtime::Exception&) {
        copy->LoadBinaryXML(doc->BinaryXML());
        if (testing::DumpTree(*copy, testing::DumpMode::Typed) !=
            testing::DumpTree(*doc, testing::DumpMode::Typed))
            std::abort();
        return 0;
    }
    copy->LoadXML(text);
    if (copy->XML() != text) std::abort();

    copy->LoadBinaryXML(doc->BinaryXML());
    if (copy->XML() != text) std::abort();
    return 0;
}
