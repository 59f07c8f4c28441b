#include "xml/errors.h"

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace xml {

std::string XmlErrorMessage(XmlError error, std::initializer_list<std::u16string_view> args) {
    std::string_view text = kXmlErrorTexts[static_cast<size_t>(error)].text;
    std::string message;
    auto arg = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
            if (arg != args.end()) message += runtime::WideToAnsi(*arg++);
            ++i;
        } else {
            message += text[i];
        }
    }
    return message;
}

void RaiseXmlError(XmlError error, std::initializer_list<std::u16string_view> args) {
    throw runtime::Exception(XmlErrorMessage(error, args));
}

}  // namespace xml
