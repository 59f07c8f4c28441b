#pragma once

// The classes behind the interfaces of xml/document.h. Internal to the XML
// library: the model, the text reader and writer and the binary form share
// them; callers use the interfaces.

#include <string>
#include <string_view>
#include <vector>

#include "xml/document.h"
#include "xml/node_arena.h"
#include "xml/node_block.h"
#include "xml/node_value.h"

namespace xml {

class TXmlNode;

class TXmlNameTable final : public IXmlNameTable {
  public:
    // Ids of the names every new table starts with.
    static constexpr int32_t kTextId = 0;
    static constexpr int32_t kCDATASectionId = 1;
    static constexpr int32_t kCommentId = 2;
    static constexpr int32_t kDocumentId = 3;
    static constexpr int32_t kXmlId = 4;

    // The bucket count is taken within 1..kMaxNameTableBuckets.
    explicit TXmlNameTable(int bucketCount);
    // Exactly these names with their indexes as ids (the binary reader).
    TXmlNameTable(std::vector<std::u16string> names, int bucketCount);

    int32_t GetID(std::u16string_view name) override;
    std::u16string GetName(int32_t id) const override { return Name(id); }

    // The name of `id`; the empty string for ids it does not hold.
    const std::u16string& Name(int32_t id) const;
    int32_t NameCount() const { return static_cast<int32_t>(names_.size()); }
    // The bucket count the table was made with, which the stored form keeps.
    int BucketCount() const { return bucketCount_; }
    // The bucket lists of the stored form: for each of BucketCount buckets,
    // the ids of the names its hash (h * 33 + unit over the code units, in
    // 32 bits) puts there, in id order.
    std::vector<std::vector<int32_t>> StoredBuckets() const;

  private:
    // The id of a name, or -1 when the table does not hold it.
    int32_t Find(std::u16string_view name) const;
    void Place(int32_t id);

    std::vector<std::u16string> names_;
    int bucketCount_;
    // The index: open addressing over a hash with a random key, so that no
    // set of names chosen in advance piles up in one place; at most half
    // full, doubled when it would be more.
    std::vector<int32_t> slots_;
    size_t placed_ = 0;
};

// The table of documents made without one; lives for the whole process.
TXmlNameTable& DefaultNameTable();

class TXmlNodeList final : public IXmlNodeList {
  public:
    explicit TXmlNodeList(TXmlNode* owner) : owner_(owner) {}
    ~TXmlNodeList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    Ref<IXmlNode> Item(int index) const override;
    std::u16string XML() const override;

    size_t Size() const { return items_.size(); }
    TXmlNode* At(size_t index) const { return items_[index]; }
    const std::vector<TXmlNode*>& Items() const { return items_; }
    TXmlNode* Owner() const { return owner_; }

    // Room for `count` nodes, for a reader that knows how many follow.
    void Reserve(size_t count);
    // Each takes a new reference on `node` and makes the owner, if any, its
    // parent.
    void Add(TXmlNode* node);
    // Adds a node that nobody holds yet; frees it when it cannot be added.
    void AddNew(TXmlNode* node);
    void Insert(size_t index, TXmlNode* node);
    void Put(size_t index, TXmlNode* node);
    // -1 when absent.
    int IndexOf(const TXmlNode* node) const;
    // Releases the node, clearing its parent link when it points at the owner.
    void Delete(size_t index);
    void Clear();

  private:
    friend class TXmlNode;
    void Link(TXmlNode* node) const;
    void Unlink(TXmlNode* node) const;

    TXmlNode* owner_;
    std::vector<TXmlNode*> items_;
};

// The common part of every node. Operations by name look the name up in the
// node's table first (adding it).
class TXmlNode : public virtual IXmlNode {
  public:
    // ---- IXmlNode ----
    Ref<IXmlNameTable> NameTable() const override { return Ref<IXmlNameTable>(&Names()); }
    std::u16string NodeName() const override { return Names().Name(NodeNameID()); }
    runtime::TVarType DataType() const override { return runtime::varOleStr; }
    Variant TypedValue() const override { return Variant(Text()); }
    void SetTypedValue(const Variant& value) override;
    std::u16string XML() const override;
    Ref<IXmlNode> ParentNode() const override { return Ref<IXmlNode>(parent_); }
    Ref<IXmlDocument> OwnerDocument() const override;
    Ref<IXmlNodeList> ChildNodes() override { return Ref<IXmlNodeList>(&EnsureChildren()); }

    Ref<IXmlNode> AppendChild(const Ref<IXmlNode>& node) override;
    Ref<IXmlNode> InsertBefore(const Ref<IXmlNode>& node, const Ref<IXmlNode>& refNode) override;
    Ref<IXmlNode> ReplaceChild(const Ref<IXmlNode>& newNode, const Ref<IXmlNode>& oldNode) override;
    int RemoveChild(const Ref<IXmlNode>& node) override;
    Ref<IXmlElement> AppendElement(int32_t nameId) override;
    Ref<IXmlElement> AppendElement(std::u16string_view name) override;
    Ref<IXmlText> AppendText(std::u16string_view text) override;
    Ref<IXmlCDATASection> AppendCDATA(std::u16string_view text) override;
    Ref<IXmlComment> AppendComment(std::u16string_view text) override;
    Ref<IXmlProcessingInstruction> AppendProcessingInstruction(int32_t targetId,
                                                               std::string_view data) override;
    Ref<IXmlProcessingInstruction> AppendProcessingInstruction(std::u16string_view target,
                                                               std::string_view data) override;
    std::u16string GetChildText(std::u16string_view name, std::u16string_view def) const override;
    std::u16string GetChildText(int32_t nameId, std::u16string_view def) const override;
    void SetChildText(std::u16string_view name, std::u16string_view text) override;
    void SetChildText(int32_t nameId, std::u16string_view text) override;
    void RemoveAllChildren() override;
    Ref<IXmlNodeList> SelectNodes(std::u16string_view name) override;
    Ref<IXmlNode> SelectSingleNode(std::u16string_view name) override;
    Ref<IXmlElement> FindElement(std::u16string_view elementName, std::u16string_view attrName,
                                 const Variant& value) override;

    int AttrCount() const override { return static_cast<int>(attrCount_); }
    int32_t AttrNameID(int index) const override;
    std::u16string AttrName(int index) const override { return Names().Name(AttrNameID(index)); }
    void RemoveAttr(std::u16string_view name) override { RemoveAttr(Id(name)); }
    void RemoveAttr(int32_t nameId) override;
    void RemoveAllAttrs() override;
    runtime::TVarType AttrType(int32_t nameId) const override;
    runtime::TVarType AttrType(std::u16string_view name) const override {
        return AttrType(Id(name));
    }

    Variant GetVarAttr(int32_t nameId, const Variant& def) const override;
    Variant GetVarAttr(std::u16string_view name, const Variant& def) const override {
        return GetVarAttr(Id(name), def);
    }
    void SetVarAttr(int32_t nameId, const Variant& value) override {
        PutAttr(nameId, TXmlValue(value));
    }
    void SetVarAttr(std::u16string_view name, const Variant& value) override {
        PutAttr(Id(name), TXmlValue(value));
    }
    std::u16string NeedAttr(int32_t nameId) const override;
    std::u16string NeedAttr(std::u16string_view name) const override { return NeedAttr(Id(name)); }
    std::u16string GetAttr(int32_t nameId, std::u16string_view def) const override;
    std::u16string GetAttr(std::u16string_view name, std::u16string_view def) const override {
        return GetAttr(Id(name), def);
    }
    void SetAttr(int32_t nameId, std::u16string_view value) override {
        PutAttr(nameId, TXmlValue(value));
    }
    void SetAttr(std::u16string_view name, std::u16string_view value) override {
        PutAttr(Id(name), TXmlValue(value));
    }
    bool GetBoolAttr(int32_t nameId, bool def) const override;
    bool GetBoolAttr(std::u16string_view name, bool def) const override {
        return GetBoolAttr(Id(name), def);
    }
    void SetBoolAttr(int32_t nameId, bool value) override { PutAttr(nameId, BoolValue(value)); }
    void SetBoolAttr(std::u16string_view name, bool value) override {
        PutAttr(Id(name), BoolValue(value));
    }
    int32_t GetIntAttr(int32_t nameId, int32_t def) const override;
    int32_t GetIntAttr(std::u16string_view name, int32_t def) const override {
        return GetIntAttr(Id(name), def);
    }
    void SetIntAttr(int32_t nameId, int32_t value) override { PutAttr(nameId, IntValue(value)); }
    void SetIntAttr(std::u16string_view name, int32_t value) override {
        PutAttr(Id(name), IntValue(value));
    }
    double GetFloatAttr(int32_t nameId, double def) const override;
    double GetFloatAttr(std::u16string_view name, double def) const override {
        return GetFloatAttr(Id(name), def);
    }
    void SetFloatAttr(int32_t nameId, double value) override { PutAttr(nameId, FloatValue(value)); }
    void SetFloatAttr(std::u16string_view name, double value) override {
        PutAttr(Id(name), FloatValue(value));
    }
    int32_t GetHexAttr(std::u16string_view name, int32_t def) const override {
        return GetHexAttr(Id(name), def);
    }
    int32_t GetHexAttr(int32_t nameId, int32_t def) const override;
    void SetHexAttr(std::u16string_view name, int32_t value, int digits) override {
        SetHexAttr(Id(name), value, digits);
    }
    void SetHexAttr(int32_t nameId, int32_t value, int digits) override;
    int GetEnumAttr(std::u16string_view name, std::span<const std::u16string_view> values,
                    int def) const override {
        return GetEnumAttr(Id(name), values, def);
    }
    int GetEnumAttr(int32_t nameId, std::span<const std::u16string_view> values,
                    int def) const override;
    int NeedEnumAttr(std::u16string_view name,
                     std::span<const std::u16string_view> values) const override {
        return NeedEnumAttr(Id(name), values);
    }
    int NeedEnumAttr(int32_t nameId, std::span<const std::u16string_view> values) const override;

    Ref<IXmlElement> AsElement() override { return nullptr; }
    Ref<IXmlText> AsText() override { return nullptr; }
    Ref<IXmlCDATASection> AsCDATASection() override { return nullptr; }
    Ref<IXmlComment> AsComment() override { return nullptr; }
    Ref<IXmlProcessingInstruction> AsProcessingInstruction() override { return nullptr; }

    // ---- inside the library ----
    // Nodes are freed by address alone: some are made with room after them
    // for their texts and attributes (TXmlText::New, the binary reader's
    // blocks of node_block.h), in memory from ::operator new.
    static void* operator new(size_t size) { return ::operator new(size); }
    static void* operator new(size_t, void* memory) noexcept { return memory; }
    static void operator delete(void* memory) noexcept { ::operator delete(memory); }
    static void operator delete(void*, void*) noexcept {}

    TXmlNameTable& Names() const { return inChunk_ ? chunk_->Names() : *names_; }
    // Of a node that is not in a chunk (the document).
    void SetNames(TXmlNameTable& names);
    TXmlNode* Parent() const { return parent_; }
    // The child list, or nullptr before its first use.
    TXmlNodeList* Children() const { return children_; }
    TXmlNodeList& EnsureChildren();
    size_t ChildCount() const { return children_ ? children_->Size() : 0; }

    // Calls visit(name id, value) for each attribute in order; the value
    // may be a view that lives only for the call.
    template <class Visit>
    void ForEachAttr(Visit&& visit) const {
        if (attrsPacked_) {
            const char* in = attrRecords_;
            for (uint32_t i = 0; i < attrCount_; ++i) {
                int32_t id;
                TXmlValue value;
                in = UnpackAttr(in, id, value);
                visit(id, static_cast<const TXmlValue&>(value));
            }
            return;
        }
        const int32_t* ids = Ids();
        for (uint32_t i = 0; i < attrCount_; ++i)
            visit(ids[i], static_cast<const TXmlValue&>(attrValues_[i]));
    }
    // The attribute's value, nullptr when the node does not have it. A
    // packed attribute is read into `scratch`, which the result then points
    // at.
    const TXmlValue* FindAttr(int32_t nameId, TXmlValue& scratch) const;
    // Replaces the value of the attribute, or appends it.
    void PutAttr(int32_t nameId, TXmlValue value);
    // Appends an attribute that the caller knows the node does not have.
    void AppendAttr(int32_t nameId, TXmlValue value);
    // Replaces the value of the attribute at `index` (below AttrCount).
    void SetAttrValueAt(uint32_t index, TXmlValue value);
    // Gives the node, whose attributes it removes, `count` attributes in
    // packed records at `records`, which lie in the node's own block.
    void PlacePackedAttrs(const char* records, uint32_t count);
    // Room for `count` attributes in an array of the node's own.
    void ReserveAttrs(uint32_t count);
    // Appends an attribute that the node does not have yet into the room
    // made by ReserveAttrs.
    void AppendNewAttr(int32_t nameId, TXmlValue value);
    // Removes the children whose type is text or CDATA section.
    void RemoveTextChildren();
    // Appends what this node gives to the text of an element above it:
    // element, text and CDATA content, nothing for comments and processing
    // instructions. `depth` counts the elements walked so far.
    void CollectText(std::u16string& out, int depth) const;

    // The library's node behind an interface; nullptr for foreign objects.
    static TXmlNode* From(IXmlNode* node);

  protected:
    // A node in a block of `chunk` (see node_arena.h) takes the chunk's name
    // table; any other node keeps a reference on `names`.
    explicit TXmlNode(TXmlNameTable& names, TXmlNodeChunk* chunk = nullptr);
    ~TXmlNode() override;
    void Destroy() const noexcept override;
    // Text of the element and text children, as elements and documents
    // give it.
    std::u16string ChildrenText() const;

  private:
    int32_t Id(std::u16string_view name) const { return Names().GetID(name); }
    static TXmlValue BoolValue(bool value) {
        return TXmlValue::Integer(runtime::varBoolean, value ? 1 : 0);
    }
    static TXmlValue IntValue(int32_t value) {
        return TXmlValue::Integer(runtime::varInteger, value);
    }
    static TXmlValue FloatValue(double value) {
        return TXmlValue::Float(runtime::varDouble, value);
    }
    // Raises when `node` is this node or one of its parents.
    void CheckInsertable(const TXmlNode* node) const;
    std::u16string AttrNameText(int32_t nameId) const { return Names().Name(nameId); }

    // The name ids follow the values, after room for `attrCapacity_` of
    // them.
    int32_t* Ids() const { return reinterpret_cast<int32_t*>(attrValues_ + attrCapacity_); }
    // Attribute storage, in slots (values and ids) or packed records; every
    // change of the attributes first turns records into slots.
    void UnpackAttrs();
    // Moves the attributes to a new array of slots of the node's own.
    void GrowAttrs(uint32_t capacity);
    void FreeAttrArray() noexcept;

    union {
        TXmlNameTable* names_;  // holds one reference
        TXmlNodeChunk* chunk_;  // in a chunk, which holds the table
    };
    TXmlNode* parent_ = nullptr;
    TXmlNodeList* children_ = nullptr;  // holds one reference
    union {
        TXmlValue* attrValues_ = nullptr;  // slots: values, then name ids
        const char* attrRecords_;          // packed records
    };
    uint32_t attrCount_ = 0;
    uint32_t attrCapacity_ : 30 = 0;  // of slots
    uint32_t attrsPacked_ : 1 = 0;    // in the node's block, so not freed
    uint32_t inChunk_ : 1 = 0;

    friend class TXmlNodeList;
};

class TXmlElement final : public TXmlNode, public IXmlElement {
  public:
    TXmlElement(TXmlNameTable& names, int32_t nameId, TXmlNodeChunk* chunk = nullptr)
        : TXmlNode(names, chunk), nameId_(nameId) {}

    int32_t NodeNameID() const override { return nameId_; }
    TXmlNodeType NodeType() const override { return ntElement; }
    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;
    runtime::TVarType DataType() const override;
    Variant TypedValue() const override;
    void SetTypedValue(const Variant& value) override;
    Ref<IXmlElement> AsElement() override { return Ref<IXmlElement>(this); }

    void ReplaceTextByCDATASection(std::u16string_view text) override;
    void ReplaceTextByBinaryData(const void* bytes, size_t length, int lineLength) override;
    std::string GetTextAsBinaryData() const override;

    // The element's own value (used when it has no children).
    const TXmlValue& Value() const { return value_; }
    void SetValue(TXmlValue value) { value_ = std::move(value); }

  private:
    int32_t nameId_;
    TXmlValue value_;
};

class TXmlText final : public TXmlNode, public IXmlText {
  public:
    TXmlText(TXmlNameTable& names, TXmlValue value, TXmlNodeChunk* chunk = nullptr)
        : TXmlNode(names, chunk), value_(std::move(value)) {}
    // A text node holding a wide string, made with its characters in its own
    // block.
    static TXmlText* New(TXmlNameTable& names, std::u16string_view text);

    int32_t NodeNameID() const override { return TXmlNameTable::kTextId; }
    TXmlNodeType NodeType() const override { return ntText; }
    std::u16string Text() const override { return value_.Text(); }
    void SetText(std::u16string_view text) override { value_ = TXmlValue(text); }
    runtime::TVarType DataType() const override { return value_.Type(); }
    Variant TypedValue() const override { return value_.ToVariant(); }
    void SetTypedValue(const Variant& value) override { value_ = TXmlValue(value); }
    Ref<IXmlText> AsText() override { return Ref<IXmlText>(this); }

    const TXmlValue& Value() const { return value_; }

  private:
    TXmlValue value_;
};

// CDATA sections and comments: a wide string.
class TXmlCharacterData : public TXmlNode {
  public:
    std::u16string Text() const override { return text_; }
    void SetText(std::u16string_view text) override { text_ = text; }
    const std::u16string& Data() const { return text_; }

  protected:
    TXmlCharacterData(TXmlNameTable& names, std::u16string_view text)
        : TXmlNode(names), text_(text) {}

  private:
    std::u16string text_;
};

class TXmlCDATASection final : public TXmlCharacterData, public IXmlCDATASection {
  public:
    TXmlCDATASection(TXmlNameTable& names, std::u16string_view text)
        : TXmlCharacterData(names, text) {}
    int32_t NodeNameID() const override { return TXmlNameTable::kCDATASectionId; }
    TXmlNodeType NodeType() const override { return ntCDATASection; }
    Ref<IXmlCDATASection> AsCDATASection() override { return Ref<IXmlCDATASection>(this); }
};

class TXmlComment final : public TXmlCharacterData, public IXmlComment {
  public:
    TXmlComment(TXmlNameTable& names, std::u16string_view text) : TXmlCharacterData(names, text) {}
    int32_t NodeNameID() const override { return TXmlNameTable::kCommentId; }
    TXmlNodeType NodeType() const override { return ntComment; }
    Ref<IXmlComment> AsComment() override { return Ref<IXmlComment>(this); }
};

// The data is kept as UTF-16: the interface takes 8-bit text, but what the
// text reader reads keeps every character.
class TXmlProcessingInstruction final : public TXmlNode, public IXmlProcessingInstruction {
  public:
    TXmlProcessingInstruction(TXmlNameTable& names, int32_t targetId, std::u16string_view data)
        : TXmlNode(names), targetId_(targetId), data_(data) {}

    int32_t NodeNameID() const override { return targetId_; }
    TXmlNodeType NodeType() const override { return ntProcessingInstruction; }
    std::u16string Text() const override { return data_; }
    void SetText(std::u16string_view text) override { data_ = text; }
    Ref<IXmlProcessingInstruction> AsProcessingInstruction() override {
        return Ref<IXmlProcessingInstruction>(this);
    }

    const std::u16string& Data() const { return data_; }

  private:
    int32_t targetId_;
    std::u16string data_;
};

class TXmlDocument final : public TXmlNode, public IXmlDocument {
  public:
    explicit TXmlDocument(TXmlNameTable& names) : TXmlNode(names) {}

    int32_t NodeNameID() const override { return TXmlNameTable::kDocumentId; }
    TXmlNodeType NodeType() const override { return ntDocument; }
    std::u16string Text() const override { return ChildrenText(); }
    void SetText(std::u16string_view text) override;

    Ref<IXmlElement> DocumentElement() const override;
    std::string BinaryXML() const override;
    Ref<IXmlElement> NewDocument(std::string_view version, std::string_view encoding,
                                 int32_t rootNameId) override;
    Ref<IXmlElement> NewDocument(std::string_view version, std::string_view encoding,
                                 std::u16string_view rootName) override;
    Ref<IXmlElement> CreateElement(int32_t nameId) override;
    Ref<IXmlElement> CreateElement(std::u16string_view name) override;
    Ref<IXmlText> CreateText(std::u16string_view text) override;
    Ref<IXmlCDATASection> CreateCDATASection(std::u16string_view text) override;
    Ref<IXmlComment> CreateComment(std::u16string_view text) override;
    Ref<IXmlProcessingInstruction> CreateProcessingInstruction(std::u16string_view target,
                                                               std::string_view data) override;
    Ref<IXmlProcessingInstruction> CreateProcessingInstruction(int32_t targetId,
                                                               std::string_view data) override;

    void LoadXML(std::u16string_view text) override;
    void LoadXML(std::string_view text) override;
    void LoadBinaryXML(std::string_view bytes) override;
    void Load(runtime::TStream& stream) override;
    void Load(const std::string& fileName) override;
    void LoadResource(std::u16string_view type, std::u16string_view name) override;
    void Save(runtime::TStream& stream) const override;
    void Save(const std::string& fileName) const override;
    void SaveBinary(runtime::TStream& stream, uint32_t options) const override;
    void SaveBinary(const std::string& fileName, uint32_t options) const override;

  private:
    // Empties the document before a load.
    void Clear();
};

}  // namespace xml
