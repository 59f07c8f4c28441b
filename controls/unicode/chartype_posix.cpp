#include <string>

#include "controls/unicode/chartype.h"
#include "runtime/exceptions.h"

namespace controls::unicode {

uint16_t GetWideCharType(char16_t ch, uint32_t infoType) {
    if (infoType != kCType1)
        throw runtime::EConvertError("Character type " + std::to_string(infoType) +
                                     " is not supported");
    return detail::TableCharType1(ch);
}

}  // namespace controls::unicode
