#pragma once

// The project file's tagged text: UTF-16 little-endian, no byte-order mark,
// no white space between tags, no attributes. An element is
//
//   "<" name ">" [marker value-text | element...] "</" name ">"
//
// where the marker says how the value text reads: U+0000 an escaped string,
// U+0001 a decimal integer, U+0002 a floating-point number. String values
// escape "&", "<", ">" and "/" with a leading "&", so a value never holds a
// tag bracket or a closing tag.
//
// The writer and the reader here stream: the project file is written and
// read through them without ever holding its whole text (a large project's
// text runs to hundreds of megabytes). The element tree of xmldocument.h is
// built on the same two.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/variant.h"

namespace core::tagged {

inline constexpr char16_t StringMarker = u'\0';
inline constexpr char16_t IntegerMarker = u'\x01';
inline constexpr char16_t FloatMarker = u'\x02';

// The deepest nesting the reader accepts; the project's own tree is eight
// levels deep.
inline constexpr int MaxDepth = 256;
// The longest tag name the reader accepts, in characters.
inline constexpr size_t MaxNameLength = 4096;

// A malformed text. The message names the problem; the reader adds nothing
// else, since callers wrap it into their own message.
class ETaggedTextError : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "ETaggedTextError"; }
};

inline constexpr const char* SUnequalBrackets = "Unequal number of brackets.";

// Two names, unit for unit: one library call rather than a call per
// character in builds without optimisation, where readers spend their
// time on comparing names.
inline bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

std::u16string Escape(std::u16string_view text);
// The inverse of Escape: "&<", "&>", "&/" and "&&" give the second
// character; any other "&" is kept as it is.
std::u16string Unescape(std::u16string_view text);

// Numbers are written with "." whatever the locale, so a project moves
// between locales; they are read with "." or ",".
std::u16string FloatText(double value);
// EConvertError for a text that is not a number.
double ParseFloat(std::u16string_view text);
// EConvertError for a text that is not a 32-bit decimal integer.
int32_t ParseInteger(std::u16string_view text);
// A value as its marker says: a wide string, a 32-bit integer or a double.
// EConvertError for a number that does not read.
runtime::Variant ParseValue(char16_t marker, const std::u16string& text);

// Writes tagged text to a stream through a buffer. Flush (or the last
// Close of the outermost element followed by Flush) must be called before
// the stream is used; the destructor does not write, since it could not
// report a failure.
class TTaggedTextWriter {
  public:
    explicit TTaggedTextWriter(runtime::TStream& stream);
    TTaggedTextWriter(const TTaggedTextWriter&) = delete;
    TTaggedTextWriter& operator=(const TTaggedTextWriter&) = delete;

    void Open(std::u16string_view name);
    void Close(std::u16string_view name);
    void StringValue(std::u16string_view value);
    void IntegerValue(int64_t value);
    void FloatValue(double value);

    // An 8-bit string in the system code page, written as its wide form.
    void AnsiStringValue(std::string_view value);

    // Whole leaf elements.
    void StringElement(std::u16string_view name, std::u16string_view value);
    void AnsiStringElement(std::u16string_view name, std::string_view value);
    void IntegerElement(std::u16string_view name, int64_t value);
    void FloatElement(std::u16string_view name, double value);

    void Flush();
    // Elements opened so far.
    [[nodiscard]] int64_t ElementsWritten() const { return elements_; }
    // Bytes of text written so far, buffered ones included.
    [[nodiscard]] int64_t BytesWritten() const { return flushedBytes_ + 2 * int64_t(used_); }

  private:
    void Put(std::u16string_view text);
    void Put(char16_t c);
    // ASCII text, one unit per byte.
    void PutWidened(std::string_view ascii);

    runtime::TStream& stream_;
    std::unique_ptr<char16_t[]> buffer_;
    size_t used_ = 0;
    int64_t flushedBytes_ = 0;
    int64_t elements_ = 0;
};

// Reads tagged text from a stream as a sequence of tokens, checking its
// structure: every opened element is closed by its own name, nesting stays
// within MaxDepth, nothing but text follows the outermost element.
//
// Text before the first "<" and between sibling elements is skipped; a text
// with no "<" at all is an empty document (End at once).
class TTaggedTextReader {
  public:
    enum class Token { Open, Value, Close, End };

    // Reads at most `maxUnits` UTF-16 units (-1: to the stream's end) from
    // the stream's position on; an odd trailing byte is ignored.
    explicit TTaggedTextReader(runtime::TStream& stream, int64_t maxUnits = -1);
    TTaggedTextReader(const TTaggedTextReader&) = delete;
    TTaggedTextReader& operator=(const TTaggedTextReader&) = delete;

    // The next token. Open and Close: Text() is the name. Value: Marker()
    // is the value's marker (StringMarker, IntegerMarker or FloatMarker)
    // and Text() its text, unescaped for strings. An element with nothing
    // between its tags, or with a value text under another marker, gives
    // no Value token. ETaggedTextError for a malformed text.
    [[nodiscard]] Token Next();

    [[nodiscard]] const std::u16string& Text() const { return text_; }
    [[nodiscard]] char16_t Marker() const { return marker_; }
    // Elements open after the last token.
    [[nodiscard]] int Depth() const { return int(depth_); }
    // Characters consumed so far.
    [[nodiscard]] int64_t Position() const { return consumed_ + int64_t(pos_); }

  private:
    enum class State { Start, Content, AfterValue, BetweenSiblings, AfterRoot, Done };

    // The character `ahead` places on, or -1 past the end of the text.
    int Peek(size_t ahead = 0);
    char16_t Take();
    bool Fill(size_t needed);
    // Skips to the next "<" that no "&" escapes; false at the end.
    bool SkipToTag();
    void ReadName(std::u16string& name);
    void ReadValue();
    void ExpectClose();
    void Push();
    [[nodiscard]] const std::u16string& Top() const { return open_[depth_ - 1]; }

    runtime::TStream& stream_;
    int64_t remainingUnits_;
    std::vector<char16_t> chunk_;
    size_t readUnits_ = 512;
    size_t pos_ = 0;
    int64_t consumed_ = 0;
    bool eof_ = false;
    State state_ = State::Start;
    // The names of the open elements: the first depth_ entries.
    std::vector<std::u16string> open_;
    size_t depth_ = 0;
    std::u16string text_;
    char16_t marker_ = 0;
    bool pendingClose_ = false;
};

}  // namespace core::tagged
