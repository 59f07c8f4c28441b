#pragma once

// A tree of named elements with typed values, written to and read from the
// tagged text of tagged_text.h. Children are kept sorted by name in the
// user's locale (case-sensitive), and names are unique among siblings.
//
// These classes are not the XML library's (xml/), whose document model
// reads the oldest project format.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/object.h"
#include "runtime/streams.h"
#include "runtime/variant.h"

namespace core {

class TXmlDocument;
class TXmlElement;

// (Sender, Position, Total): on save the element being written, the
// elements written before it and the document's ElementCount; on load the
// document, the character position (from 1) a parse step starts at and the
// text's length.
using TXmlProgressEvent =
    std::function<void(runtime::TObject* sender, int64_t position, int64_t total)>;

// The children of one element, sorted by name.
//
// Children added one by one wait apart, themselves sorted, and join the
// list in one merge when it is next looked at: building a wide list costs
// n log n, not the n squared of inserting each child at its place.
class TXmlElementList {
  public:
    [[nodiscard]] int Count() const { return int(items_.size() + added_.size()); }
    [[nodiscard]] TXmlElement* Items(int index) const {
        Merge();
        return items_.at(size_t(index)).get();
    }

    // Binary search: true when `name` is present; `index` is the first
    // match or the place where `name` would be inserted.
    bool Search(std::u16string_view name, int& index) const;
    [[nodiscard]] TXmlElement* Find(std::u16string_view name) const;
    [[nodiscard]] int IndexOfName(std::u16string_view name) const;
    // Inserts at the element's sorted place; returns it. When its name is
    // present already, the element is freed and the present one returned.
    TXmlElement* AddSorted(std::unique_ptr<TXmlElement> element);
    // Moves the element named `oldName` to the sorted place of `newName`,
    // unless `newName` is present already.
    void Resort(std::u16string_view oldName, std::u16string_view newName);

  private:
    friend class TXmlElement;
    friend class TXmlDocument;

    struct TNameLess {
        bool operator()(std::u16string_view a, std::u16string_view b) const;
    };

    // The element of that name, merged or waiting; null when none.
    TXmlElement* Present(std::u16string_view name) const;
    // Adds an element whose name is not present.
    TXmlElement* Add(std::unique_ptr<TXmlElement> element);
    // Moves the waiting elements to their places.
    void Merge() const;

    mutable std::vector<std::unique_ptr<TXmlElement>> items_;
    // Waiting to be merged, by name (the key views the element's own name).
    mutable std::map<std::u16string_view, std::unique_ptr<TXmlElement>, TNameLess> added_;
};

class TXmlElement : public runtime::TObject {
  public:
    // The document comes from the parent; a root has none until its
    // document sets it.
    TXmlElement(std::u16string name, TXmlElement* parent);
    // Frees the children last to first.
    ~TXmlElement() override;
    TXmlElement(const TXmlElement&) = delete;
    TXmlElement& operator=(const TXmlElement&) = delete;

    [[nodiscard]] const std::u16string& Name() const { return name_; }
    // Moves the element to its new name's sorted place among its siblings.
    void SetName(std::u16string name);

    // The child of that name, created when there is none.
    TXmlElement& AddChild(std::u16string_view name);
    // AddChild(name).Value := value.
    void SetValue(std::u16string_view name, const runtime::Variant& value);
    // The value of the child of that name; Null when there is no child.
    [[nodiscard]] runtime::Variant GetValue(std::u16string_view name) const;
    // "" for no child.
    [[nodiscard]] std::u16string GetString(std::u16string_view name) const;
    // false for no child; non-zero integers are true.
    [[nodiscard]] bool GetBool(std::u16string_view name) const;
    // 0 for no child.
    [[nodiscard]] int32_t GetInteger(std::u16string_view name) const;

    TXmlDocument* Document = nullptr;
    TXmlElementList Children;
    TXmlElement* Parent = nullptr;
    // Empty, a string, an integer kind (Boolean among them) or a floating
    // kind; other kinds are not written.
    runtime::Variant Value;

  private:
    friend class TXmlDocument;
    std::unique_ptr<TXmlElement> NewChild(std::u16string name);

    std::u16string name_;
    // Counted in the document's ElementCount.
    bool counted_ = false;
};

class TXmlDocument : public runtime::TObject {
  public:
    TXmlDocument();
    ~TXmlDocument() override;
    TXmlDocument(const TXmlDocument&) = delete;
    TXmlDocument& operator=(const TXmlDocument&) = delete;

    [[nodiscard]] TXmlElement& Root() const { return *root_; }

    // Writes the tree from the root. "Attempted to write to nil stream" for
    // no stream; stream errors pass on.
    void SaveToStream(runtime::TStream* stream);
    // Reads the stream from its position to its end as tagged text into the
    // root, which takes the name of the text's outermost element. On a
    // malformed text, "debug.xml" in DumpFolder gets the text read (when a
    // folder is set) and runtime::Exception carries the whole story (see
    // LoadErrorMessage). "Attempted to read from nil stream" for no stream.
    void LoadFromStream(runtime::TStream* stream);

    // Elements made by AddChild or read, less those freed.
    int64_t ElementCount = 0;
    // Elements written so far by the running save.
    int64_t Progress = 0;
    TXmlProgressEvent OnSaveProgress;
    TXmlProgressEvent OnLoadProgress;
    // Where a failed load leaves its "debug.xml" (with a trailing
    // delimiter); none when empty.
    std::u16string DumpFolder;

  private:
    std::unique_ptr<TXmlElement> root_;
};

// Runs `parse`, which reads the tagged text of `stream` from `start` on.
// When it fails, "debug.xml" in `dumpFolder` gets the text (`units` UTF-16
// units from `start`; nothing without a folder) and runtime::Exception
// carries the reason, the stream's size, the text's length and, when the
// dump was written, where it was left.
void ParseGuarded(runtime::TStream& stream, int64_t start, int64_t units, int64_t streamSize,
                  std::u16string_view dumpFolder, const std::function<void()>& parse);

}  // namespace core
