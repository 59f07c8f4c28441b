#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/binary.h"
#include "xml/node_classes.h"
#include "xml/resource.h"
#include "xml/text_reader.h"
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
    constexpr auto kSignatureSize = static_cast<int64_t>(kBinaryXmlSignature.size());
    if (stream.Size() - stream.Position() > kSignatureSize) {
        // Streams may hand out less than asked for; the head is gathered.
        char head[kBinaryXmlSignature.size()];
        int64_t got = 0;
        while (got < kSignatureSize) {
            int64_t n = stream.Read(head + got, kSignatureSize - got);
            if (n <= 0) break;
            got += n;
        }
        if (std::string_view(head, static_cast<size_t>(got)) == kBinaryXmlSignature) {
            ReadBinaryXml(*this, stream);
            return;
        }
        stream.Seek(-got, runtime::soFromCurrent);
    }
    ParseXmlStream(*this, stream);
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
    std::u16string text = XML();
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size() * 2));
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
