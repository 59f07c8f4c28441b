#include "xml/text_reader.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/errors.h"
#include "xml/limits.h"
#include "xml/name_chars.h"
#include "xml/node_classes.h"

namespace xml {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the text form is read by copying UTF-16LE units");

// Code units in a window [pos, end) that Fill() moves along the input.
class CharSource {
  public:
    virtual ~CharSource() = default;

    bool AtEnd() { return pos_ == end_ && !Fill(); }
    // The current unit; only when !AtEnd().
    char16_t Peek() const { return *pos_; }
    void Skip() { ++pos_; }

    const char16_t* pos_ = nullptr;
    const char16_t* end_ = nullptr;

  protected:
    // Makes more units available; false at the end of the input.
    virtual bool Fill() = 0;
};

class StringSource final : public CharSource {
  public:
    explicit StringSource(std::u16string_view text) {
        pos_ = text.data();
        end_ = text.data() + text.size();
    }

  private:
    bool Fill() override { return false; }
};

class StreamSource final : public CharSource {
  public:
    StreamSource(runtime::TStream& stream, size_t bufferBytes)
        : stream_(stream), left_(std::max<int64_t>(0, stream.Size())) {
        if (bufferBytes == 0 || bufferBytes % 2 != 0) RaiseXmlError(XmlError::WrongBufferSize);
        // No bigger than the stream needs: small documents stay cheap.
        size_ = static_cast<size_t>(
            std::min<int64_t>(static_cast<int64_t>(bufferBytes) / 2, left_ / 2 + 1));
        units_ = std::make_unique_for_overwrite<char16_t[]>(size_);
        pos_ = end_ = units_.get();
    }

  private:
    bool Fill() override {
        // The units are filled as bytes; an odd byte left by the previous
        // read starts this piece.
        auto* bytes = reinterpret_cast<char*>(units_.get());
        const size_t room = size_ * 2;
        size_t have = carry_ ? 1 : 0;
        if (carry_) bytes[0] = carryByte_;
        while (have < room && left_ > 0) {
            auto want = static_cast<int64_t>(room - have);
            if (want > left_) want = left_;
            int64_t got = stream_.Read(bytes + have, want);
            if (got <= 0) {
                left_ = 0;
                break;
            }
            have += static_cast<size_t>(got);
            left_ -= got;
        }
        carry_ = have % 2 != 0;
        if (carry_) carryByte_ = bytes[have - 1];
        size_t count = have / 2;
        if (count == 0) return false;
        pos_ = units_.get();
        end_ = units_.get() + count;
        return true;
    }

    runtime::TStream& stream_;
    int64_t left_;
    size_t size_;
    std::unique_ptr<char16_t[]> units_;
    bool carry_ = false;
    char carryByte_ = 0;
};

bool IsBlank(char16_t c) {
    return c <= u' ';
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Appends a code point given by a character reference: one unit, a
// surrogate pair above the basic plane, U+FFFD beyond U+10FFFF.
void AppendCodePoint(std::u16string& out, uint32_t code) {
    if (code <= 0xFFFF) {
        out += static_cast<char16_t>(code);
    } else if (code <= 0x10FFFF) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += u'\uFFFD';
    }
}

struct EntityName {
    std::u16string_view name;
    char16_t value;
};
constexpr EntityName kEntities[] = {
    {u"amp", u'&'}, {u"quot", u'"'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"apos", u'\''},
};

class TextParser {
  public:
    TextParser(CharSource& source, TXmlNameTable& names) : src_(source), names_(names) {}

    // node-list; `depth` counts the elements around the list
    void ParseList(TXmlNode& parent, int depth) {
        for (;;) {
            ReadTextRun(parent);
            if (src_.AtEnd()) return;
            src_.Skip();  // "<"
            if (src_.AtEnd()) return;
            switch (src_.Peek()) {
                case u'/':
                    return;
                case u'?':
                    src_.Skip();
                    ParseProcessingInstruction(parent);
                    break;
                case u'!':
                    src_.Skip();
                    if (src_.AtEnd()) return;
                    if (src_.Peek() == u'-')
                        ParseComment(parent);
                    else if (src_.Peek() == u'[')
                        ParseCDATA(parent);
                    else
                        SkipDoctype();
                    break;
                default:
                    ParseElement(parent, depth);
                    break;
            }
        }
    }

  private:
    // text-run: characters up to "<" or the end, references decoded
    void ReadTextRun(TXmlNode& parent) {
        text_.clear();
        while (!src_.AtEnd()) {
            const char16_t* p = src_.pos_;
            while (p < src_.end_ && *p != u'<' && *p != u'&') ++p;
            text_.append(src_.pos_, p);
            src_.pos_ = p;
            if (p == src_.end_) continue;
            if (*p == u'<') break;
            src_.Skip();
            ReadReference(text_);
        }
        if (!text_.empty()) parent.EnsureChildren().AddNew(TXmlText::New(names_, text_));
    }

    // reference: "#x" hex ";" | "#" digits ";" | name ";" (after "&")
    void ReadReference(std::u16string& out) {
        if (src_.AtEnd()) RaiseXmlError(XmlError::ReferenceExpected);
        if (src_.Peek() != u'#') {
            ReadName(entity_);
            const EntityName* found = nullptr;
            for (const EntityName& e : kEntities)
                if (entity_ == e.name) found = &e;
            if (!found) RaiseXmlError(XmlError::WrongEntityName);
            Expect(u";");
            out += found->value;
            return;
        }
        src_.Skip();
        if (src_.AtEnd()) RaiseXmlError(XmlError::NumberExpected);
        bool hex = src_.Peek() == u'x';
        if (hex) src_.Skip();
        const uint32_t base = hex ? 16 : 10;
        uint32_t code = 0;
        bool any = false;
        for (; !src_.AtEnd(); src_.Skip()) {
            int digit =
                hex ? HexValue(src_.Peek())
                    : (src_.Peek() >= u'0' && src_.Peek() <= u'9' ? src_.Peek() - u'0' : -1);
            if (digit < 0) break;
            any = true;
            // Saturates above the last code point; the value then maps to U+FFFD.
            if (code <= 0x10FFFF) code = code * base + static_cast<uint32_t>(digit);
        }
        if (!any) RaiseXmlError(hex ? XmlError::HexNumberExpected : XmlError::NumberExpected);
        Expect(u";");
        AppendCodePoint(out, code);
    }

    // name: (letter | "_") (letter | digit | "-" | "." | ":" | "_")*
    void ReadName(std::u16string& out) {
        out.clear();
        if (src_.AtEnd()) RaiseXmlError(XmlError::NameStart, {u""});
        if (char16_t c = src_.Peek(); !IsXmlNameStart(c))
            RaiseXmlError(XmlError::NameStart, {std::u16string_view(&c, 1)});
        do {
            if (out.size() == kMaxNameLength) RaiseXmlError(XmlError::NameTooLong);
            out += src_.Peek();
            src_.Skip();
        } while (!src_.AtEnd() && IsXmlNameChar(src_.Peek()));
    }

    void SkipBlanks() {
        while (!src_.AtEnd() && IsBlank(src_.Peek())) src_.Skip();
    }

    // Requires `text` next; the error names what is missing from the first
    // character that differs.
    void Expect(std::u16string_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (src_.AtEnd() || src_.Peek() != text[i])
                RaiseXmlError(XmlError::Expected, {text.substr(i)});
            src_.Skip();
        }
    }

    // Collects everything up to the first `terminator` into `out` and moves
    // past it.
    void ReadUntil(std::u16string_view terminator, std::u16string& out) {
        out.clear();
        for (;;) {
            if (src_.AtEnd()) RaiseXmlError(XmlError::Expected, {terminator});
            out += src_.Peek();
            src_.Skip();
            if (out.ends_with(terminator)) {
                out.resize(out.size() - terminator.size());
                return;
            }
        }
    }

    // attributes: (blanks name blanks "=" blanks quoted-value)*
    void ReadAttributes(TXmlNode& node) {
        for (;;) {
            SkipBlanks();
            if (src_.AtEnd() || !IsXmlNameStart(src_.Peek())) return;
            ReadName(name_);
            int32_t id = names_.GetID(name_);
            SkipBlanks();
            Expect(u"=");
            SkipBlanks();
            if (src_.AtEnd()) RaiseXmlError(XmlError::AttrValueExpected);
            char16_t quote = src_.Peek();
            if (quote != u'"' && quote != u'\'') RaiseXmlError(XmlError::StringConstantExpected);
            src_.Skip();
            value_.clear();
            for (;;) {
                if (src_.AtEnd())
                    RaiseXmlError(XmlError::Expected, {std::u16string_view(&quote, 1)});
                char16_t c = src_.Peek();
                src_.Skip();
                if (c == quote) break;
                if (c == u'<') RaiseXmlError(XmlError::LessThanInAttribute);
                if (c == u'&')
                    ReadReference(value_);
                else
                    value_ += c;
            }
            node.PutAttr(id, TXmlValue(value_));
        }
    }

    // element: "<" name attributes ("/>" | ">" node-list "</" name blanks ">")
    void ParseElement(TXmlNode& parent, int depth) {
        ReadName(name_);
        if (src_.AtEnd()) RaiseXmlError(XmlError::ElementIncomplete);
        if (char16_t c = src_.Peek(); !IsBlank(c) && c != u'/' && c != u'>')
            RaiseXmlError(XmlError::WrongSymbolInElement);
        if (depth >= kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
        int32_t id = names_.GetID(name_);
        auto* element = new TXmlElement(names_, id);
        parent.EnsureChildren().Add(element);
        ReadAttributes(*element);
        if (!src_.AtEnd() && src_.Peek() == u'/') {
            Expect(u"/>");
            return;
        }
        Expect(u">");
        ParseList(*element, depth + 1);
        Expect(u"/");
        Expect(names_.Name(id));
        SkipBlanks();
        Expect(u">");
    }

    // processing-instruction: "<?" name (attributes "?>" for "xml" | data "?>")
    void ParseProcessingInstruction(TXmlNode& parent) {
        ReadName(name_);
        auto* pi = new TXmlProcessingInstruction(names_, names_.GetID(name_), u"");
        parent.EnsureChildren().Add(pi);
        if (name_ == u"xml") {
            ReadAttributes(*pi);
            Expect(u"?>");
            return;
        }
        ReadUntil(u"?>", value_);
        pi->SetText(value_);
    }

    // comment: "<!--" text "-->"
    void ParseComment(TXmlNode& parent) {
        Expect(u"--");
        ReadUntil(u"-->", value_);
        parent.EnsureChildren().Add(new TXmlComment(names_, value_));
    }

    // cdata-section: "<![CDATA[" text "]]>"
    void ParseCDATA(TXmlNode& parent) {
        Expect(u"[CDATA[");
        ReadUntil(u"]]>", value_);
        parent.EnsureChildren().Add(new TXmlCDATASection(names_, value_));
    }

    // doctype: "<!DOCTYPE" anything ">", kept as no node
    void SkipDoctype() {
        Expect(u"DOCTYPE");
        for (;;) {
            if (src_.AtEnd()) RaiseXmlError(XmlError::Expected, {u">"});
            char16_t c = src_.Peek();
            src_.Skip();
            if (c == u'>') return;
        }
    }

    CharSource& src_;
    TXmlNameTable& names_;
    // Token buffers, reused so that a long document does not allocate one
    // string per token.
    std::u16string text_, name_, value_, entity_;
};

}  // namespace

void ParseXmlText(TXmlNode& parent, std::u16string_view text) {
    StringSource source(text);
    TextParser(source, parent.Names()).ParseList(parent, 0);
}

void ParseXmlStream(TXmlNode& parent, runtime::TStream& stream, size_t bufferBytes) {
    StreamSource source(stream, bufferBytes);
    TextParser(source, parent.Names()).ParseList(parent, 0);
}

}  // namespace xml
