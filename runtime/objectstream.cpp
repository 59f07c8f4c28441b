#include "runtime/objectstream.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/collection.h"
#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/intidents.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

// ---- little-endian numbers and the 80-bit extended format -------------------------

template <typename T>
void PutLE(uint8_t* out, T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

template <typename T>
T GetLE(const uint8_t* in) {
    std::make_unsigned_t<T> bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<std::make_unsigned_t<T>>(in[i]) << (8 * i);
    return static_cast<T>(bits);
}

uint64_t DoubleBits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double BitsToDouble(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// 64-bit mantissa with its explicit integer bit, then sign and a 15-bit
// exponent biased by 16383. Every double converts exactly.
void DoubleToExtended(double value, uint8_t out[10]) {
    uint64_t mantissa = 0;
    uint16_t signExponent = (DoubleBits(value) >> 63) != 0 ? 0x8000 : 0;
    if (std::isnan(value)) {
        mantissa = 0xC000000000000000ull;
        signExponent |= 0x7FFF;
    } else if (std::isinf(value)) {
        mantissa = 0x8000000000000000ull;
        signExponent |= 0x7FFF;
    } else if (value != 0) {
        int exponent;
        const double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
        mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
        signExponent |= static_cast<uint16_t>(exponent - 1 + 16383);
    }
    PutLE(out, mantissa);
    PutLE(out + 8, signExponent);
}

// Rounds to the nearest double; values beyond the double range become
// infinite or zero.
double ExtendedToDouble(const uint8_t in[10]) {
    const auto mantissa = GetLE<uint64_t>(in);
    const auto signExponent = GetLE<uint16_t>(in + 8);
    const bool negative = (signExponent & 0x8000) != 0;
    const int exponent = signExponent & 0x7FFF;
    double value;
    if (exponent == 0x7FFF)
        value = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::quiet_NaN();
    else
        value =
            std::ldexp(static_cast<double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    return negative ? -value : value;
}

bool IsIntegerValue(TValueType type) {
    return type == vaInt8 || type == vaInt16 || type == vaInt32 || type == vaInt64;
}

[[noreturn]] void InvalidValue() {
    throw EReadError(SInvalidPropertyValue);
}

// Counts nesting of objects, lists and collections while it lives.
class NestingGuard {
  public:
    NestingGuard(int& depth, bool reading) : depth_(depth) {
        if (++depth_ > kMaxStreamNesting) {
            --depth_;
            if (reading) throw EReadError("Stream nesting too deep");
            throw EWriteError("Stream nesting too deep");
        }
    }
    ~NestingGuard() { --depth_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

  private:
    int& depth_;
};

// Sets a component state flag for the guard's lifetime.
template <typename Setter>
class StateGuard {
  public:
    explicit StateGuard(Setter set) : set_(set) { set_(true); }
    ~StateGuard() { set_(false); }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

  private:
    Setter set_;
};

// The registered name of an integer property's value, if it has one.
bool IntegerIdent(const TPropInfo& prop, int64_t value, std::string& ident) {
    const TIntegerIdents* idents = FindIntegerIdents(prop.PropType());
    return idents != nullptr && idents->ToIdent(value, ident);
}

// The properties an object defines beyond its published ones.
void DefineObjectProperties(TFiler& filer, TObject& instance) {
    if (auto* persistent = dynamic_cast<TPersistent*>(&instance))
        persistent->DefineProperties(filer);
}

}  // namespace

// ---- TWriter ----------------------------------------------------------------------------

void TWriter::DefineProperty(std::string_view name, const TReaderProc&,
                             const TWriterProc& writeData, bool hasData) {
    if (!hasData || !writeData) return;
    WritePropName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(std::string_view name, const TStreamProc&,
                                   const TStreamProc& writeData, bool hasData) {
    if (!hasData || !writeData) return;
    TMemoryStream data;
    writeData(data);
    WritePropName(name);
    WriteBinary(data.Memory(), static_cast<size_t>(data.Size()));
}

void TWriter::WriteRootComponent(TComponent& root) {
    root_ = &root;
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteSignature() {
    WriteBytes(kSignature, sizeof kSignature);
}

void TWriter::WriteComponent(TComponent& component) {
    NestingGuard nesting(depth_, false);
    if (root_ == nullptr) root_ = &component;
    auto setWriting = [&component](bool on) { component.SetState(csWriting, on); };
    StateGuard<decltype(setWriting)> writing(setWriting);
    WritePrefix(0, 0);
    WriteStr(component.ClassName());
    WriteStr(component.Name());
    const std::string savedPath = std::move(propPath_);
    propPath_.clear();
    WriteProperties(component);
    WriteListEnd();
    component.GetChildren([this](TComponent& child) { WriteComponent(child); }, root_);
    WriteListEnd();
    propPath_ = savedPath;
}

void TWriter::WriteProperties(TObject& instance) {
    NestingGuard nesting(depth_, false);
    for (const TPropInfo* prop : instance.ClassInfo().PropertiesInDeclarationOrder())
        WriteProperty(instance, *prop);
    DefineObjectProperties(*this, instance);
}

void TWriter::WriteProperty(TObject& instance, const TPropInfo& prop) {
    if (!prop.IsStored(instance)) return;
    const TTypeKind kind = prop.Kind();
    if (kind == tkClass) {
        TObject* value = GetObjectProp(instance, prop);
        if (value == nullptr) return;
        if (auto* component = dynamic_cast<TComponent*>(value)) {
            if (prop.IsWritable()) WriteReference(*component, prop.Name());
        } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
            WritePropName(prop.Name());
            WriteCollection(*collection);
        } else {
            const std::string savedPath = propPath_;
            propPath_ += prop.Name();
            propPath_ += '.';
            WriteProperties(*value);
            propPath_ = savedPath;
        }
        return;
    }
    if (!prop.IsWritable()) return;
    switch (kind) {
        case tkInteger:
        case tkInt64:
        case tkChar:
        case tkWChar:
        case tkEnumeration:
        case tkSet: {
            const int64_t value = GetOrdProp(instance, prop);
            if (prop.HasDefault() && value == prop.Default().AsInt64()) return;
            WritePropName(prop.Name());
            if (kind == tkChar)
                WriteChar(static_cast<char>(value));
            else if (kind == tkWChar)
                WriteWideChar(static_cast<char16_t>(value));
            else if (kind == tkEnumeration && &prop.PropType() == &BooleanTypeInfo())
                WriteBoolean(value != 0);
            else if (kind == tkEnumeration)
                WriteIdent(prop.PropType().EnumName(value));
            else if (kind == tkSet)
                WriteSet([&] {
                    std::vector<std::string> names;
                    const auto& all = prop.PropType().ElementType()->EnumNames();
                    for (size_t i = 0; i < all.size(); ++i)
                        if ((static_cast<uint64_t>(value) >> i) & 1) names.push_back(all[i]);
                    return names;
                }());
            else if (std::string ident; kind == tkInteger && IntegerIdent(prop, value, ident))
                WriteIdent(ident);
            else
                WriteInteger(value);
            break;
        }
        case tkFloat: {
            const double value = GetFloatProp(instance, prop);
            if (value == (prop.HasDefault() ? prop.Default().AsDouble() : 0)) return;
            WritePropName(prop.Name());
            if (prop.PropType().FloatType() == ftSingle)
                WriteSingle(static_cast<float>(value));
            else
                WriteFloat(value);
            break;
        }
        case tkLString: {
            const std::string value = GetStrProp(instance, prop);
            if (prop.HasDefault() ? value == prop.Default().AsString() : value.empty()) return;
            WritePropName(prop.Name());
            WriteString(value);
            break;
        }
        case tkWString: {
            const std::u16string value = GetWideStrProp(instance, prop);
            if (prop.HasDefault() ? value == prop.Default().AsWideString() : value.empty()) return;
            WritePropName(prop.Name());
            WriteWideString(value);
            break;
        }
        case tkVariant: {
            const Variant value = GetVariantProp(instance, prop);
            if (value.IsEmpty()) return;
            WritePropName(prop.Name());
            WriteVariant(value);
            break;
        }
        case tkMethod: {
            const TMethod method = GetMethodProp(instance, prop);
            if (!method.IsAssigned() || method.Name().empty()) return;
            WritePropName(prop.Name());
            WriteIdent(method.Name());
            break;
        }
        default:
            break;
    }
}

void TWriter::WriteReference(const TComponent& component, std::string_view propName) {
    std::string name;
    if (root_ != nullptr && component.Owner() == root_)
        name = component.Name();
    else if (&component == root_)
        name = "Owner";
    else if (component.Owner() != nullptr && !component.Owner()->Name().empty() &&
             !component.Name().empty())
        name = component.Owner()->Name() + "." + component.Name();
    else
        name = component.Name();
    if (name.empty()) return;
    WritePropName(propName);
    WriteIdent(name);
}

void TWriter::WritePropName(std::string_view name) {
    WriteStr(propPath_ + std::string(name));
}

void TWriter::WritePrefix(uint8_t flags, int32_t childPos) {
    if (flags == 0) return;
    const uint8_t prefix = 0xF0 | (flags & 0x0F);
    WriteBytes(&prefix, 1);
    if ((flags & ffChildPos) != 0) WriteInteger(childPos);
}

void TWriter::WriteCollection(TCollection& collection) {
    NestingGuard nesting(depth_, false);
    WriteValue(vaCollection);
    const std::string savedPath = std::move(propPath_);
    propPath_.clear();
    for (int i = 0; i < collection.Count(); ++i) {
        WriteListBegin();
        WriteProperties(*collection.Items(i));
        WriteListEnd();
    }
    WriteListEnd();
    propPath_ = savedPath;
}

void TWriter::WriteValue(TValueType value) {
    const auto byte = static_cast<uint8_t>(value);
    WriteBytes(&byte, 1);
}

void TWriter::WriteInteger(int64_t value) {
    uint8_t buffer[9];
    size_t size;
    if (value >= INT8_MIN && value <= INT8_MAX) {
        buffer[0] = vaInt8;
        PutLE(buffer + 1, static_cast<int8_t>(value));
        size = 2;
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        buffer[0] = vaInt16;
        PutLE(buffer + 1, static_cast<int16_t>(value));
        size = 3;
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        buffer[0] = vaInt32;
        PutLE(buffer + 1, static_cast<int32_t>(value));
        size = 5;
    } else {
        buffer[0] = vaInt64;
        PutLE(buffer + 1, value);
        size = 9;
    }
    WriteBytes(buffer, size);
}

void TWriter::WriteChar(char value) {
    WriteString(std::string_view(&value, 1));
}

void TWriter::WriteWideChar(char16_t value) {
    WriteWideString(std::u16string_view(&value, 1));
}

void TWriter::WriteFloat(double value) {
    uint8_t buffer[11] = {vaExtended};
    DoubleToExtended(value, buffer + 1);
    WriteBytes(buffer, sizeof buffer);
}

void TWriter::WriteSingle(float value) {
    uint8_t buffer[5] = {vaSingle};
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutLE(buffer + 1, bits);
    WriteBytes(buffer, sizeof buffer);
}

void TWriter::WriteDouble(double value) {
    uint8_t buffer[9] = {vaDouble};
    PutLE(buffer + 1, DoubleBits(value));
    WriteBytes(buffer, sizeof buffer);
}

void TWriter::WriteCurrency(int64_t scaledBy10000) {
    uint8_t buffer[9] = {vaCurrency};
    PutLE(buffer + 1, scaledBy10000);
    WriteBytes(buffer, sizeof buffer);
}

void TWriter::WriteDate(TDateTime value) {
    uint8_t buffer[9] = {vaDate};
    PutLE(buffer + 1, DoubleBits(value));
    WriteBytes(buffer, sizeof buffer);
}

namespace {

void CheckLongLength(size_t count) {
    if (count > static_cast<size_t>(INT32_MAX)) throw EWriteError("Value too long for a stream");
}

}  // namespace

void TWriter::WriteString(std::string_view value) {
    if (value.size() <= 255) {
        WriteValue(vaString);
        WriteStr(value);
        return;
    }
    CheckLongLength(value.size());
    uint8_t header[5] = {vaLString};
    PutLE(header + 1, static_cast<int32_t>(value.size()));
    WriteBytes(header, sizeof header);
    WriteBytes(value.data(), value.size());
}

void TWriter::WriteWideString(std::u16string_view value) {
    CheckLongLength(value.size() * 2);
    uint8_t header[5] = {vaWString};
    PutLE(header + 1, static_cast<int32_t>(value.size()));
    WriteBytes(header, sizeof header);
    std::string bytes(value.size() * 2, '\0');
    for (size_t i = 0; i < value.size(); ++i)
        PutLE(reinterpret_cast<uint8_t*>(bytes.data()) + 2 * i, static_cast<uint16_t>(value[i]));
    WriteBytes(bytes.data(), bytes.size());
}

void TWriter::WriteUTF8String(std::string_view value) {
    CheckLongLength(value.size());
    uint8_t header[5] = {vaUTF8String};
    PutLE(header + 1, static_cast<int32_t>(value.size()));
    WriteBytes(header, sizeof header);
    WriteBytes(value.data(), value.size());
}

void TWriter::WriteIdent(std::string_view ident) {
    if (SameText(ident, "False"))
        WriteValue(vaFalse);
    else if (SameText(ident, "True"))
        WriteValue(vaTrue);
    else if (SameText(ident, "nil"))
        WriteValue(vaNil);
    else if (SameText(ident, "Null"))
        WriteValue(vaNull);
    else {
        WriteValue(vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteVariant(const Variant& value) {
    if (value.IsArray()) throw EWriteError("Cannot write a variant array to a stream");
    switch (value.Type()) {
        case varEmpty:
            WriteValue(vaNil);
            break;
        case varNull:
            WriteValue(vaNull);
            break;
        case varOleStr:
            WriteWideString(value.AsWideString());
            break;
        case varString:
            WriteString(value.AsString());
            break;
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varInt64:
            WriteInteger(value.AsInt64());
            break;
        case varSingle:
            WriteSingle(static_cast<float>(value.AsDouble()));
            break;
        case varDouble:
            WriteFloat(value.AsDouble());
            break;
        case varCurrency:
            WriteCurrency(value.AsCurrency());
            break;
        case varDate:
            WriteDate(value.AsDate());
            break;
        case varBoolean:
            WriteBoolean(value.AsBoolean());
            break;
        default:
            throw EWriteError("Cannot write a variant of type " + VarTypeAsText(value.Type()) +
                              " to a stream");
    }
}

void TWriter::WriteBinary(const void* data, size_t count) {
    CheckLongLength(count);
    uint8_t header[5] = {vaBinary};
    PutLE(header + 1, static_cast<int32_t>(count));
    WriteBytes(header, sizeof header);
    WriteBytes(data, count);
}

void TWriter::WriteSet(const std::vector<std::string>& names) {
    WriteValue(vaSet);
    for (const std::string& name : names)
        if (!name.empty()) WriteStr(name);
    WriteStr("");
}

void TWriter::WriteStr(std::string_view value) {
    if (value.size() > 255) throw EWriteError("Name too long for a stream: " + std::string(value));
    const auto length = static_cast<uint8_t>(value.size());
    WriteBytes(&length, 1);
    WriteBytes(value.data(), value.size());
}

void TWriter::WriteBytes(const void* data, size_t count) {
    stream_.WriteBuffer(data, static_cast<int64_t>(count));
}

// ---- TReader ------------------------------------------------------------------------------

TReader::TReader(TStream& stream) : TFiler(stream), end_(stream.Size()) {}

TReader::~TReader() = default;

void TReader::DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc&,
                             bool) {
    if (propName_.empty() || !readData || !SameText(name, propName_)) return;
    propName_.clear();
    readData(*this);
}

void TReader::DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                                   const TStreamProc&, bool) {
    if (propName_.empty() || !readData || !SameText(name, propName_)) return;
    propName_.clear();
    CheckValue(vaBinary);
    const size_t count = ReadLength(1);
    TMemoryStream data;
    data.SetSize(static_cast<int64_t>(count));
    ReadBytes(data.Memory(), count);
    data.SetPosition(0);
    readData(data);
}

void TReader::ReadSignature() {
    char signature[sizeof kSignature];
    ReadBytes(signature, sizeof signature);
    if (std::memcmp(signature, kSignature, sizeof signature) != 0) throw EReadError(SInvalidImage);
}

void TReader::ReadPrefix(uint8_t& flags, int32_t& childPos) {
    flags = 0;
    childPos = -1;
    uint8_t prefix;
    ReadBytes(&prefix, 1);
    if ((prefix & 0xF0) != 0xF0) {
        stream_.Seek(-1, soFromCurrent);
        return;
    }
    flags = prefix & 0x0F;
    if ((flags & ffChildPos) != 0) childPos = ReadInteger();
}

namespace {

// True when `info` or an ancestor is named `name`.
bool ClassIsOrDerivesFrom(const TClassInfo& info, std::string_view name) {
    for (const TClassInfo* c = &info; c != nullptr; c = c->Parent())
        if (SameText(c->Name(), name)) return true;
    return false;
}

}  // namespace

void TReader::ReadRootComponent(TComponent& root) {
    ReadSignature();
    uint8_t flags;
    int32_t childPos;
    ReadPrefix(flags, childPos);
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    if (!ClassIsOrDerivesFrom(root.ClassInfo(), className))
        throw EReadError("Cannot read a " + className + " into a " + root.ClassName());

    root_ = &root;
    owner_ = &root;
    currentName_ = name.empty() ? className : name;
    root.SetState(csLoading, true);
    root.SetState(csReading, true);
    loaded_.assign(1, &root);
    const int ownedBefore = root.ComponentCount();
    try {
        try {
            root.SetName(name);
        } catch (const Exception& e) {
            throw EReadError(e.Message());
        }
        ReadComponentBody(root);
        ResolveFixups();
    } catch (...) {
        // Leave the root as it was: free what this read added to it.
        while (root.ComponentCount() > ownedBefore) {
            TComponent* added = root.Components(root.ComponentCount() - 1);
            root.RemoveComponent(*added).reset();
        }
        root.SetState(csLoading, false);
        root.SetState(csReading, false);
        fixups_.clear();
        loaded_.clear();
        throw;
    }
    fixups_.clear();
    for (TComponent* component : loaded_) component->SetState(csReading, false);
    const std::vector<TComponent*> loaded = std::move(loaded_);
    loaded_.clear();
    for (TComponent* component : loaded) component->Loaded();
}

std::unique_ptr<TComponent> TReader::ReadRootComponent() {
    const int64_t start = stream_.Position();
    ReadSignature();
    uint8_t flags;
    int32_t childPos;
    ReadPrefix(flags, childPos);
    const std::string className = ReadStr();
    const TClassInfo* classInfo = FindClass(className);
    if (classInfo == nullptr) throw EReadError("Class " + className + " not found");
    if (!classInfo->IsComponentClass() || !classInfo->CanCreate())
        throw EReadError("Class " + className + " is no component class that can be created");
    std::unique_ptr<TObject> object = classInfo->Create();
    std::unique_ptr<TComponent> root(static_cast<TComponent*>(object.release()));
    stream_.SetPosition(start);
    ReadRootComponent(*root);
    return root;
}

TComponent& TReader::ReadComponent(TComponent& parent) {
    NestingGuard nesting(depth_, true);
    uint8_t flags;
    int32_t childPos;
    ReadPrefix(flags, childPos);
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    const std::string savedName = currentName_;
    currentName_ = name.empty() ? className : name;

    TComponent* owner = parent.GetChildOwner();
    if (owner == nullptr) owner = root_;
    TComponent* component;
    if ((flags & ffInherited) != 0) {
        component = owner->FindComponent(name);
        if (component == nullptr) throw EReadError("Ancestor for '" + name + "' not found");
    } else {
        const TClassInfo* classInfo = FindClass(className);
        if (classInfo == nullptr) throw EReadError("Class " + className + " not found");
        if (!classInfo->IsComponentClass() || !classInfo->CanCreate())
            throw EReadError("Class " + className + " is no component class that can be created");
        component = &classInfo->CreateComponent(*owner);
        component->SetState(csLoading, true);
        component->SetState(csReading, true);
        loaded_.push_back(component);
        try {
            component->SetName(name);
        } catch (const Exception& e) {
            throw EReadError(e.Message());
        }
    }
    if (component->HasParent()) component->SetParentComponent(parent.GetChildParent());
    ReadComponentBody(*component);
    currentName_ = savedName;
    return *component;
}

void TReader::ReadComponentBody(TComponent& component) {
    while (!EndOfList()) ReadProperty(component);
    ReadListEnd();
    TComponent* savedParent = parent_;
    parent_ = component.GetChildParent();
    while (!EndOfList()) ReadComponent(component);
    ReadListEnd();
    parent_ = savedParent;
}

void TReader::ReadProperty(TObject& instance) {
    const std::string path = ReadStr();
    // Only the outermost property names the component; values inside it
    // (collection items) report through it.
    const bool outermost = !inProperty_;
    inProperty_ = true;
    try {
        TObject* target = &instance;
        size_t start = 0;
        for (size_t dot = path.find('.'); dot != std::string::npos; dot = path.find('.', start)) {
            const std::string_view segment = std::string_view(path).substr(start, dot - start);
            const TPropInfo* prop = GetPropInfo(*target, segment);
            if (prop == nullptr || prop->Kind() != tkClass)
                throw EReadError("Property " + std::string(segment) + " does not exist");
            target = GetObjectProp(*target, *prop);
            if (target == nullptr) throw EReadError("Property " + std::string(segment) + " is nil");
            start = dot + 1;
        }
        const std::string name = path.substr(start);
        if (const TPropInfo* prop = GetPropInfo(*target, name)) {
            ReadPropValue(*target, *prop);
        } else {
            propName_ = name;
            DefineObjectProperties(*this, *target);
            if (!propName_.empty()) {
                propName_.clear();
                throw EReadError("Property " + name + " does not exist");
            }
        }
    } catch (const Exception& e) {
        if (!outermost) throw;
        inProperty_ = false;
        throw EReadError("Error reading " + currentName_ + "." + path + ": " + e.Message());
    }
    if (outermost) inProperty_ = false;
}

void TReader::ReadPropValue(TObject& instance, const TPropInfo& prop) {
    switch (prop.Kind()) {
        case tkInteger:
        case tkInt64:
            if (NextValue() == vaIdent) {
                const TIntegerIdents* idents = FindIntegerIdents(prop.PropType());
                int64_t value = 0;
                if (idents == nullptr || !idents->ToInt(ReadIdent(), value)) InvalidValue();
                SetOrdProp(instance, prop, value);
            } else {
                SetOrdProp(instance, prop, ReadInt64());
            }
            break;
        case tkChar:
            SetOrdProp(instance, prop, static_cast<unsigned char>(ReadChar()));
            break;
        case tkWChar:
            SetOrdProp(instance, prop, ReadWideChar());
            break;
        case tkEnumeration:
            if (&prop.PropType() == &BooleanTypeInfo()) {
                SetOrdProp(instance, prop, ReadBoolean() ? 1 : 0);
            } else {
                const int value = prop.PropType().EnumValue(ReadIdent());
                if (value < 0) InvalidValue();
                SetOrdProp(instance, prop, value);
            }
            break;
        case tkSet: {
            CheckValue(vaSet);
            const TTypeInfo& element = *prop.PropType().ElementType();
            uint32_t mask = 0;
            for (const std::string& name : ReadSet()) {
                const int value = element.EnumValue(name);
                if (value < 0) InvalidValue();
                mask |= uint32_t{1} << value;
            }
            SetOrdProp(instance, prop, mask);
            break;
        }
        case tkFloat:
            SetFloatProp(instance, prop, ReadFloat());
            break;
        case tkLString:
            SetStrProp(instance, prop, ReadString());
            break;
        case tkWString:
            SetWideStrProp(instance, prop, ReadWideString());
            break;
        case tkVariant:
            SetVariantProp(instance, prop, ReadVariant());
            break;
        case tkClass:
            ReadClassValue(instance, prop);
            break;
        case tkMethod:
            ReadMethodValue(instance, prop);
            break;
        default:
            InvalidValue();
    }
}

void TReader::ReadClassValue(TObject& instance, const TPropInfo& prop) {
    switch (NextValue()) {
        case vaNil:
            ReadValue();
            SetObjectProp(instance, prop, nullptr);
            break;
        case vaIdent:
            if (!prop.IsWritable())
                throw EPropertyError("Property " + prop.Name() + " is read-only");
            fixups_.push_back({&instance, &prop, ReadIdent(), currentName_});
            break;
        case vaCollection: {
            ReadValue();
            auto* collection = dynamic_cast<TCollection*>(GetObjectProp(instance, prop));
            if (collection == nullptr) InvalidValue();
            ReadCollection(*collection);
            break;
        }
        default:
            InvalidValue();
    }
}

void TReader::ReadMethodValue(TObject& instance, const TPropInfo& prop) {
    if (NextValue() == vaNil) {
        ReadValue();
        SetMethodProp(instance, prop, TMethod());
        return;
    }
    const std::string name = ReadIdent();
    if (root_ == nullptr) InvalidValue();
    const TMethodEntry* method = root_->ClassInfo().FindMethod(name);
    if (method == nullptr)
        throw EReadError("Event handler " + name + " not found in " + root_->ClassName());
    if (method->Signature() != prop.PropType().Signature())
        throw EReadError("Event handler " + name + " does not take the parameters of " +
                         prop.PropType().Name());
    SetMethodProp(instance, prop, method->Bind(*root_));
}

void TReader::ReadCollection(TCollection& collection) {
    NestingGuard nesting(depth_, true);
    collection.BeginUpdate();
    try {
        collection.Clear();
        while (!EndOfList()) {
            if (IsIntegerValue(NextValue())) ReadInteger();  // the item's order: kept by position
            ReadListBegin();
            TCollectionItem* item = collection.Add();
            while (!EndOfList()) ReadProperty(*item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
}

void TReader::ResolveFixups() {
    for (const Fixup& fixup : fixups_) {
        TComponent* target = nullptr;
        const std::string& name = fixup.name;
        const size_t dot = name.find('.');
        if (SameText(name, "Owner")) {
            target = root_;
        } else if (dot == std::string::npos) {
            target = root_->FindComponent(name);
            if (target == nullptr && !name.empty() && SameText(name, root_->Name())) target = root_;
        } else if (SameText(std::string_view(name).substr(0, dot), root_->Name())) {
            target = root_->FindComponent(std::string_view(name).substr(dot + 1));
        }
        try {
            if (target == nullptr) throw EReadError("Unresolved reference to '" + name + "'");
            SetObjectProp(*fixup.instance, *fixup.prop, target);
        } catch (const Exception& e) {
            throw EReadError("Error reading " + fixup.componentName + "." + fixup.prop->Name() +
                             ": " + e.Message());
        }
    }
    fixups_.clear();
}

// ---- values ------------------------------------------------------------------------------

int64_t TReader::Remaining() {
    const int64_t left = end_ - stream_.Position();
    return left > 0 ? left : 0;
}

void TReader::ReadBytes(void* buffer, size_t count) {
    if (count == 0) return;
    if (static_cast<int64_t>(count) > Remaining()) throw EReadError(SReadError);
    stream_.ReadBuffer(buffer, static_cast<int64_t>(count));
}

size_t TReader::ReadLength(size_t unitSize) {
    uint8_t bytes[4];
    ReadBytes(bytes, sizeof bytes);
    const auto count = GetLE<int32_t>(bytes);
    if (count < 0) InvalidValue();
    if (static_cast<int64_t>(count) * static_cast<int64_t>(unitSize) > Remaining())
        throw EReadError(SReadError);
    return static_cast<size_t>(count);
}

TValueType TReader::ReadValue() {
    uint8_t byte;
    ReadBytes(&byte, 1);
    if (byte > vaDouble) throw EReadError("Invalid value type " + std::to_string(byte));
    return static_cast<TValueType>(byte);
}

TValueType TReader::NextValue() {
    // Not checked here: an object prefix byte is looked at through it too.
    uint8_t byte;
    ReadBytes(&byte, 1);
    stream_.Seek(-1, soFromCurrent);
    return static_cast<TValueType>(byte);
}

void TReader::ReadListBegin() {
    CheckValue(vaList);
}

void TReader::ReadListEnd() {
    CheckValue(vaNull);
}

void TReader::CheckValue(TValueType expected) {
    if (ReadValue() != expected) InvalidValue();
}

int32_t TReader::ReadInteger() {
    const int64_t value = ReadInt64();
    if (value < INT32_MIN || value > INT32_MAX) InvalidValue();
    return static_cast<int32_t>(value);
}

int64_t TReader::ReadInt64() {
    uint8_t bytes[8];
    switch (ReadValue()) {
        case vaInt8:
            ReadBytes(bytes, 1);
            return GetLE<int8_t>(bytes);
        case vaInt16:
            ReadBytes(bytes, 2);
            return GetLE<int16_t>(bytes);
        case vaInt32:
            ReadBytes(bytes, 4);
            return GetLE<int32_t>(bytes);
        case vaInt64:
            ReadBytes(bytes, 8);
            return GetLE<int64_t>(bytes);
        default:
            InvalidValue();
    }
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
        case vaFalse:
            return false;
        case vaTrue:
            return true;
        default:
            InvalidValue();
    }
}

char TReader::ReadChar() {
    const std::string value = ReadString();
    if (value.size() != 1) InvalidValue();
    return value[0];
}

char16_t TReader::ReadWideChar() {
    const std::u16string value = ReadWideString();
    if (value.size() != 1) InvalidValue();
    return value[0];
}

double TReader::ReadFloat() {
    uint8_t bytes[10];
    switch (NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
            return static_cast<double>(ReadInt64());
        default:
            break;
    }
    switch (ReadValue()) {
        case vaExtended:
            ReadBytes(bytes, 10);
            return ExtendedToDouble(bytes);
        case vaDouble:
        case vaDate:
            ReadBytes(bytes, 8);
            return BitsToDouble(GetLE<uint64_t>(bytes));
        case vaSingle: {
            ReadBytes(bytes, 4);
            const auto bits = GetLE<uint32_t>(bytes);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        case vaCurrency:
            ReadBytes(bytes, 8);
            return static_cast<double>(GetLE<int64_t>(bytes)) / 10000;
        default:
            InvalidValue();
    }
}

float TReader::ReadSingle() {
    const double value = ReadFloat();
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX) InvalidValue();
    return static_cast<float>(value);
}

double TReader::ReadDouble() {
    return ReadFloat();
}

int64_t TReader::ReadCurrency() {
    if (NextValue() == vaCurrency) {
        ReadValue();
        uint8_t bytes[8];
        ReadBytes(bytes, 8);
        return GetLE<int64_t>(bytes);
    }
    const double scaled = std::round(ReadFloat() * 10000);
    // 2^63 is the first double beyond the int64 range.
    if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) InvalidValue();
    return static_cast<int64_t>(scaled);
}

TDateTime TReader::ReadDate() {
    return ReadFloat();
}

std::string TReader::ReadString() {
    switch (NextValue()) {
        case vaWString:
            return WideToAnsi(ReadWideString());
        case vaUTF8String:
            return Utf8ToAnsi([&] {
                ReadValue();
                std::string bytes(ReadLength(1), '\0');
                ReadBytes(bytes.data(), bytes.size());
                return bytes;
            }());
        default:
            break;
    }
    switch (ReadValue()) {
        case vaString:
            return ReadStr();
        case vaLString: {
            std::string value(ReadLength(1), '\0');
            ReadBytes(value.data(), value.size());
            return value;
        }
        default:
            InvalidValue();
    }
}

std::u16string TReader::ReadWideString() {
    switch (NextValue()) {
        case vaString:
        case vaLString:
            return AnsiToWide(ReadString());
        default:
            break;
    }
    switch (ReadValue()) {
        case vaWString: {
            const size_t count = ReadLength(2);
            std::string bytes(count * 2, '\0');
            ReadBytes(bytes.data(), bytes.size());
            std::u16string value(count, u'\0');
            for (size_t i = 0; i < count; ++i)
                value[i] = static_cast<char16_t>(
                    GetLE<uint16_t>(reinterpret_cast<const uint8_t*>(bytes.data()) + 2 * i));
            return value;
        }
        case vaUTF8String: {
            std::string bytes(ReadLength(1), '\0');
            ReadBytes(bytes.data(), bytes.size());
            return Utf8ToWide(bytes);
        }
        default:
            InvalidValue();
    }
}

std::string TReader::ReadIdent() {
    switch (ReadValue()) {
        case vaIdent:
            return ReadStr();
        case vaFalse:
            return "False";
        case vaTrue:
            return "True";
        case vaNil:
            return "nil";
        case vaNull:
            return "Null";
        default:
            InvalidValue();
    }
}

Variant TReader::ReadVariant() {
    switch (NextValue()) {
        case vaNil:
            ReadValue();
            return Variant();
        case vaNull:
            ReadValue();
            return Variant::Null();
        case vaInt8:
        case vaInt16:
        case vaInt32:
            return Variant(ReadInteger());
        case vaInt64:
            return Variant(ReadInt64());
        case vaExtended:
        case vaDouble:
            return Variant(ReadFloat());
        case vaSingle:
            return Variant::FromSingle(ReadSingle());
        case vaCurrency:
            return Variant::FromCurrency(ReadCurrency());
        case vaDate:
            return Variant::FromDate(ReadDate());
        case vaString:
        case vaLString:
            return Variant(ReadString());
        case vaWString:
        case vaUTF8String:
            return Variant(ReadWideString());
        case vaFalse:
        case vaTrue:
            return Variant(ReadBoolean());
        default:
            ReadValue();
            InvalidValue();
    }
}

std::vector<std::string> TReader::ReadSet() {
    std::vector<std::string> names;
    for (std::string name = ReadStr(); !name.empty(); name = ReadStr())
        names.push_back(std::move(name));
    return names;
}

std::string TReader::ReadBinary() {
    CheckValue(vaBinary);
    std::string bytes(ReadLength(1), '\0');
    ReadBytes(bytes.data(), bytes.size());
    return bytes;
}

std::string TReader::ReadStr() {
    uint8_t length;
    ReadBytes(&length, 1);
    std::string value(length, '\0');
    ReadBytes(value.data(), length);
    return value;
}

void TReader::SkipValue() {
    auto skip = [this](size_t count) {
        if (static_cast<int64_t>(count) > Remaining()) throw EReadError(SReadError);
        stream_.Seek(static_cast<int64_t>(count), soFromCurrent);
    };
    switch (ReadValue()) {
        case vaNull:
        case vaNil:
        case vaFalse:
        case vaTrue:
            break;
        case vaList: {
            NestingGuard nesting(depth_, true);
            while (!EndOfList()) SkipValue();
            ReadListEnd();
            break;
        }
        case vaInt8:
            skip(1);
            break;
        case vaInt16:
            skip(2);
            break;
        case vaInt32:
        case vaSingle:
            skip(4);
            break;
        case vaInt64:
        case vaDouble:
        case vaCurrency:
        case vaDate:
            skip(8);
            break;
        case vaExtended:
            skip(10);
            break;
        case vaString:
        case vaIdent:
            ReadStr();
            break;
        case vaLString:
        case vaUTF8String:
        case vaBinary:
            skip(ReadLength(1));
            break;
        case vaWString:
            skip(ReadLength(2) * 2);
            break;
        case vaSet:
            ReadSet();
            break;
        case vaCollection: {
            NestingGuard nesting(depth_, true);
            while (!EndOfList()) {
                if (IsIntegerValue(NextValue())) ReadInteger();
                ReadListBegin();
                while (!EndOfList()) {
                    ReadStr();
                    SkipValue();
                }
                ReadListEnd();
            }
            ReadListEnd();
            break;
        }
    }
}

// ---- convenience ---------------------------------------------------------------------------

void WriteComponentToStream(TStream& stream, TComponent& root) {
    TWriter writer(stream);
    writer.WriteRootComponent(root);
}

void ReadComponentFromStream(TStream& stream, TComponent& root) {
    TReader reader(stream);
    reader.ReadRootComponent(root);
}

std::unique_ptr<TComponent> ReadComponentFromStream(TStream& stream) {
    TReader reader(stream);
    return reader.ReadRootComponent();
}

}  // namespace runtime
