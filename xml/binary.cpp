#include "xml/binary.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/errors.h"
#include "xml/limits.h"
#include "xml/node_classes.h"
#include "xml/values.h"

namespace xml {

namespace {

static_assert(std::endian::native == std::endian::little,
              "numbers of the binary form are copied as little-endian");

using runtime::TVarType;

// ---- writing -------------------------------------------------------------------------

// Buffers pieces and hands them on when the buffer cannot take the next one;
// a piece larger than the buffer goes on directly.
class TBinXmlWriter {
  public:
    virtual ~TBinXmlWriter() = default;

    void Write(const void* data, size_t size) {
        if (size > size_ - used_) {
            Flush();
            if (size > size_) {
                Emit(static_cast<const char*>(data), size);
                return;
            }
        }
        if (size > 0) std::memcpy(buffer_.get() + used_, data, size);
        used_ += size;
    }
    void Flush() {
        if (used_ > 0) Emit(buffer_.get(), used_);
        used_ = 0;
    }

  protected:
    explicit TBinXmlWriter(size_t bufferSize)
        : buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)), size_(bufferSize) {}
    virtual void Emit(const char* data, size_t size) = 0;

  private:
    std::unique_ptr<char[]> buffer_;
    size_t size_;
    size_t used_ = 0;
};

class TStmXmlWriter final : public TBinXmlWriter {
  public:
    TStmXmlWriter(runtime::TStream& stream, size_t bufferSize)
        : TBinXmlWriter(bufferSize), stream_(stream) {}

  private:
    void Emit(const char* data, size_t size) override {
        stream_.WriteBuffer(data, static_cast<int64_t>(size));
    }
    runtime::TStream& stream_;
};

class TStrXmlWriter final : public TBinXmlWriter {
  public:
    explicit TStrXmlWriter(size_t bufferSize) : TBinXmlWriter(bufferSize) {}
    std::string& Result() { return result_; }

  private:
    void Emit(const char* data, size_t size) override { result_.append(data, size); }
    std::string result_;
};

bool FitsCodePage(std::u16string_view text) {
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) return true;
    return runtime::AnsiToWide(runtime::WideToAnsi(text)) == text;
}

// True when some name, CDATA, comment or processing-instruction text would
// lose characters as 8-bit text.
bool NeedsWideStrings(const TXmlDocument& doc) {
    const TXmlNameTable& names = doc.Names();
    for (int32_t id = 0; id < names.NameCount(); ++id)
        if (!FitsCodePage(names.Name(id))) return true;
    std::vector<const TXmlNode*> pending{&doc};
    while (!pending.empty()) {
        const TXmlNode* node = pending.back();
        pending.pop_back();
        TXmlNodeType type = node->NodeType();
        if ((type == ntCDATASection || type == ntComment) &&
            !FitsCodePage(static_cast<const TXmlCharacterData*>(node)->Data()))
            return true;
        if (type == ntProcessingInstruction &&
            !FitsCodePage(static_cast<const TXmlProcessingInstruction*>(node)->Data()))
            return true;
        if (const TXmlNodeList* children = node->Children())
            pending.insert(pending.end(), children->Items().begin(), children->Items().end());
    }
    return false;
}

class Encoder {
  public:
    Encoder(TBinXmlWriter& out, uint32_t options) : out_(out), options_(options) {}

    void Document(const TXmlDocument& doc) {
        out_.Write(kBinaryXmlSignature.data(), kBinaryXmlSignature.size());
        Fixed(options_);
        NameTable(doc.Names());
        Body(doc, 0);
        out_.Flush();
    }

  private:
    template <class T>
    void Fixed(T value) {
        out_.Write(&value, sizeof value);
    }

    void Packed(int32_t value) {
        if (value >= 0 && value <= 127) {
            Fixed(static_cast<uint8_t>(value));
        } else if (value >= 128 && value <= 0x7FFF && (0x80 | (value >> 8)) != 0xFF) {
            uint8_t bytes[2] = {static_cast<uint8_t>(0x80 | (value >> 8)),
                                static_cast<uint8_t>(value & 0xFF)};
            out_.Write(bytes, 2);
        } else {
            Fixed(uint8_t{0xFF});
            Fixed(value);
        }
    }

    void Count(size_t count) {
        if (count > INT32_MAX) RaiseXmlError(XmlError::BinaryWriteValueType);
        Packed(static_cast<int32_t>(count));
    }

    void Wide(std::u16string_view text) {
        Count(text.size());
        out_.Write(text.data(), text.size() * 2);
    }

    void Ansi(std::string_view text) {
        Count(text.size());
        out_.Write(text.data(), text.size());
    }

    void NodeString(std::u16string_view text) {
        if (options_ & kBinaryWideStrings)
            Wide(text);
        else
            Ansi(runtime::WideToAnsi(text));
    }

    void Value(const TXmlValue& value) {
        const TVarType type = value.Type();
        if (const Variant* boxed = value.Boxed()) {
            BoxedValue(*boxed);
            return;
        }
        if (value.HoldsNarrowText()) {
            Packed(type);
            NarrowAsWide(value.NarrowText());
            return;
        }
        const int64_t integer = value.IntegerPayload();
        switch (type) {
            case runtime::varEmpty:
            case runtime::varNull:
                Packed(type);
                return;
            case runtime::varSmallint:
                Packed(type);
                Fixed(static_cast<int16_t>(integer));
                return;
            case runtime::varInteger:
                Packed(type);
                Fixed(static_cast<int32_t>(integer));
                return;
            case runtime::varSingle:
                Packed(type);
                Fixed(static_cast<float>(value.FloatPayload()));
                return;
            case runtime::varDouble:
            case runtime::varDate:
                Packed(type);
                Fixed(value.FloatPayload());
                return;
            case runtime::varCurrency:
            case runtime::varInt64:
                Packed(type);
                Fixed(integer);
                return;
            case runtime::varOleStr:
                Packed(type);
                Wide(value.WideText());
                return;
            case runtime::varBoolean:
                Packed(type);
                Fixed(static_cast<int16_t>(integer != 0 ? -1 : 0));
                return;
            case runtime::varShortInt:
                Packed(type);
                Fixed(static_cast<int8_t>(integer));
                return;
            case runtime::varByte:
                Packed(type);
                Fixed(static_cast<uint8_t>(integer));
                return;
            case runtime::varWord:
                Packed(type);
                Fixed(static_cast<uint16_t>(integer));
                return;
            case runtime::varLongWord:
                Packed(type);
                Fixed(static_cast<uint32_t>(integer));
                return;
            case runtime::varString:
            case kXmlByteArrayType:
                Packed(type);
                Ansi(value.BytesText());
                return;
            default:
                RaiseXmlError(XmlError::BinaryWriteValueType);
        }
    }

    // A wide string kept one byte per unit, written as UTF-16.
    void NarrowAsWide(std::string_view units) {
        Count(units.size());
        char16_t wide[256];
        while (!units.empty()) {
            const size_t n = std::min(units.size(), std::size(wide));
            for (size_t i = 0; i < n; ++i) wide[i] = static_cast<unsigned char>(units[i]);
            out_.Write(wide, n * sizeof(char16_t));
            units.remove_prefix(n);
        }
    }

    // What a value keeps as a Variant: byte arrays, texts too long for
    // the form's counts (which Count refuses), and types it cannot hold.
    void BoxedValue(const Variant& value) {
        const TVarType type = value.Type();
        switch (type) {
            case runtime::varOleStr:
                Packed(type);
                Wide(*value.WideTextView());
                return;
            case runtime::varString:
                Packed(type);
                Ansi(*value.AnsiTextView());
                return;
            case kXmlByteArrayType:
                Packed(type);
                Ansi(XmlVarToBytes(value));
                return;
            default:
                RaiseXmlError(XmlError::BinaryWriteValueType);
        }
    }

    void NameTable(const TXmlNameTable& names) {
        Packed(names.NameCount());
        for (int32_t id = 0; id < names.NameCount(); ++id) NodeString(names.Name(id));
        const auto buckets = names.StoredBuckets();
        Packed(names.BucketCount());
        Count(static_cast<size_t>(std::count_if(buckets.begin(), buckets.end(),
                                                [](const auto& b) { return !b.empty(); })));
        for (size_t index = 0; index < buckets.size(); ++index) {
            if (buckets[index].empty()) continue;
            Packed(static_cast<int32_t>(index));
            Count(buckets[index].size());
            for (int32_t id : buckets[index]) Fixed(id);
        }
    }

    // node-body: attributes, then children; `depth` counts the elements
    // above the node.
    void Body(const TXmlNode& node, int depth) {
        Count(static_cast<size_t>(node.AttrCount()));
        node.ForEachAttr([&](int32_t nameId, const TXmlValue& value) {
            Packed(nameId);
            Value(value);
        });
        Count(node.ChildCount());
        if (node.ChildCount() > 0)
            for (const TXmlNode* child : node.Children()->Items()) Child(*child, depth + 1);
    }

    void Child(const TXmlNode& node, int depth) {
        TXmlNodeType type = node.NodeType();
        switch (type) {
            case ntElement: {
                if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
                const auto& element = static_cast<const TXmlElement&>(node);
                Fixed(static_cast<uint8_t>(type));
                Packed(element.NodeNameID());
                if (element.ChildCount() > 0)
                    Packed(runtime::varEmpty);
                else
                    Value(element.Value());
                Body(element, depth);
                return;
            }
            case ntText:
                Fixed(static_cast<uint8_t>(type));
                Value(static_cast<const TXmlText&>(node).Value());
                return;
            case ntCDATASection:
            case ntComment:
                Fixed(static_cast<uint8_t>(type));
                NodeString(static_cast<const TXmlCharacterData&>(node).Data());
                return;
            case ntProcessingInstruction: {
                if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
                const auto& pi = static_cast<const TXmlProcessingInstruction&>(node);
                Fixed(static_cast<uint8_t>(type));
                Packed(pi.NodeNameID());
                NodeString(pi.Data());
                Body(pi, depth);
                return;
            }
            default:
                RaiseXmlError(XmlError::BinaryWriteNodeType);
        }
    }

    TBinXmlWriter& out_;
    uint32_t options_;
};

uint32_t EffectiveOptions(const TXmlDocument& doc, uint32_t options) {
    if (!(options & kBinaryWideStrings) && NeedsWideStrings(doc)) options |= kBinaryWideStrings;
    return options;
}

// ---- reading -------------------------------------------------------------------------

// Serves reads from a window over the input; knows how much input is left
// so that counts can be checked before anything is allocated.
class TBinXmlReader {
  public:
    virtual ~TBinXmlReader() = default;

    uint64_t Left() const { return static_cast<uint64_t>(end_ - pos_) + beyond_; }

    void Read(void* out, size_t size) {
        if (size <= static_cast<size_t>(end_ - pos_)) {
            if (size > 0) std::memcpy(out, pos_, size);
            pos_ += size;
            return;
        }
        ReadAcross(out, size);
    }

  protected:
    explicit TBinXmlReader(uint64_t beyond) : beyond_(beyond) {}
    // Moves the window on over the input beyond it, taking what it holds off
    // `beyond_`; false when nothing came.
    virtual bool Fill() = 0;

    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    uint64_t beyond_;  // input not yet in the window

  private:
    void ReadAcross(void* out, size_t size) {
        if (size > Left()) RaiseXmlError(XmlError::BinaryReadData);
        auto* dest = static_cast<char*>(out);
        for (;;) {
            size_t n = std::min(size, static_cast<size_t>(end_ - pos_));
            if (n > 0) std::memcpy(dest, pos_, n);
            pos_ += n;
            dest += n;
            size -= n;
            if (size == 0) return;
            if (!Fill()) RaiseXmlError(XmlError::BinaryReadData);
        }
    }
};

class TStrXmlReader final : public TBinXmlReader {
  public:
    explicit TStrXmlReader(std::string_view bytes) : TBinXmlReader(0) {
        pos_ = bytes.data();
        end_ = bytes.data() + bytes.size();
    }

  private:
    bool Fill() override { return false; }
};

// A value read before the node that keeps it is made: a text stays in the
// decoder's scratch buffers until it is copied into the node's block, any
// other value is kept as it is.
struct PendingValue {
    // varOleStr (wide scratch), varString or kXmlByteArrayType (byte
    // scratch) for a text; varEmpty otherwise.
    TVarType text = runtime::varEmpty;
    size_t offset = 0;  // of the text in its scratch buffer
    size_t length = 0;
    TXmlValue value;
};

struct PendingAttr {
    int32_t nameId = 0;
    PendingValue value;
};

class Decoder {
  public:
    explicit Decoder(TBinXmlReader& in) : in_(in) {}

    void Document(TXmlDocument& doc) {
        options_ = Fixed<uint32_t>();
        Ref<TXmlNameTable> names = NameTable();
        doc.SetNames(*names);
        names_ = names.get();
        arena_.emplace(*names_);
        seen_.assign(static_cast<size_t>(names_->NameCount()) + 1, Seen{});
        doc.RemoveAllAttrs();
        ClearScratch();
        ReadAttrs();
        doc.ReserveAttrs(static_cast<uint32_t>(attrCount_));
        for (size_t i = 0; i < attrCount_; ++i)
            doc.AppendNewAttr(attrs_[i].nameId, View(attrs_[i].value).Copy());
        Children(doc, 0);
    }

  private:
    // The attribute that a name id last had in the attribute list being
    // read (the list numbered `serial`).
    struct Seen {
        uint32_t serial = 0;
        uint32_t index = 0;
    };

    template <class T>
    T Fixed() {
        T value;
        in_.Read(&value, sizeof value);
        return value;
    }

    int32_t Packed() {
        auto first = Fixed<uint8_t>();
        if (first <= 127) return first;
        if (first == 0xFF) return Fixed<int32_t>();
        return (first & 0x7F) * 256 + Fixed<uint8_t>();
    }

    // A count of items that take at least `itemBytes` each.
    size_t Count(size_t itemBytes) {
        int32_t count = Packed();
        if (count < 0 || static_cast<uint64_t>(count) * itemBytes > in_.Left())
            RaiseXmlError(XmlError::BinaryReadData);
        return static_cast<size_t>(count);
    }

    std::u16string Wide() {
        std::u16string text(Count(2), u'\0');
        in_.Read(text.data(), text.size() * 2);
        return text;
    }

    std::string Ansi() {
        std::string text(Count(1), '\0');
        in_.Read(text.data(), text.size());
        return text;
    }

    std::u16string NodeString() {
        return options_ & kBinaryWideStrings ? Wide() : runtime::AnsiToWide(Ansi());
    }

    int32_t NameId() {
        int32_t id = Packed();
        if (id < -1 || id >= names_->NameCount()) RaiseXmlError(XmlError::BinaryReadData);
        return id;
    }

    void ClearScratch() {
        wide_.clear();
        bytes_.clear();
    }

    // A text of `length` bytes into the byte scratch.
    void Bytes(TVarType type, PendingValue& out) {
        const size_t length = Count(1);
        const size_t offset = bytes_.size();
        bytes_.resize(offset + length);
        in_.Read(bytes_.data() + offset, length);
        out = {type, offset, length, TXmlValue()};
    }

    void Value(PendingValue& out) {
        out.text = runtime::varEmpty;
        const int32_t type = Packed();
        switch (type) {
            case runtime::varEmpty:
                out.value = TXmlValue();
                return;
            case runtime::varSmallint:
                out.value = TXmlValue::Integer(runtime::varSmallint, Fixed<int16_t>());
                return;
            case runtime::varInteger:
                out.value = TXmlValue::Integer(runtime::varInteger, Fixed<int32_t>());
                return;
            case runtime::varSingle:
                out.value = TXmlValue::Float(runtime::varSingle, Fixed<float>());
                return;
            case runtime::varDouble:
                out.value = TXmlValue::Float(runtime::varDouble, Fixed<double>());
                return;
            case runtime::varCurrency:
                out.value = TXmlValue::Integer(runtime::varCurrency, Fixed<int64_t>());
                return;
            case runtime::varDate:
                out.value = TXmlValue::Float(runtime::varDate, Fixed<double>());
                return;
            case runtime::varOleStr: {
                const size_t length = Count(2);
                const size_t offset = wide_.size();
                wide_.resize(offset + length);
                in_.Read(wide_.data() + offset, length * 2);
                out = {runtime::varOleStr, offset, length, TXmlValue()};
                return;
            }
            case runtime::varBoolean:
                out.value = TXmlValue::Integer(runtime::varBoolean, Fixed<int16_t>() != 0);
                return;
            case runtime::varShortInt:
                out.value = TXmlValue::Integer(runtime::varShortInt, Fixed<int8_t>());
                return;
            case runtime::varByte:
                out.value = TXmlValue::Integer(runtime::varByte, Fixed<uint8_t>());
                return;
            case runtime::varWord:
                out.value = TXmlValue::Integer(runtime::varWord, Fixed<uint16_t>());
                return;
            case runtime::varLongWord:
                out.value = TXmlValue::Integer(runtime::varLongWord, Fixed<uint32_t>());
                return;
            case runtime::varInt64:
                out.value = TXmlValue::Integer(runtime::varInt64, Fixed<int64_t>());
                return;
            case runtime::varString:
            case kXmlByteArrayType:
                Bytes(static_cast<TVarType>(type), out);
                return;
            default:
                // null, and codes it does not know
                out.value = TXmlValue::Integer(runtime::varNull, 0);
                return;
        }
    }

    // Reads an attribute list into attrs_[0 .. attrCount_); a name id that
    // comes again replaces the value it had, in its first place.
    void ReadAttrs() {
        const size_t count = Count(2);
        attrCount_ = 0;
        if (count == 0) return;
        if (++serial_ == 0) {
            std::fill(seen_.begin(), seen_.end(), Seen{});
            serial_ = 1;
        }
        for (size_t i = 0; i < count; ++i) {
            const int32_t id = NameId();
            Seen& seen = seen_[static_cast<size_t>(id) + 1];
            if (seen.serial != serial_) {
                seen = {serial_, static_cast<uint32_t>(attrCount_)};
                if (attrCount_ == attrs_.size()) attrs_.emplace_back();
                attrs_[attrCount_++].nameId = id;
            }
            Value(attrs_[seen.index].value);
        }
    }

    // The value read, its text a view of the scratch buffers.
    TXmlValue View(const PendingValue& value) const {
        if (value.text == runtime::varOleStr)
            return TXmlValue::WideView(
                std::u16string_view(wide_).substr(value.offset, value.length));
        if (value.text != runtime::varEmpty)
            return TXmlValue::BytesView(
                value.text, std::string_view(bytes_).substr(value.offset, value.length));
        return value.value.Copy();
    }

    // Memory for a node and what follows it: from the arena, which sets
    // `chunk`, or of its own when large.
    void* NewBlock(size_t bytes, TXmlNodeChunk*& chunk) {
        static_assert(alignof(TXmlElement) <= TXmlNodeArena::kAlign &&
                      alignof(TXmlText) <= TXmlNodeArena::kAlign);
        if (void* block = arena_->Allocate(bytes, chunk)) return block;
        return ::operator new(bytes);
    }

    // element: name id, own value, attributes, then the children. The
    // element, its attributes and its own value are made in one block.
    void Element(TXmlNodeList& list, int depth) {
        if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
        const int32_t id = NameId();
        ClearScratch();
        Value(own_);
        ReadAttrs();
        TXmlValue own = View(own_);
        size_t bytes = sizeof(TXmlElement) + PlacedTextBytes(own);
        for (size_t i = 0; i < attrCount_; ++i)
            bytes += PackedAttrBytes(attrs_[i].nameId, View(attrs_[i].value));

        TXmlNodeChunk* chunk = nullptr;
        auto* memory = static_cast<char*>(NewBlock(bytes, chunk));
        auto* element = new (memory) TXmlElement(*names_, id, chunk);
        char* records = memory + sizeof(TXmlElement);
        char* out = records;
        for (size_t i = 0; i < attrCount_; ++i)
            out = PackAttr(out, attrs_[i].nameId, View(attrs_[i].value));
        element->PlacePackedAttrs(records, static_cast<uint32_t>(attrCount_));
        element->SetValue(PlaceText(std::move(own), out));
        assert(out <= memory + bytes);
        list.AddNew(element);
        Children(*element, depth);
    }

    // text: its value, in one block with the node.
    void Text(TXmlNodeList& list) {
        ClearScratch();
        Value(own_);
        TXmlValue own = View(own_);
        const size_t bytes = sizeof(TXmlText) + PlacedTextBytes(own);
        TXmlNodeChunk* chunk = nullptr;
        auto* memory = static_cast<char*>(NewBlock(bytes, chunk));
        char* out = memory + sizeof(TXmlText);
        auto* text = new (memory) TXmlText(*names_, PlaceText(std::move(own), out), chunk);
        assert(out <= memory + bytes);
        list.AddNew(text);
    }

    void ProcessingInstruction(TXmlNodeList& list, int depth) {
        if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
        const int32_t id = NameId();
        auto* pi = new TXmlProcessingInstruction(*names_, id, NodeString());
        list.AddNew(pi);
        ClearScratch();
        ReadAttrs();
        pi->ReserveAttrs(static_cast<uint32_t>(attrCount_));
        for (size_t i = 0; i < attrCount_; ++i)
            pi->AppendNewAttr(attrs_[i].nameId, View(attrs_[i].value).Copy());
        Children(*pi, depth);
    }

    // The child count and the children of a node whose attributes are read.
    void Children(TXmlNode& node, int depth) {
        const size_t count = Count(2);
        node.RemoveAllChildren();
        if (count == 0) return;
        TXmlNodeList& list = node.EnsureChildren();
        list.Reserve(count);
        for (size_t i = 0; i < count; ++i) Child(list, depth + 1);
    }

    void Child(TXmlNodeList& list, int depth) {
        switch (Fixed<uint8_t>()) {
            case ntElement:
                Element(list, depth);
                return;
            case ntText:
                Text(list);
                return;
            case ntCDATASection:
                list.AddNew(new TXmlCDATASection(*names_, NodeString()));
                return;
            case ntComment:
                list.AddNew(new TXmlComment(*names_, NodeString()));
                return;
            case ntProcessingInstruction:
                ProcessingInstruction(list, depth);
                return;
            default:
                RaiseXmlError(XmlError::BinaryReadNodeType);
        }
    }

    Ref<TXmlNameTable> NameTable() {
        size_t count = Count(1);
        std::vector<std::u16string> names;
        names.reserve(count);
        for (size_t i = 0; i < count; ++i) names.push_back(NodeString());
        int32_t bucketCount = Packed();
        if (bucketCount < 1 || bucketCount > kMaxNameTableBuckets)
            RaiseXmlError(XmlError::BinaryReadData);
        // The buckets follow from the names; the stored lists are checked
        // and passed over.
        size_t used = Count(2);
        for (size_t i = 0; i < used; ++i) {
            int32_t index = Packed();
            if (index < 0 || index >= bucketCount) RaiseXmlError(XmlError::BinaryReadData);
            size_t ids = Count(4);
            for (size_t k = 0; k < ids; ++k) {
                auto id = Fixed<int32_t>();
                if (id < 0 || static_cast<size_t>(id) >= count)
                    RaiseXmlError(XmlError::BinaryReadData);
            }
        }
        return Ref<TXmlNameTable>(new TXmlNameTable(std::move(names), bucketCount));
    }

    TBinXmlReader& in_;
    uint32_t options_ = 0;
    TXmlNameTable* names_ = nullptr;
    std::optional<TXmlNodeArena> arena_;
    // Scratch of the node being read: its own value, its attributes (the
    // first attrCount_ entries; the vector keeps its room between nodes),
    // and the characters of their texts.
    PendingValue own_;
    std::vector<PendingAttr> attrs_;
    size_t attrCount_ = 0;
    std::u16string wide_;
    std::string bytes_;
    // By name id + 1 (the empty name is -1).
    std::vector<Seen> seen_;
    uint32_t serial_ = 0;
};

}  // namespace

std::string WriteBinaryXml(const TXmlDocument& doc, uint32_t options) {
    TStrXmlWriter writer(kBinaryWriteBufferSize);
    Encoder(writer, EffectiveOptions(doc, options)).Document(doc);
    return std::move(writer.Result());
}

void WriteBinaryXml(const TXmlDocument& doc, runtime::TStream& stream, uint32_t options) {
    TStmXmlWriter writer(stream, kBinaryWriteBufferSize);
    Encoder(writer, EffectiveOptions(doc, options)).Document(doc);
}

void ReadBinaryXml(TXmlDocument& doc, std::string_view bytes) {
    if (bytes.size() < kBinaryXmlSignature.size()) RaiseXmlError(XmlError::BinaryReadData);
    TStrXmlReader reader(bytes.substr(kBinaryXmlSignature.size()));
    Decoder(reader).Document(doc);
}

}  // namespace xml
