#include "core/init.h"

#include <memory>

#include "core/countries.h"
#include "core/state.h"
#include "core/tempdir.h"

namespace core {

void init() {
    CountryFactory = std::make_unique<TCountryFactory>();
    InitTempDir();
}

}  // namespace core
