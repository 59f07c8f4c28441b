#include "controls/unicode/unistrings.h"

#include <algorithm>

#include "controls/unicode/conversions.h"
#include "controls/unicode/widetext.h"
#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/list.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::unicode {

using runtime::TObject;

RUNTIME_BEGIN_CLASS(TAnsiStrings, runtime::TStrings)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TAnsiStringsForWideStrings, TAnsiStrings)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TUniStrings, runtime::TPersistent)
// The lines are streamed as the wide list's own properties, not through the view.
RUNTIME_PROPERTY(AnsiStrings, AnsiStrings, SetAnsiStrings).Stored(false);
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TUniStringList, TUniStrings)
RUNTIME_END_CLASS

namespace {

constexpr char16_t kLineSeparator = u'\u2028';

// The stream's bytes from its position to its end.
std::string ReadRest(runtime::TStream& stream) {
    const int64_t left = stream.Size() - stream.Position();
    std::string bytes;
    if (left <= 0) return bytes;
    bytes.resize(static_cast<size_t>(left));
    stream.ReadBuffer(bytes.data(), left);
    return bytes;
}

std::u16string FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
    // A trailing odd byte is no part of the text.
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        text[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    return text;
}

std::string ToUtf16LEBytes(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

// Design state of the component a stream is read for: the only time the
// UTF-8 and UTF-7 forms of a list are taken.
bool UtfHelp(runtime::TReader& reader) {
    const runtime::TComponent* owner = reader.Owner();
    return owner != nullptr && owner->ComponentState().Contains(runtime::csDesigning);
}

}  // namespace

// ---- DetectTextEncoding ------------------------------------------------------------

TTextEncoding DetectTextEncoding(runtime::TStream& stream) {
    const int64_t start = stream.Position();
    const int64_t left = stream.Size() - start;
    unsigned char mark[3] = {};
    if (left >= 2) {
        stream.ReadBuffer(mark, 2);
        if (mark[0] == 0xFF && mark[1] == 0xFE) return teUTF16LE;
        if (mark[0] == 0xFE && mark[1] == 0xFF) return teUTF16BE;
        stream.SetPosition(start);
    }
    if (left >= 3) {
        stream.ReadBuffer(mark, 3);
        if (mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return teUTF8;
        stream.SetPosition(start);
    }
    return teAnsi;
}

// ---- TAnsiStringsForWideStrings ---------------------------------------------------------

void TAnsiStringsForWideStrings::Clear() {
    wide_.Clear();
}

void TAnsiStringsForWideStrings::Delete(int index) {
    wide_.Delete(index);
}

void TAnsiStringsForWideStrings::Insert(int index, std::string_view s) {
    wide_.Insert(index, runtime::AnsiToWide(s));
}

std::string TAnsiStringsForWideStrings::Get(int index) const {
    return runtime::WideToAnsi(wide_.Get(index));
}

int TAnsiStringsForWideStrings::GetCount() const {
    return wide_.CountOf();
}

TObject* TAnsiStringsForWideStrings::GetObject(int index) const {
    return wide_.GetObject(index);
}

void TAnsiStringsForWideStrings::Put(int index, std::string_view s) {
    wide_.Put(index, runtime::AnsiToWide(s));
}

void TAnsiStringsForWideStrings::PutObject(int index, TObject* object) {
    wide_.SetObjectAt(index, object);
}

void TAnsiStringsForWideStrings::SetUpdateState(bool updating) {
    wide_.UpdateStateChanged(updating);
}

void TAnsiStringsForWideStrings::LoadFromStreamInCodePage(runtime::TStream& stream,
                                                          unsigned codePage) {
    const std::u16string text = CodePageToWide(ReadRest(stream), codePage);
    wide_.WithUpdate([&] { wide_.SetTextStr(text); });
}

void TAnsiStringsForWideStrings::SaveToStreamInCodePage(runtime::TStream& stream,
                                                        unsigned codePage) const {
    const std::string bytes = WideToCodePage(wide_.Text(), codePage);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// ---- TUniStrings ------------------------------------------------------------------------

TUniStrings::TUniStrings() : ansiStrings_(std::make_unique<TAnsiStringsForWideStrings>(*this)) {}

TUniStrings::~TUniStrings() = default;

void TUniStrings::Error(const char* message, int value) {
    throw runtime::EStringListError(runtime::Format(message, {value}));
}

void TUniStrings::SetAnsiStrings(TAnsiStrings* strings) {
    ansiStrings_->Assign(strings);
}

char16_t TUniStrings::NameValueSeparator() const {
    if ((definedSeparators_ & sdNameValueSeparator) == 0) nameValueSeparator_ = u'=';
    return nameValueSeparator_;
}

void TUniStrings::SetNameValueSeparator(char16_t separator) {
    definedSeparators_ |= sdNameValueSeparator;
    nameValueSeparator_ = separator;
}

void TUniStrings::SetDelimiter(char16_t delimiter) {
    definedSeparators_ |= sdDelimiter;
    delimiter_ = delimiter;
}

void TUniStrings::SetQuoteChar(char16_t quoteChar) {
    definedSeparators_ |= sdQuoteChar;
    quoteChar_ = quoteChar;
}

TObject* TUniStrings::GetObject(int) const {
    return nullptr;
}

std::u16string TUniStrings::TextOf() const {
    const int count = Count();
    size_t size = 0;
    for (int i = 0; i < count; ++i) size += Get(i).size() + 2;
    std::u16string text;
    text.reserve(size);
    for (int i = 0; i < count; ++i) {
        text += Get(i);
        text += u"\r\n";
    }
    return text;
}

void TUniStrings::Put(int index, std::u16string_view s) {
    WithUpdate([&] {
        TObject* object = GetObject(index);
        Delete(index);
        InsertObject(index, s, object);
    });
}

void TUniStrings::SetObjectAt(int, TObject*) {}

void TUniStrings::ChangeCapacity(int) {}

void TUniStrings::AssignText(std::u16string_view text) {
    WithUpdate([&] {
        Clear();
        size_t i = 0;
        while (i < text.size() && text[i] != 0) {
            const size_t start = i;
            while (i < text.size() && text[i] != 0 && text[i] != u'\n' && text[i] != u'\r' &&
                   text[i] != kLineSeparator)
                ++i;
            Add(text.substr(start, i - start));
            if (i < text.size() && text[i] == u'\r') ++i;
            if (i < text.size() && text[i] == u'\n') ++i;
            if (i < text.size() && text[i] == kLineSeparator) ++i;
        }
    });
}

void TUniStrings::UpdateStateChanged(bool) {}

int TUniStrings::CompareLines(std::u16string_view s1, std::u16string_view s2) const {
    return runtime::WideCompareText(s1, s2);
}

int TUniStrings::Add(std::u16string_view s) {
    const int index = Count();
    Insert(index, s);
    return index;
}

int TUniStrings::AddObject(std::u16string_view s, TObject* object) {
    const int index = Add(s);
    SetObjectAt(index, object);
    return index;
}

void TUniStrings::AddAll(const TUniStrings& strings) {
    WithUpdate([&] {
        // Read the count once: a list added to itself doubles.
        const int count = strings.Count();
        for (int i = 0; i < count; ++i) AddObject(strings.Get(i), strings.GetObject(i));
    });
}

void TUniStrings::Exchange(int index1, int index2) {
    WithUpdate([&] {
        const std::u16string s1 = Get(index1);
        const std::u16string s2 = Get(index2);
        TObject* o1 = GetObject(index1);
        TObject* o2 = GetObject(index2);
        Put(index1, s2);
        Put(index2, s1);
        SetObjectAt(index1, o2);
        SetObjectAt(index2, o1);
    });
}

std::unique_ptr<char16_t[]> TUniStrings::GetText() const {
    return WideStrNew(TextOf());
}

int TUniStrings::IndexOf(std::u16string_view s) const {
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (CompareLines(Get(i), s) == 0) return i;
    return -1;
}

int TUniStrings::IndexOfName(std::u16string_view name) const {
    const char16_t separator = NameValueSeparator();
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        const std::u16string line = Get(i);
        const size_t at = line.find(separator);
        if (at != std::u16string::npos &&
            CompareLines(std::u16string_view(line).substr(0, at), name) == 0)
            return i;
    }
    return -1;
}

int TUniStrings::IndexOfObject(const TObject* object) const {
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

void TUniStrings::InsertObject(int index, std::u16string_view s, TObject* object) {
    Insert(index, s);
    SetObjectAt(index, object);
}

void TUniStrings::LoadFromFile(const std::u16string& fileName) {
    TUniFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    lastFileCharSet_ = DetectTextEncoding(stream);
    stream.SetPosition(0);
    LoadFromStream(stream, true);
}

void TUniStrings::LoadFromStream(runtime::TStream& stream, bool detect) {
    WithUpdate([&] {
        const TTextEncoding encoding = detect ? DetectTextEncoding(stream) : teUTF16LE;
        const std::string bytes = ReadRest(stream);
        switch (encoding) {
            case teUTF16LE:
            case teUTF16BE:
                AssignText(FromUtf16Bytes(bytes, encoding == teUTF16BE));
                break;
            case teUTF8: {
                // Text behind the mark that is no UTF-8 still holds the
                // user's lines: they are read as ANSI rather than dropped.
                std::u16string text = UTF8ToWideString(bytes);
                if (text.empty() && !bytes.empty()) text = runtime::AnsiToWide(bytes);
                AssignText(text);
                break;
            }
            case teAnsi:
                AssignText(runtime::AnsiToWide(bytes));
                break;
        }
    });
}

void TUniStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    WithUpdate([&] {
        const std::u16string s = Get(curIndex);
        TObject* object = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, object);
    });
}

void TUniStrings::SaveToFile(const std::u16string& fileName) const {
    TUniFileStream stream(fileName, runtime::fmCreate);
    SaveToStream(stream, true);
}

void TUniStrings::SaveToStream(runtime::TStream& stream, bool writeMark) const {
    std::string bytes = writeMark ? std::string("\xFF\xFE") : std::string();
    bytes += ToUtf16LEBytes(TextOf());
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TUniStrings::SetText(const char16_t* text) {
    AssignText(std::u16string_view(text != nullptr ? text : u"", WideStrLen(text)));
}

void TUniStrings::BeginUpdate() {
    if (updateCount_ == 0) UpdateStateChanged(true);
    ++updateCount_;
}

void TUniStrings::EndUpdate() {
    // An unmatched EndUpdate is ignored rather than silencing the list.
    if (updateCount_ == 0) return;
    --updateCount_;
    if (updateCount_ == 0) UpdateStateChanged(false);
}

bool TUniStrings::SameContent(const TUniStrings& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

void TUniStrings::Assign(const runtime::TPersistent* source) {
    if (const auto* wide = dynamic_cast<const TUniStrings*>(source)) {
        if (wide == this) return;
        WithUpdate([&] {
            Clear();
            definedSeparators_ = wide->definedSeparators_;
            delimiter_ = wide->delimiter_;
            quoteChar_ = wide->quoteChar_;
            nameValueSeparator_ = wide->nameValueSeparator_;
            AddAll(*wide);
        });
        return;
    }
    if (dynamic_cast<const runtime::TStrings*>(source) != nullptr) {
        ansiStrings_->Assign(source);
        return;
    }
    runtime::TPersistent::Assign(source);
}

void TUniStrings::AssignTo(runtime::TPersistent* dest) const {
    if (auto* strings = dynamic_cast<runtime::TStrings*>(dest)) {
        strings->Assign(ansiStrings_.get());
        return;
    }
    runtime::TPersistent::AssignTo(dest);
}

// ---- form streams -------------------------------------------------------------------------

void TUniStrings::ReadStrings(runtime::TReader& reader) {
    WithUpdate([&] {
        if (reader.NextValue() == runtime::vaList) {
            reader.ReadListBegin();
            Clear();
            while (!reader.EndOfList()) Add(reader.ReadWideString());
            reader.ReadListEnd();
        } else {
            AssignText(reader.ReadWideString());
        }
    });
}

void TUniStrings::ReadEncodedLines(runtime::TReader& reader,
                                   std::u16string (*decode)(std::string_view)) {
    WithUpdate([&] {
        Clear();
        reader.ReadListBegin();
        while (!reader.EndOfList()) Add(decode(reader.ReadString()));
        reader.ReadListEnd();
    });
}

void TUniStrings::WriteWideStrings(runtime::TWriter& writer) const {
    writer.WriteListBegin();
    for (int i = 0; i < Count(); ++i) writer.WriteWideString(Get(i));
    writer.WriteListEnd();
}

void TUniStrings::WriteWideStringsUTF7(runtime::TWriter& writer) const {
    writer.WriteListBegin();
    for (int i = 0; i < Count(); ++i) writer.WriteString(WideStringToUTF7(Get(i)));
    writer.WriteListEnd();
}

// A line that its UTF-8 bytes, read as ANSI, would not give back: one with
// a character above 127.
bool TUniStrings::NeedsUTF7() const {
    for (int i = 0; i < Count(); ++i) {
        const std::u16string line = Get(i);
        if (!line.empty() && runtime::AnsiToWide(WideStringToUTF8(line)) != line) return true;
    }
    return false;
}

void TUniStrings::DefineProperties(runtime::TFiler& filer) {
    // No ancestor to compare with: the lines are written when there are any.
    const bool hasLines = Count() > 0;
    filer.DefineProperty(
        "Strings", [this](runtime::TReader& r) { ReadStrings(r); }, nullptr, false);
    filer.DefineProperty(
        "WideStrings", [this](runtime::TReader& r) { ReadStrings(r); },
        [this](runtime::TWriter& w) { WriteWideStrings(w); }, hasLines);
    filer.DefineProperty(
        "WideStringsW",
        [this](runtime::TReader& r) {
            if (!UtfHelp(r) && Count() > 0)
                r.SkipValue();
            else
                ReadEncodedLines(r, UTF8ToWideString);
        },
        nullptr, false);
    filer.DefineProperty(
        "WideStrings_UTF7",
        [this](runtime::TReader& r) {
            if (UtfHelp(r))
                ReadEncodedLines(r, UTF7ToWideString);
            else
                r.SkipValue();
        },
        [this](runtime::TWriter& w) { WriteWideStringsUTF7(w); }, hasLines && NeedsUTF7());
}

// ---- TUniStringList -------------------------------------------------------------------------

TUniStringList::~TUniStringList() {
    OnChange = {};
    OnChanging = {};
}

void TUniStringList::CheckIndex(int index) const {
    if (index < 0 || index >= CountOf()) Error(runtime::SListIndexError, index);
}

std::u16string TUniStringList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].string;
}

TObject* TUniStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TUniStringList::Put(int index, std::u16string_view s) {
    if (sorted_) Error(runtime::SSortedListError, 0);
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].string = s;
    Changed();
}

void TUniStringList::SetObjectAt(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].object = object;
    Changed();
}

void TUniStringList::ChangeCapacity(int capacity) {
    if (capacity < CountOf()) capacity = CountOf();
    items_.reserve(static_cast<size_t>(capacity));
    capacity_ = capacity;
}

void TUniStringList::UpdateStateChanged(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TUniStringList::CompareLines(std::u16string_view s1, std::u16string_view s2) const {
    return caseSensitive_ ? runtime::WideCompareStr(s1, s2) : runtime::WideCompareText(s1, s2);
}

void TUniStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TUniStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

int TUniStringList::AddObject(std::u16string_view s, TObject* object) {
    int index = CountOf();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == runtime::dupIgnore) return index;
        if (duplicates_ == runtime::dupError) Error(runtime::SDuplicateString, 0);
    }
    InsertItem(index, s, object);
    return index;
}

void TUniStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
    Changed();
}

void TUniStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TUniStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

bool TUniStringList::Find(std::u16string_view s, int& index) const {
    bool found = false;
    int low = 0;
    int high = CountOf() - 1;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int c = CompareLines(items_[static_cast<size_t>(mid)].string, s);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != runtime::dupAccept) low = mid;
            }
        }
    }
    index = low;
    return found;
}

int TUniStringList::IndexOf(std::u16string_view s) const {
    if (!sorted_) return TUniStrings::IndexOf(s);
    int index = -1;
    return Find(s, index) ? index : -1;
}

int TUniStringList::IndexOfName(std::u16string_view name) const {
    if (!sorted_) return TUniStrings::IndexOfName(name);
    std::u16string key(name);
    key += NameValueSeparator();
    int index = -1;
    Find(key, index);
    if (index < 0 || index >= CountOf()) return -1;
    const std::u16string& line = items_[static_cast<size_t>(index)].string;
    if (line.size() < key.size() ||
        CompareLines(std::u16string_view(line).substr(0, key.size()), key) != 0)
        return -1;
    return index;
}

void TUniStringList::Insert(int index, std::u16string_view s) {
    InsertObject(index, s, nullptr);
}

void TUniStringList::InsertObject(int index, std::u16string_view s, TObject* object) {
    if (sorted_) Error(runtime::SSortedListError, 0);
    if (index < 0 || index > CountOf()) Error(runtime::SListIndexError, index);
    InsertItem(index, s, object);
}

void TUniStringList::InsertItem(int index, std::u16string_view s, TObject* object) {
    Changing();
    if (CountOf() == capacity_) ChangeCapacity(capacity_ + runtime::ListGrowDelta(capacity_));
    items_.insert(items_.begin() + index, Item{std::u16string(s), object});
    Changed();
}

void TUniStringList::QuickSort(TUniStringListSortCompare compare) {
    runtime::ListQuickSort(
        CountOf(), [&](int i, int j) { return compare(*this, i, j); },
        [&](int i, int j) {
            std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
        });
}

void TUniStringList::Sort() {
    SortWith([](TUniStringList& list, int index1, int index2) {
        return list.CompareLines(list.items_[static_cast<size_t>(index1)].string,
                                 list.items_[static_cast<size_t>(index2)].string);
    });
}

void TUniStringList::SortWith(TUniStringListSortCompare compare) {
    if (sorted_ || CountOf() < 2) return;
    Changing();
    QuickSort(compare);
    Changed();
}

void TUniStringList::SetSorted(bool value) {
    if (value == sorted_) return;
    if (value) Sort();
    sorted_ = value;
}

void TUniStringList::SetCaseSensitive(bool value) {
    if (value == caseSensitive_) return;
    caseSensitive_ = value;
    if (sorted_) {
        sorted_ = false;
        Sort();
        sorted_ = true;
    }
}

}  // namespace controls::unicode
