// The general classes group as scripts see it: every class's members read
// and written from a script, the published properties that come with the
// classes, the constants and enumerations, and the calls that are refused.
#include "script/classes_rtti.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/collection.h"
#include "runtime/container_test_support.h"
#include "runtime/handles.h"
#include "runtime/list.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "script/engine_test_support.h"

namespace script {
namespace {

using runtime::Variant;
using testing::Text;

using testing::ClassesHost;
using testing::RunRows;

TEST(ClassesRttiTest, ConstantsAndEnumerations) {
    ClassesHost host;
    EXPECT_EQ(host.Run(Text({"begin", "  Trace(fmCreate); Trace(fmOpenRead); Trace(fmOpenWrite);",
                             "  Trace(fmOpenReadWrite); Trace(fmShareExclusive);",
                             "  Trace(fmShareDenyWrite); Trace(fmShareDenyNone);",
                             "  Trace(soFromBeginning); Trace(soFromCurrent); Trace(soFromEnd);",
                             "  Trace(dupIgnore); Trace(dupAccept); Trace(dupError);",
                             "  Trace(poPortrait); Trace(poLandscape);", "end."})),
              "65535 0 1 2 16 32 64 0 1 2 0 1 2 0 1");
    const TscCustomVariable* dup = host.global.FindLocal("dupError");
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->Kind, fskEnum);
    EXPECT_EQ(dup->DeclTypeName, "TDuplicates");
    EXPECT_TRUE(dup->ReadOnly);
    EXPECT_EQ(host.Compile(Text({"begin fmCreate := 1 end."})).empty(), false);
}

// Every class with its ancestor and its members in declaration order:
// published properties first (as the class variable makes them), then what
// the group declares.
TEST(ClassesRttiTest, ClassesAndTheirMembers) {
    ClassesHost host;
    struct Row {
        const char* className;
        const char* ancestor;
        std::vector<std::string> members;
    };
    const Row rows[] = {
        {"TObject", "", {"Create", "Free", "ClassName"}},
        {"TPersistent", "TObject", {"Assign"}},
        {"TCollectionItem", "TPersistent", {}},
        {"TCollection", "TPersistent", {"Clear", "Count", "Items"}},
        {"TList",
         "TObject",
         {"Add", "Clear", "Delete", "IndexOf", "Insert", "Remove", "Count", "Items"}},
        {"TStrings", "TPersistent", {"Add",          "AddObject",    "Clear",          "Delete",
                                     "IndexOf",      "IndexOfName",  "IndexOfObject",  "Insert",
                                     "InsertObject", "LoadFromFile", "LoadFromStream", "SaveToFile",
                                     "Move",         "SaveToStream", "CommaText",      "Count",
                                     "Names",        "Objects",      "Values",         "Strings",
                                     "Text"}},
        {"TStringList", "TStrings", {"Find", "Sort", "Duplicates", "Sorted"}},
        {"TStream", "TObject", {"Read", "Write", "Seek", "CopyFrom", "Position", "Size"}},
        {"TFileStream", "TStream", {"Create"}},
        {"TMemoryStream",
         "TStream",
         {"Clear", "LoadFromStream", "LoadFromFile", "SaveToStream", "SaveToFile"}},
        {"TComponent", "TPersistent", {"Name", "Tag", "Create", "Owner"}},
        {"TscXMLItem",
         "TObject",
         {"Create", "AddItem", "Clear", "InsertItem", "Add", "Find", "FindItem", "Root", "Data",
          "Count", "Items", "Prop", "Name", "Parent", "Text"}},
        {"TscXMLDocument",
         "TObject",
         {"Create", "SaveToStream", "LoadFromStream", "SaveToFile", "LoadFromFile", "Root"}},
    };
    for (const Row& row : rows) {
        TscClassVariable* cls = host.global.FindClassVariable(row.className);
        ASSERT_NE(cls, nullptr) << row.className;
        EXPECT_EQ(cls->AncestorName, row.ancestor) << row.className;
        EXPECT_EQ(cls->ModuleTag, 1) << row.className;
        std::vector<std::string> members;
        for (int i = 0; i < cls->MemberCount(); ++i) members.push_back(cls->GetMember(i)->Name);
        EXPECT_EQ(members, row.members) << row.className;
    }
    // Default properties: an index straight after an object.
    EXPECT_EQ(host.global.FindClassVariable("TList")->DefaultProperty->Name, "Items");
    EXPECT_EQ(host.global.FindClassVariable("TStrings")->DefaultProperty->Name, "Strings");
    // Declarations survive Clear: they belong to the module.
    host.global.Clear();
    EXPECT_NE(host.global.FindClassVariable("TList"), nullptr);
}

TEST(ClassesRttiTest, Lists) {
    ClassesHost host;
    RunRows(host,
            {{"TList members",
              Text({"var l: TList; a, b, c: TObject;", "begin",
                    "  l := TList.Create; a := TObject.Create; b := TStringList.Create;",
                    "  c := TObject.Create;", "  Trace(l.Add(a)); Trace(l.Add(b)); Trace(l.Count);",
                    "  Trace(l.IndexOf(b)); Trace(l.Items[1].ClassName); Trace(l[0].ClassName);",
                    "  l.Insert(0, c); Trace(l.IndexOf(a));",
                    "  l[0] := b; Trace(l.Items[0].ClassName);",
                    "  Trace(l.Remove(b)); Trace(l.Count); l.Delete(0); Trace(l.Count);",
                    "  l.Clear; Trace(l.Count); Trace(l.IndexOf(a));",
                    "  l.Free; a.Free; b.Free; c.Free", "end."}),
              "0 1 2 1 TStringList TObject 1 TStringList 0 2 1 0 -1"},
             {"TList index errors reach the script",
              Text({"var l: TList;", "begin", "  l := TList.Create;",
                    "  try Trace(l[0].ClassName) except Trace(ExceptionClassName) end;",
                    "  try l.Delete(-1) except Trace(ExceptionMessage) end;", "  l.Free", "end."}),
              "EListError List index out of bounds (-1)"},
             {"TStrings and TStringList members",
              Text({"var s: TStringList; i: Integer;",
                    "begin",
                    "  s := TStringList.Create;",
                    "  Trace(s.Add('b=2')); s.Add('a=1'); s.Insert(0, 'c=3');",
                    "  Trace(s.Count); Trace(s[0]); Trace(s.Strings[1]); Trace(s.Names[2]);",
                    "  Trace(s.Values['a']); s.Values['a'] := '9'; Trace(s.Values['a']);",
                    "  Trace(s.IndexOfName('b')); Trace(s.IndexOf('C=3'));",
                    "  s.Strings[0] := 'z'; s.Move(0, 2); Trace(s.CommaText);",
                    "  s.Sorted := True; Trace(s.Sorted); Trace(s.CommaText);",
                    "  if s.Find('b=2', i) then Trace(i);",
                    "  if not s.Find('b=3', i) then Trace(i);",
                    "  s.Sorted := False; s.Duplicates := dupAccept; Trace(s.Duplicates);",
                    "  s.CommaText := 'x,\"y z\"'; Trace(s.Count); Trace(s[1]);",
                    "  s.Text := 'p'; Trace(s.Count); s.Delete(0); Trace(s.Count);",
                    "  Trace(s.AddObject('o', s)); Trace(s.IndexOfObject(s));",
                    "  Trace(s.Objects[0].ClassName); s.Objects[0] := nil;",
                    "  Trace(s.IndexOfObject(s)); s.InsertObject(0, 'q', s);",
                    "  Trace(s.IndexOfObject(s)); s.Clear; Trace(s.Count);",
                    "  s.Add('b'); s.Add('a'); s.Sort; Trace(s.CommaText);",
                    "  s.Free",
                    "end."}),
              "0 3 c=3 b=2 a 1 9 1 0 b=2,a=9,z True a=9,b=2,z 1 2 1 2 y z 1 0 0 0 TStringList -1 "
              "0 0 a,b"},
             {"A TStringList call reaches the TStrings member it inherits",
              Text({"var s: TStringList;", "begin s := TStringList.Create;",
                    "  Trace(s.Add('x')); Trace(s.Add('y')); s.Free end."}),
              "0 1"},
             {"Assign copies a list; nil is refused",
              Text({"var a, b: TStringList;", "begin",
                    "  a := TStringList.Create; b := TStringList.Create; a.Add('one');",
                    "  b.Assign(a); Trace(b.Text = a.Text); Trace(b.Count);",
                    "  try b.Assign(nil) except Trace(ExceptionClassName) end;", "  a.Free; b.Free",
                    "end."}),
              "True 1 EConvertError"}});
}

// The host's own lists: a script fills them and reads them, and may not
// free them.
TEST(ClassesRttiTest, HostListsAndCollections) {
    ClassesHost host;
    runtime::TList links;
    runtime::TStringList names;
    runtime::TObject hostObject;
    runtime::TCollection collection(runtime::CollectionItemFactory<runtime::TCollectionItem>());
    collection.Add();
    collection.Add();
    host.global.DeclareObject("Links", &links);
    host.global.DeclareObject("Names", &names);
    host.global.DeclareObject("Thing", &hostObject);
    host.global.DeclareObject("Coll", &collection);
    EXPECT_EQ(host.Run(Text({"begin", "  Links.Add(Thing); Links.Add(Names); Names.Add('n');",
                             "  Trace(Links.Count); Trace(Coll.Count); Trace(Coll[1].ClassName);",
                             "  Coll.Clear; Trace(Coll.Count);",
                             "  try Links.Free except Trace(ExceptionClassName) end;",
                             "  try Thing.Free except Trace(ExceptionMessage) end;", "end."})),
              "2 2 TCollectionItem 0 EInvalidOperation Cannot free TObject: the object is owned by "
              "the host");
    ASSERT_EQ(links.Count(), 2);
    EXPECT_EQ(links.Items(0), &hostObject);
    EXPECT_EQ(links.Items(1), &names);
    EXPECT_EQ(names.Text(), "n\r\n");
    EXPECT_EQ(collection.Count(), 0);
}

TEST(ClassesRttiTest, Streams) {
    ClassesHost host;
    runtime::testing::TempFolder folder;
    host.global.DeclareConst("Path", "String", Variant(folder.File("data.txt")));
    host.global.DeclareConst("Missing", "String", Variant(folder.File("none.txt")));
    RunRows(
        host,
        {{"TMemoryStream read, write, seek, position and size",
          Text({"var m: TMemoryStream; b: string; n: Integer;", "begin",
                "  m := TMemoryStream.Create;",
                "  Trace(m.Write('hello', 5)); Trace(m.Size); Trace(m.Position);",
                "  Trace(VarType(m.Position) = varInt64); Trace(VarType(m.Size) = varInt64);",
                "  Trace(m.Seek(1, soFromBeginning)); n := m.Read(b, 3); Trace(n); Trace(b);",
                "  m.Position := 0; Trace(m.Seek(-1, soFromEnd)); Trace(m.Seek(0, soFromCurrent));",
                "  m.Clear; Trace(m.Size);", "  m.Free", "end."}),
          "5 5 5 True True 1 3 ell 4 4 0"},
         {"Read and Write check their counts",
          Text({"var m: TMemoryStream; b: string; n: Integer;", "begin",
                "  m := TMemoryStream.Create; m.Write('hello', 5); m.Position := 4;",
                "  n := m.Read(b, 1000000000); Trace(n); Trace(b);",
                "  b := 'kept'; n := m.Read(b, 5); Trace(n); Trace(Length(b));",
                "  m.Position := 0; n := m.Read(b, -5); Trace(n); Trace(m.Position);",
                "  Trace(m.Write('abc', 0)); Trace(m.Write('abc', -2)); Trace(m.Size);",
                "  try m.Write('ab', 3) except Trace(ExceptionClassName) end;",
                "  try m.Seek(0, 7) except Trace(ExceptionClassName) end;", "  m.Free", "end."}),
          "1 o 0 0 0 0 0 0 5 EWriteError EStreamError"},
         {"TFileStream, TMemoryStream and TStrings files",
          Text({"var f: TFileStream; m, m2: TMemoryStream; s: TStringList;", "begin",
                "  f := TFileStream.Create(Path, fmCreate);",
                "  f.Write('one' + Chr(13) + Chr(10) + 'two', 8); Trace(f.Size); f.Free;",
                "  s := TStringList.Create; s.LoadFromFile(Path); Trace(s.Count); Trace(s[1]);",
                "  m := TMemoryStream.Create; m.LoadFromFile(Path); Trace(m.Size);",
                "  m2 := TMemoryStream.Create; m.Position := 0; Trace(m2.CopyFrom(m, 3));",
                "  m2.Position := 0; s.LoadFromStream(m2); Trace(s.Text = 'one' + Chr(13) + "
                "Chr(10));",
                "  s.Add('x'); s.SaveToFile(Path); m.LoadFromFile(Path); Trace(m.Size);",
                "  m2.Clear; s.SaveToStream(m2); Trace(m2.Size);",
                "  m2.SaveToFile(Path); m.Clear; m.LoadFromFile(Path); Trace(m.Size);",
                "  m.Clear; m2.SaveToStream(m); Trace(m.Size);",
                "  f := TFileStream.Create(Path, fmOpenRead or fmShareDenyWrite); Trace(f.Size);",
                "  m.Clear; m.LoadFromStream(f); Trace(m.Size); f.Free;",
                "  try f := TFileStream.Create(Missing, fmOpenRead) except",
                "    Trace(ExceptionClassName) end;",
                "  try s.LoadFromFile(Missing) except Trace(ExceptionClassName) end;",
                "  m.Free; m2.Free; s.Free", "end."}),
          "8 2 two 8 3 True 8 8 8 8 8 8 EFOpenError EFOpenError"}});
}

TEST(ClassesRttiTest, ComponentsWithTheirPublishedProperties) {
    ClassesHost host;
    runtime::TComponent form(nullptr);
    form.SetName("Form1");
    host.global.DeclareObject("Form", &form);
    EXPECT_EQ(host.Run(Text({"var o, c: TComponent;", "begin", "  o := TComponent.Create(nil);",
                             "  o.Name := 'Owner1'; o.Tag := 7; Trace(o.Name); Trace(o.Tag);",
                             "  Trace(o.Owner = nil);", "  c := TComponent.Create(o);",
                             "  c.Name := 'Child'; Trace(c.Owner.Name);",
                             "  c.Free; c := TComponent.Create(o); c := TComponent.Create(Form);",
                             "  c.Name := 'Kept'; Trace(Form.Name);",
                             "  try o.Name := '1 bad' except Trace(ExceptionClassName) end;",
                             "  o.Free", "end."})),
              "Owner1 7 True Owner1 Form1 EComponentError");
    // The component the script made with the host's form as owner stays
    // the form's, which frees it.
    ASSERT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.Components(0)->Name(), "Kept");
}

TEST(ClassesRttiTest, XmlTree) {
    ClassesHost host;
    runtime::testing::TempFolder folder;
    host.global.DeclareConst("Path", "String", Variant(folder.File("tree.xml")));
    EXPECT_EQ(
        host.Run(Text(
            {"var d, d2: TscXMLDocument; r, e, x, y: TscXMLItem;",
             "begin",
             "  d := TscXMLDocument.Create; r := d.Root; r.Name := 'root';",
             "  e := r.Add; e.Name := 'a'; e.Prop['k'] := 'v\"1'; e.Data := 5;",
             "  x := TscXMLItem.Create; x.Name := 'b'; r.AddItem(x);",
             "  Trace(r.Count); Trace(r.Find('B')); Trace(r[0].Prop['k']); Trace(e.Data);",
             "  Trace(r.Items[1].Parent.Name); Trace(x.Root.Name); Trace(e.Text);",
             "  r.InsertItem(0, x); Trace(r[0].Name);",
             "  try r.InsertItem(2, x) except Trace(ExceptionClassName) end; Trace(r[0].Name);",
             "  y := TscXMLItem.Create;",
             "  try r.InsertItem(3, y) except Trace(ExceptionClassName) end; y.Free;",
             "  try x.Free except Trace(ExceptionClassName) end;",
             "  try x.AddItem(r) except Trace(ExceptionMessage) end;",
             "  try r.AddItem(r) except Trace(ExceptionClassName) end;",
             "  Trace(r.FindItem('c').Name); Trace(r.Count); x.Text := 'z=\"1\"'; "
             "Trace(x.Prop['z']);",
             "  d.SaveToFile(Path); d2 := TscXMLDocument.Create; d2.LoadFromFile(Path);",
             "  Trace(d2.Root.Name); Trace(d2.Root[1].Prop['k']); Trace(d2.Root.Count);",
             "  r.Clear; Trace(r.Count); Trace(r.Parent = nil);",
             "  d.Free; d2.Free",
             "end."})),
        "2 1 v\"1 5 root root k=\"v&#34;1\" b EListError b EListError EInvalidOperation An element "
        "cannot be added to "
        "itself or its descendants EInvalidOperation c 3 1 root v\"1 3 0 True");
}

TEST(ClassesRttiTest, RefusedCalls) {
    ClassesHost host;
    RunRows(host,
            {{"an abstract class cannot be created",
              Text({"var s: TStrings;", "begin s := TStrings.Create end."}),
              "EInvalidOperation: Cannot create an instance of an abstract class"},
             {"nor can a stream without its file",
              Text({"var s: TStream;", "begin s := TStream.Create end."}),
              "EInvalidOperation: Cannot create an instance of an abstract class"},
             {"a member of nil", Text({"var l: TList;", "begin l.Add(nil) end."}),
              "EInvalidOperation: Cannot use ADD of nil"},
             {"a typecast to the wrong class",
              Text({"var s: TStringList;", "begin s := TStringList.Create;",
                    "  try TList(s).Add(nil) except Trace(ExceptionClassName) end; s.Free end."}),
              "EInvalidCast"},
             {"a number that is no object", Text({"begin Trace(TList(12345).Count) end."}),
              "EInvalidCast: Invalid class typecast"},
             {"a freed object",
              Text({"var l: TList;", "begin l := TList.Create; l.Free; Trace(l.Count) end."}),
              "EInvalidCast: Invalid class typecast"},
             {"an object argument of the wrong class",
              Text({"var s: TStringList; l: Variant;",
                    "begin s := TStringList.Create; l := TList.Create;",
                    "  try s.SaveToStream(l) except Trace(ExceptionClassName) end;",
                    "  try s.SaveToStream(nil) except Trace(ExceptionClassName) end;",
                    "  s.Free; TList(l).Free end."}),
              "EInvalidCast EInvalidOperation"},
             {"Free of nil does nothing",
              Text({"var l: TList;", "begin l := nil; l.Free; Trace('ok') end."}), "ok"}});
}

}  // namespace
}  // namespace script
