#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "xml/errors.h"
#include "xml/limits.h"
#include "xml/name_chars.h"
#include "xml/node_classes.h"
#include "xml/text_writer.h"
#include "xml/values.h"

namespace xml {

namespace {

bool IsPlainName(std::u16string_view name) {
    if (name.empty() || !IsXmlNameStart(name[0])) return false;
    for (char16_t c : name.substr(1))
        if (!IsXmlNameChar(c)) return false;
    return true;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

[[noreturn]] void RaiseNotInteger(std::u16string_view text) {
    throw runtime::EConvertError("'" + runtime::WideToAnsi(text) +
                                 "' is not a valid integer value");
}

// A text first through the locale's conversion (which rounds a decimal
// text), then as a plain decimal or "$"-hexadecimal integer.
int32_t VarToInt(const Variant& value) {
    if (!value.IsString()) return value.AsInteger();
    try {
        return value.AsInteger();
    } catch (const runtime::Exception&) {
        int32_t result;
        if (runtime::TryStrToInt(runtime::Trim(value.AsString()), result)) return result;
        throw;
    }
}

double VarToFloat(const Variant& value) {
    if (value.Type() == runtime::varDate) return value.AsDate();
    if (value.IsNumeric()) return value.AsDouble();
    std::u16string text = XmlVarToStr(value);
    try {
        return XmlStrToFloat(text);
    } catch (const runtime::Exception&) {
        runtime::TDateTime date;
        if (TryXmlStrToDateTime(text, date)) return date;
        throw;
    }
}

// Growth of a full child list: small lists by 4, up to 64 by 16, then by a
// quarter (nodes come one at a time, mostly few per list).
size_t GrownListCapacity(size_t capacity) {
    if (capacity <= 64) return capacity + (capacity < 9 ? 4 : 16);
    return capacity + capacity / 4;
}

// Most attributes a node's slot array holds (its capacity field's range).
constexpr uint32_t kMaxAttrCapacity = (uint32_t{1} << 30) - 1;

// A slot array: `count` values, then as many name ids.
size_t SlotBytes(size_t count) {
    return count * (sizeof(TXmlValue) + sizeof(int32_t));
}

// Growth of a full attribute array: by 4 below 9, by 16 up to 64, by a
// quarter up to 256, by half above.
uint32_t GrownAttrCapacity(uint32_t count) {
    if (count >= kMaxAttrCapacity) throw std::bad_alloc();
    uint64_t grown = count < 9      ? count + 4
                     : count <= 64  ? count + 16
                     : count <= 256 ? count + count / 4
                                    : uint64_t{count} + count / 2;
    return static_cast<uint32_t>(std::min<uint64_t>(grown, kMaxAttrCapacity));
}

template <class T>
void MakeRoomForOne(std::vector<T>& items, size_t (*grown)(size_t)) {
    if (items.size() == items.capacity()) items.reserve(grown(items.capacity()));
}

}  // namespace

// ---- TXmlNodeList -----------------------------------------------------------------

TXmlNodeList::~TXmlNodeList() {
    for (TXmlNode* node : items_) {
        Unlink(node);
        node->Release();
    }
}

Ref<IXmlNode> TXmlNodeList::Item(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) return nullptr;
    return Ref<IXmlNode>(items_[static_cast<size_t>(index)]);
}

std::u16string TXmlNodeList::XML() const {
    std::u16string out;
    for (const TXmlNode* node : items_) WriteNodeXml(*node, out, 0);
    return out;
}

void TXmlNodeList::Unlink(TXmlNode* node) const {
    if (owner_ && node->parent_ == owner_) node->parent_ = nullptr;
}

void TXmlNodeList::Link(TXmlNode* node) const {
    // A list without owner (a selection) leaves the parent as it is.
    if (owner_) node->parent_ = owner_;
}

void TXmlNodeList::Reserve(size_t count) {
    items_.reserve(count);
}

void TXmlNodeList::Add(TXmlNode* node) {
    MakeRoomForOne(items_, GrownListCapacity);
    items_.push_back(node);
    node->AddRef();
    Link(node);
}

void TXmlNodeList::AddNew(TXmlNode* node) {
    try {
        Add(node);
    } catch (...) {
        node->AddRef();
        node->Release();
        throw;
    }
}

void TXmlNodeList::Insert(size_t index, TXmlNode* node) {
    MakeRoomForOne(items_, GrownListCapacity);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), node);
    node->AddRef();
    Link(node);
}

void TXmlNodeList::Put(size_t index, TXmlNode* node) {
    node->AddRef();
    TXmlNode* old = items_[index];
    items_[index] = node;
    Unlink(old);
    Link(node);
    old->Release();
}

int TXmlNodeList::IndexOf(const TXmlNode* node) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == node) return static_cast<int>(i);
    return -1;
}

void TXmlNodeList::Delete(size_t index) {
    TXmlNode* node = items_[index];
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    Unlink(node);
    node->Release();
}

void TXmlNodeList::Clear() {
    std::vector<TXmlNode*> items;
    items.swap(items_);
    for (TXmlNode* node : items) {
        Unlink(node);
        node->Release();
    }
}

// ---- TXmlNode ----------------------------------------------------------------------

TXmlNode* TXmlNode::From(IXmlNode* node) {
    return dynamic_cast<TXmlNode*>(node);
}

void TXmlNode::Destroy() const noexcept {
    // Frees the subtree without recursion, so that a deep tree cannot
    // exhaust the stack: children whose last reference was the list's go on
    // the work list instead of being released one inside another.
    std::vector<TXmlNode*> doomed{const_cast<TXmlNode*>(this)};
    while (!doomed.empty()) {
        TXmlNode* node = doomed.back();
        doomed.pop_back();
        if (TXmlNodeList* list = std::exchange(node->children_, nullptr)) {
            if (list->RefCount() == 1) {
                for (TXmlNode* child : list->items_) {
                    list->Unlink(child);
                    if (child->DropRef()) doomed.push_back(child);
                }
                list->items_.clear();
            } else {
                // Someone still holds the list: its nodes stay, without owner.
                for (TXmlNode* child : list->items_) list->Unlink(child);
            }
            list->owner_ = nullptr;
            list->Release();
        }
        if (node->inChunk_) {
            TXmlNodeChunk* chunk = node->chunk_;
            node->~TXmlNode();
            chunk->ReleaseBlock();
        } else {
            delete node;
        }
    }
}

TXmlNode::TXmlNode(TXmlNameTable& names, TXmlNodeChunk* chunk) {
    if (chunk) {
        chunk_ = chunk;
        inChunk_ = 1;
    } else {
        names_ = &names;
        names.AddRef();
    }
}

TXmlNode::~TXmlNode() {
    if (!attrsPacked_)
        for (uint32_t i = 0; i < attrCount_; ++i) attrValues_[i].~TXmlValue();
    FreeAttrArray();
    if (!inChunk_) names_->Release();
}

void TXmlNode::SetNames(TXmlNameTable& names) {
    names.AddRef();
    names_->Release();
    names_ = &names;
}

void TXmlNode::FreeAttrArray() noexcept {
    if (!attrsPacked_) ::operator delete(attrValues_);
}

void TXmlNode::SetTypedValue(const Variant& value) {
    SetText(XmlVarToStr(value));
}

std::u16string TXmlNode::XML() const {
    std::u16string out;
    WriteNodeXml(*this, out, 0);
    return out;
}

Ref<IXmlDocument> TXmlNode::OwnerDocument() const {
    for (const TXmlNode* node = this; node; node = node->parent_)
        if (node->NodeType() == ntDocument)
            return Ref<IXmlDocument>(static_cast<TXmlDocument*>(const_cast<TXmlNode*>(node)));
    return nullptr;
}

TXmlNodeList& TXmlNode::EnsureChildren() {
    if (!children_) {
        children_ = new TXmlNodeList(this);
        children_->AddRef();
    }
    return *children_;
}

void TXmlNode::CheckInsertable(const TXmlNode* node) const {
    for (const TXmlNode* up = this; up; up = up->parent_)
        if (up == node) RaiseXmlError(XmlError::NodeInsideItself);
}

Ref<IXmlNode> TXmlNode::AppendChild(const Ref<IXmlNode>& node) {
    TXmlNode* child = From(node.get());
    if (!child) return nullptr;
    CheckInsertable(child);
    EnsureChildren().Add(child);
    return node;
}

Ref<IXmlNode> TXmlNode::InsertBefore(const Ref<IXmlNode>& node, const Ref<IXmlNode>& refNode) {
    TXmlNode* child = From(node.get());
    if (!child) return nullptr;
    CheckInsertable(child);
    TXmlNodeList& list = EnsureChildren();
    int index = refNode ? list.IndexOf(From(refNode.get())) : -1;
    if (index < 0)
        list.Add(child);
    else
        list.Insert(static_cast<size_t>(index), child);
    return node;
}

Ref<IXmlNode> TXmlNode::ReplaceChild(const Ref<IXmlNode>& newNode, const Ref<IXmlNode>& oldNode) {
    TXmlNode* child = From(newNode.get());
    int index = children_ && oldNode ? children_->IndexOf(From(oldNode.get())) : -1;
    if (!child || index < 0) return nullptr;
    CheckInsertable(child);
    Ref<IXmlNode> old = oldNode;
    children_->Put(static_cast<size_t>(index), child);
    return old;
}

int TXmlNode::RemoveChild(const Ref<IXmlNode>& node) {
    int index = children_ && node ? children_->IndexOf(From(node.get())) : -1;
    if (index >= 0) children_->Delete(static_cast<size_t>(index));
    return index;
}

Ref<IXmlElement> TXmlNode::AppendElement(int32_t nameId) {
    auto* element = new TXmlElement(Names(), nameId);
    Ref<IXmlElement> result(element);
    EnsureChildren().Add(element);
    return result;
}

Ref<IXmlElement> TXmlNode::AppendElement(std::u16string_view name) {
    return AppendElement(Id(name));
}

Ref<IXmlText> TXmlNode::AppendText(std::u16string_view text) {
    auto* node = TXmlText::New(Names(), text);
    Ref<IXmlText> result(node);
    EnsureChildren().Add(node);
    return result;
}

Ref<IXmlCDATASection> TXmlNode::AppendCDATA(std::u16string_view text) {
    auto* node = new TXmlCDATASection(Names(), text);
    Ref<IXmlCDATASection> result(node);
    EnsureChildren().Add(node);
    return result;
}

Ref<IXmlComment> TXmlNode::AppendComment(std::u16string_view text) {
    auto* node = new TXmlComment(Names(), text);
    Ref<IXmlComment> result(node);
    EnsureChildren().Add(node);
    return result;
}

Ref<IXmlProcessingInstruction> TXmlNode::AppendProcessingInstruction(int32_t targetId,
                                                                     std::string_view data) {
    auto* node = new TXmlProcessingInstruction(Names(), targetId, runtime::AnsiToWide(data));
    Ref<IXmlProcessingInstruction> result(node);
    EnsureChildren().Add(node);
    return result;
}

Ref<IXmlProcessingInstruction> TXmlNode::AppendProcessingInstruction(std::u16string_view target,
                                                                     std::string_view data) {
    return AppendProcessingInstruction(Id(target), data);
}

std::u16string TXmlNode::GetChildText(std::u16string_view name, std::u16string_view def) const {
    return GetChildText(Id(name), def);
}

std::u16string TXmlNode::GetChildText(int32_t nameId, std::u16string_view def) const {
    if (children_)
        for (const TXmlNode* child : children_->Items())
            if (child->NodeNameID() == nameId) return child->Text();
    return std::u16string(def);
}

void TXmlNode::SetChildText(std::u16string_view name, std::u16string_view text) {
    SetChildText(Id(name), text);
}

void TXmlNode::SetChildText(int32_t nameId, std::u16string_view text) {
    if (children_)
        for (TXmlNode* child : children_->Items())
            if (child->NodeNameID() == nameId) {
                child->SetText(text);
                return;
            }
    AppendElement(nameId)->SetText(text);
}

void TXmlNode::RemoveAllChildren() {
    if (children_) children_->Clear();
}

void TXmlNode::RemoveTextChildren() {
    if (!children_) return;
    for (size_t i = children_->Size(); i-- > 0;) {
        TXmlNodeType type = children_->At(i)->NodeType();
        if (type == ntText || type == ntCDATASection) children_->Delete(i);
    }
}

Ref<IXmlNodeList> TXmlNode::SelectNodes(std::u16string_view name) {
    if (!IsPlainName(name)) RaiseXmlError(XmlError::UnsupportedXPath);
    int32_t id = Id(name);
    Ref<TXmlNodeList> list(new TXmlNodeList(nullptr));
    if (children_)
        for (TXmlNode* child : children_->Items())
            if (child->NodeType() == ntElement && child->NodeNameID() == id) list->Add(child);
    return list;
}

Ref<IXmlNode> TXmlNode::SelectSingleNode(std::u16string_view name) {
    if (!IsPlainName(name)) RaiseXmlError(XmlError::UnsupportedXPath);
    int32_t id = Id(name);
    if (children_)
        for (TXmlNode* child : children_->Items())
            if (child->NodeType() == ntElement && child->NodeNameID() == id)
                return Ref<IXmlNode>(child);
    return nullptr;
}

Ref<IXmlElement> TXmlNode::FindElement(std::u16string_view elementName,
                                       std::u16string_view attrName, const Variant& value) {
    if (!children_) return nullptr;
    int32_t elementId = Id(elementName);
    int32_t attrId = Id(attrName);
    for (TXmlNode* child : children_->Items()) {
        if (child->NodeType() != ntElement || child->NodeNameID() != elementId) continue;
        if (attrName.empty()) return static_cast<TXmlElement*>(child)->AsElement();
        TXmlValue scratch;
        const TXmlValue* attr = child->FindAttr(attrId, scratch);
        if (!attr) continue;
        try {
            if (attr->ToVariant() == value) return static_cast<TXmlElement*>(child)->AsElement();
        } catch (const runtime::Exception&) {
            // Values that cannot be compared do not match.
        }
    }
    return nullptr;
}

int32_t TXmlNode::AttrNameID(int index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= attrCount_) return -1;
    if (!attrsPacked_) return Ids()[index];
    int32_t id = -1;
    int at = 0;
    ForEachAttr([&](int32_t nameId, const TXmlValue&) {
        if (at++ == index) id = nameId;
    });
    return id;
}

const TXmlValue* TXmlNode::FindAttr(int32_t nameId, TXmlValue& scratch) const {
    if (attrsPacked_) {
        const char* in = attrRecords_;
        for (uint32_t i = 0; i < attrCount_; ++i) {
            int32_t id;
            in = UnpackAttr(in, id, scratch);
            if (id == nameId) return &scratch;
        }
        return nullptr;
    }
    const int32_t* ids = Ids();
    for (uint32_t i = 0; i < attrCount_; ++i)
        if (ids[i] == nameId) return &attrValues_[i];
    return nullptr;
}

void TXmlNode::UnpackAttrs() {
    if (!attrsPacked_) return;
    if (attrCount_ > kMaxAttrCapacity) throw std::bad_alloc();
    auto* values = static_cast<TXmlValue*>(::operator new(SlotBytes(attrCount_)));
    auto* ids = reinterpret_cast<int32_t*>(values + attrCount_);
    // The records stay in the block: the slots may be views of their texts.
    const char* in = attrRecords_;
    for (uint32_t i = 0; i < attrCount_; ++i)
        in = UnpackAttr(in, ids[i], *new (&values[i]) TXmlValue);
    attrValues_ = values;
    attrCapacity_ = attrCount_;
    attrsPacked_ = 0;
}

void TXmlNode::GrowAttrs(uint32_t capacity) {
    if (capacity > kMaxAttrCapacity) throw std::bad_alloc();
    auto* values = static_cast<TXmlValue*>(::operator new(SlotBytes(capacity)));
    auto* ids = reinterpret_cast<int32_t*>(values + capacity);
    for (uint32_t i = 0; i < attrCount_; ++i) {
        new (&values[i]) TXmlValue(std::move(attrValues_[i]));
        attrValues_[i].~TXmlValue();
    }
    if (attrCount_ > 0) std::memcpy(ids, Ids(), attrCount_ * sizeof(int32_t));
    FreeAttrArray();
    attrValues_ = values;
    attrCapacity_ = capacity;
}

void TXmlNode::PutAttr(int32_t nameId, TXmlValue value) {
    UnpackAttrs();
    const int32_t* ids = Ids();
    for (uint32_t i = 0; i < attrCount_; ++i)
        if (ids[i] == nameId) {
            attrValues_[i] = std::move(value);
            return;
        }
    AppendAttr(nameId, std::move(value));
}

void TXmlNode::AppendAttr(int32_t nameId, TXmlValue value) {
    UnpackAttrs();
    if (attrCount_ == attrCapacity_) GrowAttrs(GrownAttrCapacity(attrCapacity_));
    AppendNewAttr(nameId, std::move(value));
}

void TXmlNode::SetAttrValueAt(uint32_t index, TXmlValue value) {
    UnpackAttrs();
    attrValues_[index] = std::move(value);
}

void TXmlNode::PlacePackedAttrs(const char* records, uint32_t count) {
    RemoveAllAttrs();
    FreeAttrArray();
    attrRecords_ = records;
    attrCount_ = count;
    attrCapacity_ = 0;
    attrsPacked_ = 1;
}

void TXmlNode::ReserveAttrs(uint32_t count) {
    UnpackAttrs();
    if (count > attrCapacity_) GrowAttrs(count);
}

void TXmlNode::AppendNewAttr(int32_t nameId, TXmlValue value) {
    new (&attrValues_[attrCount_]) TXmlValue(std::move(value));
    Ids()[attrCount_] = nameId;
    ++attrCount_;
}

void TXmlNode::RemoveAttr(int32_t nameId) {
    UnpackAttrs();
    int32_t* ids = Ids();
    for (uint32_t i = 0; i < attrCount_; ++i)
        if (ids[i] == nameId) {
            for (uint32_t k = i + 1; k < attrCount_; ++k) {
                attrValues_[k - 1] = std::move(attrValues_[k]);
                ids[k - 1] = ids[k];
            }
            attrValues_[--attrCount_].~TXmlValue();
            return;
        }
}

void TXmlNode::RemoveAllAttrs() {
    if (attrsPacked_) {
        // The records stay in the block; the node starts over with slots.
        attrValues_ = nullptr;
        attrsPacked_ = 0;
    } else {
        for (uint32_t i = 0; i < attrCount_; ++i) attrValues_[i].~TXmlValue();
    }
    attrCount_ = 0;
}

runtime::TVarType TXmlNode::AttrType(int32_t nameId) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    return value ? value->Type() : runtime::varOleStr;
}

Variant TXmlNode::GetVarAttr(int32_t nameId, const Variant& def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    return value ? value->ToVariant() : def;
}

std::u16string TXmlNode::NeedAttr(int32_t nameId) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    if (!value) RaiseXmlError(XmlError::AttrNotSpecified, {AttrNameText(nameId)});
    return value->Text();
}

std::u16string TXmlNode::GetAttr(int32_t nameId, std::u16string_view def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    return value ? value->Text() : std::u16string(def);
}

bool TXmlNode::GetBoolAttr(int32_t nameId, bool def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    return value ? value->ToVariant().AsBoolean() : def;
}

int32_t TXmlNode::GetIntAttr(int32_t nameId, int32_t def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    return value ? VarToInt(value->ToVariant()) : def;
}

double TXmlNode::GetFloatAttr(int32_t nameId, double def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    return value ? VarToFloat(value->ToVariant()) : def;
}

int32_t TXmlNode::GetHexAttr(int32_t nameId, int32_t def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    if (!value) return def;
    std::u16string text = value->Text();
    if (text.empty() || text.size() > 8) RaiseNotInteger(text);
    uint32_t result = 0;
    for (char16_t c : text) {
        int digit = HexDigit(c);
        if (digit < 0) RaiseNotInteger(text);
        result = result << 4 | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(result);
}

void TXmlNode::SetHexAttr(int32_t nameId, int32_t value, int digits) {
    PutAttr(nameId, TXmlValue(runtime::AnsiToWide(runtime::IntToHex(
                        static_cast<int64_t>(static_cast<uint32_t>(value)), digits))));
}

int TXmlNode::GetEnumAttr(int32_t nameId, std::span<const std::u16string_view> values,
                          int def) const {
    TXmlValue scratch;
    const TXmlValue* value = FindAttr(nameId, scratch);
    if (!value) return def;
    std::u16string text = value->Text();
    for (size_t i = 0; i < values.size(); ++i)
        if (runtime::WideSameText(values[i], text)) return static_cast<int>(i);
    RaiseXmlError(XmlError::AttrWrongValue, {AttrNameText(nameId), NodeName()});
}

int TXmlNode::NeedEnumAttr(int32_t nameId, std::span<const std::u16string_view> values) const {
    TXmlValue scratch;
    if (!FindAttr(nameId, scratch)) RaiseXmlError(XmlError::AttrNotFound, {AttrNameText(nameId)});
    return GetEnumAttr(nameId, values, 0);
}

void TXmlNode::CollectText(std::u16string& out, int depth) const {
    switch (NodeType()) {
        case ntElement: {
            if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
            const auto& element = static_cast<const TXmlElement&>(*this);
            if (ChildCount() == 0) {
                element.Value().AppendText(out);
                return;
            }
            [[fallthrough]];
        }
        case ntDocument:
            if (children_)
                for (const TXmlNode* child : children_->Items()) child->CollectText(out, depth + 1);
            return;
        case ntText:
            static_cast<const TXmlText&>(*this).Value().AppendText(out);
            return;
        case ntCDATASection:
            out += static_cast<const TXmlCDATASection&>(*this).Data();
            return;
        default:
            return;
    }
}

std::u16string TXmlNode::ChildrenText() const {
    std::u16string out;
    if (children_)
        for (const TXmlNode* child : children_->Items()) child->CollectText(out, 1);
    return out;
}

// ---- TXmlElement -------------------------------------------------------------------

std::u16string TXmlElement::Text() const {
    if (ChildCount() > 0) return ChildrenText();
    return value_.Text();
}

void TXmlElement::SetText(std::u16string_view text) {
    RemoveAllChildren();
    value_ = TXmlValue(text);
}

runtime::TVarType TXmlElement::DataType() const {
    if (ChildCount() > 0 || value_.IsEmpty()) return runtime::varOleStr;
    return value_.Type();
}

Variant TXmlElement::TypedValue() const {
    if (ChildCount() > 0) return Variant(ChildrenText());
    if (value_.IsEmpty()) return Variant(std::string());
    return value_.ToVariant();
}

void TXmlElement::SetTypedValue(const Variant& value) {
    RemoveAllChildren();
    value_ = TXmlValue(value);
}

void TXmlElement::ReplaceTextByCDATASection(std::u16string_view text) {
    RemoveTextChildren();
    for (std::u16string_view piece : SplitCDATA(text)) AppendCDATA(piece);
}

void TXmlElement::ReplaceTextByBinaryData(const void* bytes, size_t length, int lineLength) {
    RemoveTextChildren();
    AppendText(runtime::AnsiToWide(BinToBase64(bytes, length, lineLength)));
}

std::string TXmlElement::GetTextAsBinaryData() const {
    return Base64ToBin(runtime::WideToAnsi(Text()));
}

// ---- text node -----------------------------------------------------------------------

TXmlText* TXmlText::New(TXmlNameTable& names, std::u16string_view text) {
    static_assert(sizeof(TXmlText) % alignof(char16_t) == 0);
    if (text.size() > UINT32_MAX) return new TXmlText(names, TXmlValue(text));
    const size_t bytes = text.size() * sizeof(char16_t);
    void* memory = ::operator new(sizeof(TXmlText) + bytes);
    auto* chars = reinterpret_cast<char16_t*>(static_cast<char*>(memory) + sizeof(TXmlText));
    if (bytes > 0) std::memcpy(chars, text.data(), bytes);
    return new (memory) TXmlText(names, TXmlValue::WideView({chars, text.size()}));
}

}  // namespace xml
