#include <algorithm>
#include <array>
#include <cstring>
#include <random>

#include "xml/limits.h"
#include "xml/node_classes.h"

namespace xml {

namespace {

int ClampBuckets(int bucketCount) {
    return std::clamp(bucketCount, 1, kMaxNameTableBuckets);
}

const std::u16string kNoName;

// The index starts with room for this many names and doubles at half full.
constexpr size_t kFirstSlots = 64;
constexpr int32_t kEmptySlot = -1;

uint64_t RotateLeft(uint64_t x, int b) {
    return (x << b) | (x >> (64 - b));
}

// SipHash-1-3 of the name's code units (as little-endian bytes) under a key
// that is random per process: names made to collide under a hash known in
// advance do not collide here.
uint64_t KeyedHash(std::u16string_view name) {
    static const std::array<uint64_t, 2> key = [] {
        std::random_device device;
        auto word = [&device] { return uint64_t{device()} << 32 | device(); };
        return std::array<uint64_t, 2>{word(), word()};
    }();
    uint64_t v0 = key[0] ^ 0x736f6d6570736575ull;
    uint64_t v1 = key[1] ^ 0x646f72616e646f6dull;
    uint64_t v2 = key[0] ^ 0x6c7967656e657261ull;
    uint64_t v3 = key[1] ^ 0x7465646279746573ull;
    auto round = [&] {
        v0 += v1;
        v1 = RotateLeft(v1, 13);
        v1 ^= v0;
        v0 = RotateLeft(v0, 32);
        v2 += v3;
        v3 = RotateLeft(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = RotateLeft(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = RotateLeft(v1, 17);
        v1 ^= v2;
        v2 = RotateLeft(v2, 32);
    };
    const size_t bytes = name.size() * 2;
    size_t unit = 0;
    // Four code units make one 64-bit word.
    for (; unit + 4 <= name.size(); unit += 4) {
        uint64_t m = uint64_t{name[unit]} | uint64_t{name[unit + 1]} << 16 |
                     uint64_t{name[unit + 2]} << 32 | uint64_t{name[unit + 3]} << 48;
        v3 ^= m;
        round();
        v0 ^= m;
    }
    uint64_t last = uint64_t{bytes & 0xFF} << 56;
    for (int shift = 0; unit < name.size(); ++unit, shift += 16)
        last |= uint64_t{name[unit]} << shift;
    v3 ^= last;
    round();
    v0 ^= last;
    v2 ^= 0xFF;
    round();
    round();
    round();
    return v0 ^ v1 ^ v2 ^ v3;
}

// The bucket hash of the stored form: h = h * 33 + unit over the code units,
// in 32 bits.
uint32_t StoredHash(std::u16string_view name) {
    uint32_t hash = 0;
    for (char16_t unit : name) hash = hash * 33 + unit;
    return hash;
}

}  // namespace

TXmlNameTable::TXmlNameTable(int bucketCount)
    : bucketCount_(ClampBuckets(bucketCount)), slots_(kFirstSlots, kEmptySlot) {
    for (std::u16string_view name :
         {u"#text", u"#cdata-section", u"#comment", u"#document", u"xml"})
        GetID(name);
}

TXmlNameTable::TXmlNameTable(std::vector<std::u16string> names, int bucketCount)
    : names_(std::move(names)), bucketCount_(ClampBuckets(bucketCount)) {
    size_t slots = kFirstSlots;
    while (slots < names_.size() * 2) slots *= 2;
    slots_.assign(slots, kEmptySlot);
    // A name that comes twice keeps its first id, as GetID finds it.
    for (size_t id = 0; id < names_.size(); ++id)
        if (!names_[id].empty() && Find(names_[id]) < 0) Place(static_cast<int32_t>(id));
}

int32_t TXmlNameTable::Find(std::u16string_view name) const {
    const size_t mask = slots_.size() - 1;
    for (size_t slot = KeyedHash(name) & mask;; slot = (slot + 1) & mask) {
        int32_t id = slots_[slot];
        if (id == kEmptySlot) return -1;
        if (names_[static_cast<size_t>(id)] == name) return id;
    }
}

void TXmlNameTable::Place(int32_t id) {
    const size_t mask = slots_.size() - 1;
    size_t slot = KeyedHash(names_[static_cast<size_t>(id)]) & mask;
    while (slots_[slot] != kEmptySlot) slot = (slot + 1) & mask;
    slots_[slot] = id;
    ++placed_;
}

int32_t TXmlNameTable::GetID(std::u16string_view name) {
    if (name.empty()) return -1;
    int32_t id = Find(name);
    if (id >= 0) return id;
    id = static_cast<int32_t>(names_.size());
    names_.emplace_back(name);
    if ((placed_ + 1) * 2 > slots_.size()) {
        // Half full: twice the room, every name placed anew.
        std::vector<int32_t> old(slots_.size() * 2, kEmptySlot);
        slots_.swap(old);
        placed_ = 0;
        for (int32_t placed : old)
            if (placed != kEmptySlot) Place(placed);
    }
    Place(id);
    return id;
}

const std::u16string& TXmlNameTable::Name(int32_t id) const {
    if (id < 0 || static_cast<size_t>(id) >= names_.size()) return kNoName;
    return names_[static_cast<size_t>(id)];
}

std::vector<std::vector<int32_t>> TXmlNameTable::StoredBuckets() const {
    std::vector<std::vector<int32_t>> buckets(static_cast<size_t>(bucketCount_));
    for (size_t id = 0; id < names_.size(); ++id)
        if (!names_[id].empty())
            buckets[StoredHash(names_[id]) % buckets.size()].push_back(static_cast<int32_t>(id));
    return buckets;
}

TXmlNameTable& DefaultNameTable() {
    static const Ref<TXmlNameTable> table(new TXmlNameTable(kDefaultNameTableBuckets));
    return *table;
}

Ref<IXmlNameTable> CreateNameTable(int bucketCount) {
    return Ref<IXmlNameTable>(new TXmlNameTable(bucketCount));
}

}  // namespace xml
