#include "core/init.h"

#include "core/tempdir.h"

namespace core {

void init() {
    InitTempDir();
}

}  // namespace core
