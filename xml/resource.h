#pragma once

// Resources of the program's own file. Internal to the XML library; the
// Windows half looks them up in the executable, the native half has none.

#include <string>
#include <string_view>

namespace xml {

// The bytes of the resource; false when it does not exist.
[[nodiscard]] bool ReadOwnResource(std::u16string_view type, std::u16string_view name,
                                   std::string& bytes);

}  // namespace xml
