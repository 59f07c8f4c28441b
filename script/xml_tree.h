#pragma once

// The script engine's small XML tree: elements with a name, a raw attribute
// string and children, no text content. Grammars and the intermediate form
// of compiled scripts are kept in it, and scripts can use it too.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/object.h"

namespace runtime {
class TStream;
}

namespace script {

// Escapes an attribute value: LF, CR, '"', '<', '>' and '&' become "&#N;".
// Escaping '&' keeps a value such as "&quot;" or "&#39;" intact through a
// write and a read.
std::string XmlEscape(std::string_view value);
// Appends the escaped value to `out`.
void AppendXmlEscaped(std::string& out, std::string_view value);
// "&#N;" (decimal, or hexadecimal after "$") becomes the character with
// code N and "&quot;" a double quote; other entities stay. A code that is
// no number raises the conversion error; an "&#" without ";" stays as it is.
std::string XmlUnescape(std::string_view value);

// Both classes are objects of the class library, so scripts can hold them.
class TscXMLItem : public runtime::TObject {
    RUNTIME_CLASS(TscXMLItem)

  public:
    TscXMLItem() = default;
    TscXMLItem(const TscXMLItem&) = delete;
    TscXMLItem& operator=(const TscXMLItem&) = delete;
    // Frees the children, then leaves the parent's child list.
    ~TscXMLItem() override;

    int32_t Data = 0;
    std::string Name;
    // The raw attribute string as read, values escaped: text="x" pos="1:2".
    std::string Text;

    TscXMLItem* Parent() const { return parent_; }
    TscXMLItem& Root();

    int Count() const { return static_cast<int>(children_.size()); }
    // Raises EListError for an index outside the children.
    TscXMLItem& Items(int index) const;
    TscXMLItem& operator[](int index) const { return Items(index); }

    void Clear();
    TscXMLItem& Add();
    // Makes room for this many children in all.
    void Reserve(int count) {
        if (count > 0) children_.reserve(static_cast<size_t>(count));
    }
    // Appends an element that has no parent; this element becomes its owner.
    void AddItem(std::unique_ptr<TscXMLItem> item);
    // Moves an element of a tree (its parent owns it) to the end of this
    // element's children.
    void AddItem(TscXMLItem& item);
    void InsertItem(int index, std::unique_ptr<TscXMLItem> item);
    void InsertItem(int index, TscXMLItem& item);

    // Index of the first child with that name (any case), -1 if none.
    int Find(std::string_view name) const;
    // The first child with that name; appended when there is none.
    TscXMLItem& FindItem(std::string_view name);

    // One attribute inside Text, unescaped; empty when absent.
    std::string Prop(std::string_view name) const;
    void SetProp(std::string_view name, std::string_view value);

    // Replaces the children (and Name, Text, Data) with a deep copy of
    // `source`; with no source only the children are freed.
    void CopyTree(const TscXMLItem* source);

  private:
    void CheckNotSelfOrAncestor(const TscXMLItem& item) const;
    std::unique_ptr<TscXMLItem> Detach(TscXMLItem& child);
    void Adopt(std::unique_ptr<TscXMLItem> item);
    void Move(int from, int to);

    TscXMLItem* parent_ = nullptr;
    std::vector<std::unique_ptr<TscXMLItem>> children_;
};

class TscXMLDocument : public runtime::TObject {
    RUNTIME_CLASS(TscXMLDocument)

  public:
    TscXMLDocument();
    // Takes the other document's tree; this is an object of its own.
    TscXMLDocument(TscXMLDocument&& other) noexcept : root_(std::move(other.root_)) {}

    TscXMLItem& Root() { return *root_; }
    const TscXMLItem& Root() const { return *root_; }

    // Reads the header tag and one element into Root (its old children are
    // freed). Raises "Invalid file format" on malformed input.
    void LoadFromString(std::string_view text);
    // The header and Root with its subtree, without line breaks.
    std::string SaveToString() const;

    // As LoadFromString; the stream is left just after the last tag read.
    void LoadFromStream(runtime::TStream& stream);
    void SaveToStream(runtime::TStream& stream) const;
    // Opened for reading with writing by others denied; stream errors pass.
    void LoadFromFile(const std::string& fileName);
    // Created or overwritten.
    void SaveToFile(const std::string& fileName) const;

  private:
    std::unique_ptr<TscXMLItem> root_;
};

}  // namespace script
