#include "runtime/persistent.h"

#include <string>

#include "runtime/exceptions.h"
#include "runtime/properties.h"

namespace runtime {

RUNTIME_BEGIN_CLASS(TPersistent, TObject)
RUNTIME_END_CLASS

void TPersistent::Assign(const TPersistent* source) {
    if (source == nullptr) throw EConvertError("Cannot assign a nil to a " + ClassName());
    source->AssignTo(this);
}

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " +
                        (dest != nullptr ? dest->ClassName() : std::string("nil")));
}

}  // namespace runtime
