#include "crashreport/exception_info.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/exceptions.h"

namespace crashreport {
namespace {

namespace parser {
template <class T>
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
}  // namespace parser

TEST(ExceptionInfo, LanguageExceptionsNameTheirClassChain) {
    struct Case {
        std::exception_ptr exception;
        std::vector<std::string> classes;
        std::string message;
        bool hasMessage;
    } cases[] = {
        {std::make_exception_ptr(runtime::EDivByZero("Division by zero")),
         {"EDivByZero", "EIntError", "EExternal", "Exception", "exception"},
         "Division by zero",
         true},
        {std::make_exception_ptr(runtime::EAbort("")),
         {"EAbort", "Exception", "exception"},
         "",
         true},
        {std::make_exception_ptr(std::out_of_range("index")),
         {"out_of_range", "logic_error", "exception"},
         "index",
         true},
        {std::make_exception_ptr(parser::Failure<int>("bad")),
         {"Failure", "runtime_error", "exception"},
         "bad",
         true},
        {std::make_exception_ptr(42), {"int"}, "", false},
    };
    for (const Case& c : cases) {
        const TExceptionDescription d = DescribeLanguageException(c.exception, nullptr);
        EXPECT_TRUE(d.Valid);
        EXPECT_EQ(d.Classes, c.classes);
        EXPECT_EQ(d.Message, c.message);
        EXPECT_EQ(d.HasMessage, c.hasMessage);
    }
    const TExceptionDescription abort =
        DescribeLanguageException(std::make_exception_ptr(runtime::EAbort("")), nullptr);
    EXPECT_TRUE(abort.InheritsFrom(" eabort "));
    EXPECT_TRUE(abort.InheritsFrom("Exception"));
    EXPECT_FALSE(abort.InheritsFrom("EConvertError"));
    EXPECT_FALSE(DescribeLanguageException(nullptr, nullptr).Valid);
}

TEST(ExceptionInfo, FaultsAndHangs) {
    const TExceptionDescription av = DescribeFault(0xC0000005, 0x140001234, "prog.exe", 1, 0x10);
    EXPECT_EQ(av.ClassName(), "EAccessViolation");
    EXPECT_EQ(av.Message,
              "Access violation at address 0000000140001234 in module 'prog.exe'. Write of address "
              "0000000000000010");
    const TExceptionDescription div = DescribeFault(0xC0000094, 0x1000, "", 0, 0);
    EXPECT_EQ(div.Message, "Division by zero");
    EXPECT_TRUE(div.InheritsFrom("EIntError"));
    EXPECT_EQ(DescribeFault(0xC00000FD, 0, "", 0, 0).ClassName(), "EStackOverflow");
    const TExceptionDescription other = DescribeFault(0xE0001234, 0, "", 0, 0);
    EXPECT_EQ(other.ClassName(), "EExternalException");
    EXPECT_EQ(other.Message, "External exception E0001234");
    const TExceptionDescription hang = DescribeHang("The application seems to be frozen.");
    EXPECT_EQ(hang.ClassName(), "EFrozenApplication");
    EXPECT_EQ(hang.Message, "The application seems to be frozen.");
}

}  // namespace
}  // namespace crashreport
