#include "script/xml_reader.h"

#include <algorithm>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "script/errors.h"
#include "script/limits.h"

namespace script {

namespace {

[[noreturn]] void ThrowInvalidFormat() {
    throw EScriptError(std::string(MessageText(Msg::InvalidFileFormat)));
}

// The raw name and attribute text of a tag, before a closing "/" is taken off.
void SplitRaw(std::string_view tag, std::string_view& name, std::string_view& text) {
    if (!tag.empty() && tag.back() == ' ') tag.remove_suffix(1);
    const size_t blank = tag.find(' ');
    name = tag.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view() : tag.substr(blank + 1);
}

bool EndsChildren(std::string_view name) {
    return name.empty() || name.front() == '/';
}

}  // namespace

bool SplitTag(std::string_view tag, std::string& name, std::string& text) {
    std::string_view rawName, rawText;
    SplitRaw(tag, rawName, rawText);
    bool closed = false;
    if (!rawName.empty() && rawName.back() == '/') {
        rawName.remove_suffix(1);
        closed = true;
    }
    if (!rawText.empty() && rawText.back() == '/') {
        rawText.remove_suffix(1);
        closed = true;
    }
    name.assign(rawName);
    text.assign(rawText);
    return closed;
}

TscXMLReader::TscXMLReader(runtime::TStream& stream)
    : stream_(&stream), position_(stream.Position()), size_(stream.Size()) {}

TscXMLReader::~TscXMLReader() {
    if (!stream_) return;
    try {
        stream_->SetPosition(position_);
    } catch (...) {
        // A stream that cannot seek back keeps its position.
    }
}

bool TscXMLReader::NextChar(char& c) {
    while (index_ >= window_.size()) {
        if (!stream_ || position_ >= size_) return false;
        const int64_t wanted = std::min<int64_t>(kBufferSize, size_ - position_);
        const int64_t got = stream_->Read(buffer_.data(), wanted);
        if (got <= 0) return false;
        window_ = std::string_view(buffer_.data(), static_cast<size_t>(got));
        index_ = 0;
    }
    c = window_[index_++];
    ++position_;
    return true;
}

void TscXMLReader::ReadTag(std::string& tag) {
    enum class State { Outside, Inside, Comment };
    tag.clear();
    State state = State::Outside;
    int dashes = 0;
    char c;
    while (NextChar(c)) {
        switch (state) {
            case State::Outside:
                if (c == '<') state = State::Inside;
                break;
            case State::Inside:
                if (c == '>') return;
                if (c == '<') ThrowInvalidFormat();
                tag.push_back(c);
                if (tag.size() == 3 && tag == "!--") {
                    tag.clear();
                    state = State::Comment;
                    dashes = 0;
                }
                break;
            case State::Comment:
                if (dashes == 2) {
                    if (c == '>') {
                        state = State::Outside;
                    } else {
                        dashes = 0;
                    }
                } else {
                    dashes = c == '-' ? dashes + 1 : 0;
                }
                break;
        }
    }
    if (state == State::Inside) ThrowInvalidFormat();
    tag.clear();
}

// Elements are read with an explicit stack of the open ones, so nesting in
// the input never becomes recursion; the depth is capped all the same, since
// consumers walk the tree recursively.
void TscXMLReader::ReadDocument(TscXMLItem& root) {
    std::string tag;
    ReadTag(tag);
    std::string_view name, text;
    SplitRaw(tag, name, text);
    if (name.substr(0, 4) != "?xml") ThrowInvalidFormat();

    ReadTag(tag);
    SplitRaw(tag, name, text);
    if (EndsChildren(name)) {
        root.Name.assign(name);
        root.Text.assign(text);
        return;
    }
    if (SplitTag(tag, root.Name, root.Text)) return;

    std::vector<TscXMLItem*> open{&root};
    while (!open.empty()) {
        ReadTag(tag);
        SplitRaw(tag, name, text);
        if (EndsChildren(name)) {
            // The element left open at the end of the input is accepted.
            const TscXMLItem& parent = *open.back();
            if (!name.empty() && !(name.size() == parent.Name.size() + 1 &&
                                   runtime::SameText(name.substr(1), parent.Name)))
                ThrowInvalidFormat();
            open.pop_back();
            continue;
        }
        TscXMLItem& child = open.back()->Add();
        if (SplitTag(tag, child.Name, child.Text)) continue;
        if (static_cast<int>(open.size()) >= kMaxXmlDepth)
            throw EScriptError(std::string(MessageText(Msg::XmlNestedTooDeeply)));
        open.push_back(&child);
    }
}

}  // namespace script
