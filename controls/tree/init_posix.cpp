#include "controls/tree/helpers.h"
#include "controls/tree/init.h"

namespace controls::tree {

void init() {
    InitOsFlags();
}

void shutdown() {}

}  // namespace controls::tree
