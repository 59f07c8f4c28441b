// Fuzzes the small-XML reader: any input either loads or raises the
// engine's exception; what loads can be written and its attributes read.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "script/xml_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    script::TscXMLDocument doc;
    try {
        doc.LoadFromString(text);
    } catch (const runtime::Exception&) {
        return 0;
    }
    (void)doc.SaveToString();
    std::vector<const script::TscXMLItem*> pending{&doc.Root()};
    while (!pending.empty()) {
        const script::TscXMLItem* item = pending.back();
        pending.pop_back();
        try {
            (void)item->Prop("text");
        } catch (const runtime::Exception&) {
            // A malformed character code is a conversion error.
        }
        for (int i = 0; i < item->Count(); ++i) pending.push_back(&item->Items(i));
    }
    return 0;
}
