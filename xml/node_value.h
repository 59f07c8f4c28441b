#pragma once

// The typed value of an element, a text node or an attribute as the tree
// keeps it. Internal to the XML library; callers see Variants.
//
// A loaded document holds hundreds of thousands of values, so a value is 16
// bytes and a text costs its characters and nothing more: numbers, Booleans
// and dates are inline; a text is a length and a pointer to characters that
// either belong to the value or are a view of characters in the memory
// block of the node holding it (see node_block.h), which outlives the value.
// A wide string seen there may be narrow: one byte per code unit, for texts
// whose units are all below 256. Values of other types (arrays, objects,
// error codes) keep a Variant of their own.

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/variant.h"
#include "xml/values.h"

namespace xml {

using runtime::TVarType;
using runtime::Variant;

class TXmlValue {
  public:
    TXmlValue() noexcept { v_.i64 = 0; }
    // A copy of the value (texts copied into storage of the value's own).
    explicit TXmlValue(const Variant& value);
    // A wide-string value holding a copy of the text.
    explicit TXmlValue(std::u16string_view text);
    explicit TXmlValue(const std::u16string& text) : TXmlValue(std::u16string_view(text)) {}
    TXmlValue(TXmlValue&& other) noexcept
        : v_(other.v_), length_(other.length_), type_(other.type_), storage_(other.storage_) {
        other.Forget();
    }
    TXmlValue& operator=(TXmlValue&& other) noexcept {
        if (this != &other) {
            Release();
            v_ = other.v_;
            length_ = other.length_;
            type_ = other.type_;
            storage_ = other.storage_;
            other.Forget();
        }
        return *this;
    }
    TXmlValue(const TXmlValue&) = delete;
    TXmlValue& operator=(const TXmlValue&) = delete;
    ~TXmlValue() { Release(); }

    // Views of characters in memory that outlives the value, at most
    // UINT32_MAX of them: a wide string, a wide string kept narrow, and the
    // bytes of a varString or of a byte array (kXmlByteArrayType).
    static TXmlValue WideView(std::u16string_view text) noexcept {
        return View(runtime::varOleStr, kBorrowed, text.data(), text.size());
    }
    static TXmlValue NarrowView(std::string_view units) noexcept {
        return View(runtime::varOleStr, kNarrow, units.data(), units.size());
    }
    static TXmlValue BytesView(TVarType type, std::string_view bytes) noexcept {
        return View(type, kBorrowed, bytes.data(), bytes.size());
    }
    // Empty, null, the integer codes, currency (scaled by 10000) and
    // Boolean (0 or 1): the payload as a Variant of that code stores it.
    static TXmlValue Integer(TVarType type, int64_t value) noexcept {
        TXmlValue result;
        result.type_ = type;
        result.v_.i64 = value;
        return result;
    }
    // Single, double and date.
    static TXmlValue Float(TVarType type, double value) noexcept {
        TXmlValue result;
        result.type_ = type;
        result.v_.dbl = value;
        return result;
    }
    // A value of its own with the same type and content (views copied).
    TXmlValue Copy() const;

    TVarType Type() const noexcept { return type_; }
    bool IsEmpty() const noexcept { return type_ == runtime::varEmpty; }
    // The storage of texts: a wide string as UTF-16 units (WideText) or
    // narrow (NarrowText); a varString or byte array as bytes (BytesText).
    bool HoldsWideText() const noexcept {
        return type_ == runtime::varOleStr && storage_ != kBoxed && storage_ != kNarrow;
    }
    bool HoldsNarrowText() const noexcept { return storage_ == kNarrow; }
    bool HoldsBytes() const noexcept {
        return (type_ == runtime::varString || type_ == kXmlByteArrayType) && storage_ != kBoxed;
    }

    // The value as a Variant of the same type and payload.
    Variant ToVariant() const;
    // XmlVarToStr of the value.
    std::u16string Text() const;
    void AppendText(std::u16string& out) const;

    // Payloads by storage: Integer and Float as made above, the characters
    // of texts, the Variant of anything else (and of texts too long to be
    // kept as characters).
    int64_t IntegerPayload() const noexcept { return v_.i64; }
    double FloatPayload() const noexcept { return v_.dbl; }
    std::u16string_view WideText() const noexcept { return {v_.wide, length_}; }
    std::string_view NarrowText() const noexcept { return {v_.bytes, length_}; }
    std::string_view BytesText() const noexcept { return {v_.bytes, length_}; }
    const Variant* Boxed() const noexcept { return storage_ == kBoxed ? v_.boxed : nullptr; }

  private:
    // kBorrowed and kNarrow: characters that are not the value's. kOwned
    // and kBoxed are freed with the value.
    enum Storage : uint8_t { kInline, kBorrowed, kNarrow, kOwned, kBoxed };

    static TXmlValue View(TVarType type, Storage storage, const void* chars,
                          size_t length) noexcept {
        TXmlValue result;
        result.type_ = type;
        result.storage_ = storage;
        result.v_.chars = chars;
        result.length_ = static_cast<uint32_t>(length);
        return result;
    }
    void Forget() noexcept {
        type_ = runtime::varEmpty;
        storage_ = kInline;
        v_.i64 = 0;
        length_ = 0;
    }
    void Release() noexcept {
        if (storage_ >= kOwned) Free();
    }
    void Free() noexcept;
    // Stores a copy of `length` characters of `size` bytes each.
    void CopyText(TVarType type, const void* chars, size_t length, size_t size);
    std::u16string Widened() const;

    union Payload {
        int64_t i64;
        double dbl;
        const void* chars;
        const char16_t* wide;
        const char* bytes;
        Variant* boxed;
    };
    Payload v_;
    uint32_t length_ = 0;
    TVarType type_ = runtime::varEmpty;
    Storage storage_ = kInline;
};

static_assert(sizeof(TXmlValue) == 16);

}  // namespace xml
