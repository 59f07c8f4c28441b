#pragma once

// Reads the small-XML dialect into a TscXMLItem tree.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/xml_tree.h"

namespace runtime {
class TStream;
}

namespace script {

// Splits the text between "<" and ">" as the reader does: one trailing blank
// dropped, the name up to the first blank, the attribute text after it. A
// "/" ending the name or the attribute text is removed; the result says
// whether there was one (the element has no children).
bool SplitTag(std::string_view tag, std::string& name, std::string& text);

class TscXMLReader {
  public:
    explicit TscXMLReader(std::string_view input) : window_(input) {}
    // Reads from the stream's position up to the size it has now.
    explicit TscXMLReader(runtime::TStream& stream);
    // Leaves a stream just after the last tag read.
    ~TscXMLReader();
    TscXMLReader(const TscXMLReader&) = delete;
    TscXMLReader& operator=(const TscXMLReader&) = delete;

    // Checks the "?xml" header tag, then reads one element into `root`:
    // its Name and Text are replaced and its children appended. Raises
    // "Invalid file format" on malformed input.
    void ReadDocument(TscXMLItem& root);

  private:
    static constexpr size_t kBufferSize = 4096;

    bool NextChar(char& c);
    // Reads the next tag's text; empty at the end of the input outside a
    // tag. Text between tags and comments are skipped.
    void ReadTag(std::string& tag);

    runtime::TStream* stream_ = nullptr;
    std::array<char, kBufferSize> buffer_{};
    std::string_view window_;  // the bytes at hand: the input, or the buffer's fill
    size_t index_ = 0;
    int64_t position_ = 0;  // of the stream, as far as read
    int64_t size_ = 0;
};

}  // namespace script
