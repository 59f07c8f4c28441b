#include "controls/tree/widestrings.h"

#include <algorithm>
#include <cstring>

#include "controls/tree/widestr.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/list.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtWideStrings, runtime::TPersistent)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TGtWideStringList, TGtWideStrings)
RUNTIME_END_CLASS

namespace {

constexpr char16_t kCR = 13, kLF = 10;

std::u16string FromUtf16Bytes(const std::string& bytes, bool bigEndian) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    }
    return text;
}

// Reads exactly `count` bytes of a value body, checked against what the
// reader has left before anything is allocated.
std::string ReadValueBytes(runtime::TReader& reader, int64_t count) {
    if (count < 0 || count > reader.Remaining()) throw runtime::EReadError(runtime::SReadError);
    std::string bytes(static_cast<size_t>(count), '\0');
    if (count > 0) reader.Stream().ReadBuffer(bytes.data(), count);
    return bytes;
}

int32_t ReadValueLength(runtime::TReader& reader) {
    const std::string b = ReadValueBytes(reader, 4);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned char>(b[0])) |
                                static_cast<uint32_t>(static_cast<unsigned char>(b[1])) << 8 |
                                static_cast<uint32_t>(static_cast<unsigned char>(b[2])) << 16 |
                                static_cast<uint32_t>(static_cast<unsigned char>(b[3])) << 24);
}

}  // namespace

// ---- TGtWideStrings -------------------------------------------------------------------

void TGtWideStrings::Error(const char* message, int value) {
    throw runtime::EStringListError(runtime::Format(message, {value}));
}

void TGtWideStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TGtWideStrings::EndUpdate() {
    if (--updateCount_ == 0) SetUpdateState(false);
}

int TGtWideStrings::Add(std::u16string_view s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TGtWideStrings::AddObject(std::u16string_view s, runtime::TObject* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TGtWideStrings::AddStrings(const TGtWideStrings& source) {
    WithUpdate([&] {
        for (int i = 0; i < source.Count(); ++i) AddObject(source.Get(i), source.GetObject(i));
    });
}

void TGtWideStrings::Assign(const runtime::TPersistent* source) {
    if (const auto* wide = dynamic_cast<const TGtWideStrings*>(source)) {
        if (wide == this) return;
        WithUpdate([&] {
            Clear();
            AddStrings(*wide);
        });
        return;
    }
    if (const auto* strings = dynamic_cast<const runtime::TStrings*>(source)) {
        Assign(*strings);
        return;
    }
    TPersistent::Assign(source);
}

void TGtWideStrings::Assign(const runtime::TStrings& source) {
    WithUpdate([&] {
        Clear();
        SetTextStr(runtime::AnsiToWide(source.Text()));
        for (int i = 0; i < source.Count() && i < GetCount(); ++i) PutObject(i, source.Objects(i));
    });
}

void TGtWideStrings::AssignTo(runtime::TPersistent* dest) const {
    if (auto* wide = dynamic_cast<TGtWideStrings*>(dest)) {
        wide->Assign(this);
        return;
    }
    if (auto* strings = dynamic_cast<runtime::TStrings*>(dest)) {
        AssignTo(*strings);
        return;
    }
    TPersistent::AssignTo(dest);
}

void TGtWideStrings::AssignTo(runtime::TStrings& target) const {
    target.WithUpdate([&] {
        target.SetText(runtime::WideToAnsi(GetTextStr()));
        for (int i = 0; i < GetCount() && i < target.Count(); ++i)
            target.SetObjects(i, GetObject(i));
    });
}

bool TGtWideStrings::Equals(const TGtWideStrings& other) const {
    const int n = GetCount();
    if (n != other.GetCount()) return false;
    for (int i = 0; i < n; ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

void TGtWideStrings::Exchange(int index1, int index2) {
    WithUpdate([&] {
        const std::u16string s1 = Get(index1), s2 = Get(index2);
        runtime::TObject* o1 = GetObject(index1);
        runtime::TObject* o2 = GetObject(index2);
        Put(index1, s2);
        PutObject(index1, o2);
        Put(index2, s1);
        PutObject(index2, o1);
    });
}

int TGtWideStrings::GetCapacity() const {
    return GetCount();
}

runtime::TObject* TGtWideStrings::GetObject(int) const {
    return nullptr;
}

std::u16string TGtWideStrings::GetTextStr() const {
    const int n = GetCount();
    std::u16string text;
    for (int i = 0; i < n; ++i) {
        text += Get(i);
        text += kCR;
        text += kLF;
    }
    return text;
}

std::unique_ptr<char16_t[]> TGtWideStrings::GetText() const {
    const std::u16string text = GetTextStr();
    auto buffer = std::make_unique<char16_t[]>(text.size() + 1);
    std::memcpy(buffer.get(), text.data(), sizeof(char16_t) * text.size());
    buffer[text.size()] = 0;
    return buffer;
}

int TGtWideStrings::IndexOf(std::u16string_view s) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareWide(Get(i), s) == 0) return i;
    return -1;
}

void TGtWideStrings::InsertObject(int index, std::u16string_view s, runtime::TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TGtWideStrings::LoadFromFile(const std::u16string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGtWideStrings::LoadFromFile(const std::string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGtWideStrings::LoadFromStream(runtime::TStream& stream) {
    WithUpdate([&] {
        const int64_t remaining = std::max<int64_t>(stream.Size() - stream.Position(), 0);
        unsigned char mark[2] = {0, 0};
        const int64_t got = stream.Read(mark, std::min<int64_t>(remaining, 2));
        const bool little = got == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
        const bool big = got == 2 && mark[0] == 0xFE && mark[1] == 0xFF;
        if (little || big) {
            unicodeText_ = true;
            std::string bytes(static_cast<size_t>(remaining - 2), '\0');
            stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
            SetTextStr(FromUtf16Bytes(bytes, big));
            return;
        }
        unicodeText_ = false;
        stream.Seek(-got, runtime::soFromCurrent);
        std::string bytes(static_cast<size_t>(remaining), '\0');
        stream.ReadBuffer(bytes.data(), remaining);
        SetTextStr(runtime::AnsiToWide(bytes));
    });
}

void TGtWideStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    WithUpdate([&] {
        const std::u16string s = Get(curIndex);
        runtime::TObject* object = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, object);
    });
}

void TGtWideStrings::Put(int index, std::u16string_view s) {
    runtime::TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

void TGtWideStrings::PutObject(int, runtime::TObject*) {}

void TGtWideStrings::SaveToFile(const std::u16string& fileName) const {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    SaveToStream(stream);
}

void TGtWideStrings::SaveToFile(const std::string& fileName) const {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    SaveToStream(stream);
}

void TGtWideStrings::SaveToStream(runtime::TStream& stream) const {
    const std::u16string text = GetTextStr();
    if (unicodeText_) {
        std::string bytes;
        bytes.reserve(2 + 2 * text.size());
        bytes += '\xFF';
        bytes += '\xFE';
        for (char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    } else {
        const std::string bytes = runtime::WideToAnsi(text);
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
}

void TGtWideStrings::SetCapacity(int) {}

void TGtWideStrings::SetText(const char16_t* text) {
    SetTextStr(BufferToWide(text));
}

void TGtWideStrings::SetTextStr(std::u16string_view text) {
    WithUpdate([&] {
        Clear();
        size_t p = 0;
        const size_t n = text.size();
        while (p < n && text[p] != 0) {
            const size_t start = p;
            while (p < n && text[p] != 0 && text[p] != kCR && text[p] != kLF) ++p;
            Add(text.substr(start, p - start));
            if (p < n && text[p] == kCR) ++p;
            if (p < n && text[p] == kLF) ++p;
        }
    });
}

void TGtWideStrings::SetUpdateState(bool) {}

void TGtWideStrings::DefineProperties(runtime::TFiler& filer) {
    filer.DefineProperty(
        "Strings", [this](runtime::TReader& reader) { ReadStrings(reader); },
        [this](runtime::TWriter& writer) {
            writer.WriteListBegin();
            for (int i = 0; i < GetCount(); ++i) writer.WriteWideString(Get(i));
            writer.WriteListEnd();
        },
        GetCount() > 0);
}

void TGtWideStrings::ReadStrings(runtime::TReader& reader) {
    reader.ReadListBegin();
    WithUpdate([&] {
        Clear();
        while (!reader.EndOfList()) {
            const std::string type = ReadValueBytes(reader, 1);
            switch (static_cast<unsigned char>(type[0]) & 0x7F) {
                case runtime::vaWString: {
                    const int32_t units = ReadValueLength(reader);
                    if (units < 0) throw runtime::EReadError(SWideStringsReadError);
                    Add(FromUtf16Bytes(ReadValueBytes(reader, int64_t{units} * 2), false));
                    break;
                }
                case runtime::vaLString: {
                    const int32_t bytes = ReadValueLength(reader);
                    if (bytes < 0) throw runtime::EReadError(SWideStringsReadError);
                    Add(runtime::AnsiToWide(ReadValueBytes(reader, bytes)));
                    break;
                }
                case runtime::vaString: {
                    const std::string length = ReadValueBytes(reader, 1);
                    Add(runtime::AnsiToWide(
                        ReadValueBytes(reader, static_cast<unsigned char>(length[0]))));
                    break;
                }
                default:
                    throw runtime::EReadError(SWideStringsReadError);
            }
        }
    });
    reader.ReadListEnd();
}

// ---- TGtWideStringList ----------------------------------------------------------------

TGtWideStringList::~TGtWideStringList() {
    OnChange.Clear();
    OnChanging.Clear();
}

// ---- TGtListNotify ----------------------------------------------------------------------

TGtListNotify& TGtListNotify::operator=(runtime::TNotifyEvent handler) {
    plain_ = nullptr;
    context_ = nullptr;
    if (handler)
        handler_ = std::make_unique<runtime::TNotifyEvent>(std::move(handler));
    else
        handler_.reset();
    return *this;
}

void TGtListNotify::Bind(Plain plain, void* context) {
    handler_.reset();
    plain_ = plain;
    context_ = context;
}

void TGtListNotify::Clear() {
    handler_.reset();
    plain_ = nullptr;
    context_ = nullptr;
}

void TGtWideStringList::CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) Error(runtime::SListIndexError, index);
}

std::u16string_view TGtWideStringList::View(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].string;
}

std::u16string TGtWideStringList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].string;
}

runtime::TObject* TGtWideStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TGtWideStringList::Changed() {
    if (UpdateCount() == 0) OnChange(this);
}

void TGtWideStringList::Changing() {
    if (UpdateCount() == 0) OnChanging(this);
}

void TGtWideStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

void TGtWideStringList::SetCapacity(int capacity) {
    if (capacity < GetCount()) return;
    items_.reserve(static_cast<size_t>(capacity));
    capacity_ = capacity;
}

void TGtWideStringList::InsertEntry(int index, std::u16string_view s) {
    Changing();
    if (GetCount() == capacity_)
        capacity_ += capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    // Capacity keeps its steps (4 slots first), but the entries take room
    // only as they come, two first: every item of a tree holds such a list
    // for its column texts, mostly one or two, and unused slots made up a
    // fifth of a large tree's memory.
    if (items_.size() == items_.capacity()) items_.reserve(std::max<size_t>(2, 2 * items_.size()));
    items_.insert(items_.begin() + index, Entry{std::u16string(s), nullptr});
    Changed();
}

int TGtWideStringList::Add(std::u16string_view s) {
    int index = GetCount();
    if (sorted_) {
        if (Find(s, index)) {
            if (duplicates_ == gtDupIgnore) return index;
            if (duplicates_ == gtDupError) Error(runtime::SDuplicateString, 0);
        }
    }
    InsertEntry(index, s);
    return index;
}

void TGtWideStringList::Insert(int index, std::u16string_view s) {
    if (sorted_) Error(runtime::SSortedListError, 0);
    if (index < 0 || index > GetCount()) Error(runtime::SListIndexError, index);
    InsertEntry(index, s);
}

void TGtWideStringList::Put(int index, std::u16string_view s) {
    if (sorted_) Error(runtime::SSortedListError, 0);
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].string = s;
    Changed();
}

void TGtWideStringList::PutObject(int index, runtime::TObject* object) {
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].object = object;
    Changed();
}

void TGtWideStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TGtWideStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

void TGtWideStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
    Changed();
}

int TGtWideStringList::IndexOf(std::u16string_view s) const {
    if (!sorted_) return TGtWideStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

bool TGtWideStringList::Find(std::u16string_view s, int& index) const {
    bool found = false;
    int low = 0, high = GetCount() - 1;
    while (low <= high) {
        const int middle = (low + high) >> 1;
        const int c = CompareStrWide(items_[static_cast<size_t>(middle)].string, s);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != gtDupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TGtWideStringList::Sort() {
    CustomSort([](TGtWideStringList& list, int i, int j) {
        return CompareStrWide(list.items_[static_cast<size_t>(i)].string,
                              list.items_[static_cast<size_t>(j)].string);
    });
}

void TGtWideStringList::CustomSort(const TGtWideStringListSortCompare& compare) {
    if (sorted_ || GetCount() < 2) return;
    Changing();
    runtime::ListQuickSort(
        GetCount(), [&](int i, int j) { return compare(*this, i, j); },
        [&](int i, int j) {
            std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
        });
    Changed();
}

}  // namespace controls::tree
