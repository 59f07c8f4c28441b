#include "runtime/stringlist.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/list.h"
#include "runtime/objectstream.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

// The characters that separate unquoted items (the class library stops at
// #0; a std::string may hold one, and it separates like the others).
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string joinDelimited(const TStrings& strings, char delimiter, char quote) {
    const int count = strings.Count();
    if (count == 1 && strings.Strings(0).empty()) return std::string(2, quote);
    std::string result;
    for (int i = 0; i < count; ++i) {
        if (i > 0) result += delimiter;
        const std::string s = strings.Strings(i);
        bool needsQuotes = false;
        for (const char c : s) {
            if (isBlank(c) || c == quote || c == delimiter) {
                needsQuotes = true;
                break;
            }
        }
        if (!needsQuotes) {
            result += s;
            continue;
        }
        result += quote;
        for (const char c : s) {
            if (c == quote) result += quote;
            result += c;
        }
        result += quote;
    }
    return result;
}

void splitDelimited(TStrings& strings, std::string_view text, char delimiter, char quote) {
    strings.WithUpdate([&] {
        strings.Clear();
        const size_t n = text.size();
        size_t p = 0;
        while (p < n && isBlank(text[p])) ++p;
        while (p < n) {
            if (text[p] == quote) {
                strings.Add(AnsiExtractQuotedStr(text, p, quote));
            } else {
                const size_t start = p;
                while (p < n && !isBlank(text[p]) && text[p] != delimiter) ++p;
                strings.Add(text.substr(start, p - start));
            }
            while (p < n && isBlank(text[p])) ++p;
            if (p < n && text[p] == delimiter) {
                if (p + 1 == n) strings.Add("");
                do {
                    ++p;
                } while (p < n && isBlank(text[p]));
            }
        }
    });
}

}  // namespace

// ---- TStrings -----------------------------------------------------------------

void TStrings::Error(const char* msg, int data) {
    throw EStringListError(Format(msg, {data}));
}

std::string TStrings::CommaText() const {
    return joinDelimited(*this, ',', '"');
}

void TStrings::SetCommaText(std::string_view text) {
    splitDelimited(*this, text, ',', '"');
}

std::string TStrings::DelimitedText() const {
    return joinDelimited(*this, delimiter_, quoteChar_);
}

void TStrings::SetDelimitedText(std::string_view text) {
    splitDelimited(*this, text, delimiter_, quoteChar_);
}

std::string TStrings::Names(int index) const {
    const std::string s = Get(index);
    const size_t p = s.find(nameValueSeparator_);
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, std::string_view value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    std::string line(name);
    line += nameValueSeparator_;
    line += value;
    // A new line is added whole, so that a sorted list takes it too.
    if (index < 0) {
        Add(line);
    } else {
        Put(index, line);
    }
}

std::string TStrings::ValueFromIndex(int index) const {
    if (index < 0) return {};
    const std::string s = Get(index);
    const size_t p = s.find(nameValueSeparator_);
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, std::string_view value) {
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    std::string line = index < 0 ? std::string() : Names(index);
    line += nameValueSeparator_;
    line += value;
    if (index < 0) {
        Add(line);
    } else {
        Put(index, line);
    }
}

int TStrings::Add(std::string_view s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(std::string_view s, TObject* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(const TStrings& strings) {
    WithUpdate([&] {
        const int count = strings.Count();
        for (int i = 0; i < count; ++i) AddObject(strings.Strings(i), strings.Objects(i));
    });
}

void TStrings::Assign(const TPersistent* persistent) {
    const auto* source = dynamic_cast<const TStrings*>(persistent);
    if (source == nullptr) {
        TPersistent::Assign(persistent);
        return;
    }
    if (source == this) return;
    WithUpdate([&] {
        Clear();
        delimiter_ = source->delimiter_;
        quoteChar_ = source->quoteChar_;
        nameValueSeparator_ = source->nameValueSeparator_;
        AddStrings(*source);
    });
}

void TStrings::DefineProperties(TFiler& filer) {
    filer.DefineProperty(
        "Strings",
        [this](TReader& reader) {
            reader.ReadListBegin();
            WithUpdate([&] {
                Clear();
                while (!reader.EndOfList()) Add(reader.ReadString());
                reader.ReadListEnd();
            });
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (int i = 0; i < Count(); ++i) writer.WriteString(Strings(i));
            writer.WriteListEnd();
        },
        Count() > 0);
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    // An unmatched EndUpdate is ignored rather than silencing the list.
    if (updateCount_ == 0) return;
    --updateCount_;
    if (updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Exchange(int index1, int index2) {
    WithUpdate([&] {
        const std::string s1 = Get(index1);
        TObject* object1 = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, s1);
        PutObject(index2, object1);
    });
}

bool TStrings::Equals(const TStrings& strings) const {
    const int count = GetCount();
    if (count != strings.Count()) return false;
    for (int i = 0; i < count; ++i) {
        if (Get(i) != strings.Strings(i)) return false;
    }
    return true;
}

int TStrings::IndexOf(std::string_view s) const {
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        if (CompareStrings(Get(i), s) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        const std::string s = Get(i);
        const size_t p = s.find(nameValueSeparator_);
        if (p != std::string::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0) {
            return i;
        }
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        if (GetObject(i) == object) return i;
    }
    return -1;
}

void TStrings::InsertObject(int index, std::string_view s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    // Checked before the line is deleted, so that a bad target loses nothing.
    const std::string s = Get(curIndex);
    if (newIndex < 0 || newIndex >= GetCount()) Error(SListIndexError, newIndex);
    WithUpdate([&] {
        TObject* object = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, object);
    });
}

void TStrings::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::LoadFromFile(const std::u16string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::LoadFromStream(TStream& stream) {
    WithUpdate([&] {
        // Read to the end, never asking the size: a stream that cannot tell
        // it (Seek answering -1) still gives all its text, and an inflating
        // stream would tell it only by inflating everything and starting
        // again (which it cannot do mid-stream). Each read asks for as much
        // as there is already, so a large stream takes a few reads.
        constexpr int64_t kChunk = 65536;
        std::string text;
        for (;;) {
            const size_t done = text.size();
            const int64_t want = std::max(kChunk, static_cast<int64_t>(done));
            text.resize(done + static_cast<size_t>(want));
            const int64_t n = stream.Read(text.data() + done, want);
            text.resize(done + static_cast<size_t>(n > 0 ? n : 0));
            if (n <= 0) break;
        }
        SetTextStr(text);
    });
}

void TStrings::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TStrings::SaveToFile(const std::u16string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TStrings::SaveToStream(TStream& stream) const {
    const std::string text = GetTextStr();
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

TObject* TStrings::GetObject(int) const {
    return nullptr;
}

void TStrings::Put(int index, std::string_view s) {
    TObject* object = GetObject(index);
    const std::string copy(s);
    Delete(index);
    InsertObject(index, copy, object);
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::GetCapacity() const {
    return GetCount();
}

void TStrings::DoSetCapacity(int) {}

std::string TStrings::GetTextStr() const {
    const int count = GetCount();
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetTextStr(std::string_view text) {
    WithUpdate([&] {
        Clear();
        const size_t n = text.size();
        size_t p = 0;
        while (p < n) {
            const size_t start = p;
            while (p < n && text[p] != '\r' && text[p] != '\n') ++p;
            Add(text.substr(start, p - start));
            if (p < n && text[p] == '\r') ++p;
            if (p < n && text[p] == '\n') ++p;
        }
    });
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(std::string_view s1, std::string_view s2) const {
    return AnsiCompareText(s1, s2);
}

// ---- TStringList --------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) Error(SListIndexError, index);
}

void TStringList::Grow() {
    DoSetCapacity(capacity_ + ListGrowDelta(capacity_));
}

void TStringList::DoSetCapacity(int capacity) {
    if (capacity < GetCount() || capacity > MaxListSize) Error(SListCapacityError, capacity);
    if (capacity > capacity_) items_.reserve(static_cast<size_t>(capacity));
    capacity_ = capacity;
}

std::string TStringList::Get(int index) const {
    CheckIndex(index);
    return items_[index].string;
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[index].object;
}

void TStringList::Put(int index, std::string_view s) {
    if (sorted_) Error(SSortedListError, 0);
    CheckIndex(index);
    std::string copy(s);
    Changing();
    items_[index].string = std::move(copy);
    Changed();
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    items_[index].object = object;
    Changed();
}

void TStringList::InsertItem(int index, std::string_view s, TObject* object) {
    Item item{std::string(s), object};
    Changing();
    if (GetCount() == capacity_) Grow();
    items_.insert(items_.begin() + index, std::move(item));
    Changed();
}

int TStringList::Add(std::string_view s) {
    return AddObject(s, nullptr);
}

int TStringList::AddObject(std::string_view s, TObject* object) {
    int index = GetCount();
    if (sorted_ && Find(s, index)) {
        // An ignored duplicate leaves the line found, and its object, alone.
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) Error(SDuplicateString, 0);
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Insert(int index, std::string_view s) {
    if (sorted_) Error(SSortedListError, 0);
    if (index < 0 || index > GetCount()) Error(SListIndexError, index);
    InsertItem(index, s, nullptr);
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<Item>().swap(items_);
    capacity_ = 0;
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(items_[index1], items_[index2]);
    Changed();
}

bool TStringList::Find(std::string_view s, int& index) const {
    bool found = false;
    int low = 0;
    int high = GetCount() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int c = CompareStrings(items_[middle].string, s);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

int TStringList::IndexOf(std::string_view s) const {
    if (!sorted_) return TStrings::IndexOf(s);
    int index = -1;
    return Find(s, index) ? index : -1;
}

void TStringList::Move(int curIndex, int newIndex) {
    if (curIndex != newIndex && sorted_) Error(SSortedListError, 0);
    TStrings::Move(curIndex, newIndex);
}

void TStringList::Sort() {
    CustomSort([](TStringList& list, int i, int j) {
        return list.CompareStrings(list.items_[i].string, list.items_[j].string);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (sorted_ || GetCount() < 2) return;
    Changing();
    ListQuickSort(
        GetCount(), [&](int i, int j) { return compare(*this, i, j); },
        [&](int i, int j) { std::swap(items_[i], items_[j]); });
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (value == sorted_) return;
    if (value) Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (value == caseSensitive_) return;
    caseSensitive_ = value;
    if (sorted_) {
        // Sort() leaves a sorted list alone: sort it as an unsorted one.
        sorted_ = false;
        Sort();
        sorted_ = true;
    }
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) {
        Changing();
    } else {
        Changed();
    }
}

int TStringList::CompareStrings(std::string_view s1, std::string_view s2) const {
    return caseSensitive_ ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

}  // namespace runtime
