#pragma once

// TPersistent: an object that can be assigned from another and that takes
// part in component streams beyond its published properties.

#include "runtime/classinfo.h"
#include "runtime/object.h"

namespace runtime {

class TFiler;

class TPersistent : public TObject {
    RUNTIME_CLASS(TPersistent)

  public:
    TPersistent() = default;

    // Copies `source` into this object. The base lets the source copy itself
    // (AssignTo); when no class knows how, EConvertError
    // "Cannot assign a <source class> to a <this class>" ("nil" for none).
    virtual void Assign(const TPersistent* source);

    // Defines stream properties beyond the published ones with
    // TFiler::DefineProperty / DefineBinaryProperty (runtime/objectstream.h).
    // Nothing in the base.
    virtual void DefineProperties(TFiler& filer);

  protected:
    // Copies this object into `dest`; the base raises the assign error.
    virtual void AssignTo(TPersistent* dest) const;
};

}  // namespace runtime
