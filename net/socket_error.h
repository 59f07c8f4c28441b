#pragma once

// The network client's exception and the English texts of the socket
// interface's error numbers.

#include <string>

#include "runtime/exceptions.h"

namespace net {

// Raised only when a socket's RaiseExcept is set, and when the socket
// library cannot be loaded at start-up.
class ESocketError : public runtime::Exception {
  public:
    ESocketError(std::string message, int errorCode, std::string errorMessage)
        : Exception(std::move(message)),
          ErrorCode(errorCode),
          ErrorMessage(std::move(errorMessage)) {}
    const char* ClassName() const noexcept override { return "ESocketError"; }

    int ErrorCode;
    std::string ErrorMessage;
};

// The text of an error number: empty for 0, "Other Winsock error (<code>)"
// for a number without a text of its own.
std::string GetErrorDesc(int code);

}  // namespace net
