#include <windows.h>

#include "crashreport/options.h"

namespace crashreport {

std::string ComputerName() {
    char name[16] = {};
    DWORD size = sizeof name;
    if (!::GetComputerNameA(name, &size)) return {};
    return std::string(name, size);
}

}  // namespace crashreport
