// Fuzzes the tagged-text parser: a text that loads must save and load
// again to the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/xmldocument.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace {

bool Same(const core::TXmlElement& a, const core::TXmlElement& b) {
    if (a.Name() != b.Name() || a.Children.Count() != b.Children.Count()) return false;
    for (int i = 0; i < a.Children.Count(); ++i)
        if (!Same(*a.Children.Items(i), *b.Children.Items(i))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::TStringStream input(std::string(reinterpret_cast<const char*>(data), size));
    core::TXmlDocument document;
    try {
        document.LoadFromStream(&input);
    } catch (const runtime::Exception&) {
        return 0;
    }
    runtime::TStringStream saved;
    document.SaveToStream(&saved);
    saved.SetPosition(0);
    core::TXmlDocument again;
    again.LoadFromStream(&saved);
    if (!Same(document.Root(), again.Root())) std::abort();
    return 0;
}
