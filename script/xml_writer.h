#pragma once

// Writes a TscXMLItem tree in the small-XML dialect.

#include <string>

#include "script/xml_tree.h"

namespace runtime {
class TStream;
}

namespace script {

class TscXMLWriter {
  public:
    // Appends to `output`.
    explicit TscXMLWriter(std::string& output) : output_(output) {}
    // Writes to the stream in pieces of about 4096 characters.
    explicit TscXMLWriter(runtime::TStream& stream) : output_(buffer_), stream_(&stream) {}

    // The header "<?xml version="1.0"?>", then `root` and its subtree with
    // no line breaks or indentation.
    void WriteDocument(const TscXMLItem& root);

  private:
    static constexpr size_t kFlushSize = 4096;

    void Flush(bool always);

    std::string buffer_;
    std::string& output_;
    runtime::TStream* stream_ = nullptr;
};

}  // namespace script
