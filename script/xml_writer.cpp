#include "script/xml_writer.h"

#include <utility>
#include <vector>

#include "runtime/streams.h"

namespace script {

namespace {

void WriteStartTag(std::string& out, const TscXMLItem& item) {
    out.push_back('<');
    out += item.Name;
    if (!item.Text.empty()) {
        if (item.Text.front() != ' ') out.push_back(' ');
        out += item.Text;
    }
    out += item.Count() > 0 ? ">" : "/>";
}

}  // namespace

// Walks the tree with an explicit stack of (element, next child) pairs; a
// deep tree costs memory, not call depth.
void TscXMLWriter::WriteDocument(const TscXMLItem& root) {
    output_ += "<?xml version=\"1.0\"?>";
    WriteStartTag(output_, root);
    std::vector<std::pair<const TscXMLItem*, int>> open;
    if (root.Count() > 0) open.emplace_back(&root, 0);
    while (!open.empty()) {
        auto& [item, next] = open.back();
        if (next == item->Count()) {
            output_ += "</";
            output_ += item->Name;
            output_.push_back('>');
            open.pop_back();
            Flush(false);
            continue;
        }
        const TscXMLItem& child = item->Items(next++);
        WriteStartTag(output_, child);
        if (child.Count() > 0) open.emplace_back(&child, 0);
        Flush(false);
    }
    Flush(true);
}

void TscXMLWriter::Flush(bool always) {
    if (!stream_ || buffer_.empty() || (!always && buffer_.size() <= kFlushSize)) return;
    stream_->WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    buffer_.clear();
}

}  // namespace script
