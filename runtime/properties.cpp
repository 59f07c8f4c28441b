#include "runtime/properties.h"

#include <cfloat>
#include <cmath>

#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

[[noreturn]] void RaiseInvalidType(const TPropInfo& prop) {
    throw EPropertyError("Invalid property type: " + prop.PropType().Name());
}

bool IsOrdinalKind(TTypeKind kind) {
    switch (kind) {
        case tkInteger:
        case tkChar:
        case tkWChar:
        case tkEnumeration:
        case tkSet:
        case tkInt64:
            return true;
        default:
            return false;
    }
}

// The property must belong to the object's class (a record of another class
// would read the object as something it is not).
void CheckInstance(const TObject& instance, const TPropInfo& prop) {
    if (!instance.InheritsFrom(prop.DeclaringClass()))
        throw EPropertyError("Property " + prop.Name() + " of " + prop.DeclaringClass().Name() +
                             " does not exist in " + instance.ClassName());
}

void CheckRead(const TObject& instance, const TPropInfo& prop, bool kindMatches) {
    CheckInstance(instance, prop);
    if (!kindMatches) RaiseInvalidType(prop);
}

void CheckWrite(const TObject& instance, const TPropInfo& prop, bool kindMatches) {
    CheckRead(instance, prop, kindMatches);
    if (!prop.IsWritable()) throw EPropertyError("Property " + prop.Name() + " is read-only");
}

void CheckRange(const TPropInfo& prop, int64_t value) {
    const TTypeInfo& type = prop.PropType();
    if (type.Kind() != tkInt64 && (value < type.MinValue() || value > type.MaxValue()))
        throw ERangeError("Range check error: " + std::to_string(value) +
                          " is not a value of property " + prop.Name() + " (" + type.Name() + ")");
}

bool IsBlankOrBracket(char c) {
    return c == ' ' || c == '\t' || c == '[' || c == ']';
}

uint32_t ParseSet(const TPropInfo& prop, std::string_view text) {
    const TTypeInfo& element = *prop.PropType().ElementType();
    uint32_t mask = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view name = text.substr(start, end - start);
        while (!name.empty() && IsBlankOrBracket(name.front())) name.remove_prefix(1);
        while (!name.empty() && IsBlankOrBracket(name.back())) name.remove_suffix(1);
        if (!name.empty()) {
            const int value = element.EnumValue(name);
            if (value < 0)
                throw EPropertyConvertError("Invalid property element: " + std::string(name));
            mask |= uint32_t{1} << value;
        }
        start = end + 1;
    }
    return mask;
}

}  // namespace

// ---- TPropAccessor defaults: never reached through the checked functions --------

int64_t TPropAccessor::GetOrd(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetOrd(TObject&, int64_t) const {
    throw EPropertyError("Invalid property type");
}
double TPropAccessor::GetFloat(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetFloat(TObject&, double) const {
    throw EPropertyError("Invalid property type");
}
std::string TPropAccessor::GetStr(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetStr(TObject&, std::string) const {
    throw EPropertyError("Invalid property type");
}
std::u16string TPropAccessor::GetWideStr(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetWideStr(TObject&, std::u16string) const {
    throw EPropertyError("Invalid property type");
}
Variant TPropAccessor::GetVariant(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetVariant(TObject&, const Variant&) const {
    throw EPropertyError("Invalid property type");
}
TObject* TPropAccessor::GetObjectValue(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetObjectValue(TObject&, TObject*) const {
    throw EPropertyError("Invalid property type");
}
TMethod TPropAccessor::GetMethod(const TObject&) const {
    throw EPropertyError("Invalid property type");
}
void TPropAccessor::SetMethod(TObject&, const TMethod&) const {
    throw EPropertyError("Invalid property type");
}

// ---- TPropInfo --------------------------------------------------------------------

TPropInfo::TPropInfo(std::string name, const TTypeInfo& type,
                     std::unique_ptr<TPropAccessor> accessor, bool writable)
    : name_(std::move(name)), type_(&type), accessor_(std::move(accessor)), writable_(writable) {}

void TPropInfo::SetDefault(Variant value) {
    const TTypeKind kind = Kind();
    const bool fits = IsOrdinalKind(kind)                      ? value.IsOrdinal()
                      : kind == tkFloat                        ? value.IsNumeric()
                      : kind == tkLString || kind == tkWString ? value.IsString()
                                                               : false;
    if (!fits) throw EInvalidOperation("Property " + name_ + " cannot have that default");
    hasDefault_ = true;
    default_ = IsOrdinalKind(kind) ? Variant(value.AsInt64())
               : kind == tkFloat   ? Variant(value.AsDouble())
                                   : std::move(value);
}

void RaiseEventSignatureMismatch(const TMethod& method) {
    throw EPropertyError("Event handler " + (method.Name().empty() ? "" : method.Name() + " ") +
                         "does not take the event's parameters");
}

// ---- lookup -----------------------------------------------------------------------

const TPropInfo* GetPropInfo(const TObject& instance, std::string_view name) {
    return instance.ClassInfo().FindProperty(name);
}

const TPropInfo& RequirePropInfo(const TObject& instance, std::string_view name) {
    const TPropInfo* prop = GetPropInfo(instance, name);
    if (prop == nullptr) throw EPropertyError("Property " + std::string(name) + " does not exist");
    return *prop;
}

// ---- typed access -------------------------------------------------------------------

int64_t GetOrdProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, IsOrdinalKind(prop.Kind()));
    return prop.Accessor().GetOrd(instance);
}

void SetOrdProp(TObject& instance, const TPropInfo& prop, int64_t value) {
    CheckWrite(instance, prop, IsOrdinalKind(prop.Kind()));
    CheckRange(prop, value);
    prop.Accessor().SetOrd(instance, value);
}

std::string GetEnumProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkEnumeration);
    return std::string(prop.PropType().EnumName(prop.Accessor().GetOrd(instance)));
}

void SetEnumProp(TObject& instance, const TPropInfo& prop, std::string_view name) {
    CheckWrite(instance, prop, prop.Kind() == tkEnumeration);
    const int value = prop.PropType().EnumValue(name);
    if (value < 0) throw EPropertyConvertError("Invalid property element: " + std::string(name));
    prop.Accessor().SetOrd(instance, value);
}

std::string GetSetProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkSet);
    const auto mask = static_cast<uint32_t>(prop.Accessor().GetOrd(instance));
    const TTypeInfo& element = *prop.PropType().ElementType();
    std::string text;
    for (size_t i = 0; i < element.EnumNames().size(); ++i) {
        if ((mask & (uint32_t{1} << i)) == 0) continue;
        if (!text.empty()) text += ',';
        text += element.EnumNames()[i];
    }
    return text;
}

void SetSetProp(TObject& instance, const TPropInfo& prop, std::string_view names) {
    CheckWrite(instance, prop, prop.Kind() == tkSet);
    prop.Accessor().SetOrd(instance, ParseSet(prop, names));
}

int64_t GetInt64Prop(const TObject& instance, const TPropInfo& prop) {
    return GetOrdProp(instance, prop);
}

void SetInt64Prop(TObject& instance, const TPropInfo& prop, int64_t value) {
    SetOrdProp(instance, prop, value);
}

double GetFloatProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkFloat);
    return prop.Accessor().GetFloat(instance);
}

void SetFloatProp(TObject& instance, const TPropInfo& prop, double value) {
    CheckWrite(instance, prop, prop.Kind() == tkFloat);
    if (prop.PropType().FloatType() == ftSingle && std::isfinite(value) &&
        std::fabs(value) > FLT_MAX)
        throw EOverflow("Floating point overflow: " + std::to_string(value) +
                        " does not fit property " + prop.Name());
    prop.Accessor().SetFloat(instance, value);
}

std::string GetStrProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkLString || prop.Kind() == tkWString);
    if (prop.Kind() == tkWString) return WideToAnsi(prop.Accessor().GetWideStr(instance));
    return prop.Accessor().GetStr(instance);
}

void SetStrProp(TObject& instance, const TPropInfo& prop, std::string value) {
    CheckWrite(instance, prop, prop.Kind() == tkLString || prop.Kind() == tkWString);
    if (prop.Kind() == tkWString)
        prop.Accessor().SetWideStr(instance, AnsiToWide(value));
    else
        prop.Accessor().SetStr(instance, std::move(value));
}

std::u16string GetWideStrProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkLString || prop.Kind() == tkWString);
    if (prop.Kind() == tkLString) return AnsiToWide(prop.Accessor().GetStr(instance));
    return prop.Accessor().GetWideStr(instance);
}

void SetWideStrProp(TObject& instance, const TPropInfo& prop, std::u16string value) {
    CheckWrite(instance, prop, prop.Kind() == tkLString || prop.Kind() == tkWString);
    if (prop.Kind() == tkLString)
        prop.Accessor().SetStr(instance, WideToAnsi(value));
    else
        prop.Accessor().SetWideStr(instance, std::move(value));
}

Variant GetVariantProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkVariant);
    return prop.Accessor().GetVariant(instance);
}

void SetVariantProp(TObject& instance, const TPropInfo& prop, const Variant& value) {
    CheckWrite(instance, prop, prop.Kind() == tkVariant);
    prop.Accessor().SetVariant(instance, value);
}

TObject* GetObjectProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkClass);
    return prop.Accessor().GetObjectValue(instance);
}

void SetObjectProp(TObject& instance, const TPropInfo& prop, TObject* value) {
    CheckWrite(instance, prop, prop.Kind() == tkClass);
    prop.Accessor().SetObjectValue(instance, value);
}

TMethod GetMethodProp(const TObject& instance, const TPropInfo& prop) {
    CheckRead(instance, prop, prop.Kind() == tkMethod);
    return prop.Accessor().GetMethod(instance);
}

void SetMethodProp(TObject& instance, const TPropInfo& prop, const TMethod& method) {
    CheckWrite(instance, prop, prop.Kind() == tkMethod);
    prop.Accessor().SetMethod(instance, method);
    if (method.IsAssigned() && method.Data() != nullptr && method.Data() != &instance)
        detail::RecordEventAttachment(*method.Data(), instance, prop);
}

TMethod GetMethodProp(const TObject& instance, std::string_view name) {
    return GetMethodProp(instance, RequirePropInfo(instance, name));
}

void SetMethodProp(TObject& instance, std::string_view name, const TMethod& method) {
    SetMethodProp(instance, RequirePropInfo(instance, name), method);
}

void ClearMethodProp(TObject& instance, std::string_view name) {
    SetMethodProp(instance, RequirePropInfo(instance, name), TMethod());
}

// ---- through Variant ------------------------------------------------------------------

Variant GetPropValue(const TObject& instance, const TPropInfo& prop) {
    switch (prop.Kind()) {
        case tkInteger: {
            const int64_t value = GetOrdProp(instance, prop);
            if (prop.PropType().OrdType() == otULong) return Variant(static_cast<uint32_t>(value));
            return Variant(static_cast<int32_t>(value));
        }
        case tkInt64:
            return Variant(GetOrdProp(instance, prop));
        case tkEnumeration: {
            const int64_t value = GetOrdProp(instance, prop);
            if (&prop.PropType() == &BooleanTypeInfo()) return Variant(value != 0);
            return Variant(static_cast<int32_t>(value));
        }
        case tkSet:
            return Variant(static_cast<int32_t>(GetOrdProp(instance, prop)));
        case tkChar:
            return Variant(std::string(1, static_cast<char>(GetOrdProp(instance, prop))));
        case tkWChar:
            return Variant(std::u16string(1, static_cast<char16_t>(GetOrdProp(instance, prop))));
        case tkFloat:
            return Variant(GetFloatProp(instance, prop));
        case tkLString:
            return Variant(GetStrProp(instance, prop));
        case tkWString:
            return Variant(GetWideStrProp(instance, prop));
        case tkVariant:
            return GetVariantProp(instance, prop);
        case tkClass:
            return Variant(HandleOf(GetObjectProp(instance, prop)));
        default:
            CheckInstance(instance, prop);
            RaiseInvalidType(prop);
    }
}

void SetPropValue(TObject& instance, const TPropInfo& prop, const Variant& value) {
    switch (prop.Kind()) {
        case tkInteger:
        case tkInt64:
            SetOrdProp(instance, prop, value.AsInt64());
            break;
        case tkEnumeration:
            if (&prop.PropType() == &BooleanTypeInfo())
                SetOrdProp(instance, prop, value.AsBoolean() ? 1 : 0);
            else if (value.IsString())
                SetEnumProp(instance, prop, value.AsString());
            else
                SetOrdProp(instance, prop, value.AsInt64());
            break;
        case tkSet:
            if (value.IsString())
                SetSetProp(instance, prop, value.AsString());
            else
                SetOrdProp(instance, prop, value.AsInt64());
            break;
        case tkChar:
            if (value.IsString()) {
                const std::string text = value.AsString();
                SetOrdProp(instance, prop, text.empty() ? 0 : static_cast<unsigned char>(text[0]));
            } else {
                SetOrdProp(instance, prop, value.AsInt64());
            }
            break;
        case tkWChar:
            if (value.IsString()) {
                const std::u16string text = value.AsWideString();
                SetOrdProp(instance, prop, text.empty() ? 0 : text[0]);
            } else {
                SetOrdProp(instance, prop, value.AsInt64());
            }
            break;
        case tkFloat:
            SetFloatProp(instance, prop, value.AsDouble());
            break;
        case tkLString:
            SetStrProp(instance, prop, value.AsString());
            break;
        case tkWString:
            SetWideStrProp(instance, prop, value.AsWideString());
            break;
        case tkVariant:
            SetVariantProp(instance, prop, value);
            break;
        case tkClass:
            SetObjectProp(
                instance, prop,
                value.IsEmpty() || value.IsNull() ? nullptr : ObjectOfHandle(value.AsInt64()));
            break;
        default:
            CheckInstance(instance, prop);
            RaiseInvalidType(prop);
    }
}

Variant GetPropValue(const TObject& instance, std::string_view name) {
    return GetPropValue(instance, RequirePropInfo(instance, name));
}

void SetPropValue(TObject& instance, std::string_view name, const Variant& value) {
    SetPropValue(instance, RequirePropInfo(instance, name), value);
}

}  // namespace runtime
