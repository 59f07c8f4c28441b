#include "xml/text_reader.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/encoding.h"
#include "xml/errors.h"
#include "xml/limits.h"
#include "xml/name_chars.h"
#include "xml/node_classes.h"

namespace xml {

namespace {

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

// A stream read from its position to its end in pieces that grow up to the
// buffer size, decoded from its encoding. It is never asked for its size
// and never sought in, so a stream that cannot seek (a decompressing
// reader) serves as well.
class StreamSource final : public CharSource {
  public:
    StreamSource(runtime::TStream& stream, std::string head, size_t bufferBytes)
        : stream_(stream),
          limit_(bufferBytes),
          piece_(std::min(bufferBytes, kTextReadFirstPiece)),
          bytes_(std::move(head)) {
        if (bufferBytes == 0 || bufferBytes % 2 != 0) RaiseXmlError(XmlError::WrongBufferSize);
        // The start tells the encoding: a mark, the first bytes, a declaration.
        while (bytes_.size() < kEncodingSniffBytes && !ended_)
            ReadMore(kEncodingSniffBytes - bytes_.size());
        size_t mark = 0;
        decoder_.emplace(DetectCharset(bytes_, mark));
        bytes_.erase(0, mark);
    }

  private:
    bool Fill() override {
        for (;;) {
            if (bytes_.empty() && !ended_) {
                ReadMore(piece_);
                piece_ = std::min(piece_ * 2, limit_);
            }
            // A character cut by the end of a piece adds up to two units.
            if (capacity_ < bytes_.size() + 2) {
                capacity_ = bytes_.size() + 2;
                units_ = std::make_unique_for_overwrite<char16_t[]>(capacity_);
            }
            const bool last = ended_;
            size_t count = decoder_->Decode(bytes_.data(), bytes_.size(), units_.get(), last);
            bytes_.clear();
            if (count > 0) {
                pos_ = units_.get();
                end_ = units_.get() + count;
                return true;
            }
            if (last) return false;
        }
    }

    // Appends up to `count` bytes of the stream; sets ended_ at its end.
    void ReadMore(size_t count) {
        const size_t have = bytes_.size();
        bytes_.resize(have + count);
        int64_t got = stream_.Read(bytes_.data() + have, static_cast<int64_t>(count));
        if (got <= 0) {
            ended_ = true;
            got = 0;
        }
        bytes_.resize(have + static_cast<size_t>(got));
    }

    runtime::TStream& stream_;
    const size_t limit_;
    size_t piece_;
    std::string bytes_;  // read and not yet decoded
    bool ended_ = false;
    std::optional<TXmlDecoder> decoder_;
    std::unique_ptr<char16_t[]> units_;
    size_t capacity_ = 0;
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
        if (++element_ == 0) {
            // The marks wrapped: none may look like this element's.
            seen_.assign(seen_.size(), TSeenAttr{});
            element_ = 1;
        }
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
            // A repeated name replaces the earlier value; it is found by its
            // mark, not by a search of the element's attributes.
            if (static_cast<size_t>(id) >= seen_.size())
                seen_.resize(std::max(seen_.size() * 2, static_cast<size_t>(id) + 1));
            TSeenAttr& seen = seen_[static_cast<size_t>(id)];
            if (seen.element == element_) {
                node.SetAttrValueAt(seen.index, TXmlValue(value_));
            } else {
                seen = {element_, static_cast<uint32_t>(node.AttrCount())};
                node.AppendAttr(id, TXmlValue(value_));
            }
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

    // doctype: "<!DOCTYPE" (literal | "[" internal-subset "]" | other)* ">",
    // kept as no node. The internal subset is passed over whole: its
    // declarations are not read, so the entities it declares are none.
    void SkipDoctype() {
        Expect(u"DOCTYPE");
        bool inSubset = false;
        for (;;) {
            if (src_.AtEnd()) RaiseXmlError(XmlError::Expected, {inSubset ? u"]" : u">"});
            char16_t c = src_.Peek();
            src_.Skip();
            if (c == u'"' || c == u'\'') {
                // A literal may hold ">", "[" and "]".
                ReadUntil(std::u16string_view(&c, 1), value_);
            } else if (!inSubset) {
                if (c == u'>') return;
                inSubset = c == u'[';
            } else if (c == u']') {
                inSubset = false;
            } else if (c == u'<' && !src_.AtEnd() && src_.Peek() == u'?') {
                ReadUntil(u"?>", value_);
            } else if (c == u'<' && !src_.AtEnd() && src_.Peek() == u'!') {
                src_.Skip();
                if (!src_.AtEnd() && src_.Peek() == u'-') {
                    Expect(u"--");
                    ReadUntil(u"-->", value_);
                }
            }
        }
    }

    CharSource& src_;
    TXmlNameTable& names_;
    // Token buffers, reused so that a long document does not allocate one
    // string per token.
    std::u16string text_, name_, value_, entity_;
    // Which attribute names the element being read has: the element's mark
    // and the attribute's index, by name id.
    struct TSeenAttr {
        uint32_t element = 0;
        uint32_t index = 0;
    };
    std::vector<TSeenAttr> seen_;
    uint32_t element_ = 0;
};

}  // namespace

void ParseXmlText(TXmlNode& parent, std::u16string_view text) {
    StringSource source(text);
    TextParser(source, parent.Names()).ParseList(parent, 0);
}

void ParseXmlStream(TXmlNode& parent, runtime::TStream& stream, std::string head,
                    size_t bufferBytes) {
    StreamSource source(stream, std::move(head), bufferBytes);
    TextParser(source, parent.Names()).ParseList(parent, 0);
}

}  // namespace xml
