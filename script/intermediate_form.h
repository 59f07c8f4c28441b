#pragma once

// The intermediate form: what the compiler's first pass (il_parser.h)
// writes and its second pass (builder.h) reads. Elements in document order,
// each with its children as a range of one list and its texts in one store;
// the small-XML tree of a form is made only when asked for.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/tokenizer.h"
#include "script/xml_tree.h"

namespace script {

// Appends name="value" (the value escaped already).
void AppendXmlAttribute(std::string& out, std::string_view name, std::string_view escapedValue);
// EScriptError "Script text is too long".
[[noreturn]] void ThrowScriptTooLong();

// A text of an intermediate form: a range of its character store.
struct IlText {
    uint32_t at = 0;
    uint32_t size = 0;
};

// How an element's attribute text is written in the small-XML form, and
// what its Value holds.
enum class IlLayout : uint8_t {
    None,     // no attributes
    TextPos,  // text="Value" pos="Pos"
    Pos,      // pos="Pos", and pos1="Pos1" when there is one
    Unit,     // unit="Value"
    Raw,      // Value is the attribute text as read
};

// One element of an intermediate form. The attributes that compiling reads
// are split out, values escaped as in the small-XML text.
struct IlElement {
    IlText Value;
    IlText Pos;
    IlText Pos1;
    int FirstChild = 0;  // into the form's child list
    int ChildCount = 0;
    uint32_t Name = 0;  // the name's number in the form
    IlLayout Layout = IlLayout::None;
};

// The intermediate form of a compiled text as the parser keeps it: elements
// in document order (element 0 is the root), each with its children as a
// range of one list and its texts in one store. Compiling reads it
// directly; the small-XML tree of it is made only when asked for.
class IntermediateForm {
  public:
    // A form of a small-XML tree: names and attributes are copied, so the
    // tree may go away.
    static std::unique_ptr<IntermediateForm> FromXml(const TscXMLItem& root);

    int Count() const { return static_cast<int>(elements_.size()); }
    IlElement& Element(int index) { return elements_[static_cast<size_t>(index)]; }
    const IlElement& Element(int index) const { return elements_[static_cast<size_t>(index)]; }
    // Child `k` of an element, as an element index.
    int Child(const IlElement& element, int k) const {
        return children_[static_cast<size_t>(element.FirstChild + k)];
    }
    std::string_view View(IlText text) const {
        return std::string_view(chars_).substr(text.at, text.size);
    }
    std::string_view Name(const IlElement& element) const { return Name(element.Name); }
    std::string_view Name(uint32_t name) const { return View(names_[name]); }
    // Free for the reader of the form, one value per distinct name, as
    // TscXMLItem::Data is per element.
    int32_t& NameData(const IlElement& element) { return nameData_[element.Name]; }
    // Attribute values, escaped; empty when absent.
    std::string_view Text(const IlElement& element) const;
    std::string_view Pos(const IlElement& element) const;
    std::string_view Pos1(const IlElement& element) const;
    std::string_view Unit(const IlElement& element) const;
    std::string_view Attribute(const IlElement& element, std::string_view name) const;

    // Fills `item` (name, attribute text, children) with the element and
    // its subtree as the small-XML form holds them.
    void ToXml(int index, TscXMLItem& item) const;
    // A form of its own holding the element and its subtree.
    std::unique_ptr<IntermediateForm> Subtree(int index) const;

  private:
    friend class TscILParser;

    IlText Keep(std::string_view text);
    IlText KeepEscaped(std::string_view text);
    IlText KeepLineColumn(SourcePoint point);
    // The number of a name, given to it on its first use.
    uint32_t NameNumber(std::string_view name);
    // Appends an element under `parent` (-1 for the root); its index.
    int Append(int parent, uint32_t name);
    int Append(int parent, std::string_view name) { return Append(parent, NameNumber(name)); }
    // Appends a small-XML tree under `parent` (-1: as the root).
    void AppendTree(int parent, const TscXMLItem& tree);
    // Appends another form's elements under `parent`.
    void Splice(const IntermediateForm& other, int parent);
    // Fills the child list from the parents, once every element is in.
    void LinkChildren();

    std::vector<IlElement> elements_;
    std::vector<int> parents_;
    std::vector<int> children_;
    std::string chars_;
    std::vector<IlText> names_;
    std::vector<int32_t> nameData_;
    std::unordered_map<std::string, uint32_t> nameNumbers_;
};

}  // namespace script
