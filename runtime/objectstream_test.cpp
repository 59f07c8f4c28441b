// The binary component stream, its text form and the conversions.

#include "runtime/objectstream.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/objectmodel_test_classes.h"
#include "runtime/objectmodel_test_lists.h"
#include "runtime/objecttext.h"
#include "runtime/properties.h"
#include "runtime/streams.h"

namespace objtest {
namespace {

// A string stream that records any read asked for beyond its end.
class TStrictStream : public TStringStream {
  public:
    using TStringStream::TStringStream;
    int64_t Read(void* buffer, int64_t count) override {
        if (Position() + count > Size()) overRead = true;
        return TStringStream::Read(buffer, count);
    }
    bool overRead = false;
};

// Builds stream bytes by hand.
class Bytes {
  public:
    Bytes& Raw(std::string_view bytes) {
        data_ += bytes;
        return *this;
    }
    Bytes& Byte(uint8_t b) {
        data_ += static_cast<char>(b);
        return *this;
    }
    Bytes& Int32(int32_t v) {
        for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        return *this;
    }
    Bytes& Str(std::string_view s) {
        Byte(static_cast<uint8_t>(s.size()));
        return Raw(s);
    }
    // Signature and the header of the root object.
    Bytes& Root(std::string_view className = "TSampleRoot", std::string_view name = "R") {
        return Raw("TPF0").Str(className).Str(name);
    }
    Bytes& Object(std::string_view className, std::string_view name) {
        return Str(className).Str(name);
    }
    Bytes& Ident(std::string_view s) { return Byte(vaIdent).Str(s); }
    Bytes& Int(int8_t v) { return Byte(vaInt8).Byte(static_cast<uint8_t>(v)); }
    Bytes& End() { return Byte(vaNull); }
    const std::string& Data() const { return data_; }

  private:
    std::string data_;
};

class ObjectStream : public ::testing::Test {
  protected:
    void SetUp() override { RegisterTestClasses(); }
};

void BindHandler(TSampleRoot& root, TComponent& target, const char* event, const char* handler) {
    SetMethodProp(target, event, root.ClassInfo().FindMethod(handler)->Bind(root));
}

// A small window: a container with a button, an edit, a list holder, and
// properties of every kind on the button.
void BuildSampleTree(TSampleRoot& root) {
    root.SetName("MainForm");
    root.SetCaption("Main");
    auto& panel = NewComponent<TSampleContainer>(root);
    panel.SetName("Panel1");
    panel.SetParentComponent(&root);
    panel.SetAlign(saTop);
    auto& button = NewComponent<TSample>(root);
    button.SetName("Button1");
    button.SetParentComponent(&panel);
    auto& edit = NewComponent<TSample>(root);
    edit.SetName("Edit1");
    edit.SetParentComponent(&root);
    edit.SetData(Variant("eight"));
    edit.SetRatio(1e-300);

    button.SetTag(5);
    button.SetWidth(75);
    button.SetSmall(-300);
    button.SetFlags(4000000000u);
    button.SetBig(-(int64_t{1} << 40));
    button.SetLetter('#');
    button.SetWideLetter(u'\u20AC');
    button.SetAlign(saClient);
    button.SetVisible(false);
    button.SetOptions({soBold, soUnderline});
    button.SetRatio(0.1);
    button.SetScale(1.5f);
    button.SetCaption("It's \"ok\"\r\n");
    button.SetText(u"K\u00F6ln \u65E5\u672C");
    button.SetData(Variant(int64_t{1} << 35));
    button.Font()->SetName("Courier");
    button.Font()->SetSize(10);
    button.SetTransient(99);
    button.SetExtra(7);
    button.SetBlob(std::string("\x00\x01\xFF", 3));
    button.SetBuddy(&edit);
    BindHandler(root, button, "OnClick", "SampleClick");
    BindHandler(root, button, "OnMouseDown", "SampleMouseDown");

    TComponent& lists = NewListHolder(root);
    lists.SetName("Lists");
    SetHolderLines(lists, {"alpha", "", "g'amma"});
    AddHolderItem(lists, "one", 1);
    AddHolderItem(lists, "two", 2);
}

std::string ToBinary(TComponent& root) {
    TStringStream stream;
    WriteComponentToStream(stream, root);
    return stream.DataString();
}

TSample& Find(TComponent& root, const char* name) {
    auto* sample = dynamic_cast<TSample*>(root.FindComponent(name));
    EXPECT_NE(sample, nullptr) << name;
    return *sample;
}

void ExpectSampleTree(TSampleRoot& root) {
    ASSERT_EQ(root.ComponentCount(), 4);
    TSample& panel = Find(root, "Panel1");
    TSample& button = Find(root, "Button1");
    TSample& edit = Find(root, "Edit1");
    EXPECT_EQ(root.Caption(), "Main");
    EXPECT_EQ(panel.ParentContainer(), &root);
    EXPECT_EQ(button.ParentContainer(), &panel);
    EXPECT_EQ(button.Owner(), &root);
    EXPECT_EQ(button.Tag(), 5);
    EXPECT_EQ(button.Width(), 75);
    EXPECT_EQ(button.Small(), -300);
    EXPECT_EQ(button.Flags(), 4000000000u);
    EXPECT_EQ(button.Big(), -(int64_t{1} << 40));
    EXPECT_EQ(button.Letter(), '#');
    EXPECT_EQ(button.WideLetter(), u'\u20AC');
    EXPECT_EQ(button.Align(), saClient);
    EXPECT_FALSE(button.Visible());
    EXPECT_EQ(button.Options(), (TSampleOptions{soBold, soUnderline}));
    EXPECT_EQ(button.Ratio(), 0.1);
    EXPECT_EQ(button.Scale(), 1.5f);
    EXPECT_EQ(button.Caption(), "It's \"ok\"\r\n");
    EXPECT_EQ(button.Text(), u"K\u00F6ln \u65E5\u672C");
    EXPECT_TRUE(button.Data() == Variant(int64_t{1} << 35));
    EXPECT_EQ(button.Font()->Name(), "Courier");
    EXPECT_EQ(button.Font()->Size(), 10);
    EXPECT_EQ(button.Transient(), 0);  // not stored
    EXPECT_EQ(button.Extra(), 7);
    EXPECT_EQ(button.Blob(), std::string("\x00\x01\xFF", 3));
    EXPECT_EQ(button.Buddy(), &edit);
    EXPECT_EQ(edit.Ratio(), 1e-300);
    EXPECT_TRUE(edit.Data() == Variant("eight"));
    for (TSample* s : {&panel, &button, &edit}) EXPECT_TRUE(s->WasLoaded());
    EXPECT_TRUE(root.WasLoaded());

    ASSERT_TRUE(button.OnClick);
    button.OnClick(&button);
    button.OnMouseDown(&button, mbRight, TShiftState{ssShift, ssCtrl}, 3, 4);
    EXPECT_EQ(root.Log, (std::vector<std::string>{"click Button1", "mouse 1 5 3,4"}));
    EXPECT_FALSE(button.OnKeyPress);

    TComponent& lists = *root.FindComponent("Lists");
    EXPECT_EQ(HolderLines(lists), (std::vector<std::string>{"alpha", "", "g'amma"}));
    EXPECT_EQ(HolderItems(lists),
              (std::vector<std::pair<std::string, int>>{{"one", 1}, {"two", 2}}));
}

// ---- round trips -------------------------------------------------------------------------

TEST_F(ObjectStream, HierarchyRoundTripsThroughTheBinaryStream) {
    TSampleRoot original(nullptr);
    BuildSampleTree(original);
    const std::string binary = ToBinary(original);

    TStrictStream stream(binary);
    std::unique_ptr<TComponent> copy = ReadComponentFromStream(stream);
    EXPECT_FALSE(stream.overRead);
    auto* root = dynamic_cast<TSampleRoot*>(copy.get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Name(), "MainForm");
    ExpectSampleTree(*root);
    EXPECT_EQ(ToBinary(*root), binary);
}

TEST_F(ObjectStream, HierarchyRoundTripsThroughTheTextForm) {
    TSampleRoot original(nullptr);
    BuildSampleTree(original);
    const std::string text = WriteComponentToText(original);
    EXPECT_NE(text.find("    OnClick = SampleClick\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Lines.Strings = (\r\n      'alpha'\r\n      ''\r\n      'g''amma')"),
              std::string::npos)
        << text;

    TSampleRoot copy(nullptr);
    ReadComponentFromText(text, copy);
    ExpectSampleTree(copy);
    EXPECT_EQ(WriteComponentToText(copy), text);
    // The binary stream survives the trip through text byte for byte.
    const std::string binary = ToBinary(original);
    EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(binary)), binary);
}

TEST_F(ObjectStream, LayoutTextCreatesComponentsWithTheirOwnersAndProperties) {
    const char* layout =
        "object Dialog: TSampleRoot\r\n"
        "  Caption = 'Options'\r\n"
        "  Width = 300\r\n"
        "  object Box: TSampleContainer\r\n"
        "    Align = saTop\r\n"
        "    object OK: TSample\r\n"
        "      Caption = '&OK'\r\n"
        "      OnClick = SampleClick\r\n"
        "      OnKeyPress = SampleKeyPress\r\n"
        "      Buddy = Cancel\r\n"
        "    end\r\n"
        "  end\r\n"
        "  object Cancel: TSample\r\n"
        "    Caption = 'Cancel'#9'Esc'\r\n"
        "    Text = 'Gr' + \r\n"
        "      '\xC3\xBC\xC3\x9F'#$263A\r\n"
        "    Font.Name = 'Arial'\r\n"
        "    Options = [soBold]\r\n"
        "    Ratio = 2.5\r\n"
        "  end\r\n"
        "  object Lists: TListHolder\r\n"
        "    Lines.Strings = (\r\n"
        "      'one'\r\n"
        "      'two')\r\n"
        "    Items = <\r\n"
        "      item\r\n"
        "        Caption = 'a'\r\n"
        "        Width = 10\r\n"
        "      end>\r\n"
        "  end\r\n"
        "end\r\n";
    TSampleRoot form(nullptr);
    ReadComponentFromText(layout, form);
    EXPECT_EQ(form.Name(), "Dialog");
    EXPECT_EQ(form.Caption(), "Options");
    EXPECT_EQ(form.Width(), 300);
    ASSERT_EQ(form.ComponentCount(), 4);
    EXPECT_EQ(form.Components(0)->Name(), "Box");
    EXPECT_EQ(form.Components(1)->Name(), "OK");
    TSample& box = Find(form, "Box");
    TSample& ok = Find(form, "OK");
    TSample& cancel = Find(form, "Cancel");
    EXPECT_EQ(box.Align(), saTop);
    EXPECT_EQ(ok.ParentContainer(), &box);
    EXPECT_EQ(cancel.ParentContainer(), &form);
    EXPECT_EQ(ok.Buddy(), &cancel);  // a reference to a component read later
    EXPECT_EQ(cancel.Caption(), "Cancel\tEsc");
    EXPECT_EQ(cancel.Text(), u"Gr\u00FC\u00DF\u263A");
    EXPECT_EQ(cancel.Font()->Name(), "Arial");
    EXPECT_EQ(cancel.Options(), TSampleOptions{soBold});
    EXPECT_EQ(cancel.Ratio(), 2.5);
    char key = 'k';
    ok.OnKeyPress(&ok, key);
    EXPECT_EQ(key, 'Z');
    ok.OnClick(&ok);
    EXPECT_EQ(form.Log, (std::vector<std::string>{"key k", "click OK"}));
    TComponent& lists = *form.FindComponent("Lists");
    EXPECT_EQ(HolderLines(lists), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(HolderItems(lists), (std::vector<std::pair<std::string, int>>{{"a", 10}}));

    // A layout of another class is not read into this root.
    TSampleContainer other(nullptr);
    EXPECT_THROW(ReadComponentFromText(layout, other), EReadError);
    EXPECT_EQ(other.ComponentCount(), 0);
}

TEST_F(ObjectStream, OnlyStoredValuesAwayFromTheirDefaultsAreWritten) {
    TSampleRoot root(nullptr);
    root.SetName("Root");
    auto& sample = NewComponent<TSample>(root);
    sample.SetName("S");
    sample.SetParentComponent(&root);
    sample.SetTransient(5);
    sample.Font()->SetName("");
    // Ordinals without a declared default (Small) are always written; an
    // empty string away from its declared default is written too.
    EXPECT_EQ(WriteComponentToText(root),
              "object Root: TSampleRoot\r\n"
              "  Small = 0\r\n"
              "  object S: TSample\r\n"
              "    Small = 0\r\n"
              "    Font.Name = ''\r\n"
              "  end\r\n"
              "end\r\n");
    TSampleRoot copy(nullptr);
    ReadComponentFromText(WriteComponentToText(root), copy);
    EXPECT_EQ(Find(copy, "S").Font()->Name(), "");
}

// ---- values ------------------------------------------------------------------------------

TEST_F(ObjectStream, IntegersTakeTheSmallestValueType) {
    const struct {
        int64_t value;
        TValueType type;
        size_t size;
    } rows[] = {
        {0, vaInt8, 2},
        {-128, vaInt8, 2},
        {127, vaInt8, 2},
        {128, vaInt16, 3},
        {-32769, vaInt32, 5},
        {INT32_MAX, vaInt32, 5},
        {int64_t{INT32_MAX} + 1, vaInt64, 9},
        {INT64_MIN, vaInt64, 9},
    };
    for (const auto& row : rows) {
        TStringStream stream;
        TWriter(stream).WriteInteger(row.value);
        EXPECT_EQ(stream.DataString().size(), row.size) << row.value;
        stream.SetPosition(0);
        TReader reader(stream);
        EXPECT_EQ(reader.NextValue(), row.type);
        EXPECT_EQ(reader.ReadInt64(), row.value);
    }
}

TEST_F(ObjectStream, DoublesRoundTripExactlyThroughExtended) {
    const double rows[] = {0.0,
                           -0.0,
                           1.0,
                           -2.5,
                           0.1,
                           1e308,
                           DBL_MAX,
                           DBL_MIN,
                           5e-324,
                           -3.14159e-310,
                           1e-300,
                           12345.678,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
    for (double value : rows) {
        TStringStream stream;
        TWriter(stream).WriteFloat(value);
        ASSERT_EQ(stream.DataString().size(), 11u);
        stream.SetPosition(0);
        const double read = TReader(stream).ReadFloat();
        EXPECT_EQ(std::memcmp(&read, &value, sizeof value), 0) << value;
    }
    TStringStream nan;
    TWriter(nan).WriteFloat(std::numeric_limits<double>::quiet_NaN());
    nan.SetPosition(0);
    EXPECT_TRUE(std::isnan(TReader(nan).ReadFloat()));

    // The 80-bit layout: 64-bit mantissa with its integer bit, sign and
    // exponent biased by 16383; beyond the double range gives infinity or 0.
    const struct {
        const char* bytes;  // ten bytes after the type
        double value;
    } known[] = {
        {"\0\0\0\0\0\0\0\x80\xFF\x3F", 1.0},
        {"\0\0\0\0\0\0\0\xA0\x00\xC0", -2.5},
        {"\0\0\0\0\0\0\0\x80\xFE\x7F", std::numeric_limits<double>::infinity()},
        {"\0\0\0\0\0\0\0\x80\x01\x00", 0.0},
    };
    for (const auto& row : known) {
        TStringStream written;
        if (std::isfinite(row.value) && row.value != 0) {
            TWriter(written).WriteFloat(row.value);
            EXPECT_EQ(written.DataString().substr(1), std::string(row.bytes, 10)) << row.value;
        }
        TStringStream stream(std::string(1, static_cast<char>(vaExtended)) +
                             std::string(row.bytes, 10));
        EXPECT_EQ(TReader(stream).ReadFloat(), row.value);
    }
}

TEST_F(ObjectStream, StringsAndVariantsKeepTheirValues) {
    TStringStream stream;
    {
        TWriter writer(stream);
        writer.WriteString(std::string(300, 'x'));
        writer.WriteString("caf\xE9");
        writer.WriteWideString(u"\u0416");
        writer.WriteUTF8String("\xE2\x82\xAC");
        for (const Variant& v :
             {Variant(), Variant::Null(), Variant(int32_t{-5}), Variant(true), Variant(2.5),
              Variant::FromSingle(0.5f), Variant::FromCurrency(12345), Variant::FromDate(45000.5),
              Variant("s"), Variant(u"w")})
            writer.WriteVariant(v);
        EXPECT_THROW(writer.WriteVariant(Variant::CreateArray({0, 1}, varVariant)), EWriteError);
        EXPECT_THROW(writer.WriteStr(std::string(256, 'n')), EWriteError);
    }
    stream.SetPosition(0);
    TReader reader(stream);
    EXPECT_EQ(reader.NextValue(), vaLString);
    EXPECT_EQ(reader.ReadString(), std::string(300, 'x'));
    EXPECT_EQ(reader.ReadWideString(), u"caf\u00E9");
    EXPECT_EQ(reader.ReadString(), "?");  // Zhe has no form in the 8-bit code page
    EXPECT_EQ(reader.ReadWideString(), u"\u20AC");
    const Variant expected[] = {Variant(),
                                Variant::Null(),
                                Variant(int32_t{-5}),
                                Variant(true),
                                Variant(2.5),
                                Variant::FromSingle(0.5f),
                                Variant::FromCurrency(12345),
                                Variant::FromDate(45000.5),
                                Variant("s"),
                                Variant(u"w")};
    for (const Variant& v : expected) {
        const Variant read = reader.ReadVariant();
        EXPECT_EQ(read.Type(), v.Type()) << VarTypeAsText(v.Type());
        if (!v.IsEmpty() && !v.IsNull()) {
            EXPECT_TRUE(read == v) << VarToStr(v);
        }
    }
    EXPECT_EQ(reader.Remaining(), 0);
}

// ---- damaged streams ----------------------------------------------------------------------

TEST_F(ObjectStream, DamagedStreamsRaiseReadErrors) {
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } rows[] = {
        {"empty stream", "", "Stream read error"},
        {"bad signature", Bytes().Raw("TPF1").Str("TSampleRoot").Str("R").End().End().Data(),
         "Invalid stream format"},
        {"ends after the class name", Bytes().Raw("TPF0").Str("TSampleRoot").Data(),
         "Stream read error"},
        {"ends inside the property list", Bytes().Root().Str("Width").Int(5).Data(),
         "Stream read error"},
        {"ends before the children end", Bytes().Root().End().Data(), "Stream read error"},
        {"unknown class", Bytes().Root().End().Object("TNope", "X").End().End().End().Data(),
         "Class TNope not found"},
        {"class that is no component",
         Bytes().Root().End().Object("TStringList", "X").End().End().End().Data(),
         "Class TStringList is no component class"},
        {"unknown property", Bytes().Root().Str("Nope").Int(1).End().End().Data(),
         "Error reading R.Nope: Property Nope does not exist"},
        {"wrong value type", Bytes().Root().Str("Width").Byte(vaString).Str("x").End().End().Data(),
         "Error reading R.Width: Invalid property value"},
        {"value type out of range", Bytes().Root().Str("Width").Byte(0x60).End().End().Data(),
         "Invalid value type 96"},
        {"length beyond the stream",
         Bytes().Root().Str("Caption").Byte(vaLString).Int32(0x7FFFFFFF).Raw("abc").Data(),
         "Error reading R.Caption: Stream read error"},
        {"wide length beyond the stream",
         Bytes().Root().Str("Text").Byte(vaWString).Int32(0x40000000).Raw("ab").Data(),
         "Stream read error"},
        {"negative length", Bytes().Root().Str("Text").Byte(vaWString).Int32(-1).End().End().Data(),
         "Invalid property value"},
        {"binary property beyond the stream",
         Bytes().Root().Str("Blob").Byte(vaBinary).Int32(1000).Raw("abc").Data(),
         "Error reading R.Blob: Stream read error"},
        {"extended cut short", Bytes().Root().Str("Ratio").Byte(vaExtended).Raw("12345").Data(),
         "Stream read error"},
        {"unknown enumeration value",
         Bytes().Root().Str("Align").Ident("saLeft").End().End().Data(),
         "Error reading R.Align: Invalid property value"},
        {"unknown set element",
         Bytes().Root().Str("Options").Byte(vaSet).Str("soX").Str("").End().End().Data(),
         "Invalid property value"},
        {"value out of the property's range",
         Bytes().Root().Str("Small").Byte(vaInt32).Int32(40000).End().End().Data(),
         "Error reading R.Small: Range check error"},
        {"unresolved reference", Bytes().Root().Str("Buddy").Ident("Ghost").End().End().Data(),
         "Error reading R.Buddy: Unresolved reference to 'Ghost'"},
        {"unknown handler", Bytes().Root().Str("OnClick").Ident("Nothing").End().End().Data(),
         "Event handler Nothing not found in TSampleRoot"},
        {"handler of other parameters",
         Bytes().Root().Str("OnClick").Ident("SampleKeyPress").End().End().Data(),
         "does not take the parameters of TNotifyEvent"},
        {"path through nil", Bytes().Root().Str("Buddy.Width").Int(1).End().End().Data(),
         "Error reading R.Buddy.Width: Property Buddy is nil"},
        {"path through no object", Bytes().Root().Str("Width.Size").Int(1).End().End().Data(),
         "Property Width does not exist"},
        {"collection into no collection",
         Bytes().Root().Str("Font").Byte(vaCollection).End().End().End().Data(),
         "Invalid property value"},
        {"read-only property", Bytes().Root().Str("Count").Int(1).End().End().Data(),
         "Property Count is read-only"},
        {"duplicate component name",
         Bytes()
             .Root()
             .End()
             .Object("TSample", "A")
             .End()
             .End()
             .Object("TSample", "a")
             .End()
             .End()
             .End()
             .Data(),
         "A component named a already exists"},
        {"invalid component name",
         Bytes().Root().End().Object("TSample", "1A").End().End().End().Data(),
         "'1A' is not a valid component name"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TSampleRoot root(nullptr);
        TStrictStream stream(row.bytes);
        try {
            ReadComponentFromStream(stream, root);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_NE(e.Message().find(row.message), std::string::npos) << e.Message();
        }
        EXPECT_FALSE(stream.overRead);
        EXPECT_EQ(root.ComponentCount(), 0);  // what the read made is gone again
    }
}

TEST_F(ObjectStream, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    Bytes objects;
    objects.Root().End();
    for (int i = 0; i < 1000; ++i) objects.Object("TSampleContainer", "").End();
    TSampleRoot root(nullptr);
    TStringStream stream(objects.Data());
    EXPECT_THROW(ReadComponentFromStream(stream, root), EReadError);
    EXPECT_EQ(root.ComponentCount(), 0);

    Bytes lists;
    lists.Root().Str("Data");
    for (int i = 0; i < 100000; ++i) lists.Byte(vaList);
    EXPECT_THROW(ObjectBinaryToText(lists.Data()), EReadError);
    EXPECT_THROW(ObjectTextToBinary("object A: B\r\n  X = " + std::string(100000, '(')),
                 EParserError);
}

// ---- the text form --------------------------------------------------------------------------

TEST_F(ObjectStream, CanonicalTextSurvivesTheTripThroughBinary) {
    const std::string text =
        "object Form1: TForm1\r\n"
        "  Small = -5\r\n"
        "  Huge = 9223372036854775807\r\n"
        "  Ratio = 0.1\r\n"
        "  Large = 1e+20\r\n"
        "  Whole = 3.0\r\n"
        "  Scale = 0.25s\r\n"
        "  Price = 12.3456c\r\n"
        "  Debt = -0.5c\r\n"
        "  When = 45000.5d\r\n"
        "  Caption = 'It''s'#13#10'done'\r\n"
        "  Wide = 'Zhe '#1046\r\n"
        "  Empty = ''\r\n"
        "  Long =\r\n"
        "    '0123456789012345678901234567890123456789012345678901234567890123' +\r\n"
        "    'tail'\r\n"
        "  Kind = bsDialog\r\n"
        "  Flags = [fsBold, fsItalic]\r\n"
        "  None = []\r\n"
        "  Yes = True\r\n"
        "  No = False\r\n"
        "  Ref = nil\r\n"
        "  Nothing = Null\r\n"
        "  Lines.Strings = (\r\n"
        "    'a'\r\n"
        "    (\r\n"
        "      1\r\n"
        "      2)\r\n"
        "    ())\r\n"
        "  Columns = <\r\n"
        "    item\r\n"
        "      Width = 10\r\n"
        "    end\r\n"
        "    item [3]\r\n"
        "    end>\r\n"
        "  NoItems = <>\r\n"
        "  Data = {\r\n"
        "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n"
        "    FF}\r\n"
        "  NoData = {}\r\n"
        "  object Child: TChild [2]\r\n"
        "    object TAnonymous\r\n"
        "    end\r\n"
        "  end\r\n"
        "  inherited Old: TOld\r\n"
        "  end\r\n"
        "  inline Frame: TFrame\r\n"
        "  end\r\n"
        "end\r\n";
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), text);
}

TEST_F(ObjectStream, TextValuesBecomeTheirBinaryValueTypes) {
    const struct {
        const char* value;
        std::string bytes;  // the value's bytes in the binary stream
    } rows[] = {
        {"-1", Bytes().Byte(vaInt8).Byte(0xFF).Data()},
        {"$10", Bytes().Byte(vaInt8).Byte(16).Data()},
        {"'ab'", Bytes().Byte(vaString).Str("ab").Data()},
        {"'a' + 'b'", Bytes().Byte(vaString).Str("ab").Data()},
        {"#65#$42", Bytes().Byte(vaString).Str("AB").Data()},
        {"'\xC3\xA9'", Bytes().Byte(vaWString).Int32(1).Byte(0xE9).Byte(0).Data()},
        {"#233", Bytes().Byte(vaWString).Int32(1).Byte(0xE9).Byte(0).Data()},
        {"Foo", Bytes().Ident("Foo").Data()},
        {"true", Bytes().Byte(vaTrue).Data()},
        {"[a,b]", Bytes().Byte(vaSet).Str("a").Str("b").Str("").Data()},
        {"{ 0a 0B }", Bytes().Byte(vaBinary).Int32(2).Byte(10).Byte(11).Data()},
        {"1.5c", Bytes().Byte(vaCurrency).Int32(15000).Int32(0).Data()},
    };
    const std::string prefix = Bytes().Raw("TPF0").Str("T").Str("").Str("V").Data();
    for (const auto& row : rows) {
        const std::string binary =
            ObjectTextToBinary(std::string("object T\r\n  V = ") + row.value + "\r\nend");
        EXPECT_EQ(binary, prefix + row.bytes + std::string(2, '\0')) << row.value;
    }
}

TEST_F(ObjectStream, TextErrorsNameTheirLine) {
    const struct {
        std::string text;
        const char* message;
    } rows[] = {
        {"", "Line 1: 'object' expected but end of text found"},
        {"object X: T\r\n  Width 5\r\nend", "Line 2: '=' expected but 5 found"},
        {"object X: T\r\n  Caption = 'abc\r\nend", "Line 2: Unterminated string"},
        {"object X: T\r\n\r\n  Data = {0A1}\r\nend", "Line 3: Invalid binary value"},
        {"object X: T\r\n  Data = {0A", "'}' expected"},
        {"object X: T\r\n  Width = 99999999999999999999\r\nend", "Line 2: Invalid number"},
        {"object X: T\r\n  Scale = 1.5x\r\nend", "Line 2: Invalid number 1.5x"},
        {"object X: T\r\n  Price = 1.23456c\r\nend", "Invalid currency value"},
        {"object X: T\r\n  Caption = #70000\r\nend", "Line 2: Invalid character code"},
        {"object X: T\r\n  Caption = 'a' +\r\nend", "Line 3: String expected"},
        {"object X: T\r\n  Set = [a b]\r\nend", "Line 2: ']' expected"},
        {"object X: T\r\n  " + std::string(300, 'N') + " = 1\r\nend", "Line 2: Name too long"},
        {"object X: T\r\nend\r\nextra", "Line 3: End of text expected"},
        {"object X: T\r\n  Width = 1\r\n", "'end' expected but end of text found"},
        {"object X: T\r\n  Width = )\r\nend", "Line 2: Value expected"},
    };
    for (const auto& row : rows) {
        try {
            ObjectTextToBinary(row.text);
            ADD_FAILURE() << "no error: " << row.text;
        } catch (const EParserError& e) {
            EXPECT_NE(e.Message().find(row.message), std::string::npos)
                << e.Message() << " for " << row.text;
        }
    }
    // A layout error is a read error like every other.
    TSampleRoot root(nullptr);
    EXPECT_THROW(ReadComponentFromText("object R: TSampleRoot\r\n  Width = \r\nend", root),
                 EReadError);
}

}  // namespace
}  // namespace objtest
