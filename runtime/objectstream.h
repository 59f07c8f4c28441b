#pragma once

// The binary component stream: the class library's value types, TWriter and
// TReader, and the object records that hold a component, its published and
// defined properties and its children.
//
// Layout (little-endian):
//   stream     "TPF0" object
//   object     [prefix] class-name:str component-name:str {property} vaNull
//              {object} vaNull
//   prefix     byte $F0 | flags (ffInherited 1, ffChildPos 2, ffInline 4),
//              then the child position as an integer value when ffChildPos
//   property   path:str value          (path "Font.Name" for sub-objects)
//   str        length byte, then that many bytes
//   value      type byte, then: Int8/16/32/64 1/2/4/8 bytes; Extended 10
//              (80-bit); Single 4; Double 8; Currency 8 (int64 x 10000);
//              Date 8 (double); String str; Ident str; LString int32 count +
//              bytes; WString int32 count + UTF-16 units; UTF8String int32
//              count + bytes; Binary int32 count + bytes; Set {str} then an
//              empty str; List {value} vaNull; Collection {[integer] vaList
//              {property} vaNull} vaNull; Null, Nil, False, True nothing.
//
// Reading never goes past the end of the stream and checks every length
// against what remains before it allocates. Damaged data (a wrong value
// type, a truncated value, an unknown class or property, a bad value for a
// property) raises EReadError with a message naming the component and the
// property ("Error reading Button1.Caption: Invalid property value").
//
// Property values by kind (writing and reading):
//   integer, Int64      Int8/16/32/64 (the smallest that holds the value)
//   Boolean             False / True
//   enumeration         Ident (the value name)
//   set                 Set
//   char                String of one byte; wide char: WString of one unit
//   float               Single for Single, Extended for Double (read: any
//                       number)
//   8-bit string        String or LString (read: any string kind)
//   wide string         WString (read: any string kind)
//   Variant             by its type (Empty: Nil, Null: Null)
//   event               Ident, the handler's name; read back through the
//                       root's handler methods (RUNTIME_HANDLER)
//   class: component    Ident, a reference resolved once the whole root is
//                       read ("Name", "Owner", "RootName.Name"); nil: Nil
//   class: collection   Collection of its items' properties
//   class: other object its properties under "Prop." (TStrings: "Prop.Strings",
//                       a List of strings)
// Properties are written in declaration order when stored and not at their
// default: the declared default (ordinals, floats, strings), else zero
// numbers, empty strings, Empty Variants, nil objects and unnamed handlers
// are left out; an ordinal without a declared default is always written.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/object.h"
#include "runtime/variant.h"

namespace runtime {

class TCollection;
class TComponent;
class TPropInfo;
class TReader;
class TStream;
class TWriter;

enum TValueType : uint8_t {
    vaNull,
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,
    vaInt64,
    vaUTF8String,
    vaDouble,
};

// Object prefix flags.
inline constexpr uint8_t ffInherited = 1;
inline constexpr uint8_t ffChildPos = 2;
inline constexpr uint8_t ffInline = 4;

// How deeply objects, lists and collections may nest in a stream.
inline constexpr int kMaxStreamNesting = 128;

// Messages of the stream errors.
inline constexpr const char* SInvalidImage = "Invalid stream format";
inline constexpr const char* SInvalidPropertyValue = "Invalid property value";

using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;
using TStreamProc = std::function<void(TStream& stream)>;

// What a TPersistent's DefineProperties sees: the reader or the writer.
class TFiler {
  public:
    explicit TFiler(TStream& stream) : stream_(stream) {}
    virtual ~TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    TStream& Stream() const { return stream_; }
    // The component whose object is the stream's outermost one.
    TComponent* Root() const { return root_; }

    // A stream property written by `writeData` when hasData is true, read by
    // `readData` (either may be empty).
    virtual void DefineProperty(std::string_view name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // A stream property holding raw bytes (a Binary value): `writeData` writes
    // them to a stream, `readData` reads them from a stream holding exactly
    // those bytes.
    virtual void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

  protected:
    TStream& stream_;
    TComponent* root_ = nullptr;
};

class TWriter : public TFiler {
  public:
    explicit TWriter(TStream& stream) : TFiler(stream) {}

    void DefineProperty(std::string_view name, const TReaderProc& readData,
                        const TWriterProc& writeData, bool hasData) override;
    void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // ---- objects ----------------------------------------------------------------
    // "TPF0" and the root's object with its children.
    void WriteRootComponent(TComponent& root);
    void WriteSignature();
    // One object (prefix, class, name, properties, children).
    void WriteComponent(TComponent& component);
    // The stored published properties and then the defined ones.
    void WriteProperties(TObject& instance);
    void WritePrefix(uint8_t flags, int32_t childPos);
    void WriteCollection(TCollection& collection);

    // ---- values -------------------------------------------------------------------
    void WriteValue(TValueType value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WriteInteger(int64_t value);
    void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
    void WriteChar(char value);
    void WriteWideChar(char16_t value);
    void WriteFloat(double value);  // Extended
    void WriteSingle(float value);
    void WriteDouble(double value);
    void WriteCurrency(int64_t scaledBy10000);
    void WriteDate(TDateTime value);
    void WriteString(std::string_view value);  // String, or LString above 255 bytes
    void WriteWideString(std::u16string_view value);
    void WriteUTF8String(std::string_view value);
    // Ident; "False", "True", "nil" and "Null" become those values.
    void WriteIdent(std::string_view ident);
    // EWriteError for arrays and objects.
    void WriteVariant(const Variant& value);
    void WriteBinary(const void* data, size_t count);
    void WriteSet(const std::vector<std::string>& names);
    // A short string (length byte and bytes); EWriteError above 255 bytes.
    void WriteStr(std::string_view value);

  private:
    void WriteProperty(TObject& instance, const TPropInfo& prop);
    void WritePropName(std::string_view name);
    void WriteBytes(const void* data, size_t count);
    void WriteReference(const TComponent& component, std::string_view propName);

    std::string propPath_;
    int depth_ = 0;
};

class TReader : public TFiler {
  public:
    explicit TReader(TStream& stream);
    ~TReader() override;

    void DefineProperty(std::string_view name, const TReaderProc& readData,
                        const TWriterProc& writeData, bool hasData) override;
    void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // ---- objects ------------------------------------------------------------------
    // Reads the stream's object into `root`, whose class must be the one the
    // stream names or derive from it; creates its children (owned by the
    // root), resolves references and calls Loaded on the root and every
    // component read, in reading order.
    void ReadRootComponent(TComponent& root);
    // Same, creating the root from the class registry.
    std::unique_ptr<TComponent> ReadRootComponent();
    void ReadSignature();
    // The prefix flags and child position (-1 without ffChildPos).
    void ReadPrefix(uint8_t& flags, int32_t& childPos);
    // One property of `instance`: its name and value.
    void ReadProperty(TObject& instance);
    // The items of a collection, after its vaCollection.
    void ReadCollection(TCollection& collection);
    // The component being read and the parent and owner of its children.
    TComponent* Owner() const { return owner_; }
    TComponent* Parent() const { return parent_; }

    // ---- values -----------------------------------------------------------------
    TValueType ReadValue();
    // The next value's type, without reading it.
    TValueType NextValue();
    // True (without reading it) when the next value ends a list.
    bool EndOfList() { return NextValue() == vaNull; }
    void ReadListBegin();
    void ReadListEnd();
    void CheckValue(TValueType expected);
    int32_t ReadInteger();  // Int8/16/32 (and Int64 within range)
    int64_t ReadInt64();    // any integer value
    bool ReadBoolean();     // False / True
    char ReadChar();        // a string value of one character
    char16_t ReadWideChar();
    double ReadFloat();  // any number value
    float ReadSingle();
    double ReadDouble();
    int64_t ReadCurrency();           // scaled by 10000; any number value
    TDateTime ReadDate();             // any number value
    std::string ReadString();         // any string value, converted
    std::u16string ReadWideString();  // any string value, converted
    std::string ReadIdent();          // Ident, or False/True/nil/Null by name
    Variant ReadVariant();
    std::vector<std::string> ReadSet();  // after its vaSet
    // The bytes of a Binary value.
    std::string ReadBinary();
    // A short string.
    std::string ReadStr();
    // Reads over one value of any type.
    void SkipValue();

    // Bytes left in the stream.
    int64_t Remaining();

  private:
    struct Fixup {
        TObject* instance;
        const TPropInfo* prop;
        std::string name;
        std::string componentName;
    };

    TComponent& ReadComponent(TComponent& parent);
    void ReadComponentBody(TComponent& component);
    void ReadPropValue(TObject& instance, const TPropInfo& prop);
    void ReadClassValue(TObject& instance, const TPropInfo& prop);
    void ReadMethodValue(TObject& instance, const TPropInfo& prop);
    void ResolveFixups();
    void ReadBytes(void* buffer, size_t count);
    // A length read from the stream, checked against what remains
    // (unitSize bytes per unit).
    size_t ReadLength(size_t unitSize);

    TComponent* owner_ = nullptr;
    TComponent* parent_ = nullptr;
    std::string propName_;     // the defined property being looked for
    std::string currentName_;  // the component being read, for messages
    bool inProperty_ = false;
    std::vector<Fixup> fixups_;
    std::vector<TComponent*> loaded_;
    int64_t end_;
    int depth_ = 0;
};

// ---- convenience -----------------------------------------------------------------

void WriteComponentToStream(TStream& stream, TComponent& root);
void ReadComponentFromStream(TStream& stream, TComponent& root);
std::unique_ptr<TComponent> ReadComponentFromStream(TStream& stream);

}  // namespace runtime
