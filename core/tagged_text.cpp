#include "core/tagged_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "runtime/format.h"
#include "runtime/locale.h"
#include "runtime/strings.h"

namespace core::tagged {

static_assert(std::endian::native == std::endian::little,
              "the text is UTF-16 little-endian and copied as it is in memory");

namespace {

// Units the writer buffers and the reader reads at a time.
constexpr size_t ChunkUnits = 32768;

bool IsEscaped(char16_t c) {
    return c == u'&' || c == u'<' || c == u'>' || c == u'/';
}

std::u16string Ascii(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::string Narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

const runtime::TFormatSettings& DotSettings() {
    static const runtime::TFormatSettings settings = [] {
        runtime::TFormatSettings s = runtime::DefaultFormatSettings();
        s.DecimalSeparator = '.';
        s.ThousandSeparator = ',';
        return s;
    }();
    return settings;
}

[[noreturn]] void Fail(std::string message) {
    throw ETaggedTextError(std::move(message));
}

}  // namespace

std::u16string Escape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (IsEscaped(c)) out.push_back(u'&');
        out.push_back(c);
    }
    return out;
}

std::u16string Unescape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size() && IsEscaped(text[i + 1])) ++i;
        out.push_back(text[i]);
    }
    return out;
}

std::u16string FloatText(double value) {
    // Whole numbers (dates, most costs) take the short road; the rest goes
    // through the general 15-digit form.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, int64_t(value)).ptr;
        return Ascii(std::string_view(digits, size_t(end - digits)));
    }
    return Ascii(runtime::FloatToStr(value, DotSettings()));
}

namespace {

// Plain decimal digits with an optional minus sign, the form the writer
// uses for every integer and most floats: read without a detour through
// 8-bit text.
bool PlainDecimal(std::u16string_view text, size_t maxDigits, int64_t& value) {
    size_t i = !text.empty() && text[0] == u'-' ? 1 : 0;
    if (text.size() == i || text.size() - i > maxDigits) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        v = v * 10 + (text[i] - u'0');
    }
    value = text[0] == u'-' ? -v : v;
    return true;
}

}  // namespace

double ParseFloat(std::u16string_view text) {
    int64_t plain;
    if (PlainDecimal(text, 15, plain)) return double(plain);
    std::string narrow = Narrow(text);
    // A comma locale wrote "1,5"; FloatText never writes a thousands separator.
    if (narrow.find(',') != std::string::npos && narrow.find('.') == std::string::npos) {
        for (char& c : narrow)
            if (c == ',') c = '.';
    }
    return runtime::StrToFloat(narrow, DotSettings());
}

int32_t ParseInteger(std::u16string_view text) {
    int64_t plain;
    if (PlainDecimal(text, 9, plain)) return int32_t(plain);
    return runtime::StrToInt(Narrow(text));
}

runtime::Variant ParseValue(char16_t marker, const std::u16string& text) {
    switch (marker) {
        case StringMarker:
            return runtime::Variant(text);
        case IntegerMarker:
            return runtime::Variant(ParseInteger(text));
        default:
            return runtime::Variant(ParseFloat(text));
    }
}

// ---- writer -----------------------------------------------------------------

// The loops below go over raw pointers and copy whole runs: a project's
// text is hundreds of megabytes, and a call per character would cost more
// than the writing itself (in a build without optimisation most of all).

TTaggedTextWriter::TTaggedTextWriter(runtime::TStream& stream)
    : stream_(stream), buffer_(std::make_unique<char16_t[]>(ChunkUnits)) {}

void TTaggedTextWriter::Put(std::u16string_view text) {
    const char16_t* from = text.data();
    size_t left = text.size();
    while (left > 0) {
        if (used_ == ChunkUnits) Flush();
        const size_t n = std::min(left, ChunkUnits - used_);
        std::memcpy(buffer_.get() + used_, from, n * sizeof(char16_t));
        used_ += n;
        from += n;
        left -= n;
    }
}

void TTaggedTextWriter::Put(char16_t c) {
    if (used_ == ChunkUnits) Flush();
    buffer_[used_++] = c;
}

void TTaggedTextWriter::Open(std::u16string_view name) {
    ++elements_;
    Put(u'<');
    Put(name);
    Put(u'>');
}

void TTaggedTextWriter::Close(std::u16string_view name) {
    Put(u'<');
    Put(u'/');
    Put(name);
    Put(u'>');
}

void TTaggedTextWriter::StringValue(std::u16string_view value) {
    Put(StringMarker);
    const char16_t* p = value.data();
    const char16_t* const end = p + value.size();
    while (p != end) {
        const char16_t* run = p;
        // Every escaped character lies below "?": letters pass on one test.
        while (p != end && (*p > u'>' || !IsEscaped(*p))) ++p;
        Put(std::u16string_view(run, size_t(p - run)));
        if (p != end) {
            Put(u'&');
            Put(*p++);
        }
    }
}

void TTaggedTextWriter::PutWidened(std::string_view ascii) {
    const char* from = ascii.data();
    size_t left = ascii.size();
    while (left > 0) {
        if (used_ == ChunkUnits) Flush();
        const size_t n = std::min(left, ChunkUnits - used_);
        char16_t* to = buffer_.get() + used_;
        for (size_t i = 0; i < n; ++i) to[i] = char16_t(from[i]);
        used_ += n;
        from += n;
        left -= n;
    }
}

void TTaggedTextWriter::AnsiStringValue(std::string_view value) {
    // Below 0x80 every system code page is ASCII: such text widens byte by
    // byte, without a converted copy. Any other goes through the code page.
    const char* p = value.data();
    const char* const end = p + value.size();
    for (const char* q = p; q != end; ++q)
        if (static_cast<unsigned char>(*q) >= 0x80) {
            StringValue(runtime::AnsiToWide(value));
            return;
        }
    Put(StringMarker);
    while (p != end) {
        const char* run = p;
        while (p != end && (*p > '>' || !IsEscaped(char16_t(*p)))) ++p;
        PutWidened(std::string_view(run, size_t(p - run)));
        if (p != end) {
            Put(u'&');
            Put(char16_t(*p++));
        }
    }
}

void TTaggedTextWriter::IntegerValue(int64_t value) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Put(IntegerMarker);
    PutWidened(std::string_view(digits, size_t(end - digits)));
}

void TTaggedTextWriter::FloatValue(double value) {
    Put(FloatMarker);
    Put(FloatText(value));
}

void TTaggedTextWriter::StringElement(std::u16string_view name, std::u16string_view value) {
    Open(name);
    StringValue(value);
    Close(name);
}

void TTaggedTextWriter::AnsiStringElement(std::u16string_view name, std::string_view value) {
    Open(name);
    AnsiStringValue(value);
    Close(name);
}

void TTaggedTextWriter::IntegerElement(std::u16string_view name, int64_t value) {
    Open(name);
    IntegerValue(value);
    Close(name);
}

void TTaggedTextWriter::FloatElement(std::u16string_view name, double value) {
    Open(name);
    FloatValue(value);
    Close(name);
}

void TTaggedTextWriter::Flush() {
    if (used_ == 0) return;
    const int64_t bytes = 2 * int64_t(used_);
    stream_.WriteBuffer(buffer_.get(), bytes);
    flushedBytes_ += bytes;
    used_ = 0;
}

// ---- reader -----------------------------------------------------------------

TTaggedTextReader::TTaggedTextReader(runtime::TStream& stream, int64_t maxUnits)
    : stream_(stream), remainingUnits_(maxUnits) {}

bool TTaggedTextReader::Fill(size_t needed) {
    if (chunk_.size() - pos_ >= needed) return true;
    if (eof_) return false;
    // Keep what is left, then read whole units after it.
    consumed_ += int64_t(pos_);
    chunk_.erase(chunk_.begin(), chunk_.begin() + std::ptrdiff_t(pos_));
    pos_ = 0;
    while (!eof_ && chunk_.size() < needed + ChunkUnits) {
        // Reads grow from small to a whole chunk: most texts given to a
        // document are small, a project's is large.
        readUnits_ = std::min(ChunkUnits, readUnits_ * 2);
        size_t want = readUnits_;
        if (remainingUnits_ >= 0 && int64_t(want) > remainingUnits_) want = size_t(remainingUnits_);
        if (want == 0) {
            eof_ = true;
            break;
        }
        size_t old = chunk_.size();
        chunk_.resize(old + want);
        int64_t got = 0;
        auto* bytes = reinterpret_cast<char*>(chunk_.data() + old);
        // A stream may hand over fewer bytes than asked before its end; only
        // an empty read ends it, and a last odd byte is dropped.
        while (got < int64_t(want) * 2) {
            int64_t n = stream_.Read(bytes + got, int64_t(want) * 2 - got);
            if (n <= 0) {
                eof_ = true;
                break;
            }
            got += n;
        }
        chunk_.resize(old + size_t(got / 2));
        if (remainingUnits_ >= 0) remainingUnits_ -= got / 2;
    }
    return chunk_.size() - pos_ >= needed;
}

int TTaggedTextReader::Peek(size_t ahead) {
    if (!Fill(ahead + 1)) return -1;
    return chunk_[pos_ + ahead];
}

char16_t TTaggedTextReader::Take() {
    return chunk_[pos_++];
}

bool TTaggedTextReader::SkipToTag() {
    for (;;) {
        if (!Fill(1)) return false;
        const char16_t* const data = chunk_.data();
        const size_t end = chunk_.size();
        while (pos_ < end) {
            const char16_t c = data[pos_];
            if (c == u'<') return true;
            ++pos_;
            // "&<" is an escaped bracket, not a tag.
            if (c == u'&') {
                if (!Fill(1)) return false;
                ++pos_;
                break;  // the chunk may have moved
            }
        }
    }
}

void TTaggedTextReader::ReadName(std::u16string& name) {
    name.clear();
    for (;;) {
        if (!Fill(1)) Fail(SUnequalBrackets);
        const char16_t* const data = chunk_.data();
        const size_t end = chunk_.size();
        size_t p = pos_;
        while (p < end && data[p] != u'>') ++p;
        name.append(data + pos_, p - pos_);
        pos_ = p;
        if (name.size() > MaxNameLength) Fail("A tag name is too long.");
        if (pos_ < end) {
            ++pos_;  // ">"
            return;
        }
    }
}

void TTaggedTextReader::ReadValue() {
    marker_ = Take();
    text_.clear();
    for (;;) {
        if (!Fill(1)) return;  // the caller finds the closing tag missing
        const char16_t* const data = chunk_.data();
        const size_t end = chunk_.size();
        size_t p = pos_;
        // "<" and "&" lie below "=": letters pass on one test.
        while (p < end && (data[p] > u'<' || (data[p] != u'<' && data[p] != u'&'))) ++p;
        text_.append(data + pos_, p - pos_);
        pos_ = p;
        if (pos_ == end) continue;
        if (data[pos_] == u'<') return;
        // "&" and the character after it.
        ++pos_;
        int next = Peek();
        if (next >= 0 && IsEscaped(char16_t(next))) {
            text_.push_back(char16_t(next));
            ++pos_;
        } else {
            text_.push_back(u'&');
        }
    }
}

void TTaggedTextReader::Push() {
    // The names' strings stay for the next element at that depth, so that
    // opening one allocates nothing once the text is under way.
    if (depth_ < open_.size())
        open_[depth_] = text_;
    else
        open_.push_back(text_);
    ++depth_;
}

void TTaggedTextReader::ExpectClose() {
    const std::u16string& name = Top();
    // Here stands "<"; a closing tag follows it with "/".
    if (Peek(1) != u'/') Fail("The closing tag of <" + runtime::WideToAnsi(name) + "> is missing.");
    pos_ += 2;
    ReadName(text_);
    if (!SameName(text_, name))
        Fail("The closing tag of <" + runtime::WideToAnsi(name) + "> is missing; </" +
             runtime::WideToAnsi(text_) + "> stands in its place.");
    --depth_;
}

TTaggedTextReader::Token TTaggedTextReader::Next() {
    for (;;) {
        switch (state_) {
            case State::Done:
                return Token::End;

            case State::Start:
            case State::AfterRoot:
            case State::BetweenSiblings: {
                bool found = SkipToTag();
                if (state_ != State::BetweenSiblings) {
                    if (!found) {
                        state_ = State::Done;
                        return Token::End;
                    }
                    if (state_ == State::AfterRoot)
                        Fail("The text holds a second outermost element.");
                    if (Peek(1) == u'/') Fail("The text starts with a closing tag.");
                } else {
                    if (!found)
                        Fail("The closing tag of <" + runtime::WideToAnsi(Top()) + "> is missing.");
                    if (Peek(1) == u'/') {
                        ExpectClose();
                        state_ = depth_ == 0 ? State::AfterRoot : State::BetweenSiblings;
                        return Token::Close;
                    }
                }
                [[fallthrough]];
            }
            case State::Content:
                if (state_ == State::Content) {
                    int c = Peek();
                    if (c < 0)
                        Fail("The closing tag of <" + runtime::WideToAnsi(Top()) + "> is missing.");
                    if (c != u'<') {
                        ReadValue();
                        state_ = State::AfterValue;
                        if (marker_ == StringMarker || marker_ == IntegerMarker ||
                            marker_ == FloatMarker)
                            return Token::Value;
                        continue;
                    }
                    if (Peek(1) == u'/') {
                        ExpectClose();
                        state_ = depth_ == 0 ? State::AfterRoot : State::BetweenSiblings;
                        return Token::Close;
                    }
                }
                // "<" opens an element.
                if (int(depth_) >= MaxDepth) Fail("The elements are nested too deeply.");
                ++pos_;
                ReadName(text_);
                Push();
                state_ = State::Content;
                return Token::Open;

            case State::AfterValue: {
                if (Peek() != u'<')
                    Fail("The closing tag of <" + runtime::WideToAnsi(Top()) + "> is missing.");
                ExpectClose();
                state_ = depth_ == 0 ? State::AfterRoot : State::BetweenSiblings;
                return Token::Close;
            }
        }
    }
}

}  // namespace core::tagged
