#pragma once

// TUniStrings, the abstract list of UTF-16 lines with an object beside each
// (never owned), and TUniStringList, its stand-alone, optionally sorted
// form; the 8-bit view that assigns them to and from 8-bit lists; the file
// stream that opens files by wide name; and the detection of a text file's
// encoding by its byte-order mark.
//
// Text rules:
//   Text      every line followed by CR LF
//   SetText   splits at NUL, LF, CR and U+2028; after a line one CR, then
//             one LF, then one U+2028 are skipped; NUL ends the text. A
//             final line break adds no empty line.
// Files: SaveToFile always writes FF FE and the text as UTF-16LE. Loading
// detects UTF-16LE (FF FE), UTF-16BE (FE FF), UTF-8 (EF BB BF) and takes
// anything else as ANSI; UTF-16 text of odd length drops its last byte, and
// text behind a UTF-8 mark that does not decode as UTF-8 is read as ANSI.
// Comparisons (IndexOf, sorting) are the locale's, ignoring case unless a
// TUniStringList is CaseSensitive.
// Updates: BeginUpdate/EndUpdate nest; the outermost BeginUpdate fires one
// OnChanging, the outermost EndUpdate one OnChange, none in between.
// Errors: EStringListError "List index out of bounds (%d)", "Operation not
// allowed on sorted list", "String list does not allow duplicates"; a
// failed operation leaves the list as it was.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/events.h"
#include "runtime/persistent.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace runtime {
class TReader;
class TWriter;
}  // namespace runtime

namespace controls::unicode {

class TUniStrings;

// Text-file encodings (DetectTextEncoding, LastFileCharSet).
enum TTextEncoding : uint8_t { teAnsi = 0, teUTF16LE = 1, teUTF16BE = 2, teUTF8 = 3 };

// Looks at the stream's position: FF FE gives teUTF16LE and FE FF teUTF16BE
// (two bytes or more left), EF BB BF teUTF8 (three or more), each leaving
// the position after the mark; anything else gives teAnsi with the
// position unchanged.
TTextEncoding DetectTextEncoding(runtime::TStream& stream);

// An 8-bit list that can load and save its text through a code page.
class TAnsiStrings : public runtime::TStrings {
    RUNTIME_CLASS(TAnsiStrings)

  public:
    // Reads the rest of the stream as text in `codePage`.
    virtual void LoadFromStreamInCodePage(runtime::TStream& stream, unsigned codePage) = 0;
    // Writes the text in `codePage`.
    virtual void SaveToStreamInCodePage(runtime::TStream& stream, unsigned codePage) const = 0;
};

// The 8-bit view of a wide list: every operation goes to the wide list,
// converting between ANSI and UTF-16 line by line.
class TAnsiStringsForWideStrings : public TAnsiStrings {
    RUNTIME_CLASS(TAnsiStringsForWideStrings)

  public:
    explicit TAnsiStringsForWideStrings(TUniStrings& wideStrings) : wide_(wideStrings) {}

    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, std::string_view s) override;
    void LoadFromStreamInCodePage(runtime::TStream& stream, unsigned codePage) override;
    void SaveToStreamInCodePage(runtime::TStream& stream, unsigned codePage) const override;

  protected:
    std::string Get(int index) const override;
    int GetCount() const override;
    runtime::TObject* GetObject(int index) const override;
    void Put(int index, std::string_view s) override;
    void PutObject(int index, runtime::TObject* object) override;
    void SetUpdateState(bool updating) override;

  private:
    TUniStrings& wide_;
};

class TUniStrings : public runtime::TPersistent {
    RUNTIME_CLASS(TUniStrings)

  public:
    TUniStrings();
    ~TUniStrings() override;

    // ---- properties -------------------------------------------------------------
    [[nodiscard]] int Count() const { return CountOf(); }
    [[nodiscard]] std::u16string Strings(int index) const { return Get(index); }
    void SetStrings(int index, std::u16string_view s) { Put(index, s); }
    [[nodiscard]] runtime::TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, runtime::TObject* object) { SetObjectAt(index, object); }
    [[nodiscard]] int Capacity() const { return CapacityOf(); }
    // Callers never set it below Count.
    void SetCapacity(int capacity) { ChangeCapacity(capacity); }
    // Every line followed by CR LF.
    [[nodiscard]] std::u16string Text() const { return TextOf(); }
    void SetTextStr(std::u16string_view text) { AssignText(text); }
    // The 8-bit view (published): reading converts each line to ANSI;
    // setting replaces this list's lines with the given ones from ANSI.
    [[nodiscard]] TAnsiStrings* AnsiStrings() const { return ansiStrings_.get(); }
    void SetAnsiStrings(TAnsiStrings* strings);
    [[nodiscard]] char16_t NameValueSeparator() const;
    void SetNameValueSeparator(char16_t separator);
    [[nodiscard]] char16_t Delimiter() const { return delimiter_; }
    void SetDelimiter(char16_t delimiter);
    [[nodiscard]] char16_t QuoteChar() const { return quoteChar_; }
    void SetQuoteChar(char16_t quoteChar);
    // The encoding LoadFromFile found last (teUTF16LE before any load).
    [[nodiscard]] TTextEncoding LastFileCharSet() const { return lastFileCharSet_; }

    // ---- operations ---------------------------------------------------------------
    virtual int Add(std::u16string_view s);
    virtual int AddObject(std::u16string_view s, runtime::TObject* object);
    // Every line and object of `strings`, inside one update.
    virtual void AddAll(const TUniStrings& strings);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    // A newly allocated zero-terminated copy of Text.
    [[nodiscard]] virtual std::unique_ptr<char16_t[]> GetText() const;
    [[nodiscard]] virtual int IndexOf(std::u16string_view s) const;
    // The first line holding NameValueSeparator whose text before it equals
    // `name` by CompareLines.
    [[nodiscard]] virtual int IndexOfName(std::u16string_view name) const;
    [[nodiscard]] virtual int IndexOfObject(const runtime::TObject* object) const;
    virtual void Insert(int index, std::u16string_view s) = 0;
    virtual void InsertObject(int index, std::u16string_view s, runtime::TObject* object);
    // Opens the file for reading with writing by others denied, notes its
    // encoding in LastFileCharSet and loads it with detection.
    virtual void LoadFromFile(const std::u16string& fileName);
    // Reads the rest of the stream: with `detect` the encoding comes from
    // DetectTextEncoding, else it is UTF-16LE.
    virtual void LoadFromStream(runtime::TStream& stream, bool detect = true);
    // Keeps the line and its object; nothing for equal indexes.
    virtual void Move(int curIndex, int newIndex);
    virtual void SaveToFile(const std::u16string& fileName) const;
    // FF FE when asked, then Text as UTF-16LE.
    virtual void SaveToStream(runtime::TStream& stream, bool writeMark = true) const;
    // The zero-terminated buffer's text (nothing for nullptr).
    virtual void SetText(const char16_t* text);

    void BeginUpdate();
    void EndUpdate();
    // Runs `work` between BeginUpdate and EndUpdate; EndUpdate also runs when
    // `work` throws.
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
    // Same count and every line equal as exact UTF-16.
    [[nodiscard]] bool SameContent(const TUniStrings& other) const;
    // From a TUniStrings: its lines, objects and separator settings; from an
    // 8-bit TStrings: its lines converted from ANSI.
    void Assign(const runtime::TPersistent* source) override;
    // "Strings", "WideStrings", "WideStringsW" and "WideStrings_UTF7".
    void DefineProperties(runtime::TFiler& filer) override;

    // Raises EStringListError with `message` formatted with `value`.
    [[noreturn]] static void Error(const char* message, int value);

  protected:
    friend class TAnsiStringsForWideStrings;

    virtual std::u16string Get(int index) const = 0;
    virtual int CapacityOf() const { return CountOf(); }
    virtual int CountOf() const = 0;
    virtual runtime::TObject* GetObject(int index) const;
    virtual std::u16string TextOf() const;
    virtual void Put(int index, std::u16string_view s);
    virtual void SetObjectAt(int index, runtime::TObject* object);
    virtual void ChangeCapacity(int capacity);
    virtual void AssignText(std::u16string_view text);
    virtual void UpdateStateChanged(bool updating);
    // <0, 0 or >0 by the locale's comparison; the base ignores case.
    [[nodiscard]] virtual int CompareLines(std::u16string_view s1, std::u16string_view s2) const;
    // An 8-bit TStrings destination takes this list's lines in ANSI.
    void AssignTo(runtime::TPersistent* dest) const override;

    [[nodiscard]] int UpdateCount() const { return updateCount_; }

  private:
    enum DefinedSeparator : uint8_t { sdDelimiter = 1, sdQuoteChar = 2, sdNameValueSeparator = 4 };

    void ReadStrings(runtime::TReader& reader);
    // Replaces the lines with a list of 8-bit values, each decoded.
    void ReadEncodedLines(runtime::TReader& reader, std::u16string (*decode)(std::string_view));
    void WriteWideStrings(runtime::TWriter& writer) const;
    void WriteWideStringsUTF7(runtime::TWriter& writer) const;
    bool NeedsUTF7() const;

    std::unique_ptr<TAnsiStringsForWideStrings> ansiStrings_;
    TTextEncoding lastFileCharSet_ = teUTF16LE;
    uint8_t definedSeparators_ = 0;
    char16_t delimiter_ = u',';
    char16_t quoteChar_ = u'"';
    mutable char16_t nameValueSeparator_ = u'=';
    int updateCount_ = 0;
};

class TUniStringList;

// Orders the lines at two indexes of `list`: <0, 0 or >0.
using TUniStringListSortCompare = int (*)(TUniStringList& list, int index1, int index2);

class TUniStringList : public TUniStrings {
    RUNTIME_CLASS(TUniStringList)

  public:
    TUniStringList() = default;
    // Fires no event.
    ~TUniStringList() override;

    int Add(std::u16string_view s) override { return AddObject(s, nullptr); }
    int AddObject(std::u16string_view s, runtime::TObject* object) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    // Binary search by CompareLines. On a hit `index` is an equal line (the
    // first of them under dupAccept); on a miss, where `s` would go.
    virtual bool Find(std::u16string_view s, int& index) const;
    [[nodiscard]] int IndexOf(std::u16string_view s) const override;
    [[nodiscard]] int IndexOfName(std::u16string_view name) const override;
    void Insert(int index, std::u16string_view s) override;
    void InsertObject(int index, std::u16string_view s, runtime::TObject* object) override;
    // Both do nothing on a sorted list or one of fewer than two lines.
    virtual void Sort();
    virtual void SortWith(TUniStringListSortCompare compare);

    [[nodiscard]] bool Sorted() const { return sorted_; }
    // Switching it on sorts the list.
    void SetSorted(bool value);
    [[nodiscard]] bool CaseSensitive() const { return caseSensitive_; }
    // A sorted list is sorted again by the new comparison.
    void SetCaseSensitive(bool value);
    [[nodiscard]] runtime::TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(runtime::TDuplicates value) { duplicates_ = value; }

    // Fired around each change outside BeginUpdate/EndUpdate.
    runtime::TNotifyEvent OnChange;
    runtime::TNotifyEvent OnChanging;

  protected:
    std::u16string Get(int index) const override;
    int CapacityOf() const override { return capacity_; }
    int CountOf() const override { return static_cast<int>(items_.size()); }
    runtime::TObject* GetObject(int index) const override;
    void Put(int index, std::u16string_view s) override;
    void SetObjectAt(int index, runtime::TObject* object) override;
    void ChangeCapacity(int capacity) override;
    void UpdateStateChanged(bool updating) override;
    int CompareLines(std::u16string_view s1, std::u16string_view s2) const override;

    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int index, std::u16string_view s, runtime::TObject* object);

  private:
    struct Item {
        std::u16string string;
        runtime::TObject* object = nullptr;
    };

    void CheckIndex(int index) const;
    void QuickSort(TUniStringListSortCompare compare);

    std::vector<Item> items_;
    int capacity_ = 0;
    bool sorted_ = false;
    runtime::TDuplicates duplicates_ = runtime::dupIgnore;
    bool caseSensitive_ = false;
};

// A file opened by wide name: mode fmCreate creates (or empties) it, any
// other mode opens it. EFCreateError "Cannot create file %s" / EFOpenError
// "Cannot open file %s".
class TUniFileStream : public runtime::TFileStream {
  public:
    TUniFileStream(const std::u16string& fileName, uint16_t mode)
        : runtime::TFileStream(fileName, mode) {}
};

}  // namespace controls::unicode
