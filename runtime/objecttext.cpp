#include "runtime/objecttext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "runtime/component.h"
#include "runtime/objectstream.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

// Long string literals are split into pieces of this many characters.
constexpr size_t kLiteralPieceLength = 64;
// Bytes per line of a binary value.
constexpr size_t kBinaryBytesPerLine = 32;

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    return (c & ~0x20) - 'A' + 10;
}

// ---- binary to text ------------------------------------------------------------------

class TextWriter {
  public:
    explicit TextWriter(TReader& reader) : reader_(reader) {}

    std::string Convert() {
        reader_.ReadSignature();
        ConvertObject(0);
        return std::move(out_);
    }

  private:
    void ConvertObject(size_t indent) {
        CheckDepth();
        uint8_t flags;
        int32_t childPos;
        reader_.ReadPrefix(flags, childPos);
        const std::string className = reader_.ReadStr();
        const std::string name = reader_.ReadStr();
        Indent(indent);
        out_ += (flags & ffInherited) != 0 ? "inherited "
                : (flags & ffInline) != 0  ? "inline "
                                           : "object ";
        if (!name.empty()) out_ += name + ": ";
        out_ += className;
        if ((flags & ffChildPos) != 0) out_ += " [" + std::to_string(childPos) + "]";
        out_ += "\r\n";
        while (!reader_.EndOfList()) ConvertProperty(indent + 2);
        reader_.ReadListEnd();
        while (!reader_.EndOfList()) ConvertObject(indent + 2);
        reader_.ReadListEnd();
        Indent(indent);
        out_ += "end\r\n";
        --depth_;
    }

    void ConvertProperty(size_t indent) {
        Indent(indent);
        out_ += reader_.ReadStr();
        out_ += " =";
        ConvertValue(indent, " ");
        out_ += "\r\n";
    }

    // Writes `lead` and the value; a long string starts on the next line.
    void ConvertValue(size_t indent, const char* lead) {
        switch (reader_.NextValue()) {
            case vaList: {
                CheckDepth();
                reader_.ReadValue();
                out_ += lead;
                out_ += "(";
                while (!reader_.EndOfList()) {
                    out_ += "\r\n";
                    Indent(indent + 2);
                    ConvertValue(indent + 2, "");
                }
                reader_.ReadListEnd();
                out_ += ")";
                --depth_;
                return;
            }
            case vaString:
            case vaLString:
            case vaWString:
            case vaUTF8String:
                ConvertString(reader_.ReadWideString(), indent, lead);
                return;
            case vaBinary:
                ConvertBinary(reader_.ReadBinary(), indent, lead);
                return;
            case vaCollection:
                ConvertCollection(indent, lead);
                return;
            default:
                break;
        }
        out_ += lead;
        switch (reader_.NextValue()) {
            case vaInt8:
            case vaInt16:
            case vaInt32:
            case vaInt64:
                out_ += std::to_string(reader_.ReadInt64());
                break;
            case vaExtended:
            case vaDouble:
                out_ += FormatFloat(reader_.ReadFloat());
                break;
            case vaSingle:
                out_ += FormatSingle(reader_.ReadSingle()) + "s";
                break;
            case vaCurrency:
                out_ += FormatCurrency(reader_.ReadCurrency()) + "c";
                break;
            case vaDate:
                out_ += FormatFloat(reader_.ReadDate()) + "d";
                break;
            case vaIdent:
            case vaFalse:
            case vaTrue:
            case vaNil:
            case vaNull:
                out_ += reader_.ReadIdent();
                break;
            case vaSet: {
                reader_.ReadValue();
                out_ += "[";
                const std::vector<std::string> names = reader_.ReadSet();
                for (size_t i = 0; i < names.size(); ++i) {
                    if (i > 0) out_ += ", ";
                    out_ += names[i];
                }
                out_ += "]";
                break;
            }
            default:
                reader_.SkipValue();
                break;  // handled above
        }
    }

    void ConvertCollection(size_t indent, const char* lead) {
        CheckDepth();
        reader_.ReadValue();
        out_ += lead;
        out_ += "<";
        while (!reader_.EndOfList()) {
            out_ += "\r\n";
            Indent(indent + 2);
            out_ += "item";
            switch (reader_.NextValue()) {
                case vaInt8:
                case vaInt16:
                case vaInt32:
                    out_ += " [" + std::to_string(reader_.ReadInteger()) + "]";
                    break;
                default:
                    break;
            }
            out_ += "\r\n";
            reader_.ReadListBegin();
            while (!reader_.EndOfList()) ConvertProperty(indent + 4);
            reader_.ReadListEnd();
            Indent(indent + 2);
            out_ += "end";
        }
        reader_.ReadListEnd();
        out_ += ">";
        --depth_;
    }

    void ConvertString(const std::u16string& value, size_t indent, const char* lead) {
        if (value.size() <= kLiteralPieceLength) {
            out_ += lead;
            out_ += Literal(value);
            return;
        }
        // A property's long string starts on the next line; a list item's
        // where the item starts.
        const size_t pieceIndent = *lead != '\0' ? indent + 2 : indent;
        if (*lead != '\0') {
            out_ += "\r\n";
            Indent(pieceIndent);
        }
        for (size_t start = 0; start < value.size(); start += kLiteralPieceLength) {
            if (start > 0) {
                out_ += " +\r\n";
                Indent(pieceIndent);
            }
            out_ += Literal(std::u16string_view(value).substr(start, kLiteralPieceLength));
        }
    }

    void ConvertBinary(const std::string& bytes, size_t indent, const char* lead) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        out_ += lead;
        out_ += "{";
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % kBinaryBytesPerLine == 0) {
                out_ += "\r\n";
                Indent(indent + 2);
            }
            const auto b = static_cast<uint8_t>(bytes[i]);
            out_ += kHex[b >> 4];
            out_ += kHex[b & 15];
        }
        out_ += "}";
    }

    // Printable ASCII in quotes, every other character as #n.
    static std::string Literal(std::u16string_view value) {
        if (value.empty()) return "''";
        std::string text;
        bool quoted = false;
        for (char16_t c : value) {
            if (c >= 32 && c <= 126) {
                if (!quoted) text += '\'';
                quoted = true;
                if (c == '\'') text += '\'';
                text += static_cast<char>(c);
            } else {
                if (quoted) text += '\'';
                quoted = false;
                text += "#" + std::to_string(static_cast<unsigned>(c));
            }
        }
        if (quoted) text += '\'';
        return text;
    }

    template <typename F>
    static std::string Shortest(F value) {
        if (!std::isfinite(value))
            throw EWriteError("Cannot write NaN or an infinite value as text");
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        std::string text(buffer, result.ptr);
        if (text.find_first_of(".e") == std::string::npos) text += ".0";
        return text;
    }
    static std::string FormatFloat(double value) { return Shortest(value); }
    static std::string FormatSingle(float value) { return Shortest(value); }

    static std::string FormatCurrency(int64_t scaled) {
        const bool negative = scaled < 0;
        // Magnitude as unsigned: the most negative value has no positive twin.
        const uint64_t magnitude =
            negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
        std::string fraction = std::to_string(magnitude % 10000);
        fraction.insert(0, 4 - fraction.size(), '0');
        while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
        return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
    }

    void Indent(size_t count) { out_.append(count, ' '); }

    void CheckDepth() {
        if (++depth_ > kMaxStreamNesting) throw EReadError("Stream nesting too deep");
    }

    TReader& reader_;
    std::string out_;
    int depth_ = 0;
};

// ---- text to binary ------------------------------------------------------------------

enum class TokenKind { End, Symbol, Integer, Float, String, Char };

struct Token {
    TokenKind kind = TokenKind::End;
    char ch = 0;            // Char
    std::string text;       // Symbol; Float: the number's text
    int64_t integer = 0;    // Integer
    char suffix = 0;        // Float: 0, 's', 'c' or 'd'
    std::u16string string;  // String
    int line = 1;
};

class TextParser {
  public:
    TextParser(std::string_view text, TWriter& writer) : text_(text), writer_(writer) {}

    void Convert() {
        Next();
        writer_.WriteSignature();
        ParseObject();
        if (token_.kind != TokenKind::End) Error("End of text expected");
    }

  private:
    [[noreturn]] void Error(const std::string& message) const {
        throw EParserError("Line " + std::to_string(token_.line) + ": " + message);
    }

    std::string Describe() const {
        switch (token_.kind) {
            case TokenKind::End:
                return "end of text";
            case TokenKind::Symbol:
                return "'" + token_.text + "'";
            case TokenKind::Integer:
                return std::to_string(token_.integer);
            case TokenKind::Float:
                return token_.text;
            case TokenKind::String:
                return "a string";
            case TokenKind::Char:
                return std::string("'") + token_.ch + "'";
        }
        return {};
    }

    [[noreturn]] void Expected(const std::string& what) const {
        Error(what + " expected but " + Describe() + " found");
    }

    bool IsChar(char c) const { return token_.kind == TokenKind::Char && token_.ch == c; }
    bool IsSymbol(std::string_view name) const {
        return token_.kind == TokenKind::Symbol && SameText(token_.text, name);
    }
    bool AtObject() const {
        return IsSymbol("object") || IsSymbol("inherited") || IsSymbol("inline");
    }

    void ExpectChar(char c) {
        if (!IsChar(c)) Expected(std::string("'") + c + "'");
        Next();
    }

    std::string ExpectSymbol() {
        if (token_.kind != TokenKind::Symbol) Expected("Identifier");
        std::string text = std::move(token_.text);
        Next();
        return text;
    }

    void Enter() {
        if (++depth_ > kMaxStreamNesting) Error("Nesting too deep");
    }

    // object := ("object" | "inherited" | "inline") [Name ":"] Class ["[" n "]"]
    //           {property} {object} "end"
    void ParseObject() {
        Enter();
        if (!AtObject()) Expected("'object'");
        uint8_t flags = IsSymbol("inherited") ? ffInherited : IsSymbol("inline") ? ffInline : 0;
        Next();
        std::string name;
        std::string className = ExpectSymbol();
        if (IsChar(':')) {
            Next();
            name = std::move(className);
            className = ExpectSymbol();
        }
        int32_t childPos = 0;
        if (IsChar('[')) {
            Next();
            if (token_.kind != TokenKind::Integer || token_.integer < INT32_MIN ||
                token_.integer > INT32_MAX)
                Expected("Integer");
            childPos = static_cast<int32_t>(token_.integer);
            flags |= ffChildPos;
            Next();
            ExpectChar(']');
        }
        Write([&] {
            writer_.WritePrefix(flags, childPos);
            writer_.WriteStr(className);
            writer_.WriteStr(name);
        });
        while (token_.kind != TokenKind::End && !AtObject() && !IsSymbol("end")) ParseProperty();
        writer_.WriteListEnd();
        while (AtObject()) ParseObject();
        if (!IsSymbol("end")) Expected("'end'");
        Next();
        writer_.WriteListEnd();
        --depth_;
    }

    // property := Name {"." Name} "=" value
    void ParseProperty() {
        std::string name = ExpectSymbol();
        while (IsChar('.')) {
            Next();
            name += '.';
            name += ExpectSymbol();
        }
        ExpectChar('=');
        Write([&] { writer_.WriteStr(name); });
        ParseValue();
    }

    // value := integer | float | string {"+" string} | identifier | set | list
    //        | collection | binary
    void ParseValue() {
        switch (token_.kind) {
            case TokenKind::Integer:
                writer_.WriteInteger(token_.integer);
                Next();
                return;
            case TokenKind::Float:
                WriteFloat();
                Next();
                return;
            case TokenKind::String:
                ParseString();
                return;
            case TokenKind::Symbol: {
                const std::string ident = std::move(token_.text);
                Write([&] { writer_.WriteIdent(ident); });
                Next();
                return;
            }
            case TokenKind::Char:
                break;
            case TokenKind::End:
                Expected("Value");
        }
        switch (token_.ch) {
            case '[':
                ParseSet();
                return;
            case '(':
                ParseList();
                return;
            case '<':
                ParseCollection();
                return;
            case '{':
                ParseBinary();
                return;
            default:
                Expected("Value");
        }
    }

    void WriteFloat() {
        const std::string& text = token_.text;
        const char* first = text.data();
        const char* last = text.data() + text.size();
        switch (token_.suffix) {
            case 's': {
                float value;
                if (std::from_chars(first, last, value).ec != std::errc{})
                    Error("Invalid number " + text);
                writer_.WriteSingle(value);
                return;
            }
            case 'c':
                writer_.WriteCurrency(ParseCurrency(text));
                return;
            default: {
                double value;
                if (std::from_chars(first, last, value).ec != std::errc{})
                    Error("Invalid number " + text);
                if (token_.suffix == 'd')
                    writer_.WriteDate(value);
                else
                    writer_.WriteFloat(value);
                return;
            }
        }
    }

    // A decimal number scaled by 10000, exactly.
    int64_t ParseCurrency(const std::string& text) const {
        size_t i = 0;
        const bool negative = i < text.size() && text[i] == '-';
        if (negative) ++i;
        uint64_t scaled = 0;
        int fractionDigits = -1;
        for (; i < text.size(); ++i) {
            if (text[i] == '.' && fractionDigits < 0) {
                fractionDigits = 0;
                continue;
            }
            if (!IsDigit(text[i]) || fractionDigits == 4) Error("Invalid currency value " + text);
            if (fractionDigits >= 0) ++fractionDigits;
            if (scaled > (std::numeric_limits<uint64_t>::max() - 9) / 10)
                Error("Currency value too large " + text);
            scaled = scaled * 10 + static_cast<uint64_t>(text[i] - '0');
        }
        for (int d = fractionDigits < 0 ? 0 : fractionDigits; d < 4; ++d) {
            if (scaled > std::numeric_limits<uint64_t>::max() / 10)
                Error("Currency value too large " + text);
            scaled *= 10;
        }
        const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
        if (scaled > limit) Error("Currency value too large " + text);
        return negative ? static_cast<int64_t>(0 - scaled) : static_cast<int64_t>(scaled);
    }

    void ParseString() {
        std::u16string value = std::move(token_.string);
        Next();
        while (IsChar('+')) {
            Next();
            if (token_.kind != TokenKind::String) Expected("String");
            value += token_.string;
            Next();
        }
        bool ascii = true;
        for (char16_t c : value) ascii = ascii && c < 0x80;
        Write([&] {
            if (ascii)
                writer_.WriteString(std::string(value.begin(), value.end()));
            else
                writer_.WriteWideString(value);
        });
    }

    void ParseSet() {
        Next();
        std::vector<std::string> names;
        if (!IsChar(']')) {
            names.push_back(ExpectSymbol());
            while (IsChar(',')) {
                Next();
                names.push_back(ExpectSymbol());
            }
        }
        ExpectChar(']');
        Write([&] { writer_.WriteSet(names); });
    }

    void ParseList() {
        Enter();
        Next();
        writer_.WriteListBegin();
        while (!IsChar(')')) ParseValue();
        Next();
        writer_.WriteListEnd();
        --depth_;
    }

    // collection := "<" {"item" ["[" n "]"] {property} "end"} ">"
    void ParseCollection() {
        Enter();
        Next();
        writer_.WriteValue(vaCollection);
        while (IsSymbol("item")) {
            Next();
            if (IsChar('[')) {
                Next();
                if (token_.kind != TokenKind::Integer || token_.integer < INT32_MIN ||
                    token_.integer > INT32_MAX)
                    Expected("Integer");
                writer_.WriteInteger(token_.integer);
                Next();
                ExpectChar(']');
            }
            writer_.WriteListBegin();
            while (token_.kind != TokenKind::End && !IsSymbol("end")) ParseProperty();
            if (!IsSymbol("end")) Expected("'end'");
            Next();
            writer_.WriteListEnd();
        }
        ExpectChar('>');
        writer_.WriteListEnd();
        --depth_;
    }

    // binary := "{" {hex digit pair, blanks anywhere} "}"; read straight from
    // the text, which the tokenizer has not gone past.
    void ParseBinary() {
        std::string bytes;
        int high = -1;
        for (;; ++pos_) {
            if (pos_ >= text_.size()) Error("'}' expected");
            const char c = text_[pos_];
            if (c == '}') break;
            if (c == '\n') ++line_;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
            if (!IsHexDigit(c)) Error("Invalid binary value");
            if (high < 0) {
                high = HexValue(c);
            } else {
                bytes += static_cast<char>(high * 16 + HexValue(c));
                high = -1;
            }
        }
        if (high >= 0) Error("Invalid binary value");
        ++pos_;
        writer_.WriteBinary(bytes.data(), bytes.size());
        Next();
    }

    // Writer errors (a name longer than 255) are errors of the text.
    template <typename F>
    void Write(F write) {
        try {
            write();
        } catch (const EWriteError& e) {
            Error(e.Message());
        }
    }

    // ---- tokenizer ----------------------------------------------------------------

    void Next() {
        SkipBlanks();
        token_ = Token();
        token_.line = line_;
        if (pos_ >= text_.size()) return;
        const char c = text_[pos_];
        if (IsLetter(c)) {
            const size_t start = pos_;
            while (pos_ < text_.size() && (IsLetter(text_[pos_]) || IsDigit(text_[pos_]))) ++pos_;
            token_.kind = TokenKind::Symbol;
            token_.text = std::string(text_.substr(start, pos_ - start));
        } else if (IsDigit(c) || c == '$' ||
                   (c == '-' && pos_ + 1 < text_.size() &&
                    (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
            ScanNumber();
        } else if (c == '\'' || c == '#') {
            ScanString();
        } else if (c == '{') {
            ++pos_;  // ParseBinary reads on from here
            token_.kind = TokenKind::Char;
            token_.ch = c;
        } else {
            ++pos_;
            token_.kind = TokenKind::Char;
            token_.ch = c;
        }
    }

    void SkipBlanks() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') ++line_;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
            ++pos_;
        }
    }

    void ScanNumber() {
        const size_t start = pos_;
        const bool negative = text_[pos_] == '-';
        if (negative) ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '$') {
            ++pos_;
            const size_t digits = pos_;
            while (pos_ < text_.size() && IsHexDigit(text_[pos_])) ++pos_;
            uint64_t value = 0;
            const auto result =
                std::from_chars(text_.data() + digits, text_.data() + pos_, value, 16);
            if (digits == pos_ || result.ec != std::errc{})
                Error("Invalid number " + std::string(text_.substr(start, pos_ - start)));
            token_.kind = TokenKind::Integer;
            // Hex numbers are bit patterns: $FFFFFFFFFFFFFFFF is -1.
            token_.integer = static_cast<int64_t>(negative ? 0 - value : value);
            return;
        }
        bool isFloat = false;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (IsDigit(c)) {
                ++pos_;
            } else if (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1])) {
                isFloat = true;
                ++pos_;
            } else if ((c == 'e' || c == 'E') && pos_ + 1 < text_.size() &&
                       (IsDigit(text_[pos_ + 1]) ||
                        ((text_[pos_ + 1] == '+' || text_[pos_ + 1] == '-') &&
                         pos_ + 2 < text_.size() && IsDigit(text_[pos_ + 2])))) {
                isFloat = true;
                pos_ += 2;
            } else {
                break;
            }
        }
        const std::string number(text_.substr(start, pos_ - start));
        if (pos_ < text_.size() && IsLetter(text_[pos_])) {
            const char suffix = static_cast<char>(text_[pos_] | 0x20);
            if (suffix != 's' && suffix != 'c' && suffix != 'd')
                Error("Invalid number " + number + text_[pos_]);
            ++pos_;
            token_.kind = TokenKind::Float;
            token_.text = number;
            token_.suffix = suffix;
            return;
        }
        if (isFloat) {
            token_.kind = TokenKind::Float;
            token_.text = number;
            return;
        }
        int64_t value = 0;
        const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec != std::errc{} || result.ptr != number.data() + number.size())
            Error("Invalid number " + number);
        token_.kind = TokenKind::Integer;
        token_.integer = value;
    }

    // string := {"'" text "'" | "#" code}
    void ScanString() {
        token_.kind = TokenKind::String;
        std::u16string& value = token_.string;
        while (pos_ < text_.size()) {
            if (text_[pos_] == '\'') {
                ++pos_;
                std::string raw;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r')
                        Error("Unterminated string");
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                            raw += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    raw += text_[pos_++];
                }
                value += Utf8ToWide(raw);
            } else if (text_[pos_] == '#') {
                ++pos_;
                const bool hex = pos_ < text_.size() && text_[pos_] == '$';
                if (hex) ++pos_;
                const size_t digits = pos_;
                while (pos_ < text_.size() &&
                       (hex ? IsHexDigit(text_[pos_]) : IsDigit(text_[pos_])))
                    ++pos_;
                unsigned code = 0;
                const auto result = std::from_chars(text_.data() + digits, text_.data() + pos_,
                                                    code, hex ? 16 : 10);
                if (digits == pos_ || result.ec != std::errc{} || code > 0xFFFF)
                    Error("Invalid character code");
                value += static_cast<char16_t>(code);
            } else {
                break;
            }
        }
    }

    std::string_view text_;
    TWriter& writer_;
    size_t pos_ = 0;
    int line_ = 1;
    Token token_;
    int depth_ = 0;
};

}  // namespace

void ObjectTextToBinary(TStream& input, TStream& output) {
    std::string text(static_cast<size_t>(std::max<int64_t>(0, input.Size() - input.Position())),
                     '\0');
    input.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    TWriter writer(output);
    TextParser(text, writer).Convert();
}

void ObjectBinaryToText(TStream& input, TStream& output) {
    TReader reader(input);
    const std::string text = TextWriter(reader).Convert();
    output.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

std::string ObjectTextToBinary(std::string_view text) {
    TStringStream output;
    TWriter writer(output);
    TextParser(text, writer).Convert();
    return output.DataString();
}

std::string ObjectBinaryToText(std::string_view binary) {
    TStringStream input{std::string(binary)};
    TReader reader(input);
    return TextWriter(reader).Convert();
}

void ReadComponentFromText(std::string_view text, TComponent& root) {
    TStringStream binary(ObjectTextToBinary(text));
    ReadComponentFromStream(binary, root);
}

std::unique_ptr<TComponent> ReadComponentFromText(std::string_view text) {
    TStringStream binary(ObjectTextToBinary(text));
    return ReadComponentFromStream(binary);
}

std::string WriteComponentToText(TComponent& root) {
    TStringStream binary;
    WriteComponentToStream(binary, root);
    return ObjectBinaryToText(binary.DataString());
}

}  // namespace runtime
