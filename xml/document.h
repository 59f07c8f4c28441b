#pragma once

// XML document model: a tree of nodes under a document node, reached through
// reference-counted interfaces.
//
// Counting: Ref<T> holds one reference; an object lives until its last
// reference goes. A child list holds one reference on each of its nodes; the
// parent link is a plain back reference that the library clears whenever the
// list or its owner lets go of the node, so it never points at a freed node.
// Node names are ids in a name table that the nodes of a document share.
//
// Values of elements, text nodes and attributes are typed values (see
// xml/values.h). Errors are raised as runtime::Exception with the messages
// of xml/errors.h. Objects are not locked: one thread at a time per document
// and name table.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "runtime/variant.h"

namespace runtime {
class TStream;
}

namespace xml {

using runtime::Variant;

// ---- reference counting -------------------------------------------------------

class IXmlBase {
  public:
    IXmlBase(const IXmlBase&) = delete;
    IXmlBase& operator=(const IXmlBase&) = delete;

    void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() const noexcept {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) Destroy();
    }

  protected:
    IXmlBase() = default;
    virtual ~IXmlBase() = default;
    // Runs when the last reference goes.
    virtual void Destroy() const noexcept { delete this; }
    // Drops one reference without destroying; true when none is left.
    bool DropRef() const noexcept { return refs_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
    int RefCount() const noexcept { return refs_.load(std::memory_order_acquire); }

  private:
    mutable std::atomic<int> refs_{0};
};

// A counted reference, empty or holding one reference on its object.
template <class T>
class Ref {
  public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    explicit Ref(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    Ref(const Ref& other) noexcept : Ref(other.p_) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U>
    requires std::is_convertible_v<U*, T*> Ref(const Ref<U>& other)
    noexcept : Ref(other.get()) {}
    template <class U>
    requires std::is_convertible_v<U*, T*> Ref(Ref<U>&& other)
    noexcept : p_(other.detach()) {}
    ~Ref() {
        if (p_) p_->Release();
    }
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept { Ref().swap(*this); }
    void swap(Ref& other) noexcept { std::swap(p_, other.p_); }
    // Gives up the reference without releasing it.
    T* detach() noexcept { return std::exchange(p_, nullptr); }

    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

  private:
    T* p_ = nullptr;
};

// ---- interfaces ------------------------------------------------------------------

enum TXmlNodeType : int {
    ntElement = 1,
    ntText = 3,
    ntCDATASection = 4,
    ntProcessingInstruction = 7,
    ntComment = 8,
    ntDocument = 9,
};

class IXmlNode;
class IXmlElement;
class IXmlText;
class IXmlCDATASection;
class IXmlComment;
class IXmlProcessingInstruction;
class IXmlDocument;

// Names and their ids. The empty name is id -1 and never stored.
class IXmlNameTable : public IXmlBase {
  public:
    virtual int32_t GetID(std::u16string_view name) = 0;   // adds unknown names
    virtual std::u16string GetName(int32_t id) const = 0;  // "" for unknown ids
};

class IXmlNodeList : public IXmlBase {
  public:
    virtual int Count() const = 0;
    virtual Ref<IXmlNode> Item(int index) const = 0;  // nothing outside 0..Count-1
    virtual std::u16string XML() const = 0;
};

class IXmlNode : public IXmlBase {
  public:
    virtual Ref<IXmlNameTable> NameTable() const = 0;
    virtual std::u16string NodeName() const = 0;
    virtual int32_t NodeNameID() const = 0;
    virtual TXmlNodeType NodeType() const = 0;
    virtual std::u16string Text() const = 0;
    virtual void SetText(std::u16string_view text) = 0;
    virtual runtime::TVarType DataType() const = 0;
    virtual Variant TypedValue() const = 0;
    virtual void SetTypedValue(const Variant& value) = 0;
    virtual std::u16string XML() const = 0;
    virtual Ref<IXmlNode> ParentNode() const = 0;
    virtual Ref<IXmlDocument> OwnerDocument() const = 0;
    virtual Ref<IXmlNodeList> ChildNodes() = 0;

    // A node may sit in several lists; its parent is the owner of the list
    // it was last put in. A node cannot be put under itself or under one of
    // its parents.
    virtual Ref<IXmlNode> AppendChild(const Ref<IXmlNode>& node) = 0;
    // At the end when `refNode` is empty or not a child.
    virtual Ref<IXmlNode> InsertBefore(const Ref<IXmlNode>& node, const Ref<IXmlNode>& refNode) = 0;
    // Returns the replaced node; nothing (and no change) when `oldNode` is
    // not a child.
    virtual Ref<IXmlNode> ReplaceChild(const Ref<IXmlNode>& newNode,
                                       const Ref<IXmlNode>& oldNode) = 0;
    // The index the node had; -1 when it is not a child.
    virtual int RemoveChild(const Ref<IXmlNode>& node) = 0;
    virtual Ref<IXmlElement> AppendElement(int32_t nameId) = 0;
    virtual Ref<IXmlElement> AppendElement(std::u16string_view name) = 0;
    virtual Ref<IXmlText> AppendText(std::u16string_view text) = 0;
    virtual Ref<IXmlCDATASection> AppendCDATA(std::u16string_view text) = 0;
    virtual Ref<IXmlComment> AppendComment(std::u16string_view text) = 0;
    virtual Ref<IXmlProcessingInstruction> AppendProcessingInstruction(int32_t targetId,
                                                                       std::string_view data) = 0;
    virtual Ref<IXmlProcessingInstruction> AppendProcessingInstruction(std::u16string_view target,
                                                                       std::string_view data) = 0;
    virtual std::u16string GetChildText(std::u16string_view name,
                                        std::u16string_view def) const = 0;
    virtual std::u16string GetChildText(int32_t nameId, std::u16string_view def) const = 0;
    virtual void SetChildText(std::u16string_view name, std::u16string_view text) = 0;
    virtual void SetChildText(int32_t nameId, std::u16string_view text) = 0;
    virtual void RemoveAllChildren() = 0;
    // Child elements by plain name; other expressions raise
    // "Unsupported XPath expression.".
    virtual Ref<IXmlNodeList> SelectNodes(std::u16string_view name) = 0;
    virtual Ref<IXmlNode> SelectSingleNode(std::u16string_view name) = 0;
    // The first child element named `elementName` that, when `attrName` is
    // not empty, has that attribute equal to `value`.
    virtual Ref<IXmlElement> FindElement(std::u16string_view elementName,
                                         std::u16string_view attrName = {},
                                         const Variant& value = {}) = 0;

    // ---- attributes ----
    virtual int AttrCount() const = 0;
    virtual int32_t AttrNameID(int index) const = 0;       // -1 outside the range
    virtual std::u16string AttrName(int index) const = 0;  // "" outside the range
    virtual void RemoveAttr(std::u16string_view name) = 0;
    virtual void RemoveAttr(int32_t nameId) = 0;
    virtual void RemoveAllAttrs() = 0;
    virtual runtime::TVarType AttrType(int32_t nameId) const = 0;  // varOleStr when absent
    virtual runtime::TVarType AttrType(std::u16string_view name) const = 0;

    virtual Variant GetVarAttr(int32_t nameId, const Variant& def) const = 0;
    virtual Variant GetVarAttr(std::u16string_view name, const Variant& def) const = 0;
    virtual void SetVarAttr(int32_t nameId, const Variant& value) = 0;
    virtual void SetVarAttr(std::u16string_view name, const Variant& value) = 0;
    // The value as text; raises "Attribute is not specified "name"" when absent.
    virtual std::u16string NeedAttr(int32_t nameId) const = 0;
    virtual std::u16string NeedAttr(std::u16string_view name) const = 0;
    virtual std::u16string GetAttr(int32_t nameId, std::u16string_view def = {}) const = 0;
    virtual std::u16string GetAttr(std::u16string_view name,
                                   std::u16string_view def = {}) const = 0;
    virtual void SetAttr(int32_t nameId, std::u16string_view value) = 0;
    virtual void SetAttr(std::u16string_view name, std::u16string_view value) = 0;
    virtual bool GetBoolAttr(int32_t nameId, bool def = false) const = 0;
    virtual bool GetBoolAttr(std::u16string_view name, bool def = false) const = 0;
    virtual void SetBoolAttr(int32_t nameId, bool value) = 0;
    virtual void SetBoolAttr(std::u16string_view name, bool value) = 0;
    virtual int32_t GetIntAttr(int32_t nameId, int32_t def = 0) const = 0;
    virtual int32_t GetIntAttr(std::u16string_view name, int32_t def = 0) const = 0;
    virtual void SetIntAttr(int32_t nameId, int32_t value) = 0;
    virtual void SetIntAttr(std::u16string_view name, int32_t value) = 0;
    // Numbers as they are; texts with "." or "," as the separator, or in the
    // date form of XmlDateTimeToStr.
    virtual double GetFloatAttr(int32_t nameId, double def = 0) const = 0;
    virtual double GetFloatAttr(std::u16string_view name, double def = 0) const = 0;
    virtual void SetFloatAttr(int32_t nameId, double value) = 0;
    virtual void SetFloatAttr(std::u16string_view name, double value) = 0;
    // Hexadecimal text without prefix, up to 8 digits.
    virtual int32_t GetHexAttr(std::u16string_view name, int32_t def = 0) const = 0;
    virtual int32_t GetHexAttr(int32_t nameId, int32_t def = 0) const = 0;
    virtual void SetHexAttr(std::u16string_view name, int32_t value, int digits = 0) = 0;
    virtual void SetHexAttr(int32_t nameId, int32_t value, int digits = 0) = 0;
    // Index of the first entry equal to the text (case ignored).
    virtual int GetEnumAttr(std::u16string_view name, std::span<const std::u16string_view> values,
                            int def) const = 0;
    virtual int GetEnumAttr(int32_t nameId, std::span<const std::u16string_view> values,
                            int def) const = 0;
    virtual int NeedEnumAttr(std::u16string_view name,
                             std::span<const std::u16string_view> values) const = 0;
    virtual int NeedEnumAttr(int32_t nameId, std::span<const std::u16string_view> values) const = 0;

    virtual Ref<IXmlElement> AsElement() = 0;
    virtual Ref<IXmlText> AsText() = 0;
    virtual Ref<IXmlCDATASection> AsCDATASection() = 0;
    virtual Ref<IXmlComment> AsComment() = 0;
    virtual Ref<IXmlProcessingInstruction> AsProcessingInstruction() = 0;
};

class IXmlElement : public virtual IXmlNode {
  public:
    // Replaces the text and CDATA children by CDATA sections holding `text`.
    virtual void ReplaceTextByCDATASection(std::u16string_view text) = 0;
    // Replaces the text and CDATA children by one text node holding the
    // Base64 text of the bytes, broken into lines as BinToBase64 does.
    virtual void ReplaceTextByBinaryData(const void* bytes, size_t length, int lineLength) = 0;
    virtual std::string GetTextAsBinaryData() const = 0;
};

class IXmlText : public virtual IXmlNode {};
class IXmlCDATASection : public virtual IXmlNode {};
class IXmlComment : public virtual IXmlNode {};
class IXmlProcessingInstruction : public virtual IXmlNode {};

class IXmlDocument : public virtual IXmlNode {
  public:
    virtual Ref<IXmlElement> DocumentElement() const = 0;
    // The binary form (options 0 unless a name or text needs UTF-16).
    virtual std::string BinaryXML() const = 0;
    // Replaces the content by the declaration <?xml version="V" encoding="E"?>
    // and an empty root element, which it returns.
    virtual Ref<IXmlElement> NewDocument(std::string_view version, std::string_view encoding,
                                         int32_t rootNameId) = 0;
    virtual Ref<IXmlElement> NewDocument(std::string_view version, std::string_view encoding,
                                         std::u16string_view rootName) = 0;
    // Nodes of this document's name table that are in no list yet.
    virtual Ref<IXmlElement> CreateElement(int32_t nameId) = 0;
    virtual Ref<IXmlElement> CreateElement(std::u16string_view name) = 0;
    virtual Ref<IXmlText> CreateText(std::u16string_view text) = 0;
    virtual Ref<IXmlCDATASection> CreateCDATASection(std::u16string_view text) = 0;
    virtual Ref<IXmlComment> CreateComment(std::u16string_view text) = 0;
    virtual Ref<IXmlProcessingInstruction> CreateProcessingInstruction(std::u16string_view target,
                                                                       std::string_view data) = 0;
    virtual Ref<IXmlProcessingInstruction> CreateProcessingInstruction(int32_t targetId,
                                                                       std::string_view data) = 0;

    // Text or binary form (recognised by its signature). The wide form is
    // parsed as it is; the 8-bit form is text in the system code page.
    virtual void LoadXML(std::u16string_view text) = 0;
    virtual void LoadXML(std::string_view text) = 0;
    virtual void LoadBinaryXML(std::string_view bytes) = 0;
    // UTF-16 little-endian text without byte-order mark, or the binary form.
    virtual void Load(runtime::TStream& stream) = 0;
    virtual void Load(const std::string& fileName) = 0;
    // A resource of the program's own file, read as 8-bit text; a missing
    // resource changes nothing.
    virtual void LoadResource(std::u16string_view type, std::u16string_view name) = 0;
    virtual void Save(runtime::TStream& stream) const = 0;
    virtual void Save(const std::string& fileName) const = 0;
    // Options bit 0: node strings as UTF-16 (set by the writer as well when
    // some name or text does not fit the system code page).
    virtual void SaveBinary(runtime::TStream& stream, uint32_t options) const = 0;
    virtual void SaveBinary(const std::string& fileName, uint32_t options) const = 0;
};

// ---- factories -------------------------------------------------------------------

// Bucket counts are taken within 1..kMaxNameTableBuckets.
Ref<IXmlNameTable> CreateNameTable(int bucketCount);

// A document over `nameTable`, or over the process-wide default table when
// none is given. With a root name, NewDocument(version, encoding, root) runs.
Ref<IXmlDocument> CreateXmlDocument(std::u16string_view rootName, std::string_view version,
                                    std::string_view encoding,
                                    Ref<IXmlNameTable> nameTable = nullptr);

}  // namespace xml
