#include "script/conversions.h"

#include <cctype>
#include <climits>
#include <string>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/locale.h"
#include "runtime/strings.h"
#include "script/scope.h"

namespace script {

using runtime::Variant;

namespace {

// Type names take part in comparisons with their first 32 characters.
bool SameTypeName(std::string_view a, std::string_view b) {
    return runtime::SameText(a.substr(0, 32), b.substr(0, 32));
}

// ---- the declaration reader ----------------------------------------------------

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Reads host declaration texts: words, punctuation and literals, blanks and
// line breaks between them.
class DeclarationReader {
  public:
    explicit DeclarationReader(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') ++pos_;
    }
    char Peek() {
        SkipBlanks();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ >= text_.size();
    }
    std::string ReadWord() {
        SkipBlanks();
        const size_t start = pos_;
        while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }
    // The next character, consumed.
    char ReadChar() {
        SkipBlanks();
        return pos_ < text_.size() ? text_[pos_++] : '\0';
    }
    // A number ("12", "$FF", "1.5", "1e3") or "" when none starts here.
    std::string ReadNumber() {
        SkipBlanks();
        const size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '$') {
            ++pos_;
            while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
        } else {
            while (pos_ < text_.size() &&
                   (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.' ||
                    ((text_[pos_] == 'e' || text_[pos_] == 'E') && pos_ > start) ||
                    ((text_[pos_] == '+' || text_[pos_] == '-') && pos_ > start &&
                     (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E'))))
                ++pos_;
        }
        if (pos_ == start || (pos_ == start + 1 && text_[start] == '$')) {
            pos_ = start;
            return {};
        }
        return std::string(text_.substr(start, pos_ - start));
    }
    // A quoted literal in the tokenizer's form ("'it''s'" -> "'it's'").
    std::string ReadString() {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != '\'') return {};
        std::string value = "'";
        ++pos_;
        while (pos_ < text_.size()) {
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    value += '\'';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            value += text_[pos_++];
        }
        value += '\'';
        return value;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

// The default value after "=": a literal, or the value of a name the script
// knows; Null otherwise.
Variant ReadDefault(DeclarationReader& reader, const TscScope& script) {
    std::string literal = reader.ReadNumber();
    if (literal.empty()) literal = reader.ReadString();
    if (literal.empty() && reader.Peek() == '-') {
        reader.ReadChar();
        const std::string number = reader.ReadNumber();
        if (!number.empty()) literal = "-" + number;
    }
    if (!literal.empty()) return LiteralToVariant(literal);
    const std::string name = reader.ReadWord();
    if (name.empty()) return Variant::Null();
    const TscCustomVariable* item = script.Find(name);
    return item != nullptr ? item->Value : Variant::Null();
}

}  // namespace

TscTypeKind TypeKindByName(std::string_view typeName, const TscScope& script) {
    const TscCustomVariable* item = script.Find(typeName);
    return item != nullptr ? item->Kind : fskClass;
}

bool ClassInherits(std::string_view ancestorName, std::string_view descendantName,
                   const TscScope& script) {
    const TscClassVariable* ancestor = script.FindClassVariable(ancestorName);
    const TscClassVariable* current = script.FindClassVariable(descendantName);
    if (ancestor == nullptr || current == nullptr) return false;
    if (ancestor->ClassRef != nullptr && current->ClassRef != nullptr &&
        current->ClassRef->InheritsFrom(*ancestor->ClassRef))
        return true;
    for (int depth = 0; current != nullptr && depth < 64; ++depth) {
        if (current == ancestor) return true;
        if (current->AncestorName.empty() || current->Script == nullptr) return false;
        current = current->Script->FindClassVariable(current->AncestorName);
    }
    return false;
}

bool TypesCompatible(TscTypeKind leftKind, std::string_view leftName, TscTypeKind rightKind,
                     std::string_view rightName, const TscScope& script) {
    if (rightKind == fskVariant && leftKind != fskConstructor) return true;
    switch (leftKind) {
        case fskInt:
            return rightKind == fskInt || rightKind == fskFloat || rightKind == fskEnum;
        case fskBool:
            return rightKind == fskBool;
        case fskFloat:
            return rightKind == fskInt || rightKind == fskFloat;
        case fskChar:
        case fskString:
            return rightKind == fskChar || rightKind == fskString;
        case fskClass:
            return rightKind == fskClass && (SameTypeName(leftName, rightName) ||
                                             ClassInherits(leftName, rightName, script));
        case fskArray:
            return rightKind == fskArray;
        case fskVariant:
            return true;
        case fskEnum:
            return rightKind == fskInt ||
                   (rightKind == fskEnum && SameTypeName(leftName, rightName));
        case fskConstructor:
            return false;
    }
    return false;
}

bool AssignCompatible(const TscCustomVariable& target, const TscCustomVariable& source,
                      const TscScope& script) {
    if (target.Kind == fskInt && source.Kind == fskFloat) return false;
    return TypesCompatible(target.Kind, target.DeclTypeName, source.Kind, source.DeclTypeName,
                           script);
}

Variant LiteralToVariant(std::string_view text) {
    if (text.empty()) return Variant::Null();
    if (text[0] == '\'')
        return Variant(text.size() >= 2 ? std::string(text.substr(1, text.size() - 2))
                                        : std::string());
    int64_t integer = 0;
    if (runtime::TryStrToInt64(text, integer)) {
        if (integer >= INT32_MIN && integer <= INT32_MAX)
            return Variant(static_cast<int32_t>(integer));
        return Variant(integer);
    }
    // Literals are written with "." whatever the locale says.
    static const runtime::TFormatSettings kPointSettings = [] {
        runtime::TFormatSettings settings = runtime::DefaultFormatSettings();
        settings.DecimalSeparator = '.';
        settings.ThousandSeparator = ',';
        return settings;
    }();
    return Variant(runtime::StrToFloat(text, kPointSettings));
}

std::unique_ptr<TscCustomVariable> ParseDeclaration(std::string_view text, const TscScope& script) {
    DeclarationReader reader(text);
    std::string word = reader.ReadWord();
    bool isMacro = false;
    if (word.size() >= 5 && runtime::SameText(std::string_view(word).substr(0, 5), "macro")) {
        isMacro = true;
        word.erase(0, 5);
        if (word.empty()) word = reader.ReadWord();
    }
    const bool isFunction = runtime::SameText(word, "function");
    std::string name = reader.ReadWord();

    std::vector<std::unique_ptr<TscParamItem>> params;
    if (reader.Peek() == '(') {
        reader.ReadChar();
        while (!reader.AtEnd() && reader.Peek() != ')') {
            // One group: [var|const] a, b: Type [= default]
            bool byReference = false;
            std::vector<std::string> names;
            std::string typeName;
            Variant defaultValue = Variant::Null();
            for (;;) {
                const std::string groupWord = reader.ReadWord();
                if (groupWord.empty()) {
                    reader.ReadChar();  // no word where one belongs: skip the character
                    break;
                }
                if (runtime::SameText(groupWord, "var")) {
                    byReference = true;
                    continue;
                }
                if (runtime::SameText(groupWord, "const")) continue;
                names.push_back(groupWord);
                const char next = reader.Peek();
                if (next == ',') {
                    reader.ReadChar();
                    continue;
                }
                if (next == ':') {
                    reader.ReadChar();
                    typeName = reader.ReadWord();
                    if (reader.Peek() == '=') {
                        reader.ReadChar();
                        defaultValue = ReadDefault(reader, script);
                    }
                }
                break;
            }
            const TscTypeKind kind = TypeKindByName(typeName, script);
            for (size_t i = 0; i < names.size(); ++i) {
                const bool last = i + 1 == names.size();
                auto param = std::make_unique<TscParamItem>(
                    names[i], byReference, last && !defaultValue.IsNull(), typeName, kind);
                if (last) param->DefValue = defaultValue;
                params.push_back(std::move(param));
            }
            const char end = reader.Peek();
            if (end == ';') {
                reader.ReadChar();
            } else if (end != ')') {
                break;
            }
        }
        if (reader.Peek() == ')') reader.ReadChar();
    }
    std::string resultType;
    if (isFunction && reader.Peek() == ':') {
        reader.ReadChar();
        resultType = reader.ReadWord();
    }
    const TscTypeKind kind = !isFunction          ? fskVariant
                             : resultType.empty() ? fskVariant
                                                  : TypeKindByName(resultType, script);
    auto item = std::make_unique<TscCustomVariable>(std::move(name), std::move(resultType), kind);
    item->IsMacro = isMacro;
    for (auto& param : params) item->AddParam(std::move(param));
    return item;
}

SourcePoint SourcePosToPoint(std::string_view position) {
    if (position.empty()) return {};
    const size_t colon = position.find(':');
    if (colon == std::string_view::npos) {
        // The integer-conversion error of the whole text.
        (void)runtime::StrToInt(position);
        throw runtime::EConvertError("'" + std::string(position) +
                                     "' is not a valid integer value");
    }
    SourcePoint point;
    point.line = runtime::StrToInt(position.substr(0, colon));
    point.column = runtime::StrToInt(position.substr(colon + 1));
    return point;
}

}  // namespace script
