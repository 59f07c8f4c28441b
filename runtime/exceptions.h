#pragma once

#include <exception>
#include <string>

namespace runtime {

// Base of every exception the program raises. Scripts see the class name
// (ExceptionClassName) and the message (ExceptionMessage); the class name is
// the Pascal-style name ("EConvertError"), kept per class by ClassName().
class Exception : public std::exception {
  public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }

    virtual const char* ClassName() const noexcept { return "Exception"; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

// Declares an exception class derived from `base` whose ClassName() is its
// own name. One line per class keeps the hierarchy readable.
#define RUNTIME_DECLARE_EXCEPTION(name, base)                             \
    class name : public base {                                            \
      public:                                                             \
        using base::base;                                                 \
        const char* ClassName() const noexcept override { return #name; } \
    }

// The silent abort: raised to leave an operation without a message.
// Message handlers that report errors skip it.
RUNTIME_DECLARE_EXCEPTION(EAbort, Exception);

RUNTIME_DECLARE_EXCEPTION(EConvertError, Exception);
RUNTIME_DECLARE_EXCEPTION(EListError, Exception);
RUNTIME_DECLARE_EXCEPTION(EStringListError, Exception);
RUNTIME_DECLARE_EXCEPTION(EOutOfMemory, Exception);
RUNTIME_DECLARE_EXCEPTION(EInvalidPointer, Exception);
RUNTIME_DECLARE_EXCEPTION(EInvalidCast, Exception);
RUNTIME_DECLARE_EXCEPTION(EInvalidOperation, Exception);
RUNTIME_DECLARE_EXCEPTION(ENotImplemented, Exception);
RUNTIME_DECLARE_EXCEPTION(EAssertionFailed, Exception);
RUNTIME_DECLARE_EXCEPTION(EOSError, Exception);
RUNTIME_DECLARE_EXCEPTION(EThread, Exception);
RUNTIME_DECLARE_EXCEPTION(EIniFileException, Exception);

// Arithmetic.
RUNTIME_DECLARE_EXCEPTION(EExternal, Exception);
RUNTIME_DECLARE_EXCEPTION(EIntError, EExternal);
RUNTIME_DECLARE_EXCEPTION(EDivByZero, EIntError);
RUNTIME_DECLARE_EXCEPTION(ERangeError, EIntError);
RUNTIME_DECLARE_EXCEPTION(EIntOverflow, EIntError);
RUNTIME_DECLARE_EXCEPTION(EMathError, EExternal);
RUNTIME_DECLARE_EXCEPTION(EInvalidOp, EMathError);
RUNTIME_DECLARE_EXCEPTION(EZeroDivide, EMathError);
RUNTIME_DECLARE_EXCEPTION(EOverflow, EMathError);
RUNTIME_DECLARE_EXCEPTION(EUnderflow, EMathError);
RUNTIME_DECLARE_EXCEPTION(EAccessViolation, EExternal);
RUNTIME_DECLARE_EXCEPTION(EStackOverflow, EExternal);

// Variants.
RUNTIME_DECLARE_EXCEPTION(EVariantError, Exception);
RUNTIME_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantArrayLockedError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError);
RUNTIME_DECLARE_EXCEPTION(EVariantDispatchError, EVariantError);

// Streams and files.
RUNTIME_DECLARE_EXCEPTION(EStreamError, Exception);
RUNTIME_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
RUNTIME_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
RUNTIME_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
RUNTIME_DECLARE_EXCEPTION(EReadError, EStreamError);
RUNTIME_DECLARE_EXCEPTION(EWriteError, EStreamError);
RUNTIME_DECLARE_EXCEPTION(EInOutError, Exception);

// Pictures (shared by the picture codecs and the class library's graphics).
RUNTIME_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
RUNTIME_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// Components and object model.
RUNTIME_DECLARE_EXCEPTION(EComponentError, Exception);
RUNTIME_DECLARE_EXCEPTION(EClassNotFound, EFileStreamError);
RUNTIME_DECLARE_EXCEPTION(EPropertyError, Exception);
RUNTIME_DECLARE_EXCEPTION(EPropertyConvertError, Exception);

}  // namespace runtime
