// Fuzzes the SOAP answer reader: arbitrary bytes as a response envelope and
// as a service description. Either may fail with ESoapError; nothing else
// may escape, and a value read keeps within the reader's caps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/soap_message.h"

namespace {

// Values in the tree, itself included.
int CountValues(const core::TSoapValue& value, int depth) {
    if (depth > core::kMaxSoapValueDepth) std::abort();
    int count = 1;
    for (const core::TSoapValue& child : value.Children) count += CountValues(child, depth + 1);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const core::TSoapValue value = core::ReadSoapResponse(bytes);
        if (CountValues(value, 1) > core::kMaxSoapValues) std::abort();
        (void)value.AsBase64();
        for (const core::TSoapValue& child : value.Children) {
            try {
                (void)child.AsInt();
            } catch (const core::ESoapError&) {
            }
        }
    } catch (const core::ESoapError&) {
    }
    try {
        (void)core::ReadWsdlAddress(bytes, u"GoogleSearchService", u"GoogleSearchPort");
    } catch (const core::ESoapError&) {
    }
    return 0;
}
