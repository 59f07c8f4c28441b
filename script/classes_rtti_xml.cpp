// The engine's small XML tree: TscXMLItem and TscXMLDocument.

#include <memory>
#include <string>

#include "runtime/streams.h"
#include "script/classes_rtti_internal.h"
#include "script/errors.h"
#include "script/xml_tree.h"

namespace script::classes {

namespace {

using runtime::Variant;

// Elements a tree holds belong to the tree; an element a script made on
// its own becomes the tree's when the script adds it. Either way the
// element is checked first, so a refused one stays where it was.
void Attach(TscXMLItem& parent, TscXMLItem& item, int index, bool insert) {
    const int last = parent.Count() - (item.Parent() == &parent ? 1 : 0);
    if (insert && (index < 0 || index > last))
        throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (item.Parent() == nullptr) {
        for (const TscXMLItem* p = &parent; p != nullptr; p = p->Parent())
            if (p == &item)
                throw runtime::EInvalidOperation(
                    std::string(MessageText(Msg::ElementInOwnSubtree)));
        if (!runtime::IsScriptOwned(item))
            throw runtime::EInvalidOperation(std::string(MessageText(Msg::ElementNotOwnedByTree)));
        std::unique_ptr<runtime::TObject> taken =
            runtime::TakeScriptObject(runtime::HandleOf(&item));
        (void)taken.release();  // the same object as `item`
        std::unique_ptr<TscXMLItem> owned(&item);
        if (insert)
            parent.InsertItem(index, std::move(owned));
        else
            parent.AddItem(std::move(owned));
        return;
    }
    if (insert)
        parent.InsertItem(index, item);
    else
        parent.AddItem(item);
}

Variant ItemCreate(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLItem>());
}

Variant ItemAddItem(const HostCall& call) {
    TscXMLItem& parent = call.Self<TscXMLItem>();
    if (TscXMLItem* item = call.ObjectArg<TscXMLItem>(0)) Attach(parent, *item, 0, false);
    return Variant();
}

Variant ItemClear(const HostCall& call) {
    call.Self<TscXMLItem>().Clear();
    return Variant();
}

Variant ItemInsertItem(const HostCall& call) {
    TscXMLItem& parent = call.Self<TscXMLItem>();
    if (TscXMLItem* item = call.ObjectArg<TscXMLItem>(1))
        Attach(parent, *item, call.IntArg(0), true);
    return Variant();
}

Variant ItemAdd(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLItem>().Add());
}

Variant ItemFind(const HostCall& call) {
    return Variant(int32_t{call.Self<TscXMLItem>().Find(call.StrArg(0))});
}

Variant ItemFindItem(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLItem>().FindItem(call.StrArg(0)));
}

Variant ItemRoot(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLItem>().Root());
}

Variant ItemData(const HostCall& call) {
    return Variant(call.Self<TscXMLItem>().Data);
}

Variant ItemSetData(const HostCall& call) {
    call.Self<TscXMLItem>().Data = call.Value().AsInteger();
    return Variant();
}

Variant ItemCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TscXMLItem>().Count()});
}

Variant ItemItems(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLItem>().Items(call.IntArg(0)));
}

Variant ItemPropGet(const HostCall& call) {
    return Variant(call.Self<TscXMLItem>().Prop(call.StrArg(0)));
}

Variant ItemPropSet(const HostCall& call) {
    call.Self<TscXMLItem>().SetProp(call.StrArg(0), call.Value().AsString());
    return Variant();
}

Variant ItemName(const HostCall& call) {
    return Variant(call.Self<TscXMLItem>().Name);
}

Variant ItemSetName(const HostCall& call) {
    call.Self<TscXMLItem>().Name = call.Value().AsString();
    return Variant();
}

Variant ItemParent(const HostCall& call) {
    return ObjectValue(call.Self<TscXMLItem>().Parent());
}

Variant ItemText(const HostCall& call) {
    return Variant(call.Self<TscXMLItem>().Text);
}

Variant ItemSetText(const HostCall& call) {
    call.Self<TscXMLItem>().Text = call.Value().AsString();
    return Variant();
}

Variant DocumentCreate(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLDocument>());
}

Variant DocumentSaveToStream(const HostCall& call) {
    const TscXMLDocument& document = call.Self<TscXMLDocument>();
    document.SaveToStream(call.RequiredArg<runtime::TStream>(0));
    return Variant();
}

Variant DocumentLoadFromStream(const HostCall& call) {
    TscXMLDocument& document = call.Self<TscXMLDocument>();
    document.LoadFromStream(call.RequiredArg<runtime::TStream>(0));
    return Variant();
}

Variant DocumentSaveToFile(const HostCall& call) {
    call.Self<TscXMLDocument>().SaveToFile(call.StrArg(0));
    return Variant();
}

Variant DocumentLoadFromFile(const HostCall& call) {
    call.Self<TscXMLDocument>().LoadFromFile(call.StrArg(0));
    return Variant();
}

Variant DocumentRoot(const HostCall& call) {
    return ObjectValue(&call.Self<TscXMLDocument>().Root());
}

constexpr MemberRow kItemMembers[] = {
    Ctor("constructor Create", ItemCreate),
    Method("procedure AddItem(Item: TscXMLItem)", ItemAddItem),
    Method("procedure Clear", ItemClear),
    Method("procedure InsertItem(Index: Integer; Item: TscXMLItem)", ItemInsertItem),
    Method("function Add: TscXMLItem", ItemAdd),
    Method("function Find(const Name: String): Integer", ItemFind),
    Method("function FindItem(const Name: String): TscXMLItem", ItemFindItem),
    Method("function Root: TscXMLItem", ItemRoot),
    Prop("Data", "Integer", ItemData, ItemSetData),
    Prop("Count", "Integer", ItemCount),
    DefaultIndexed("Items", "Integer", "TscXMLItem", ItemItems),
    Indexed("Prop", "String", "String", ItemPropGet, ItemPropSet),
    Prop("Name", "String", ItemName, ItemSetName),
    Prop("Parent", "TscXMLItem", ItemParent),
    Prop("Text", "String", ItemText, ItemSetText),
};

constexpr MemberRow kDocumentMembers[] = {
    Ctor("constructor Create", DocumentCreate),
    Method("procedure SaveToStream(Stream: TStream)", DocumentSaveToStream),
    Method("procedure LoadFromStream(Stream: TStream)", DocumentLoadFromStream),
    Method("procedure SaveToFile(const FileName: String)", DocumentSaveToFile),
    Method("procedure LoadFromFile(const FileName: String)", DocumentLoadFromFile),
    Prop("Root", "TscXMLItem", DocumentRoot),
};

const ClassRow kClasses[] = {
    {&runtime::ClassInfoOf<TscXMLItem>, "TObject", kItemMembers},
    {&runtime::ClassInfoOf<TscXMLDocument>, "TObject", kDocumentMembers},
};

}  // namespace

std::span<const ClassRow> XmlClasses() {
    return kClasses;
}

}  // namespace script::classes
