// Builds a document from the input (names, attributes, texts, CDATA,
// comments, processing instructions, nesting, a declaration naming one of
// the encodings), writes it, reads it back and requires the same tree. The
// writer may refuse what XML cannot hold; what it writes must read back:
// as text, and saved in the declared encoding. With xmllint installed,
// xmllint must accept the saved documents too: a sample of one input in
// eight by its bytes (so that an input that failed fails again), since a
// program started per input would take most of a fuzzing run.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"
#include "xml/test_trees.h"

namespace {

using namespace xml;

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool More() const { return at_ < size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Characters of names: letters of several scripts, digits and punctuation
// that names allow (no ":", whose prefixes xmllint checks, and nothing that
// starts with "xml").
constexpr char16_t kNameStart[] = u"abcdeXYZ_\u00E9\u0416\u4E2D";
constexpr char16_t kNameMore[] = u"abz09-._\u00B7\u0301\u0436";

std::u16string Name(Input& in) {
    std::u16string name(1, kNameStart[in.Byte() % (std::size(kNameStart) - 1)]);
    for (int n = in.Byte() % 6; n > 0; --n)
        name += kNameMore[in.Byte() % (std::size(kNameMore) - 1)];
    // Now and then a name that is none, which the writer must refuse.
    if (in.Byte() == 0xFF) name = u"1 bad";
    return name;
}

// Characters of texts: what escaping and encodings must deal with; rarely
// ones XML cannot hold at all.
std::u16string Text(Input& in, bool topLevel) {
    static constexpr char16_t kUsual[] = u"ab <>&\"'\t\n\r]-?\u00E9\u20AC\u0416\u4E2D\U0001F600";
    static constexpr char16_t kBlank[] = u" \t\n";
    std::u16string text;
    for (int n = in.Byte() % 12 + 1; n > 0; --n) {
        uint8_t b = in.Byte();
        if (topLevel)
            text += kBlank[b % 3];
        else if (b == 0xFE)
            text += static_cast<char16_t>(in.Byte() % 32);  // a control character
        else if (b == 0xFD)
            text += u'\xD800';  // half a surrogate pair
        else
            text += kUsual[b % (std::size(kUsual) - 1)];
    }
    return text;
}

void Fill(IXmlNode& parent, Input& in, int depth) {
    bool lastWasText = false;
    for (int n = in.Byte() % 5; n > 0 && in.More(); --n) {
        switch (in.Byte() % 6) {
            case 0:
                // Adjacent texts would read back as one.
                if (lastWasText) continue;
                parent.AppendText(Text(in, false));
                lastWasText = true;
                continue;
            case 1: {
                // A section cannot hold "]]>": the writer splits the text
                // there (as ReplaceTextByCDATASection does), and the pieces
                // are what reads back.
                std::u16string text = Text(in, false);
                for (size_t at; (at = text.find(u"]]>")) != std::u16string::npos;) {
                    parent.AppendCDATA(text.substr(0, at + 1));
                    text.erase(0, at + 1);
                }
                parent.AppendCDATA(text);
                break;
            }
            case 2:
                parent.AppendComment(Text(in, false));
                break;
            case 3: {
                // One after the other: arguments have no order of their own.
                std::u16string target = Name(in);
                std::u16string data = in.Byte() % 2 ? u"" : Text(in, false);
                parent.AppendProcessingInstruction(target, runtime::WideToAnsi(data));
                break;
            }
            default:
                if (depth >= 6) continue;
                {
                    Ref<IXmlElement> child = parent.AppendElement(Name(in));
                    for (int a = in.Byte() % 4; a > 0; --a) {
                        std::u16string name = Name(in);
                        child->SetAttr(name, Text(in, false));
                    }
                    Fill(*child, in, depth + 1);
                }
                break;
        }
        lastWasText = false;
    }
}

// FNV-1a of the input.
uint32_t Hash(const uint8_t* data, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

bool XmllintAccepts(const std::string& bytes) {
    static const bool installed = std::system("xmllint --version >/dev/null 2>&1") == 0;
    if (!installed) return true;
    static const std::string file =
        "/tmp/serplow_writer_fuzz_" + std::to_string(::getpid()) + ".xml";
    if (FILE* out = std::fopen(file.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    return std::system(("xmllint --noout '" + file + "' 2>/dev/null").c_str()) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    static const char* const kEncodings[] = {"UTF-8", "UTF-16", "windows-1252", "ISO-8859-1"};
    const uint8_t head = in.Byte();
    if (head & 1) {
        Ref<IXmlNode> declaration = doc->AppendProcessingInstruction(u"xml", "");
        declaration->SetAttr(u"version", u"1.0");
        declaration->SetAttr(u"encoding", runtime::AnsiToWide(kEncodings[(head >> 1) % 4]));
    }
    // Around the one root element, only what may stand there.
    if (head & 8) doc->AppendComment(Text(in, false));
    if (head & 16) doc->AppendText(Text(in, true));
    Ref<IXmlElement> root = doc->AppendElement(Name(in));
    Fill(*root, in, 0);
    if (head & 32) doc->AppendProcessingInstruction(Name(in), "end");

    std::u16string text;
    runtime::TMemoryStream saved;
    try {
        text = doc->XML();
        doc->Save(saved);
    } catch (const runtime::Exception&) {
        return 0;  // refused: XML cannot hold it
    }
    const std::string tree = testing::DumpTree(*doc, testing::DumpMode::Text);
    Ref<IXmlDocument> back = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    back->LoadXML(text);
    if (testing::DumpTree(*back, testing::DumpMode::Text) != tree) __builtin_trap();
    saved.SetPosition(0);
    Ref<IXmlDocument> loaded = CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
    loaded->Load(saved);
    if (testing::DumpTree(*loaded, testing::DumpMode::Text) != tree) __builtin_trap();
    const std::string bytes(static_cast<const char*>(saved.Memory()),
                            static_cast<size_t>(saved.Size()));
    if (Hash(data, size) % 8 == 0 && !XmllintAccepts(bytes)) __builtin_trap();
    return 0;
}
