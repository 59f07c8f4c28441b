#include "xml/binary.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
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
        std::memcpy(buffer_.get() + used_, data, size);
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

    void Value(const Variant& value) {
        TVarType type = value.Type();
        switch (type) {
            case runtime::varEmpty:
            case runtime::varNull:
                Packed(type);
                return;
            case runtime::varSmallint:
                Packed(type);
                Fixed(static_cast<int16_t>(value.AsInteger()));
                return;
            case runtime::varInteger:
                Packed(type);
                Fixed(value.AsInteger());
                return;
            case runtime::varSingle:
                Packed(type);
                Fixed(static_cast<float>(value.AsDouble()));
                return;
            case runtime::varDouble:
                Packed(type);
                Fixed(value.AsDouble());
                return;
            case runtime::varCurrency:
                Packed(type);
                Fixed(value.AsCurrency());
                return;
            case runtime::varDate:
                Packed(type);
                Fixed(value.AsDate());
                return;
            case runtime::varOleStr:
                Packed(type);
                Wide(value.AsWideString());
                return;
            case runtime::varBoolean:
                Packed(type);
                Fixed(static_cast<int16_t>(value.AsBoolean() ? -1 : 0));
                return;
            case runtime::varShortInt:
                Packed(type);
                Fixed(static_cast<int8_t>(value.AsInteger()));
                return;
            case runtime::varByte:
                Packed(type);
                Fixed(static_cast<uint8_t>(value.AsInteger()));
                return;
            case runtime::varWord:
                Packed(type);
                Fixed(static_cast<uint16_t>(value.AsInteger()));
                return;
            case runtime::varLongWord:
                Packed(type);
                Fixed(static_cast<uint32_t>(value.AsInt64()));
                return;
            case runtime::varInt64:
                Packed(type);
                Fixed(value.AsInt64());
                return;
            case runtime::varString:
                Packed(type);
                Ansi(value.AsString());
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
        const auto& buckets = names.Buckets();
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
        Count(node.Attrs().size());
        for (const TXmlAttrData& attr : node.Attrs()) {
            Packed(attr.nameId);
            Value(attr.value);
        }
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
                Value(element.ChildCount() > 0 ? Variant() : element.Value());
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

    uint64_t Left() const { return left_; }

    void Read(void* out, size_t size) {
        if (size > left_) RaiseXmlError(XmlError::BinaryReadData);
        auto* dest = static_cast<char*>(out);
        while (size > 0) {
            if (pos_ == end_ && !Fill()) RaiseXmlError(XmlError::BinaryReadData);
            size_t n = std::min(size, static_cast<size_t>(end_ - pos_));
            std::memcpy(dest, pos_, n);
            pos_ += n;
            dest += n;
            size -= n;
            left_ -= n;
        }
    }

  protected:
    explicit TBinXmlReader(uint64_t left) : left_(left) {}
    virtual bool Fill() = 0;

    const char* pos_ = nullptr;
    const char* end_ = nullptr;

  private:
    uint64_t left_;
};

class TStrXmlReader final : public TBinXmlReader {
  public:
    explicit TStrXmlReader(std::string_view bytes) : TBinXmlReader(bytes.size()) {
        pos_ = bytes.data();
        end_ = bytes.data() + bytes.size();
    }

  private:
    bool Fill() override { return false; }
};

class TStmXmlReader final : public TBinXmlReader {
  public:
    TStmXmlReader(runtime::TStream& stream, size_t bufferSize)
        : TBinXmlReader(
              static_cast<uint64_t>(std::max<int64_t>(0, stream.Size() - stream.Position()))),
          stream_(stream),
          size_(static_cast<size_t>(std::min<uint64_t>(bufferSize, Left() + 1))),
          buffer_(std::make_unique_for_overwrite<char[]>(size_)) {}

  private:
    bool Fill() override {
        int64_t got = stream_.Read(buffer_.get(), static_cast<int64_t>(size_));
        if (got <= 0) return false;
        pos_ = buffer_.get();
        end_ = buffer_.get() + got;
        return true;
    }

    runtime::TStream& stream_;
    size_t size_;
    std::unique_ptr<char[]> buffer_;
};

class Decoder {
  public:
    explicit Decoder(TBinXmlReader& in) : in_(in) {}

    void Document(TXmlDocument& doc) {
        options_ = Fixed<uint32_t>();
        Ref<TXmlNameTable> names = NameTable();
        doc.SetNames(*names);
        names_ = names.get();
        Body(doc, 0);
    }

  private:
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

    // A wide string read into the reused token buffer.
    std::u16string_view WideToken() {
        token_.resize(Count(2));
        in_.Read(token_.data(), token_.size() * 2);
        return token_;
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

    Variant Value() {
        int32_t type = Packed();
        switch (type) {
            case runtime::varEmpty:
                return Variant();
            case runtime::varSmallint:
                return Variant::FromSmallint(Fixed<int16_t>());
            case runtime::varInteger:
                return Variant(Fixed<int32_t>());
            case runtime::varSingle:
                return Variant::FromSingle(Fixed<float>());
            case runtime::varDouble:
                return Variant(Fixed<double>());
            case runtime::varCurrency:
                return Variant::FromCurrency(Fixed<int64_t>());
            case runtime::varDate:
                return Variant::FromDate(Fixed<double>());
            case runtime::varOleStr:
                return Variant(WideToken());
            case runtime::varBoolean:
                return Variant(Fixed<int16_t>() != 0);
            case runtime::varShortInt:
                return Variant::FromShortInt(Fixed<int8_t>());
            case runtime::varByte:
                return Variant::FromByte(Fixed<uint8_t>());
            case runtime::varWord:
                return Variant::FromWord(Fixed<uint16_t>());
            case runtime::varLongWord:
                return Variant(Fixed<uint32_t>());
            case runtime::varInt64:
                return Variant(Fixed<int64_t>());
            case runtime::varString:
                return Variant(Ansi());
            case kXmlByteArrayType:
                return XmlBytesToVar(Ansi());
            default:
                return Variant::Null();  // null, and codes it does not know
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

    void Body(TXmlNode& node, int depth) {
        node.RemoveAllAttrs();
        size_t attrs = Count(2);
        node.ReserveAttrs(attrs);
        for (size_t i = 0; i < attrs; ++i) {
            int32_t id = NameId();
            node.PutAttr(id, Value());
        }
        size_t children = Count(2);
        node.RemoveAllChildren();
        if (children > 0) node.EnsureChildren().Reserve(children);
        for (size_t i = 0; i < children; ++i) Child(node, depth + 1);
    }

    void Child(TXmlNode& parent, int depth) {
        auto type = Fixed<uint8_t>();
        switch (type) {
            case ntElement: {
                if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
                int32_t id = NameId();
                auto* element = new TXmlElement(*names_, id);
                parent.EnsureChildren().Add(element);
                element->SetValue(Value());
                Body(*element, depth);
                return;
            }
            case ntText:
                parent.EnsureChildren().Add(new TXmlText(*names_, Value()));
                return;
            case ntCDATASection:
                parent.EnsureChildren().Add(new TXmlCDATASection(*names_, NodeString()));
                return;
            case ntComment:
                parent.EnsureChildren().Add(new TXmlComment(*names_, NodeString()));
                return;
            case ntProcessingInstruction: {
                if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
                int32_t id = NameId();
                auto* pi = new TXmlProcessingInstruction(*names_, id, NodeString());
                parent.EnsureChildren().Add(pi);
                Body(*pi, depth);
                return;
            }
            default:
                RaiseXmlError(XmlError::BinaryReadNodeType);
        }
    }

    TBinXmlReader& in_;
    std::u16string token_;
    uint32_t options_ = 0;
    TXmlNameTable* names_ = nullptr;
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

void ReadBinaryXml(TXmlDocument& doc, runtime::TStream& stream) {
    TStmXmlReader reader(stream, kBinaryReadBufferSize);
    Decoder(reader).Document(doc);
}

}  // namespace xml
