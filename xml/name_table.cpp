#include <algorithm>

#include "xml/limits.h"
#include "xml/node_classes.h"

namespace xml {

namespace {

int ClampBuckets(int bucketCount) {
    return std::clamp(bucketCount, 1, kMaxNameTableBuckets);
}

const std::u16string kNoName;

}  // namespace

TXmlNameTable::TXmlNameTable(int bucketCount)
    : buckets_(static_cast<size_t>(ClampBuckets(bucketCount))) {
    for (std::u16string_view name :
         {u"#text", u"#cdata-section", u"#comment", u"#document", u"xml"})
        GetID(name);
}

TXmlNameTable::TXmlNameTable(std::vector<std::u16string> names, int bucketCount)
    : names_(std::move(names)), buckets_(static_cast<size_t>(ClampBuckets(bucketCount))) {
    for (size_t id = 0; id < names_.size(); ++id)
        if (!names_[id].empty()) buckets_[BucketOf(names_[id])].push_back(static_cast<int32_t>(id));
}

size_t TXmlNameTable::BucketOf(std::u16string_view name) const {
    uint32_t hash = 0;
    for (char16_t unit : name) hash = hash * 33 + unit;
    return hash % buckets_.size();
}

int32_t TXmlNameTable::GetID(std::u16string_view name) {
    if (name.empty()) return -1;
    std::vector<int32_t>& bucket = buckets_[BucketOf(name)];
    for (int32_t id : bucket)
        if (names_[static_cast<size_t>(id)] == name) return id;
    auto id = static_cast<int32_t>(names_.size());
    names_.emplace_back(name);
    bucket.push_back(id);
    return id;
}

const std::u16string& TXmlNameTable::Name(int32_t id) const {
    if (id < 0 || static_cast<size_t>(id) >= names_.size()) return kNoName;
    return names_[static_cast<size_t>(id)];
}

TXmlNameTable& DefaultNameTable() {
    static const Ref<TXmlNameTable> table(new TXmlNameTable(kDefaultNameTableBuckets));
    return *table;
}

Ref<IXmlNameTable> CreateNameTable(int bucketCount) {
    return Ref<IXmlNameTable>(new TXmlNameTable(bucketCount));
}

}  // namespace xml
