#pragma once

// TGtWideStrings (abstract) and TGtWideStringList: the tree family's lists
// of UTF-16 strings, each with an object pointer beside it (never owned).
//
// Text rules: every string is followed by CR LF; setting text splits at CR
// LF, a lone CR or a lone LF, and stops at a zero unit. Loading a stream
// that starts with a UTF-16 byte-order mark (FF FE or FE FF) reads UTF-16 and
// sets UnicodeText, which makes SaveToStream write FF FE and UTF-16LE;
// anything else is 8-bit text in the system code page both ways.
//
// Component streams: the list defines the property "Strings", a list of
// wide-string values; reading also takes 8-bit string values and raises
// EReadError "Error while reading wide strings list" for any other value.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/events.h"
#include "runtime/persistent.h"

namespace runtime {
class TReader;
class TStream;
class TStrings;
}  // namespace runtime

namespace controls::tree {

inline constexpr const char* SWideStringsReadError = "Error while reading wide strings list";

class TGtWideStrings : public runtime::TPersistent {
    RUNTIME_CLASS(TGtWideStrings)

  public:
    TGtWideStrings() = default;

    int Count() const { return GetCount(); }
    std::u16string Strings(int index) const { return Get(index); }
    void SetStrings(int index, std::u16string_view s) { Put(index, s); }
    runtime::TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, runtime::TObject* object) { PutObject(index, object); }
    int Capacity() const { return GetCapacity(); }
    bool UnicodeText() const { return unicodeText_; }
    void SetUnicodeText(bool value) { unicodeText_ = value; }

    virtual int Add(std::u16string_view s);
    virtual int AddObject(std::u16string_view s, runtime::TObject* object);
    virtual void AddStrings(const TGtWideStrings& source);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    // A newly allocated zero-terminated copy of the text.
    virtual std::unique_ptr<char16_t[]> GetText() const;
    virtual int IndexOf(std::u16string_view s) const;
    virtual void Insert(int index, std::u16string_view s) = 0;
    void InsertObject(int index, std::u16string_view s, runtime::TObject* object);
    virtual void LoadFromFile(const std::u16string& fileName);
    virtual void LoadFromFile(const std::string& fileName);
    virtual void LoadFromStream(runtime::TStream& stream);
    virtual void Move(int curIndex, int newIndex);
    virtual void SaveToFile(const std::u16string& fileName) const;
    virtual void SaveToFile(const std::string& fileName) const;
    virtual void SaveToStream(runtime::TStream& stream) const;
    // The zero-terminated buffer's text (nothing for a null buffer).
    virtual void SetText(const char16_t* text);
    // Every string followed by CR LF.
    virtual std::u16string GetTextStr() const;
    // Clear, then one string per line of the text.
    virtual void SetTextStr(std::u16string_view text);
    // Callers never pass less than Count.
    virtual void SetCapacity(int capacity);

    void BeginUpdate();
    void EndUpdate();
    bool Equals(const TGtWideStrings& other) const;
    [[noreturn]] static void Error(const char* message, int value);

    // Wide lists copy strings and objects; an 8-bit string list of the class
    // library is converted through the system code page.
    void Assign(const runtime::TPersistent* source) override;
    void Assign(const runtime::TStrings& source);
    void AssignTo(runtime::TStrings& target) const;
    void DefineProperties(runtime::TFiler& filer) override;

  protected:
    void AssignTo(runtime::TPersistent* dest) const override;

    virtual std::u16string Get(int index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual runtime::TObject* GetObject(int index) const;
    virtual void Put(int index, std::u16string_view s);
    virtual void PutObject(int index, runtime::TObject* object);
    virtual void SetUpdateState(bool updating);

    int UpdateCount() const { return updateCount_; }

    // Runs work between BeginUpdate and EndUpdate, also when it throws.
    template <class Work>
    void WithUpdate(Work&& work) {
        BeginUpdate();
        try {
            work();
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }

  private:
    void ReadStrings(runtime::TReader& reader);

    int updateCount_ = 0;
    bool unicodeText_ = false;
};

enum TGtDuplicates : uint8_t { gtDupIgnore, gtDupAccept, gtDupError };

// A string list's notification. Every item of a tree keeps a list of its
// column texts, so a notification costs a pointer while unset, and the
// item's own wiring (Bind: a plain function and its context) two more,
// rather than a full event each. Setting a handler replaces a binding and
// the other way round.
class TGtListNotify {
  public:
    using Plain = void (*)(void* context, runtime::TObject* sender);

    TGtListNotify() = default;
    TGtListNotify& operator=(runtime::TNotifyEvent handler);
    void Bind(Plain plain, void* context);
    void Clear();

    explicit operator bool() const { return handler_ != nullptr || plain_ != nullptr; }
    void operator()(runtime::TObject* sender) const {
        if (handler_)
            (*handler_)(sender);
        else if (plain_ != nullptr)
            plain_(context_, sender);
    }

  private:
    std::unique_ptr<runtime::TNotifyEvent> handler_;
    Plain plain_ = nullptr;
    void* context_ = nullptr;
};

class TGtWideStringList;
// Orders two entries of the list by index: <0, 0 or >0.
using TGtWideStringListSortCompare =
    std::function<int(TGtWideStringList& list, int index1, int index2)>;

class TGtWideStringList : public TGtWideStrings {
    RUNTIME_CLASS(TGtWideStringList)

  public:
    TGtWideStringList() = default;
    // Fires no event.
    ~TGtWideStringList() override;

    int Add(std::u16string_view s) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(std::u16string_view s) const override;
    void Insert(int index, std::u16string_view s) override;
    void SetCapacity(int capacity) override;

    // Binary search with CompareStrWide; the index of a match (the first one
    // unless Duplicates is gtDupAccept) or the insertion point.
    virtual bool Find(std::u16string_view s, int& index) const;
    virtual void Sort();
    virtual void CustomSort(const TGtWideStringListSortCompare& compare);
    // The stored string without a copy; valid until the list changes.
    std::u16string_view View(int index) const;

    TGtDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TGtDuplicates value) { duplicates_ = value; }
    bool Sorted() const { return sorted_; }
    // Does not sort the list (Sort does).
    void SetSorted(bool value) { sorted_ = value; }

    TGtListNotify OnChange;
    TGtListNotify OnChanging;

  protected:
    std::u16string Get(int index) const override;
    int GetCapacity() const override { return capacity_; }
    int GetCount() const override { return static_cast<int>(items_.size()); }
    runtime::TObject* GetObject(int index) const override;
    void Put(int index, std::u16string_view s) override;
    void PutObject(int index, runtime::TObject* object) override;
    void SetUpdateState(bool updating) override;

    virtual void Changed();
    virtual void Changing();

  private:
    struct Entry {
        std::u16string string;
        runtime::TObject* object = nullptr;
    };

    void CheckIndex(int index) const;
    void InsertEntry(int index, std::u16string_view s);

    std::vector<Entry> items_;
    int capacity_ = 0;
    TGtDuplicates duplicates_ = gtDupIgnore;
    bool sorted_ = false;
};

}  // namespace controls::tree
