#pragma once

// Root of the class library's object hierarchy. Lists and string lists hold
// TObject pointers; class information, published properties, components and
// the script handles build on it.
//
// A class that declares its own class information (RUNTIME_CLASS in its body,
// see runtime/classinfo.h) answers ClassName() with its own name; a class that
// does not answers with the name of its nearest ancestor that does (or with a
// name registered for it by RegisterExternalClass).

#include <atomic>
#include <cstdint>
#include <string>

namespace runtime {

class TClassInfo;

class TObject {
  public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    // Releases the object's script handle, if it ever got one, and clears the
    // event handlers it attached to other objects by name.
    virtual ~TObject();

    using RuntimeClassSelf = TObject;
    static const TClassInfo& StaticClassInfo();
    // The class information of the object's actual class.
    virtual const TClassInfo& ClassInfo() const;

    const std::string& ClassName() const;
    bool InheritsFrom(const TClassInfo& classInfo) const;

  private:
    friend class THandleTable;
    // Slot in the handle table plus one; 0 while the object has no handle.
    std::atomic<uint32_t> handleSlot_{0};
};

}  // namespace runtime
