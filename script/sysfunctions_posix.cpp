// The platform half of the standard functions outside Windows.
#include <cstdio>

#include "runtime/exceptions.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

// No message box here: the text goes to standard error, where a developer
// running scripts sees it and nothing waits for a click.
void ShowMessageText(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

runtime::Variant CreateOleObjectByName(const std::string& progId) {
    throw runtime::Exception("Cannot create OLE object '" + progId +
                             "': OLE Automation is not available on this platform");
}

}  // namespace script::sysfn
