// Fuzzes the tagged-text parser: a text that loads must save and load
// again to the same tree, names and values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/tagged_text.h"
#include "core/xmldocument.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace {

// Values of one kind and one text: a float read from a text of more digits
// than the writer's comes back as the writer's nearest one.
bool SameValue(const runtime::Variant& a, const runtime::Variant& b) {
    if (a.Type() != b.Type()) return false;
    if (a.IsEmpty()) return true;
    if (a.IsFloat())
        return core::tagged::FloatText(a.AsDouble()) == core::tagged::FloatText(b.AsDouble());
    if (a.IsString()) return a.AsWideString() == b.AsWideString();
    return a.AsInt64() == b.AsInt64();
}

bool Same(const core::TXmlElement& a, const core::TXmlElement& b) {
    if (a.Name() != b.Name() || !SameValue(a.Value, b.Value) ||
        a.Children.Count() != b.Children.Count())
        return false;
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
