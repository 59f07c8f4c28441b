#pragma once

namespace runtime {

// Root of the class library's object hierarchy. Lists and string lists hold
// TObject pointers; class information and published properties build on it.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

}  // namespace runtime
