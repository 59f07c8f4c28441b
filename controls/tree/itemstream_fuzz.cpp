// Fuzz target: the item stream reader. Damaged streams must fail with a
// read error; anything else (a crash, a leak, another exception) is a
// finding. What was read is written again and read back.
#include <cstddef>
#include <cstdint>

#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace controls::tree;
    TGtTreeModel tree;
    runtime::TMemoryStream in;
    in.WriteBuffer(data, static_cast<int64_t>(size));
    in.SetPosition(0);
    try {
        tree.Items().LoadFromStream(in);
    } catch (const runtime::EReadError&) {
    }
    runtime::TMemoryStream out;
    tree.Items().SaveToStream(out);
    out.SetPosition(0);
    TGtTreeModel again;
    again.Items().LoadFromStream(out);
    if (again.Items().Count() != tree.Items().Count()) __builtin_trap();
    tree.Sort(true);
    return 0;
}
