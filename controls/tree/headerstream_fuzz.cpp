// Fuzz target: the header sections' stream reader, then a write and a
// second read of what was read.
#include <cstddef>
#include <cstdint>

#include "controls/tree/headersections.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace controls::tree;
    TGtHeaderSections sections;
    runtime::TMemoryStream in;
    in.WriteBuffer(data, static_cast<int64_t>(size));
    in.SetPosition(0);
    try {
        sections.LoadFromStream(in);
    } catch (const runtime::EReadError&) {
    }
    for (int i = 0; i < sections.Count(); ++i) (void)sections.ItemByPosition(i)->Visible();
    runtime::TMemoryStream out;
    sections.SaveToStream(out);
    out.SetPosition(0);
    TGtHeaderSections again;
    again.LoadFromStream(out);
    if (again.Count() != sections.Count()) __builtin_trap();
    return 0;
}
