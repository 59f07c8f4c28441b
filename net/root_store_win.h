#pragma once

// The certificates of the system store "ROOT" (the machine's and the
// user's trusted roots), apart from OpenSSL: the Windows headers of the
// store name macros that OpenSSL's types share.

#include <string>
#include <vector>

namespace net {

// The DER bytes of every certificate in the store, read anew at each call
// so that a root the user adds counts from the next handshake.
std::vector<std::string> RootStoreCertificates();

}  // namespace net
