// TObject, TPersistent, the collections, TList and the string lists.

#include <string>

#include "runtime/collection.h"
#include "runtime/list.h"
#include "runtime/persistent.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "script/classes_rtti_internal.h"

namespace script::classes {

namespace {

using runtime::TList;
using runtime::TObject;
using runtime::TStringList;
using runtime::TStrings;
using runtime::Variant;

// ---- TObject, TPersistent -----------------------------------------------------------

Variant ObjectFree(const HostCall& call) {
    if (call.instance != nullptr) runtime::FreeScriptObject(runtime::HandleOf(call.instance));
    return Variant();
}

Variant ObjectClassName(const HostCall& call) {
    return Variant(call.Self<TObject>().ClassName());
}

Variant PersistentAssign(const HostCall& call) {
    call.Self<runtime::TPersistent>().Assign(call.ObjectArg<runtime::TPersistent>(0));
    return Variant();
}

// ---- TCollection -----------------------------------------------------------------------

Variant CollectionClear(const HostCall& call) {
    call.Self<runtime::TCollection>().Clear();
    return Variant();
}

Variant CollectionCount(const HostCall& call) {
    return Variant(int32_t{call.Self<runtime::TCollection>().Count()});
}

Variant CollectionItems(const HostCall& call) {
    return ObjectValue(call.Self<runtime::TCollection>().Items(call.IntArg(0)));
}

// ---- TList -------------------------------------------------------------------------------

Variant ListAdd(const HostCall& call) {
    return Variant(int32_t{call.Self<TList>().Add(call.ObjectArg<TObject>(0))});
}

Variant ListClear(const HostCall& call) {
    call.Self<TList>().Clear();
    return Variant();
}

Variant ListDelete(const HostCall& call) {
    call.Self<TList>().Delete(call.IntArg(0));
    return Variant();
}

Variant ListIndexOf(const HostCall& call) {
    return Variant(int32_t{call.Self<TList>().IndexOf(call.ObjectArg<TObject>(0))});
}

Variant ListInsert(const HostCall& call) {
    TList& list = call.Self<TList>();
    list.Insert(call.IntArg(0), call.ObjectArg<TObject>(1));
    return Variant();
}

Variant ListRemove(const HostCall& call) {
    return Variant(int32_t{call.Self<TList>().Remove(call.ObjectArg<TObject>(0))});
}

Variant ListCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TList>().Count()});
}

// Items are objects (the lists scripts see hold nothing else).
Variant ListItemsGet(const HostCall& call) {
    return ObjectValue(static_cast<TObject*>(call.Self<TList>().Items(call.IntArg(0))));
}

Variant ListItemsSet(const HostCall& call) {
    TList& list = call.Self<TList>();
    list.SetItems(call.IntArg(0), HostCall::ObjectOf<TObject>(call.Value()));
    return Variant();
}

// ---- TStrings ------------------------------------------------------------------------------

Variant StringsAdd(const HostCall& call) {
    return Variant(int32_t{call.Self<TStrings>().Add(call.StrArg(0))});
}

Variant StringsAddObject(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    return Variant(int32_t{strings.AddObject(call.StrArg(0), call.ObjectArg<TObject>(1))});
}

Variant StringsClear(const HostCall& call) {
    call.Self<TStrings>().Clear();
    return Variant();
}

Variant StringsDelete(const HostCall& call) {
    call.Self<TStrings>().Delete(call.IntArg(0));
    return Variant();
}

Variant StringsIndexOf(const HostCall& call) {
    return Variant(int32_t{call.Self<TStrings>().IndexOf(call.StrArg(0))});
}

Variant StringsIndexOfName(const HostCall& call) {
    return Variant(int32_t{call.Self<TStrings>().IndexOfName(call.StrArg(0))});
}

Variant StringsIndexOfObject(const HostCall& call) {
    return Variant(int32_t{call.Self<TStrings>().IndexOfObject(call.ObjectArg<TObject>(0))});
}

Variant StringsInsert(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.Insert(call.IntArg(0), call.StrArg(1));
    return Variant();
}

Variant StringsInsertObject(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.InsertObject(call.IntArg(0), call.StrArg(1), call.ObjectArg<TObject>(2));
    return Variant();
}

Variant StringsLoadFromFile(const HostCall& call) {
    call.Self<TStrings>().LoadFromFile(call.StrArg(0));
    return Variant();
}

Variant StringsLoadFromStream(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.LoadFromStream(call.RequiredArg<runtime::TStream>(0));
    return Variant();
}

Variant StringsSaveToFile(const HostCall& call) {
    call.Self<TStrings>().SaveToFile(call.StrArg(0));
    return Variant();
}

Variant StringsMove(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.Move(call.IntArg(0), call.IntArg(1));
    return Variant();
}

Variant StringsSaveToStream(const HostCall& call) {
    const TStrings& strings = call.Self<TStrings>();
    strings.SaveToStream(call.RequiredArg<runtime::TStream>(0));
    return Variant();
}

Variant StringsCommaText(const HostCall& call) {
    return Variant(call.Self<TStrings>().CommaText());
}

Variant StringsSetCommaText(const HostCall& call) {
    call.Self<TStrings>().SetCommaText(call.Value().AsString());
    return Variant();
}

Variant StringsCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TStrings>().Count()});
}

Variant StringsNames(const HostCall& call) {
    return Variant(call.Self<TStrings>().Names(call.IntArg(0)));
}

Variant StringsObjectsGet(const HostCall& call) {
    return ObjectValue(call.Self<TStrings>().Objects(call.IntArg(0)));
}

Variant StringsObjectsSet(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.SetObjects(call.IntArg(0), HostCall::ObjectOf<TObject>(call.Value()));
    return Variant();
}

Variant StringsValuesGet(const HostCall& call) {
    return Variant(call.Self<TStrings>().Values(call.StrArg(0)));
}

Variant StringsValuesSet(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.SetValues(call.StrArg(0), call.Value().AsString());
    return Variant();
}

Variant StringsStringsGet(const HostCall& call) {
    return Variant(call.Self<TStrings>().Strings(call.IntArg(0)));
}

Variant StringsStringsSet(const HostCall& call) {
    TStrings& strings = call.Self<TStrings>();
    strings.SetStrings(call.IntArg(0), call.Value().AsString());
    return Variant();
}

Variant StringsText(const HostCall& call) {
    return Variant(call.Self<TStrings>().Text());
}

Variant StringsSetText(const HostCall& call) {
    call.Self<TStrings>().SetText(call.Value().AsString());
    return Variant();
}

// ---- TStringList ---------------------------------------------------------------------------

Variant StringListFind(const HostCall& call) {
    int index = 0;
    const bool found = call.Self<TStringList>().Find(call.StrArg(0), index);
    call.SetArg(1, Variant(int32_t{index}));
    return Variant(found);
}

Variant StringListSort(const HostCall& call) {
    call.Self<TStringList>().Sort();
    return Variant();
}

Variant StringListDuplicates(const HostCall& call) {
    return Variant(int32_t{call.Self<TStringList>().Duplicates()});
}

Variant StringListSetDuplicates(const HostCall& call) {
    TStringList& list = call.Self<TStringList>();
    const int32_t value = call.Value().AsInteger();
    if (value < runtime::dupIgnore || value > runtime::dupError)
        throw runtime::ERangeError("Range check error");
    list.SetDuplicates(static_cast<runtime::TDuplicates>(value));
    return Variant();
}

Variant StringListSorted(const HostCall& call) {
    return Variant(call.Self<TStringList>().Sorted());
}

Variant StringListSetSorted(const HostCall& call) {
    call.Self<TStringList>().SetSorted(call.Value().AsBoolean());
    return Variant();
}

// ---- tables ------------------------------------------------------------------------------

constexpr MemberRow kObjectMembers[] = {
    Ctor("constructor Create", ConstructedInstance),
    Method("procedure Free", ObjectFree),
    Method("function ClassName: String", ObjectClassName),
};

constexpr MemberRow kPersistentMembers[] = {
    Method("procedure Assign(Source: TPersistent)", PersistentAssign),
};

constexpr MemberRow kCollectionMembers[] = {
    Method("procedure Clear", CollectionClear),
    Prop("Count", "Integer", CollectionCount),
    DefaultIndexed("Items", "Integer", "TCollectionItem", CollectionItems),
};

constexpr MemberRow kListMembers[] = {
    Method("function Add(Item: TObject): Integer", ListAdd),
    Method("procedure Clear", ListClear),
    Method("procedure Delete(Index: Integer)", ListDelete),
    Method("function IndexOf(Item: TObject): Integer", ListIndexOf),
    Method("procedure Insert(Index: Integer; Item: TObject)", ListInsert),
    Method("function Remove(Item: TObject): Integer", ListRemove),
    Prop("Count", "Integer", ListCount),
    DefaultIndexed("Items", "Integer", "TObject", ListItemsGet, ListItemsSet),
};

constexpr MemberRow kStringsMembers[] = {
    Method("function Add(const S: string): Integer", StringsAdd),
    Method("function AddObject(const S: string; AObject: TObject): Integer", StringsAddObject),
    Method("procedure Clear", StringsClear),
    Method("procedure Delete(Index: Integer)", StringsDelete),
    Method("function IndexOf(const S: string): Integer", StringsIndexOf),
    Method("function IndexOfName(const Name: string): Integer", StringsIndexOfName),
    Method("function IndexOfObject(AObject: TObject): Integer", StringsIndexOfObject),
    Method("procedure Insert(Index: Integer; const S: string)", StringsInsert),
    Method("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)",
           StringsInsertObject),
    Method("procedure LoadFromFile(const FileName: string)", StringsLoadFromFile),
    Method("procedure LoadFromStream(Stream: TStream)", StringsLoadFromStream),
    Method("procedure SaveToFile(const FileName: string)", StringsSaveToFile),
    Method("procedure Move(CurIndex, NewIndex: Integer)", StringsMove),
    Method("procedure SaveToStream(Stream: TStream)", StringsSaveToStream),
    Prop("CommaText", "string", StringsCommaText, StringsSetCommaText),
    Prop("Count", "Integer", StringsCount),
    Indexed("Names", "Integer", "string", StringsNames),
    Indexed("Objects", "Integer", "TObject", StringsObjectsGet, StringsObjectsSet),
    Indexed("Values", "String", "string", StringsValuesGet, StringsValuesSet),
    DefaultIndexed("Strings", "Integer", "string", StringsStringsGet, StringsStringsSet),
    Prop("Text", "string", StringsText, StringsSetText),
};

constexpr MemberRow kStringListMembers[] = {
    Method("function Find(s: String; var Index: Integer): Boolean", StringListFind),
    Method("procedure Sort", StringListSort),
    Prop("Duplicates", "TDuplicates", StringListDuplicates, StringListSetDuplicates),
    Prop("Sorted", "Boolean", StringListSorted, StringListSetSorted),
};

const ClassRow kClasses[] = {
    {&runtime::ClassInfoOf<TObject>, "", kObjectMembers},
    {&runtime::ClassInfoOf<runtime::TPersistent>, "TObject", kPersistentMembers},
    {&runtime::ClassInfoOf<runtime::TCollectionItem>, "TPersistent", {}},
    {&runtime::ClassInfoOf<runtime::TCollection>, "TPersistent", kCollectionMembers},
    {&runtime::ClassInfoOf<TList>, "TObject", kListMembers},
    {&runtime::ClassInfoOf<TStrings>, "TPersistent", kStringsMembers},
    {&runtime::ClassInfoOf<TStringList>, "TStrings", kStringListMembers},
};

}  // namespace

std::span<const ClassRow> ObjectAndListClasses() {
    return kClasses;
}

}  // namespace script::classes
