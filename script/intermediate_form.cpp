#include "script/intermediate_form.h"

#include <utility>

#include "runtime/strings.h"
#include "script/errors.h"
#include "script/xml_reader.h"

namespace script {

namespace {

// The raw (escaped) value of an attribute in an attribute text of
// name="value" pairs separated by blanks, the name compared without regard
// to case; empty when absent.
std::string_view RawAttribute(std::string_view text, std::string_view name) {
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ') ++at;
        const size_t equals = text.find('=', at);
        if (equals == std::string_view::npos || equals + 1 >= text.size() ||
            text[equals + 1] != '"')
            return {};
        size_t close = text.find('"', equals + 2);
        if (close == std::string_view::npos) close = text.size();
        const std::string_view key = text.substr(at, equals - at);
        if (key == name || (key.size() == name.size() && runtime::SameText(key, name)))
            return text.substr(equals + 2, close - equals - 2);
        at = close + 1;
    }
    return {};
}

}  // namespace

void AppendXmlAttribute(std::string& out, std::string_view name, std::string_view escapedValue) {
    out += name;
    out += "=\"";
    out += escapedValue;
    out += '"';
}

void ThrowScriptTooLong() {
    throw EScriptError(std::string(MessageText(Msg::ScriptTooLong)));
}

IlText IntermediateForm::Keep(std::string_view text) {
    if (chars_.size() + text.size() > UINT32_MAX) ThrowScriptTooLong();
    const IlText kept{static_cast<uint32_t>(chars_.size()), static_cast<uint32_t>(text.size())};
    chars_ += text;
    return kept;
}

IlText IntermediateForm::KeepEscaped(std::string_view text) {
    const size_t at = chars_.size();
    AppendXmlEscaped(chars_, text);
    if (chars_.size() > UINT32_MAX) ThrowScriptTooLong();
    return {static_cast<uint32_t>(at), static_cast<uint32_t>(chars_.size() - at)};
}

IlText IntermediateForm::KeepLineColumn(SourcePoint point) {
    const size_t at = chars_.size();
    AppendLineColumn(chars_, point);
    if (chars_.size() > UINT32_MAX) ThrowScriptTooLong();
    return {static_cast<uint32_t>(at), static_cast<uint32_t>(chars_.size() - at)};
}

uint32_t IntermediateForm::NameNumber(std::string_view name) {
    const auto [at, added] =
        nameNumbers_.try_emplace(std::string(name), static_cast<uint32_t>(names_.size()));
    if (added) {
        names_.push_back(Keep(name));
        nameData_.push_back(0);
    }
    return at->second;
}

int IntermediateForm::Append(int parent, uint32_t name) {
    IlElement& element = elements_.emplace_back();
    element.Name = name;
    parents_.push_back(parent);
    return Count() - 1;
}

std::string_view IntermediateForm::Text(const IlElement& element) const {
    if (element.Layout == IlLayout::TextPos) return View(element.Value);
    return element.Layout == IlLayout::Raw ? RawAttribute(View(element.Value), "text")
                                           : std::string_view();
}

std::string_view IntermediateForm::Pos(const IlElement& element) const {
    return element.Layout == IlLayout::Raw ? RawAttribute(View(element.Value), "pos")
                                           : View(element.Pos);
}

std::string_view IntermediateForm::Pos1(const IlElement& element) const {
    return element.Layout == IlLayout::Raw ? RawAttribute(View(element.Value), "pos1")
                                           : View(element.Pos1);
}

std::string_view IntermediateForm::Unit(const IlElement& element) const {
    if (element.Layout == IlLayout::Unit) return View(element.Value);
    return element.Layout == IlLayout::Raw ? RawAttribute(View(element.Value), "unit")
                                           : std::string_view();
}

std::string_view IntermediateForm::Attribute(const IlElement& element,
                                             std::string_view name) const {
    if (element.Layout == IlLayout::Raw) return RawAttribute(View(element.Value), name);
    if (runtime::SameText(name, "text")) return Text(element);
    if (runtime::SameText(name, "pos")) return Pos(element);
    if (runtime::SameText(name, "pos1")) return Pos1(element);
    return runtime::SameText(name, "unit") ? Unit(element) : std::string_view();
}

// Trees are walked with explicit stacks, so their depth never turns into
// depth of recursion.
std::unique_ptr<IntermediateForm> IntermediateForm::FromXml(const TscXMLItem& root) {
    auto form = std::make_unique<IntermediateForm>();
    form->AppendTree(-1, root);
    form->LinkChildren();
    return form;
}

void IntermediateForm::AppendTree(int parent, const TscXMLItem& tree) {
    std::vector<std::pair<const TscXMLItem*, int>> pending{{&tree, parent}};
    while (!pending.empty()) {
        const auto [item, under] = pending.back();
        pending.pop_back();
        const int index = Append(under, item->Name);
        IlElement& element = elements_[static_cast<size_t>(index)];
        element.Layout = IlLayout::Raw;
        element.Value = Keep(item->Text);
        for (int i = item->Count(); i-- > 0;) pending.emplace_back(&item->Items(i), index);
    }
}

void IntermediateForm::Splice(const IntermediateForm& other, int parent) {
    if (chars_.size() + other.chars_.size() > UINT32_MAX) ThrowScriptTooLong();
    const auto shift = static_cast<uint32_t>(chars_.size());
    const int offset = Count();
    chars_ += other.chars_;
    std::vector<uint32_t> names;
    for (IlText name : other.names_) names.push_back(NameNumber(other.View(name)));
    for (size_t i = 0; i < other.elements_.size(); ++i) {
        IlElement element = other.elements_[i];
        for (IlText* text : {&element.Value, &element.Pos, &element.Pos1}) text->at += shift;
        element.Name = names[element.Name];
        elements_.push_back(element);
        parents_.push_back(i == 0 ? parent : other.parents_[i] + offset);
    }
}

// Elements are appended in document order, so listing each under its
// parent in index order keeps every element's children in order.
void IntermediateForm::LinkChildren() {
    for (IlElement& element : elements_) element.ChildCount = 0;
    for (int parent : parents_)
        if (parent >= 0) ++elements_[static_cast<size_t>(parent)].ChildCount;
    int first = 0;
    for (IlElement& element : elements_) {
        element.FirstChild = first;
        first += element.ChildCount;
        element.ChildCount = 0;
    }
    children_.assign(static_cast<size_t>(first), 0);
    for (size_t i = 0; i < parents_.size(); ++i) {
        if (parents_[i] < 0) continue;
        IlElement& parent = elements_[static_cast<size_t>(parents_[i])];
        children_[static_cast<size_t>(parent.FirstChild + parent.ChildCount++)] =
            static_cast<int>(i);
    }
}

void IntermediateForm::ToXml(int index, TscXMLItem& item) const {
    std::vector<std::pair<int, TscXMLItem*>> pending{{index, &item}};
    while (!pending.empty()) {
        const auto [at, to] = pending.back();
        pending.pop_back();
        const IlElement& element = Element(at);
        to->Name.assign(Name(element));
        std::string& text = to->Text;
        text.clear();
        switch (element.Layout) {
            case IlLayout::None:
                break;
            case IlLayout::TextPos:
                text.reserve(element.Value.size + element.Pos.size + 15);
                AppendXmlAttribute(text, "text", View(element.Value));
                text += ' ';
                AppendXmlAttribute(text, "pos", View(element.Pos));
                break;
            case IlLayout::Pos:
                text.reserve(element.Pos.size + element.Pos1.size + 15);
                AppendXmlAttribute(text, "pos", View(element.Pos));
                if (element.Pos1.size > 0) {
                    text += ' ';
                    AppendXmlAttribute(text, "pos1", View(element.Pos1));
                }
                break;
            case IlLayout::Unit:
                AppendXmlAttribute(text, "unit", View(element.Value));
                break;
            case IlLayout::Raw:
                text.assign(View(element.Value));
                break;
        }
        to->Reserve(element.ChildCount);
        for (int k = 0; k < element.ChildCount; ++k)
            pending.emplace_back(Child(element, k), &to->Add());
    }
}

// A subtree's elements follow its root in document order, up to its last
// descendant: the end of the chain of last children.
std::unique_ptr<IntermediateForm> IntermediateForm::Subtree(int index) const {
    int last = index;
    while (Element(last).ChildCount > 0) last = Child(Element(last), Element(last).ChildCount - 1);
    auto form = std::make_unique<IntermediateForm>();
    form->elements_.reserve(static_cast<size_t>(last - index + 1));
    form->parents_.reserve(static_cast<size_t>(last - index + 1));
    for (int i = index; i <= last; ++i) {
        const IlElement& from = Element(i);
        IlElement& to = form->elements_.emplace_back();
        to.Name = form->NameNumber(Name(from));
        to.Layout = from.Layout;
        to.Value = form->Keep(View(from.Value));
        to.Pos = form->Keep(View(from.Pos));
        to.Pos1 = form->Keep(View(from.Pos1));
        form->parents_.push_back(i == index ? -1 : parents_[static_cast<size_t>(i)] - index);
    }
    form->LinkChildren();
    return form;
}

}  // namespace script
