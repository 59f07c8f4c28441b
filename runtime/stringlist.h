#pragma once

// TStrings, the class library's abstract list of 8-bit strings with an
// object pointer beside each, and TStringList, its concrete form.
//
// Text rules (as the class library has them):
//   Text            every line followed by CR LF; setting splits at CR LF,
//                   LF or CR (a lone CR or LF ends a line too)
//   DelimitedText   items joined by Delimiter; an item holding a character
//                   <= ' ', QuoteChar or Delimiter is quoted, its quotes
//                   doubled; a list of one empty item is two quotes.
//                   Reading splits at Delimiter and at characters <= ' '
//                   outside quotes; a trailing Delimiter adds an empty item
//   CommaText       DelimitedText with ',' and '"'
//   Names/Values    "name=value" lines, NameValueSeparator '='; setting a
//                   value to "" deletes the line; a line without the
//                   separator has an empty name and an empty value
// Comparisons: TStrings compares with AnsiCompareText; TStringList with
// AnsiCompareStr when CaseSensitive, AnsiCompareText otherwise.
// Updates: BeginUpdate/EndUpdate nest; OnChanging fires at the outermost
// BeginUpdate and OnChange at the outermost EndUpdate, none in between.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/events.h"
#include "runtime/object.h"
#include "runtime/persistent.h"

namespace runtime {

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Messages of EStringListError.
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";

class TStrings : public TPersistent {
  public:
    TStrings() = default;
    ~TStrings() override = default;

    // The library classes' information (runtime/libraryclasses.cpp), not
    // TPersistent's.
    const TClassInfo& ClassInfo() const override { return TObject::ClassInfo(); }

    // ---- properties -----------------------------------------------------------
    [[nodiscard]] int Count() const { return GetCount(); }
    [[nodiscard]] std::string Strings(int index) const { return Get(index); }
    void SetStrings(int index, std::string_view s) { Put(index, s); }
    [[nodiscard]] TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject* object) { PutObject(index, object); }
    [[nodiscard]] int Capacity() const { return GetCapacity(); }
    void SetCapacity(int capacity) { DoSetCapacity(capacity); }

    [[nodiscard]] std::string Text() const { return GetTextStr(); }
    void SetText(std::string_view text) { SetTextStr(text); }
    [[nodiscard]] std::string CommaText() const;
    void SetCommaText(std::string_view text);
    [[nodiscard]] std::string DelimitedText() const;
    void SetDelimitedText(std::string_view text);
    [[nodiscard]] char Delimiter() const { return delimiter_; }
    void SetDelimiter(char c) { delimiter_ = c; }
    [[nodiscard]] char QuoteChar() const { return quoteChar_; }
    void SetQuoteChar(char c) { quoteChar_ = c; }
    [[nodiscard]] char NameValueSeparator() const { return nameValueSeparator_; }
    void SetNameValueSeparator(char c) { nameValueSeparator_ = c; }

    // The part before the first separator ("" without one).
    [[nodiscard]] std::string Names(int index) const;
    // The part after the separator of the first line named `name`.
    [[nodiscard]] std::string Values(std::string_view name) const;
    // Replaces that line, or adds "name=value"; "" deletes the line.
    void SetValues(std::string_view name, std::string_view value);
    // The part after the separator of line `index` ("" without one).
    [[nodiscard]] std::string ValueFromIndex(int index) const;
    void SetValueFromIndex(int index, std::string_view value);

    // ---- operations -----------------------------------------------------------
    virtual int Add(std::string_view s);
    virtual int AddObject(std::string_view s, TObject* object);
    void Append(std::string_view s) { Add(s); }
    // Adds every line of `strings` with its object, inside one update.
    virtual void AddStrings(const TStrings& strings);
    // From another TStrings: becomes a copy of its lines, objects and the
    // delimiter, quote and separator characters (a list assigned to itself
    // keeps them). Other sources as TPersistent::Assign.
    void Assign(const TPersistent* source) override;
    void Assign(const TStrings& source) { Assign(static_cast<const TPersistent*>(&source)); }
    // Streams the lines as the defined property "Strings".
    void DefineProperties(TFiler& filer) override;
    void BeginUpdate();
    void EndUpdate();
    // Runs `work` between BeginUpdate and EndUpdate; EndUpdate also runs when
    // `work` throws (an OnChange that throws then replaces the exception).
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
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    // Same count and byte-equal lines.
    [[nodiscard]] bool Equals(const TStrings& strings) const;
    [[nodiscard]] virtual int IndexOf(std::string_view s) const;
    [[nodiscard]] int IndexOfName(std::string_view name) const;
    [[nodiscard]] int IndexOfObject(const TObject* object) const;
    virtual void Insert(int index, std::string_view s) = 0;
    void InsertObject(int index, std::string_view s, TObject* object);
    // Moves line and object; both indexes are checked before anything moves.
    virtual void Move(int curIndex, int newIndex);

    // 8-bit text: the file's (or the stream's remaining) bytes as Text.
    void LoadFromFile(const std::string& fileName);
    void LoadFromFile(const std::u16string& fileName);
    virtual void LoadFromStream(TStream& stream);
    void SaveToFile(const std::string& fileName) const;
    void SaveToFile(const std::u16string& fileName) const;
    virtual void SaveToStream(TStream& stream) const;

  protected:
    virtual std::string Get(int index) const = 0;
    virtual int GetCount() const = 0;
    // nullptr in the base (a list without objects).
    virtual TObject* GetObject(int index) const;
    // The base deletes the line and inserts the new one with the old object.
    virtual void Put(int index, std::string_view s);
    // Does nothing in the base.
    virtual void PutObject(int index, TObject* object);
    // The base reports Count and ignores the new capacity.
    virtual int GetCapacity() const;
    virtual void DoSetCapacity(int capacity);
    virtual std::string GetTextStr() const;
    virtual void SetTextStr(std::string_view text);
    // Called with true when the outermost BeginUpdate starts and with false
    // when the outermost EndUpdate ends; does nothing in the base.
    virtual void SetUpdateState(bool updating);
    virtual int CompareStrings(std::string_view s1, std::string_view s2) const;

    [[nodiscard]] int UpdateCount() const { return updateCount_; }
    // Raises EStringListError with `msg` formatted with `data`.
    [[noreturn]] static void Error(const char* msg, int data);

  private:
    int updateCount_ = 0;
    char delimiter_ = ',';
    char quoteChar_ = '"';
    char nameValueSeparator_ = '=';
};

class TStringList;

// Orders the lines at two indexes of `list`: <0, 0 or >0.
using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

class TStringList : public TStrings {
  public:
    TStringList() = default;
    // Fires no event.
    ~TStringList() override;

    int Add(std::string_view s) override;
    int AddObject(std::string_view s, TObject* object) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    // Binary search by CompareStrings (also on an unsorted list, where the
    // answer means nothing). On a hit `index` is an equal line (with
    // dupAccept the first of them); on a miss, where `s` would go.
    virtual bool Find(std::string_view s, int& index) const;
    [[nodiscard]] int IndexOf(std::string_view s) const override;
    void Insert(int index, std::string_view s) override;
    void Move(int curIndex, int newIndex) override;
    // Both do nothing on a sorted list.
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& compare);

    [[nodiscard]] TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }
    [[nodiscard]] bool Sorted() const { return sorted_; }
    // Switching it on sorts the list.
    void SetSorted(bool value);
    [[nodiscard]] bool CaseSensitive() const { return caseSensitive_; }
    // A sorted list is sorted again by the new comparison.
    void SetCaseSensitive(bool value);

    // Fired around each change outside BeginUpdate/EndUpdate.
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

  protected:
    std::string Get(int index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    TObject* GetObject(int index) const override;
    void Put(int index, std::string_view s) override;
    void PutObject(int index, TObject* object) override;
    int GetCapacity() const override { return capacity_; }
    void DoSetCapacity(int capacity) override;
    void SetUpdateState(bool updating) override;
    int CompareStrings(std::string_view s1, std::string_view s2) const override;

    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int index, std::string_view s, TObject* object);

  private:
    struct Item {
        std::string string;
        TObject* object = nullptr;
    };

    void CheckIndex(int index) const;
    void Grow();

    std::vector<Item> items_;
    int capacity_ = 0;
    TDuplicates duplicates_ = dupIgnore;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};

}  // namespace runtime
