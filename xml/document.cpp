#include <optional>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/binary.h"
#include "xml/encoding.h"
#include "xml/node_classes.h"
#include "xml/resource.h"
#include "xml/text_reader.h"
#include "xml/text_writer.h"
#include "xml/values.h"

namespace xml {

void TXmlDocument::Clear() {
    RemoveAllChildren();
    RemoveAllAttrs();
}

void TXmlDocument::SetText(std::u16string_view text) {
    RemoveAllChildren();
    AppendText(text);
}

Ref<IXmlElement> TXmlDocument::DocumentElement() const {
    if (const TXmlNodeList* children = Children())
        for (TXmlNode* child : children->Items())
            if (child->NodeType() == ntElement) return child->AsElement();
    return nullptr;
}

std::string TXmlDocument::BinaryXML() const {
    return WriteBinaryXml(*this, 0);
}

Ref<IXmlElement> TXmlDocument::NewDocument(std::string_view version, std::string_view encoding,
                                           int32_t rootNameId) {
    RemoveAllChildren();
    std::string data = "version=\"";
    data += version;
    data += "\" encoding=\"";
    data += encoding;
    data += '"';
    TXmlNodeList& children = EnsureChildren();
    Ref<TXmlProcessingInstruction> declaration(
        new TXmlProcessingInstruction(Names(), Names().GetID(u"xml"), runtime::AnsiToWide(data)));
    children.Insert(0, declaration.get());
    Ref<TXmlElement> root(new TXmlElement(Names(), rootNameId));
    children.Insert(1, root.get());
    return root;
}

Ref<IXmlElement> TXmlDocument::NewDocument(std::string_view version, std::string_view encoding,
                                           std::u16string_view rootName) {
    return NewDocument(version, encoding, Names().GetID(rootName));
}

Ref<IXmlElement> TXmlDocument::CreateElement(int32_t nameId) {
    return Ref<IXmlElement>(new TXmlElement(Names(), nameId));
}

Ref<IXmlElement> TXmlDocument::CreateElement(std::u16string_view name) {
    return CreateElement(Names().GetID(name));
}

Ref<IXmlText> TXmlDocument::CreateText(std::u16string_view text) {
    return Ref<IXmlText>(TXmlText::New(Names(), text));
}

Ref<IXmlCDATASection> TXmlDocument::CreateCDATASection(std::u16string_view text) {
    return Ref<IXmlCDATASection>(new TXmlCDATASection(Names(), text));
}

Ref<IXmlComment> TXmlDocument::CreateComment(std::u16string_view text) {
    return Ref<IXmlComment>(new TXmlComment(Names(), text));
}

Ref<IXmlProcessingInstruction> TXmlDocument::CreateProcessingInstruction(std::u16string_view target,
                                                                         std::string_view data) {
    return CreateProcessingInstruction(Names().GetID(target), data);
}

Ref<IXmlProcessingInstruction> TXmlDocument::CreateProcessingInstruction(int32_t targetId,
                                                                         std::string_view data) {
    return Ref<IXmlProcessingInstruction>(
        new TXmlProcessingInstruction(Names(), targetId, runtime::AnsiToWide(data)));
}

void TXmlDocument::LoadXML(std::u16string_view text) {
    if (text.size() >= kBinaryXmlSignature.size() &&
        std::equal(kBinaryXmlSignature.begin(), kBinaryXmlSignature.end(), text.begin())) {
        LoadBinaryXML(runtime::WideToAnsi(text));
        return;
    }
    Clear();
    ParseXmlText(*this, text);
}

void TXmlDocument::LoadXML(std::string_view text) {
    if (IsBinaryXml(text)) {
        LoadBinaryXML(text);
        return;
    }
    Clear();
    ParseXmlText(*this, runtime::AnsiToWide(text));
}

void TXmlDocument::LoadBinaryXML(std::string_view bytes) {
    Clear();
    ReadBinaryXml(*this, bytes);
}

void TXmlDocument::Load(runtime::TStream& stream) {
    Clear();
    // The stream is read on to its end and never sought in: a stream that
    // cannot seek (a decompressing reader) loads as well. Streams may hand
    // out less than asked for; the head is gathered.
    std::string head(kBinaryXmlSignature.size(), '\0');
    size_t got = 0;
    while (got < head.size()) {
        int64_t n = stream.Read(head.data() + got, static_cast<int64_t>(head.size() - got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    head.resize(got);
    if (head == kBinaryXmlSignature) {
        // Read whole, so that its counts can be checked against its length.
        std::string bytes = std::move(head);
        char buffer[64 * 1024];
        for (int64_t n; (n = stream.Read(buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, static_cast<size_t>(n));
        ReadBinaryXml(*this, bytes);
        return;
    }
    ParseXmlStream(*this, stream, std::move(head));
}

void TXmlDocument::Load(const std::string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    Load(stream);
}

void TXmlDocument::LoadResource(std::u16string_view type, std::u16string_view name) {
    std::string bytes;
    if (ReadOwnResource(type, name, bytes) && !bytes.empty()) LoadXML(std::string_view(bytes));
}

void TXmlDocument::Save(runtime::TStream& stream) const {
    // In the encoding the declaration names where it can be written here;
    // UTF-16 behind a byte-order mark without a declaration or for another
    // encoding, which the declaration then names.
    std::u16string declared;
    if (const TXmlNodeList* children = Children(); children && children->Size() > 0) {
        const TXmlNode* first = children->At(0);
        if (first->NodeType() == ntProcessingInstruction &&
            first->NodeNameID() == TXmlNameTable::kXmlId) {
            const auto& declaration = static_cast<const TXmlProcessingInstruction&>(*first);
            declared = declaration.Data().empty()
                           ? declaration.GetAttr(u"encoding", u"")
                           : std::u16string(DeclaredEncoding<char16_t>(declaration.Data()));
        }
    }
    const std::u16string lower = runtime::WideLowerCase(declared);
    std::optional<TXmlCharset> charset = TXmlCharset::ByName(runtime::WideToAnsi(declared));
    std::string bytes;
    TXmlWriteTarget target;
    if (!charset) {
        charset = TXmlCharset::Utf16LE();
        if (!declared.empty()) target.declaredEncoding = u"UTF-16";
    }
    // UTF-16 named without its byte order goes behind a mark.
    if (charset->IsUtf16() && !lower.ends_with(u"le") && !lower.ends_with(u"be"))
        bytes = "\xFF\xFE";
    target.charset = &*charset;
    std::u16string text;
    WriteNodeXml(*this, text, 0, target);
    charset->Encode(text, bytes);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TXmlDocument::Save(const std::string& fileName) const {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    Save(stream);
}

void TXmlDocument::SaveBinary(runtime::TStream& stream, uint32_t options) const {
    WriteBinaryXml(*this, stream, options);
}

void TXmlDocument::SaveBinary(const std::string& fileName, uint32_t options) const {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    SaveBinary(stream, options);
}

Ref<IXmlDocument> CreateXmlDocument(std::u16string_view rootName, std::string_view version,
                                    std::string_view encoding, Ref<IXmlNameTable> nameTable) {
    auto* names = dynamic_cast<TXmlNameTable*>(nameTable.get());
    Ref<TXmlDocument> doc(new TXmlDocument(names ? *names : DefaultNameTable()));
    if (!rootName.empty()) doc->NewDocument(version, encoding, rootName);
    return doc;
}

}  // namespace xml
