// Variant arrays: any number of dimensions up to kVariantArrayMaxDims, any
// bounds, elements stored with the first dimension varying fastest (as OLE's
// safe arrays), so that resizing the last dimension keeps every element in
// place.
#include <cstdint>
#include <iterator>
#include <memory>

#include "runtime/exceptions.h"
#include "runtime/variant.h"
#include "runtime/variant_internal.h"

namespace runtime {

using namespace variant_internal;

namespace {

using V = VariantInternals;

constexpr TVarType kElementTypes[] = {
    varSmallint, varInteger,  varSingle, varDouble,   varCurrency, varDate,
    varOleStr,   varDispatch, varError,  varBoolean,  varVariant,  varUnknown,
    varShortInt, varByte,     varWord,   varLongWord, varInt64,    varString,
};
static_assert(std::size(kElementTypes) == 18);

[[noreturn]] void ThrowCreate() {
    throw EVariantArrayCreateError("Error creating variant or safe array");
}

[[noreturn]] void ThrowBadIndex() {
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
}

void CheckElementType(TVarType type) {
    for (TVarType t : kElementTypes)
        if (t == type) return;
    ThrowCreate();
}

// The value of a fresh element.
Variant ZeroOf(TVarType type) {
    switch (type) {
        case varVariant:
            return Variant();
        case varString:
            return Variant(std::string());
        case varOleStr:
            return Variant(std::u16string());
        case varDispatch:
        case varUnknown:
            return Variant().AsType(type);
        case varSingle:
        case varDouble:
        case varDate:
            return V::MakeDouble(type, 0);
        default:
            return V::MakeInt(type, 0);
    }
}

int64_t ElementCount(std::span<const TVarArrayBound> bounds) {
    int64_t total = 1;
    for (const TVarArrayBound& b : bounds) {
        total *= b.ElementCount;
        if (total > kVariantArrayMaxElements) ThrowCreate();
    }
    return total;
}

ArrayHeap& ArrayHeapOf(const Variant& v) {
    if (!v.IsArray()) throw EVariantNotAnArrayError("Variant is not an array");
    return V::Array(v);
}

size_t Offset(const ArrayHeap& array, std::span<const int32_t> indices) {
    if (indices.size() != array.bounds.size()) ThrowBadIndex();
    size_t offset = 0, stride = 1;
    for (size_t d = 0; d < indices.size(); ++d) {
        const TVarArrayBound& b = array.bounds[d];
        const int64_t k = int64_t{indices[d]} - b.LowBound;
        if (k < 0 || k >= b.ElementCount) ThrowBadIndex();
        offset += static_cast<size_t>(k) * stride;
        stride *= static_cast<size_t>(b.ElementCount);
    }
    return offset;
}

const TVarArrayBound& Dimension(const Variant& v, int dim) {
    const ArrayHeap& array = ArrayHeapOf(v);
    if (dim < 1 || static_cast<size_t>(dim) > array.bounds.size()) ThrowBadIndex();
    return array.bounds[static_cast<size_t>(dim) - 1];
}

}  // namespace

Variant Variant::CreateArray(std::span<const TVarArrayBound> bounds, TVarType elementType) {
    CheckElementType(elementType);
    if (bounds.empty() || bounds.size() > kVariantArrayMaxDims) ThrowCreate();
    for (const TVarArrayBound& b : bounds)
        if (b.ElementCount < 0 || int64_t{b.LowBound} + b.ElementCount - 1 > INT32_MAX)
            ThrowCreate();
    const int64_t count = ElementCount(bounds);

    VariantMemoryCharge charge(ArrayHeap::Bytes(bounds.size(), static_cast<size_t>(count)));
    auto heap = std::make_unique<ArrayHeap>();
    heap->elementType = elementType;
    heap->bounds.assign(bounds.begin(), bounds.end());
    const Variant zero = ZeroOf(elementType);
    heap->elements.reserve(static_cast<size_t>(count));
    ArrayHeap::InPieces(static_cast<size_t>(count), [&](size_t, size_t n) {
        heap->elements.insert(heap->elements.end(), n, zero);
    });
    charge.HandTo(*heap);
    return V::MakeHeap(varArray | elementType, heap.release());
}

Variant Variant::CreateArray(std::initializer_list<int32_t> lowHighPairs, TVarType elementType) {
    if (lowHighPairs.size() % 2 != 0 || lowHighPairs.size() / 2 > kVariantArrayMaxDims)
        ThrowCreate();
    TVarArrayBound bounds[kVariantArrayMaxDims];
    size_t dims = 0;
    for (auto it = lowHighPairs.begin(); it != lowHighPairs.end(); it += 2) {
        const int64_t low = it[0], high = it[1];
        if (high < low - 1 || high - low + 1 > INT32_MAX) ThrowCreate();
        bounds[dims++] = TVarArrayBound{it[0], static_cast<int32_t>(high - low + 1)};
    }
    return CreateArray(std::span<const TVarArrayBound>(bounds, dims), elementType);
}

Variant Variant::ArrayOf(std::span<const Variant> values) {
    if (static_cast<int64_t>(values.size()) > kVariantArrayMaxElements) ThrowCreate();
    VariantMemoryCharge charge(ArrayHeap::Bytes(1, values.size()));
    auto heap = std::make_unique<ArrayHeap>();
    heap->elementType = varVariant;
    heap->bounds.push_back(TVarArrayBound{0, static_cast<int32_t>(values.size())});
    heap->elements.assign(values.begin(), values.end());
    charge.HandTo(*heap);
    return V::MakeHeap(varArray | varVariant, heap.release());
}

Variant Variant::ArrayOf(std::initializer_list<Variant> values) {
    return ArrayOf(std::span<const Variant>(values.begin(), values.size()));
}

int Variant::ArrayDimCount() const {
    return IsArray() ? static_cast<int>(V::Array(*this).bounds.size()) : 0;
}

int32_t Variant::ArrayLowBound(int dim) const {
    return Dimension(*this, dim).LowBound;
}

int32_t Variant::ArrayHighBound(int dim) const {
    const TVarArrayBound& b = Dimension(*this, dim);
    return static_cast<int32_t>(int64_t{b.LowBound} + b.ElementCount - 1);
}

TVarType Variant::ArrayElementType() const {
    return IsArray() ? V::Array(*this).elementType : varEmpty;
}

Variant Variant::GetElement(std::span<const int32_t> indices) const {
    const ArrayHeap& array = ArrayHeapOf(*this);
    return array.elements[Offset(array, indices)];
}

void Variant::SetElement(std::span<const int32_t> indices, const Variant& value) {
    ArrayHeap& array = ArrayHeapOf(*this);
    const size_t offset = Offset(array, indices);
    // Converted (or copied) before the slot is touched: `value` may be this
    // very array or one of its elements.
    Variant converted =
        array.elementType == varVariant ? Variant(value) : value.AsType(array.elementType);
    array.elements[offset] = std::move(converted);
}

Variant Variant::GetElement(std::initializer_list<int32_t> indices) const {
    return GetElement(std::span<const int32_t>(indices.begin(), indices.size()));
}

void Variant::SetElement(std::initializer_list<int32_t> indices, const Variant& value) {
    SetElement(std::span<const int32_t>(indices.begin(), indices.size()), value);
}

Variant* Variant::ElementRef(std::span<const int32_t> indices) {
    ArrayHeap& array = ArrayHeapOf(*this);
    const size_t offset = Offset(array, indices);
    return array.elementType == varVariant ? &array.elements[offset] : nullptr;
}

void Variant::ArrayRedim(int32_t highBound) {
    ArrayHeap& array = ArrayHeapOf(*this);
    TVarArrayBound last = array.bounds.back();
    if (int64_t{highBound} < int64_t{last.LowBound} - 1)
        throw EVariantInvalidArgError("Invalid argument");
    // From a negative low bound the count can pass what a bound holds.
    const int64_t lastCount = int64_t{highBound} - last.LowBound + 1;
    if (lastCount > INT32_MAX) throw ERangeError("Range check error");
    last.ElementCount = static_cast<int32_t>(lastCount);
    std::vector<TVarArrayBound> bounds = array.bounds;
    bounds.back() = last;
    const int64_t count = ElementCount(bounds);
    const size_t before = array.charged;
    VariantMemoryCharge::Recharge(array,
                                  ArrayHeap::Bytes(bounds.size(), static_cast<size_t>(count)));
    const size_t size = array.elements.size();
    try {
        if (static_cast<size_t>(count) <= size) {
            array.elements.resize(static_cast<size_t>(count));
        } else {
            const Variant zero = ZeroOf(array.elementType);
            array.elements.reserve(static_cast<size_t>(count));
            ArrayHeap::InPieces(static_cast<size_t>(count) - size, [&](size_t, size_t n) {
                array.elements.insert(array.elements.end(), n, zero);
            });
        }
    } catch (...) {
        array.elements.resize(size);
        VariantMemoryCharge::Recharge(array, before);
        throw;
    }
    // Memory a shrinking array no longer needs goes back.
    if (array.elements.capacity() > array.elements.size() * 2) array.elements.shrink_to_fit();
    array.bounds = std::move(bounds);
}

}  // namespace runtime
