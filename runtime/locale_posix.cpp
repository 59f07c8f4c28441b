#include "runtime/locale.h"

namespace runtime {

// Natively the program runs with US English settings; only the Windows build
// reads the user's locale.
TFormatSettings GetLocaleFormatSettings() {
    return DefaultFormatSettings();
}

}  // namespace runtime
