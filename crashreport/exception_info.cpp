#include "crashreport/exception_info.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

// A processor fault and the exception class that stands for it.
struct FaultClass {
    uint32_t code;
    std::vector<std::string> classes;
    const char* message;
};

const std::vector<FaultClass>& faultClasses() {
    static const std::vector<FaultClass> table = {
        {0xC0000005, {"EAccessViolation", "EExternal", "Exception"}, "Access violation"},
        {0xC0000094, {"EDivByZero", "EIntError", "EExternal", "Exception"}, "Division by zero"},
        {0xC0000095, {"EIntOverflow", "EIntError", "EExternal", "Exception"}, "Integer overflow"},
        {0xC000008C, {"ERangeError", "EIntError", "EExternal", "Exception"}, "Range check error"},
        {0xC00000FD, {"EStackOverflow", "EExternal", "Exception"}, "Stack overflow"},
        {0xC000008E,
         {"EZeroDivide", "EMathError", "EExternal", "Exception"},
         "Floating point division by zero"},
        {0xC0000091,
         {"EOverflow", "EMathError", "EExternal", "Exception"},
         "Floating point overflow"},
        {0xC0000093,
         {"EUnderflow", "EMathError", "EExternal", "Exception"},
         "Floating point underflow"},
        {0xC0000090,
         {"EInvalidOp", "EMathError", "EExternal", "Exception"},
         "Invalid floating point operation"},
        {0xC000008D,
         {"EInvalidOp", "EMathError", "EExternal", "Exception"},
         "Invalid floating point operation"},
        {0xC000008F,
         {"EInvalidOp", "EMathError", "EExternal", "Exception"},
         "Invalid floating point operation"},
        {0xC0000092,
         {"EInvalidOp", "EMathError", "EExternal", "Exception"},
         "Invalid floating point operation"},
        {0xC0000096, {"EPrivilege", "EExternal", "Exception"}, "Privileged instruction"},
        {0xC000001D, {"EExternalException", "EExternal", "Exception"}, "Illegal instruction"},
    };
    return table;
}

std::string demangle(const char* name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && text ? std::string(text.get()) : std::string(name);
}

std::string hex16(uint64_t value) {
    return runtime::IntToHex(static_cast<int64_t>(value), 16);
}

}  // namespace

const std::string& TExceptionDescription::ClassName() const {
    static const std::string none;
    return Classes.empty() ? none : Classes.front();
}

bool TExceptionDescription::InheritsFrom(const std::string& name) const {
    const std::string wanted = runtime::UpperCase(runtime::Trim(name));
    for (const std::string& c : Classes) {
        if (runtime::UpperCase(runtime::Trim(c)) == wanted) return true;
    }
    return false;
}

std::string PlainClassName(const std::type_info& type) {
    std::string name = demangle(type.name());
    // Template arguments may hold "::" of their own: cut them first.
    const size_t angle = name.find('<');
    if (angle != std::string::npos) name.resize(angle);
    const size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

std::vector<std::string> ClassChain(const std::type_info& type) {
    std::vector<std::string> chain;
    const std::type_info* current = &type;
    while (current != nullptr && chain.size() < 32) {
        chain.push_back(PlainClassName(*current));
        if (const auto* single = dynamic_cast<const abi::__si_class_type_info*>(current)) {
            current = single->__base_type;
        } else if (const auto* multiple = dynamic_cast<const abi::__vmi_class_type_info*>(current);
                   multiple != nullptr && multiple->__base_count > 0) {
            current = multiple->__base_info[0].__base_type;
        } else {
            current = nullptr;
        }
    }
    return chain;
}

TExceptionDescription DescribeLanguageException(const std::exception_ptr& exception,
                                                const std::type_info* thrownType) {
    TExceptionDescription d;
    if (!exception) return d;
    try {
        std::rethrow_exception(exception);
    } catch (const runtime::Exception& e) {
        d.Classes = ClassChain(typeid(e));
        // The class library names its classes itself.
        if (!d.Classes.empty()) d.Classes.front() = e.ClassName();
        d.Message = e.Message();
        d.HasMessage = true;
    } catch (const std::exception& e) {
        d.Classes = ClassChain(typeid(e));
        d.Message = e.what();
        d.HasMessage = true;
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        if (type == nullptr) type = thrownType;
        if (type != nullptr) d.Classes = ClassChain(*type);
    }
    d.Valid = !d.Classes.empty();
    return d;
}

TExceptionDescription DescribeFault(uint32_t code, uint64_t address, const std::string& moduleName,
                                    uint64_t accessKind, uint64_t accessAddress) {
    TExceptionDescription d;
    d.Valid = true;
    d.HasMessage = true;
    for (const FaultClass& f : faultClasses()) {
        if (f.code != code) continue;
        d.Classes = f.classes;
        d.Message = f.message;
        break;
    }
    if (d.Classes.empty()) {
        d.Classes = {"EExternalException", "EExternal", "Exception"};
        d.Message = "External exception " + runtime::IntToHex(code, 8);
    }
    if (code == 0xC0000005) {
        const char* kind = accessKind == 1 ? "Write" : accessKind == 8 ? "Execution" : "Read";
        d.Message += " at address " + hex16(address) +
                     (moduleName.empty() ? "" : " in module '" + moduleName + "'") + ". " + kind +
                     " of address " + hex16(accessAddress);
    }
    return d;
}

TExceptionDescription DescribeHang(const std::string& frozenText) {
    TExceptionDescription d;
    d.Valid = true;
    d.HasMessage = true;
    d.Classes = {"EFrozenApplication", "Exception"};
    d.Message = frozenText;
    return d;
}

}  // namespace crashreport
