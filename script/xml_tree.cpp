#include "script/xml_tree.h"

#include <utility>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/list.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "script/errors.h"
#include "script/xml_reader.h"
#include "script/xml_writer.h"

namespace script {

namespace {

constexpr std::string_view kQuotEntity = "&quot;";

bool NeedsEscape(char c) {
    return c == '\n' || c == '\r' || c == '"' || c == '<' || c == '>' || c == '&';
}

// Whether `text` holds `name="` at `at`, the name compared without regard
// to case, with a blank or the start of the text before it.
bool AttributeAt(std::string_view text, size_t at, std::string_view name) {
    if (at > 0 && text[at - 1] != ' ') return false;
    if (at + name.size() + 2 > text.size()) return false;
    return runtime::SameText(text.substr(at, name.size()), name) && text[at + name.size()] == '=' &&
           text[at + name.size() + 1] == '"';
}

size_t FindAttribute(std::string_view text, std::string_view name) {
    for (size_t at = 0; at + name.size() + 2 <= text.size(); ++at)
        if (AttributeAt(text, at, name)) return at;
    return std::string_view::npos;
}

[[noreturn]] void ThrowIndexError(int index) {
    throw runtime::EListError(runtime::Format(runtime::SListIndexError, {index}));
}

// A deep copy of `source` made with an explicit stack, so the depth of a
// tree never turns into depth of recursion.
std::unique_ptr<TscXMLItem> DeepCopy(const TscXMLItem& source) {
    auto copy = std::make_unique<TscXMLItem>();
    std::vector<std::pair<const TscXMLItem*, TscXMLItem*>> pending{{&source, copy.get()}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        to->Name = from->Name;
        to->Text = from->Text;
        to->Data = from->Data;
        for (int i = 0; i < from->Count(); ++i) pending.emplace_back(&from->Items(i), &to->Add());
    }
    return copy;
}

}  // namespace

std::string XmlEscape(std::string_view value) {
    std::string out;
    AppendXmlEscaped(out, value);
    return out;
}

void AppendXmlEscaped(std::string& out, std::string_view value) {
    size_t from = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        if (!NeedsEscape(value[i])) continue;
        out.append(value, from, i - from);
        out += "&#";
        out += std::to_string(static_cast<unsigned char>(value[i]));
        out.push_back(';');
        from = i + 1;
    }
    out.append(value, from);
}

std::string XmlUnescape(std::string_view value) {
    if (value.find('&') == std::string_view::npos) return std::string(value);
    std::string out;
    out.reserve(value.size());
    size_t i = 0;
    while (i < value.size()) {
        if (value.substr(i, 2) == "&#") {
            const size_t semicolon = value.find(';', i + 2);
            if (semicolon != std::string_view::npos) {
                const int code = runtime::StrToInt(value.substr(i + 2, semicolon - i - 2));
                out.push_back(static_cast<char>(code & 0xFF));
                i = semicolon + 1;
                continue;
            }
        } else if (value.substr(i, kQuotEntity.size()) == kQuotEntity) {
            out.push_back('"');
            i += kQuotEntity.size();
            continue;
        }
        out.push_back(value[i++]);
    }
    return out;
}

// ---- TscXMLItem -------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TscXMLItem, runtime::TObject)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TscXMLDocument, runtime::TObject)
RUNTIME_END_CLASS

TscXMLItem::~TscXMLItem() {
    Clear();
    if (parent_) {
        // The parent's owning pointer is released, not reset: this object
        // is already being destroyed.
        parent_->Detach(*this).release();
    }
}

TscXMLItem& TscXMLItem::Root() {
    TscXMLItem* item = this;
    while (item->parent_) item = item->parent_;
    return *item;
}

TscXMLItem& TscXMLItem::Items(int index) const {
    if (index < 0 || index >= Count()) ThrowIndexError(index);
    return *children_[static_cast<size_t>(index)];
}

// Frees the subtree without recursing: each element's children are taken
// over by the work list and the element detached before it is deleted, so
// no destructor finds children or a parent of its own.
void TscXMLItem::Clear() {
    std::vector<TscXMLItem*> doomed;
    doomed.reserve(children_.size());
    for (auto& child : children_) doomed.push_back(child.release());
    children_.clear();
    while (!doomed.empty()) {
        TscXMLItem* item = doomed.back();
        doomed.pop_back();
        for (auto& child : item->children_) doomed.push_back(child.release());
        item->children_.clear();
        item->parent_ = nullptr;
        delete item;
    }
}

TscXMLItem& TscXMLItem::Add() {
    Adopt(std::make_unique<TscXMLItem>());
    return *children_.back();
}

void TscXMLItem::CheckNotSelfOrAncestor(const TscXMLItem& item) const {
    for (const TscXMLItem* p = this; p; p = p->parent_)
        if (p == &item)
            throw runtime::EInvalidOperation(std::string(MessageText(Msg::ElementInOwnSubtree)));
}

std::unique_ptr<TscXMLItem> TscXMLItem::Detach(TscXMLItem& child) {
    for (size_t i = children_.size(); i-- > 0;) {
        if (children_[i].get() == &child) {
            std::unique_ptr<TscXMLItem> owned = std::move(children_[i]);
            children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
            owned->parent_ = nullptr;
            return owned;
        }
    }
    return nullptr;
}

void TscXMLItem::Adopt(std::unique_ptr<TscXMLItem> item) {
    item->parent_ = this;
    children_.push_back(std::move(item));
}

void TscXMLItem::AddItem(std::unique_ptr<TscXMLItem> item) {
    if (!item) return;
    if (item->parent_) {
        // Someone else owns it already; never free it from here.
        item.release();
        throw runtime::EInvalidOperation(std::string(MessageText(Msg::ElementNotOwnedByTree)));
    }
    if (item.get() == this) {
        item.release();
        throw runtime::EInvalidOperation(std::string(MessageText(Msg::ElementInOwnSubtree)));
    }
    CheckNotSelfOrAncestor(*item);
    Adopt(std::move(item));
}

void TscXMLItem::AddItem(TscXMLItem& item) {
    if (!item.parent_)
        throw runtime::EInvalidOperation(std::string(MessageText(Msg::ElementNotOwnedByTree)));
    CheckNotSelfOrAncestor(item);
    Adopt(item.parent_->Detach(item));
}

void TscXMLItem::Move(int from, int to) {
    if (to < 0 || to >= Count()) ThrowIndexError(to);
    std::unique_ptr<TscXMLItem> item = std::move(children_[static_cast<size_t>(from)]);
    children_.erase(children_.begin() + from);
    children_.insert(children_.begin() + to, std::move(item));
}

void TscXMLItem::InsertItem(int index, std::unique_ptr<TscXMLItem> item) {
    if (!item) return;
    AddItem(std::move(item));
    Move(Count() - 1, index);
}

void TscXMLItem::InsertItem(int index, TscXMLItem& item) {
    AddItem(item);
    Move(Count() - 1, index);
}

int TscXMLItem::Find(std::string_view name) const {
    for (size_t i = 0; i < children_.size(); ++i)
        if (runtime::SameText(children_[i]->Name, name)) return static_cast<int>(i);
    return -1;
}

TscXMLItem& TscXMLItem::FindItem(std::string_view name) {
    const int index = Find(name);
    if (index >= 0) return *children_[static_cast<size_t>(index)];
    TscXMLItem& item = Add();
    item.Name = name;
    return item;
}

std::string TscXMLItem::Prop(std::string_view name) const {
    const size_t at = FindAttribute(Text, name);
    if (at == std::string_view::npos) return {};
    const size_t begin = at + name.size() + 2;
    const size_t end = Text.find('"', begin);
    return XmlUnescape(
        std::string_view(Text).substr(begin, end == std::string::npos ? end : end - begin));
}

void TscXMLItem::SetProp(std::string_view name, std::string_view value) {
    size_t at = FindAttribute(Text, name);
    if (at != std::string::npos) {
        const size_t close = Text.find('"', at + name.size() + 2);
        Text.erase(at, close == std::string::npos ? std::string::npos : close + 1 - at);
    } else {
        at = Text.size();
    }
    std::string attribute;
    if (at > 0 && Text[at - 1] != ' ') attribute.push_back(' ');
    attribute += name;
    attribute += "=\"";
    attribute += XmlEscape(value);
    attribute.push_back('"');
    Text.insert(at, attribute);
}

void TscXMLItem::CopyTree(const TscXMLItem* source) {
    if (!source) {
        Clear();
        return;
    }
    // Copied before anything is freed: the source may lie inside this
    // element's own subtree.
    std::unique_ptr<TscXMLItem> copy = DeepCopy(*source);
    Clear();
    Name = std::move(copy->Name);
    Text = std::move(copy->Text);
    Data = copy->Data;
    children_ = std::move(copy->children_);
    copy->children_.clear();
    for (auto& child : children_) child->parent_ = this;
}

// ---- TscXMLDocument ---------------------------------------------------------

TscXMLDocument::TscXMLDocument() : root_(std::make_unique<TscXMLItem>()) {}

void TscXMLDocument::LoadFromString(std::string_view text) {
    root_->Clear();
    TscXMLReader(text).ReadDocument(*root_);
}

std::string TscXMLDocument::SaveToString() const {
    std::string out;
    TscXMLWriter(out).WriteDocument(*root_);
    return out;
}

void TscXMLDocument::LoadFromStream(runtime::TStream& stream) {
    root_->Clear();
    TscXMLReader(stream).ReadDocument(*root_);
}

void TscXMLDocument::SaveToStream(runtime::TStream& stream) const {
    TscXMLWriter writer(stream);
    writer.WriteDocument(*root_);
}

void TscXMLDocument::LoadFromFile(const std::string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TscXMLDocument::SaveToFile(const std::string& fileName) const {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    SaveToStream(stream);
}

}  // namespace script
