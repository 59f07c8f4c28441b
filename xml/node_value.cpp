#include "xml/node_value.h"

#include <cstring>
#include <limits>
#include <new>

#include "runtime/strings.h"
#include "xml/values.h"

namespace xml {

TXmlValue::TXmlValue(const Variant& value) {
    v_.i64 = 0;
    const TVarType type = value.Type();
    switch (type) {
        case runtime::varEmpty:
        case runtime::varNull:
            type_ = type;
            return;
        case runtime::varSmallint:
        case runtime::varInteger:
        case runtime::varShortInt:
        case runtime::varByte:
        case runtime::varWord:
        case runtime::varLongWord:
        case runtime::varInt64:
            type_ = type;
            v_.i64 = value.AsInt64();
            return;
        case runtime::varCurrency:
            type_ = type;
            v_.i64 = value.AsCurrency();
            return;
        case runtime::varBoolean:
            type_ = type;
            v_.i64 = value.AsBoolean() ? 1 : 0;
            return;
        case runtime::varSingle:
        case runtime::varDouble:
            type_ = type;
            v_.dbl = value.AsDouble();
            return;
        case runtime::varDate:
            type_ = type;
            v_.dbl = value.AsDate();
            return;
        case runtime::varOleStr:
            if (std::u16string_view text = *value.WideTextView();
                text.size() <= std::numeric_limits<uint32_t>::max()) {
                CopyText(type, text.data(), text.size(), sizeof(char16_t));
                return;
            }
            break;
        case runtime::varString:
            if (std::string_view text = *value.AnsiTextView();
                text.size() <= std::numeric_limits<uint32_t>::max()) {
                CopyText(type, text.data(), text.size(), 1);
                return;
            }
            break;
        default:
            break;
    }
    v_.boxed = new Variant(value);
    type_ = type;
    storage_ = kBoxed;
}

TXmlValue::TXmlValue(std::u16string_view text) {
    v_.i64 = 0;
    if (text.size() > std::numeric_limits<uint32_t>::max()) {
        v_.boxed = new Variant(text);
        type_ = runtime::varOleStr;
        storage_ = kBoxed;
        return;
    }
    CopyText(runtime::varOleStr, text.data(), text.size(), sizeof(char16_t));
}

void TXmlValue::CopyText(TVarType type, const void* chars, size_t length, size_t size) {
    if (length > 0) {
        void* copy = ::operator new(length* size);
        std::memcpy(copy, chars, length * size);
        v_.chars = copy;
        storage_ = kOwned;
    }
    type_ = type;
    length_ = static_cast<uint32_t>(length);
}

TXmlValue TXmlValue::Copy() const {
    TXmlValue copy;
    switch (storage_) {
        case kInline:
            copy.v_ = v_;
            copy.type_ = type_;
            return copy;
        case kBorrowed:
        case kOwned:
            copy.CopyText(type_, v_.chars, length_,
                          type_ == runtime::varOleStr ? sizeof(char16_t) : 1);
            return copy;
        case kNarrow:
            return TXmlValue(Widened());
        case kBoxed:
            break;
    }
    return TXmlValue(*v_.boxed);
}

std::u16string TXmlValue::Widened() const {
    std::u16string text(length_, u'\0');
    for (size_t i = 0; i < length_; ++i) text[i] = static_cast<unsigned char>(v_.bytes[i]);
    return text;
}

void TXmlValue::Free() noexcept {
    if (storage_ == kBoxed)
        delete v_.boxed;
    else
        ::operator delete(const_cast<void*>(v_.chars));
}

Variant TXmlValue::ToVariant() const {
    if (storage_ == kBoxed) return *v_.boxed;
    if (storage_ == kNarrow) return Variant(Widened());
    switch (type_) {
        case runtime::varNull:
            return Variant::Null();
        case runtime::varSmallint:
            return Variant::FromSmallint(static_cast<int16_t>(v_.i64));
        case runtime::varInteger:
            return Variant(static_cast<int32_t>(v_.i64));
        case runtime::varSingle:
            return Variant::FromSingle(static_cast<float>(v_.dbl));
        case runtime::varDouble:
            return Variant(v_.dbl);
        case runtime::varCurrency:
            return Variant::FromCurrency(v_.i64);
        case runtime::varDate:
            return Variant::FromDate(v_.dbl);
        case runtime::varOleStr:
            return Variant(WideText());
        case runtime::varBoolean:
            return Variant(v_.i64 != 0);
        case runtime::varShortInt:
            return Variant::FromShortInt(static_cast<int8_t>(v_.i64));
        case runtime::varByte:
            return Variant::FromByte(static_cast<uint8_t>(v_.i64));
        case runtime::varWord:
            return Variant::FromWord(static_cast<uint16_t>(v_.i64));
        case runtime::varLongWord:
            return Variant(static_cast<uint32_t>(v_.i64));
        case runtime::varInt64:
            return Variant(v_.i64);
        case runtime::varString:
            return Variant(BytesText());
        case kXmlByteArrayType:
            return XmlBytesToVar(BytesText());
        default:
            return Variant();
    }
}

std::u16string TXmlValue::Text() const {
    if (type_ == runtime::varEmpty) return std::u16string();
    if (HoldsWideText()) return std::u16string(WideText());
    if (HoldsNarrowText()) return Widened();
    if (type_ == runtime::varString && HoldsBytes()) return runtime::AnsiToWide(BytesText());
    return XmlVarToStr(ToVariant());
}

void TXmlValue::AppendText(std::u16string& out) const {
    if (HoldsWideText())
        out += WideText();
    else
        out += Text();
}

}  // namespace xml
