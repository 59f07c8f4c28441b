#pragma once

// TscOLEHelper: one member name of a late-bound access to an OLE Automation
// object. When a designator step's value is a dispatch Variant (what
// CreateOleObject returns), the builder makes every later name of the
// designator an OLE helper of its own, with one Variant parameter per
// argument written after it (an index in brackets counts as arguments too:
// Grid.Cells[1, 2] calls Cells with 1 and 2). At run time the helper gets the
// step before it as its ParentValue and binds its name then:
//   - read, value used:       method or property get, asking for the value;
//   - read, value not used:   method call without asking (a call statement);
//   - written:                property put, the value after the arguments.
// Failures of the object raise "OLE error <code>: <name>: ..." (Windows,
// script/sysfunctions_win.cpp); a receiver that is no dispatch value raises
// the Variant conversion error, an unassigned one EVariantDispatchError.

#include <memory>
#include <string>
#include <vector>

#include "runtime/variant.h"
#include "script/items.h"

namespace script {

class TscOLEHelper : public TscCustomHelper {
  public:
    explicit TscOLEHelper(std::string name);

    // One more argument written after the name.
    void AddArgument();

    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;

  private:
    std::shared_ptr<runtime::IVariantDispatch> Receiver() const;
    std::vector<runtime::Variant> Arguments() const;
    std::u16string wideName_;
};

}  // namespace script
