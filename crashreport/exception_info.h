#pragma once

// What a report says about an exception: its class, the classes it
// derives from, and its message, for a language exception, a processor
// fault or a hang.

#include <cstdint>
#include <exception>
#include <string>
#include <typeinfo>
#include <vector>

namespace crashreport {

struct TExceptionDescription {
    // False when nothing about the object can be told.
    bool Valid = false;
    // The class and its ancestors, most derived first, without namespaces
    // ("EDivByZero", "EIntError", "EExternal", "Exception").
    std::vector<std::string> Classes;
    std::string Message;
    // The object carries a message of its own.
    bool HasMessage = false;

    [[nodiscard]] const std::string& ClassName() const;
    // The class or one of its ancestors is named `name` (compared
    // upper-cased and trimmed).
    [[nodiscard]] bool InheritsFrom(const std::string& name) const;
};

// The exception held by `exception` (rethrown and caught to look at it);
// `thrownType` names objects that are not exceptions.
TExceptionDescription DescribeLanguageException(const std::exception_ptr& exception,
                                                const std::type_info* thrownType);

// A processor fault by its system code; for an access violation `accessKind`
// (0 read, 1 write, 8 execute) and `accessAddress` complete the message, and
// `moduleName` names the module of `address`.
TExceptionDescription DescribeFault(uint32_t code, uint64_t address, const std::string& moduleName,
                                    uint64_t accessKind, uint64_t accessAddress);

// A main thread that stopped answering.
TExceptionDescription DescribeHang(const std::string& frozenText);

// The class names of a type and its first bases, from the type information.
std::vector<std::string> ClassChain(const std::type_info& type);

// The name of a type without its namespaces and template arguments.
std::string PlainClassName(const std::type_info& type);

}  // namespace crashreport
