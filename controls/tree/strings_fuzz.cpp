// Fuzz target: the "Strings" stream property of the wide string lists.
// Damaged values must fail with a read error only.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/tree/widestrings.h"
#include "runtime/exceptions.h"
#include "runtime/objectstream.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace controls::tree;
    const std::string property =
        std::string("\x07Strings", 8) + std::string(reinterpret_cast<const char*>(data), size);
    runtime::TMemoryStream stream;
    stream.WriteBuffer(property.data(), static_cast<int64_t>(property.size()));
    stream.SetPosition(0);
    TGtWideStringList list;
    try {
        runtime::TReader reader(stream);
        reader.ReadProperty(list);
    } catch (const runtime::EReadError&) {
    }
    (void)list.GetTextStr();
    return 0;
}
