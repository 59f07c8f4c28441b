#include <unistd.h>

#include "crashreport/options.h"

namespace crashreport {

std::string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    std::string result(name);
    // The Windows computer name holds at most 15 characters.
    if (result.size() > 15) result.resize(15);
    return result;
}

}  // namespace crashreport
