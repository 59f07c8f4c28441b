#include "runtime/os/dynlib.h"

#include "runtime/strings.h"

namespace runtime::os {

bool DynamicLibrary::Load(std::string_view fileName) {
    return Load(AnsiToWide(fileName));
}

}  // namespace runtime::os
