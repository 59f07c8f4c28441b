#include "core/xmldocument.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "core/tagged_text.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace core {

namespace {

int CompareNames(std::u16string_view a, std::u16string_view b) {
    return runtime::WideCompareStr(a, b);
}

void WriteValue(tagged::TTaggedTextWriter& writer, const runtime::Variant& value) {
    if (value.IsString())
        writer.StringValue(value.AsWideString());
    else if (value.Type() == runtime::varBoolean)
        writer.IntegerValue(value.AsBoolean() ? -1 : 0);
    else if (value.IsOrdinal())
        writer.IntegerValue(value.AsInt64());
    else if (value.IsFloat())
        writer.FloatValue(value.AsDouble());
}

}  // namespace

// ---- TXmlElementList --------------------------------------------------------

bool TXmlElementList::TNameLess::operator()(std::u16string_view a, std::u16string_view b) const {
    return CompareNames(a, b) < 0;
}

void TXmlElementList::Merge() const {
    if (added_.empty()) return;
    std::vector<std::unique_ptr<TXmlElement>> merged;
    merged.reserve(items_.size() + added_.size());
    auto item = items_.begin();
    for (auto& [name, element] : added_) {
        while (item != items_.end() && CompareNames((*item)->Name(), name) <= 0)
            merged.push_back(std::move(*item++));
        merged.push_back(std::move(element));
    }
    while (item != items_.end()) merged.push_back(std::move(*item++));
    added_.clear();
    items_ = std::move(merged);
}

TXmlElement* TXmlElementList::Present(std::u16string_view name) const {
    // The merged part without merging: a binary search.
    auto at =
        std::lower_bound(items_.begin(), items_.end(), name,
                         [](const std::unique_ptr<TXmlElement>& element, std::u16string_view key) {
                             return CompareNames(element->Name(), key) < 0;
                         });
    if (at != items_.end() && CompareNames((*at)->Name(), name) == 0) return at->get();
    auto waiting = added_.find(name);
    return waiting != added_.end() ? waiting->second.get() : nullptr;
}

TXmlElement* TXmlElementList::Add(std::unique_ptr<TXmlElement> element) {
    TXmlElement* added = element.get();
    added_.emplace(added->Name(), std::move(element));
    return added;
}

bool TXmlElementList::Search(std::u16string_view name, int& index) const {
    Merge();
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        int middle = (low + high) / 2;
        int c = CompareNames(items_[size_t(middle)]->Name(), name);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) found = true;
        }
    }
    index = low;
    return found;
}

TXmlElement* TXmlElementList::Find(std::u16string_view name) const {
    int index;
    return Search(name, index) ? items_[size_t(index)].get() : nullptr;
}

int TXmlElementList::IndexOfName(std::u16string_view name) const {
    int index;
    return Search(name, index) ? index : -1;
}

TXmlElement* TXmlElementList::AddSorted(std::unique_ptr<TXmlElement> element) {
    if (TXmlElement* present = Present(element->Name())) return present;
    return Add(std::move(element));
}

void TXmlElementList::Resort(std::u16string_view oldName, std::u16string_view newName) {
    // A waiting element's key views its name, which is about to change.
    Merge();
    if (oldName == newName || Count() < 2) return;
    int current;
    int target;
    if (!Search(oldName, current) || Search(newName, target)) return;
    if (target > current) --target;
    auto element = std::move(items_[size_t(current)]);
    items_.erase(items_.begin() + current);
    items_.insert(items_.begin() + target, std::move(element));
}

// ---- TXmlElement ------------------------------------------------------------

TXmlElement::TXmlElement(std::u16string name, TXmlElement* parent)
    : Document(parent ? parent->Document : nullptr), Parent(parent), name_(std::move(name)) {}

TXmlElement::~TXmlElement() {
    Children.Merge();
    auto& items = Children.items_;
    while (!items.empty()) items.pop_back();
    if (counted_ && Document) --Document->ElementCount;
}

void TXmlElement::SetName(std::u16string name) {
    if (name == name_) return;
    if (Parent) Parent->Children.Resort(name_, name);
    name_ = std::move(name);
}

std::unique_ptr<TXmlElement> TXmlElement::NewChild(std::u16string name) {
    auto child = std::make_unique<TXmlElement>(std::move(name), this);
    if (Document) {
        child->counted_ = true;
        ++Document->ElementCount;
    }
    return child;
}

TXmlElement& TXmlElement::AddChild(std::u16string_view name) {
    if (TXmlElement* present = Children.Present(name)) return *present;
    return *Children.Add(NewChild(std::u16string(name)));
}

void TXmlElement::SetValue(std::u16string_view name, const runtime::Variant& value) {
    AddChild(name).Value = value;
}

runtime::Variant TXmlElement::GetValue(std::u16string_view name) const {
    const TXmlElement* child = Children.Find(name);
    return child ? child->Value : runtime::Variant::Null();
}

std::u16string TXmlElement::GetString(std::u16string_view name) const {
    runtime::Variant value = GetValue(name);
    return value.IsNull() ? std::u16string() : value.AsWideString();
}

bool TXmlElement::GetBool(std::u16string_view name) const {
    runtime::Variant value = GetValue(name);
    return !value.IsNull() && value.AsBoolean();
}

int32_t TXmlElement::GetInteger(std::u16string_view name) const {
    runtime::Variant value = GetValue(name);
    return value.IsNull() ? 0 : value.AsInteger();
}

// ---- TXmlDocument -----------------------------------------------------------

TXmlDocument::TXmlDocument() : root_(std::make_unique<TXmlElement>(u"DocumentRoot", nullptr)) {
    root_->Document = this;
}

TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::SaveToStream(runtime::TStream* stream) {
    if (!stream) throw runtime::Exception("Attempted to write to nil stream");
    Progress = 0;
    tagged::TTaggedTextWriter writer(*stream);
    // Depth first without recursion: a frame is an element and the index of
    // its next child to write.
    std::vector<std::pair<TXmlElement*, int>> stack;
    auto open = [&](TXmlElement* element) {
        writer.Open(element->Name());
        WriteValue(writer, element->Value);
        if (OnSaveProgress) OnSaveProgress(element, Progress, ElementCount);
        ++Progress;
        stack.emplace_back(element, 0);
    };
    open(root_.get());
    while (!stack.empty()) {
        auto& [element, next] = stack.back();
        if (next < element->Children.Count()) {
            open(element->Children.Items(next++));
        } else {
            writer.Close(element->Name());
            stack.pop_back();
        }
    }
    writer.Flush();
}

void TXmlDocument::LoadFromStream(runtime::TStream* stream) {
    if (!stream) throw runtime::Exception("Attempted to read from nil stream");
    Progress = 0;
    const int64_t start = stream->Position();
    const int64_t size = stream->Size();
    const int64_t units = size >= start ? (size - start) / 2 : 0;
    ParseGuarded(*stream, start, units, size, DumpFolder, [&] {
        tagged::TTaggedTextReader reader(*stream);
        // The elements open in the text; the root stands for the outermost.
        std::vector<TXmlElement*> open;
        auto byName = [](const std::unique_ptr<TXmlElement>& a,
                         const std::unique_ptr<TXmlElement>& b) {
            return CompareNames(a->Name(), b->Name()) < 0;
        };
        for (;;) {
            int64_t position = reader.Position() + 1;
            auto token = reader.Next();
            if (token == tagged::TTaggedTextReader::Token::End) break;
            switch (token) {
                case tagged::TTaggedTextReader::Token::Open:
                    if (OnLoadProgress) OnLoadProgress(this, position, units);
                    if (open.empty()) {
                        root_->name_ = reader.Text();
                        open.push_back(root_.get());
                    } else {
                        // Siblings may come in any order: they are sorted when
                        // their parent closes.
                        auto& items = open.back()->Children.items_;
                        items.push_back(open.back()->NewChild(reader.Text()));
                        open.push_back(items.back().get());
                    }
                    break;
                case tagged::TTaggedTextReader::Token::Value:
                    open.back()->Value = tagged::ParseValue(reader.Marker(), reader.Text());
                    break;
                case tagged::TTaggedTextReader::Token::Close: {
                    auto& items = open.back()->Children.items_;
                    if (!std::is_sorted(items.begin(), items.end(), byName))
                        std::stable_sort(items.begin(), items.end(), byName);
                    open.pop_back();
                    break;
                }
                case tagged::TTaggedTextReader::Token::End:
                    break;
            }
        }
    });
}

namespace {

// The dump is named only when it was written: a message must not send the
// user looking for a file that is not there.
std::string LoadErrorMessage(std::string_view reason, int64_t streamSize, int64_t textUnits,
                             std::u16string_view dumpFolder, bool dumped) {
    std::string message = "Error while loading project.\r\n";
    message += reason;
    message += "\r\nAdditional info: stream size=" + runtime::IntToStr(streamSize) +
               "; buf size=" + runtime::IntToStr(textUnits);
    if (!dumped) return message;
    message += "\r\n\r\nA debug dump has been created at:\r\n";
    // A message is 8-bit text: what the code page cannot spell shows as
    // its substitute, while the dump itself lands in the right folder.
    message += runtime::WideToAnsi(dumpFolder);
    message += "debug.xml\r\n\r\n";
    message += "Please send the debug dump file and the bug report to the developer";
    return message;
}

// False when no folder is set or the dump could not be written.
bool WriteDebugDump(runtime::TStream& stream, int64_t start, int64_t units,
                    std::u16string_view dumpFolder) {
    if (dumpFolder.empty()) return false;
    try {
        runtime::TFileStream dump(std::u16string(dumpFolder) + u"debug.xml", runtime::fmCreate);
        stream.Seek(start, runtime::soFromBeginning);
        // Copy what the stream still gives, up to the text's length.
        std::vector<char> buffer(65536);
        int64_t left = units * 2;
        while (left > 0) {
            int64_t n = stream.Read(buffer.data(), std::min<int64_t>(left, int64_t(buffer.size())));
            if (n <= 0) break;
            dump.WriteBuffer(buffer.data(), n);
            left -= n;
        }
        return true;
    } catch (...) {
        // The dump only helps a bug report; the load error is what counts.
        return false;
    }
}

}  // namespace

void ParseGuarded(runtime::TStream& stream, int64_t start, int64_t units, int64_t streamSize,
                  std::u16string_view dumpFolder, const std::function<void()>& parse) {
    try {
        parse();
    } catch (const std::exception& e) {
        bool dumped = WriteDebugDump(stream, start, units, dumpFolder);
        throw runtime::Exception(LoadErrorMessage(e.what(), streamSize, units, dumpFolder, dumped));
    }
}

}  // namespace core
