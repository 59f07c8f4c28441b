// Fuzz target: SectionsOrder written with any text over a few sections; the
// order read back must name every section once.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "controls/tree/headersections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace controls::tree;
    TGtHeaderSections sections;
    for (int i = 0; i < 4; ++i) sections.AddSection();
    sections.SetSectionsOrder(std::string_view(reinterpret_cast<const char*>(data), size));
    int indexes = 0;
    for (int i = 0; i < sections.Count(); ++i) indexes |= 1 << sections.ItemByPosition(i)->Index();
    if (indexes != 0xF) __builtin_trap();
    (void)sections.SectionsOrder();
    return 0;
}
