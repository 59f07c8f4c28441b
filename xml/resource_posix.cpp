#include "xml/resource.h"

namespace xml {

// Native programs carry no resources.
bool ReadOwnResource(std::u16string_view, std::u16string_view, std::string&) {
    return false;
}

}  // namespace xml
