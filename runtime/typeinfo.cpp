#include "runtime/typeinfo.h"

#include <limits>

#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits a declaration list ("alNone, alTop") into its trimmed names.
std::vector<std::string> SplitNames(std::string_view list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string_view::npos) end = list.size();
        std::string_view name = list.substr(start, end - start);
        while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
        while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
        if (name.empty() || name.find_first_of("= ") != std::string_view::npos)
            throw EInvalidOperation("Invalid name list in a type declaration: " +
                                    std::string(list));
        names.emplace_back(name);
        start = end + 1;
    }
    return names;
}

}  // namespace

const std::string& TTypeInfo::Name() const {
    return kind_ == tkClass ? classType_().Name() : name_;
}

std::string_view TTypeInfo::EnumName(int64_t value) const {
    if (value < 0 || value >= static_cast<int64_t>(enumNames_.size())) return {};
    return enumNames_[static_cast<size_t>(value)];
}

int TTypeInfo::EnumValue(std::string_view name) const {
    for (size_t i = 0; i < enumNames_.size(); ++i)
        if (SameText(enumNames_[i], name)) return static_cast<int>(i);
    return -1;
}

TTypeInfo TTypeInfo::MakeOrdinal(TTypeKind kind, std::string name, TOrdType ordType,
                                 int64_t minValue, int64_t maxValue) {
    TTypeInfo info;
    info.kind_ = kind;
    info.name_ = std::move(name);
    info.ordType_ = ordType;
    info.minValue_ = minValue;
    info.maxValue_ = maxValue;
    return info;
}

TTypeInfo TTypeInfo::MakeFloat(std::string name, TFloatType floatType) {
    TTypeInfo info;
    info.kind_ = tkFloat;
    info.name_ = std::move(name);
    info.floatType_ = floatType;
    return info;
}

TTypeInfo TTypeInfo::MakeSimple(TTypeKind kind, std::string name) {
    TTypeInfo info;
    info.kind_ = kind;
    info.name_ = std::move(name);
    return info;
}

TTypeInfo TTypeInfo::MakeEnum(std::string name, std::string_view names) {
    TTypeInfo info;
    info.kind_ = tkEnumeration;
    info.name_ = std::move(name);
    info.enumNames_ = SplitNames(names);
    info.ordType_ = info.enumNames_.size() <= 256 ? otUByte : otUWord;
    info.minValue_ = 0;
    info.maxValue_ = static_cast<int64_t>(info.enumNames_.size()) - 1;
    return info;
}

TTypeInfo TTypeInfo::MakeSet(std::string name, const TTypeInfo& elementType) {
    if (elementType.Kind() != tkEnumeration || elementType.EnumNames().size() > 32)
        throw EInvalidOperation("Set " + name + " needs an enumeration of at most 32 values");
    TTypeInfo info;
    info.kind_ = tkSet;
    info.name_ = std::move(name);
    info.elementType_ = &elementType;
    info.ordType_ = otULong;
    info.minValue_ = 0;
    info.maxValue_ = (int64_t{1} << elementType.EnumNames().size()) - 1;
    return info;
}

TTypeInfo TTypeInfo::MakeClass(const TClassInfo& (*classType)()) {
    TTypeInfo info;
    info.kind_ = tkClass;
    info.classType_ = classType;
    return info;
}

TTypeInfo TTypeInfo::MakeMethod(std::string name, std::string_view paramNames,
                                std::vector<TParamInfo> params, const std::type_info& signature) {
    std::vector<std::string> names = SplitNames(paramNames);
    if (names.size() != params.size())
        throw EInvalidOperation("Event type " + name + " names " + std::to_string(names.size()) +
                                " parameters but has " + std::to_string(params.size()));
    for (size_t i = 0; i < params.size(); ++i) params[i].Name = std::move(names[i]);
    TTypeInfo info;
    info.kind_ = tkMethod;
    info.name_ = std::move(name);
    info.params_ = std::move(params);
    info.signature_ = &signature;
    return info;
}

const TTypeInfo& BooleanTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeEnum("Boolean", "False, True");
    return info;
}

const TTypeInfo& CharTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeOrdinal(tkChar, "Char", otUByte, 0, 255);
    return info;
}

const TTypeInfo& WideCharTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeOrdinal(tkWChar, "WideChar", otUWord, 0, 65535);
    return info;
}

const TTypeInfo& IntegerTypeInfo(int size, bool isSigned) {
    using L = std::numeric_limits<int64_t>;
    static const TTypeInfo shortInt =
        TTypeInfo::MakeOrdinal(tkInteger, "ShortInt", otSByte, -128, 127);
    static const TTypeInfo byte = TTypeInfo::MakeOrdinal(tkInteger, "Byte", otUByte, 0, 255);
    static const TTypeInfo smallInt =
        TTypeInfo::MakeOrdinal(tkInteger, "SmallInt", otSWord, -32768, 32767);
    static const TTypeInfo word = TTypeInfo::MakeOrdinal(tkInteger, "Word", otUWord, 0, 65535);
    static const TTypeInfo integer =
        TTypeInfo::MakeOrdinal(tkInteger, "Integer", otSLong, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
    static const TTypeInfo cardinal = TTypeInfo::MakeOrdinal(tkInteger, "Cardinal", otULong, 0,
                                                             std::numeric_limits<uint32_t>::max());
    static const TTypeInfo int64 =
        TTypeInfo::MakeOrdinal(tkInt64, "Int64", otSQWord, L::min(), L::max());
    // Kept in an int64 as two's complement: the whole range is valid.
    static const TTypeInfo uint64 =
        TTypeInfo::MakeOrdinal(tkInt64, "UInt64", otUQWord, L::min(), L::max());
    switch (size) {
        case 1:
            return isSigned ? shortInt : byte;
        case 2:
            return isSigned ? smallInt : word;
        case 4:
            return isSigned ? integer : cardinal;
        default:
            return isSigned ? int64 : uint64;
    }
}

const TTypeInfo& FloatTypeInfo(TFloatType floatType) {
    static const TTypeInfo single = TTypeInfo::MakeFloat("Single", ftSingle);
    static const TTypeInfo dbl = TTypeInfo::MakeFloat("Double", ftDouble);
    return floatType == ftSingle ? single : dbl;
}

const TTypeInfo& StringTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeSimple(tkLString, "string");
    return info;
}

const TTypeInfo& WideStringTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeSimple(tkWString, "WideString");
    return info;
}

const TTypeInfo& VariantTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeSimple(tkVariant, "Variant");
    return info;
}

}  // namespace runtime
