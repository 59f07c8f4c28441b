#pragma once

// Base64 coding of byte strings.

#include <string>
#include <string_view>

namespace net {

// Standard alphabet (RFC 4648) with "=" padding: 4 characters for every
// started group of 3 bytes.
std::string EncodeToBase64(std::string_view bytes);

}  // namespace net
