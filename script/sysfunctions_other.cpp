// The remaining standard functions (ctOther): counters, exceptions, the
// message box, random numbers, validity tests, OLE objects and Variant
// arrays.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/strings.h"
#include "runtime/variant.h"
#include "script/sysfunctions.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

using runtime::Variant;

Variant Inc(const SysCall& call) {
    call.SetArg(0, call.Arg(0) + call.Arg(1));
    return Variant();
}

Variant Dec(const SysCall& call) {
    call.SetArg(0, call.Arg(0) - call.Arg(1));
    return Variant();
}

Variant RaiseException(const SysCall& call) {
    throw runtime::Exception(call.Arg(0).AsString());
}

Variant ShowMessage(const SysCall& call) {
    ShowMessageText(runtime::VarToStr(call.Arg(0)));
    return Variant();
}

Variant Randomize(const SysCall& call) {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    call.module.RandomGenerator().seed(static_cast<uint64_t>(ticks));
    return Variant();
}

// 53 random bits scaled into [0, 1): never 1.
Variant Random(const SysCall& call) {
    const uint64_t bits = call.module.RandomGenerator()() >> 11;
    return Variant(static_cast<double>(bits) * 0x1.0p-53);
}

Variant ValidInt(const SysCall& call) {
    int32_t value = 0;
    return Variant(runtime::TryStrToInt(ArgText(call.Arg(0)).View(), value));
}

Variant ValidFloat(const SysCall& call) {
    double value = 0;
    return Variant(runtime::TryStrToFloat(ArgText(call.Arg(0)).View(), value));
}

Variant ValidDate(const SysCall& call) {
    runtime::TDateTime value = 0;
    return Variant(runtime::TryStrToDate(ArgText(call.Arg(0)).View(), value));
}

Variant CreateOleObject(const SysCall& call) {
    return CreateOleObjectByName(call.Arg(0).AsString());
}

// Bounds holds low/high pairs, one per dimension.
Variant VarArrayCreate(const SysCall& call) {
    const Variant bounds = call.Arg(0);
    if (bounds.ArrayDimCount() != 1)
        throw runtime::EVariantNotAnArrayError("Variant is not an array");
    const int64_t low = bounds.ArrayLowBound(1);
    const int64_t count = int64_t{bounds.ArrayHighBound(1)} - low + 1;
    if (count <= 0 || count % 2 != 0)
        throw runtime::EVariantArrayCreateError("Error creating variant or safe array");
    std::vector<runtime::TVarArrayBound> dims;
    for (int64_t i = low; i < low + count; i += 2) {
        const int64_t lowBound = bounds.GetElement({static_cast<int32_t>(i)}).AsInteger();
        const int64_t highBound = bounds.GetElement({static_cast<int32_t>(i + 1)}).AsInteger();
        const int64_t elements = highBound - lowBound + 1;
        if (elements < 0 || elements > INT32_MAX)
            throw runtime::EVariantArrayCreateError("Error creating variant or safe array");
        dims.push_back({static_cast<int32_t>(lowBound), static_cast<int32_t>(elements)});
    }
    const int32_t type = call.Arg(1).AsInteger();
    if (type < 0 || type > 0xFFFF)
        throw runtime::EVariantArrayCreateError("Error creating variant or safe array");
    // Held to the program's memory (its account refuses more); the elements
    // are made before anything else runs, so their work is charged first.
    uint64_t elements = 1;
    for (const runtime::TVarArrayBound& dim : dims) {
        elements *= static_cast<uint64_t>(dim.ElementCount);
        if (elements > uint64_t{runtime::kVariantArrayMaxElements}) break;
    }
    if (elements <= uint64_t{runtime::kVariantArrayMaxElements})
        ChargeWork(elements * sizeof(Variant));
    return Variant::CreateArray(dims, static_cast<runtime::TVarType>(type));
}

Variant VarType(const SysCall& call) {
    return Variant(int32_t{call.Arg(0).Type()});
}

}  // namespace script::sysfn
