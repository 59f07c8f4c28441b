#include "runtime/classinfo.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
};

// Registered classes by name. Never destroyed, so that objects outliving
// the end of main can still look classes up.
struct ClassRegistry {
    std::mutex mutex;
    std::map<std::string, const TClassInfo*, CaseInsensitiveLess> byName;
};

ClassRegistry& Registry() {
    static ClassRegistry* registry = new ClassRegistry;
    return *registry;
}

}  // namespace

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, const std::type_info& type,
                       bool isComponentClass, PlainFactory plainFactory,
                       ComponentFactory componentFactory,
                       std::vector<std::unique_ptr<TPropInfo>> ownProperties,
                       std::vector<std::unique_ptr<TMethodEntry>> ownMethods)
    : name_(std::move(name)),
      parent_(parent),
      type_(&type),
      isComponentClass_(isComponentClass),
      plainFactory_(plainFactory),
      componentFactory_(componentFactory),
      ownProperties_(std::move(ownProperties)),
      ownMethods_(std::move(ownMethods)) {
    if (parent_ != nullptr) declared_ = parent_->declared_;
    for (size_t i = 0; i < ownProperties_.size(); ++i) {
        TPropInfo* prop = ownProperties_[i].get();
        prop->declaringClass_ = this;
        for (size_t j = 0; j < i; ++j)
            if (SameText(ownProperties_[j]->Name(), prop->Name()))
                throw EInvalidOperation("Property " + prop->Name() + " is declared twice in " +
                                        name_);
        auto inherited = std::find_if(declared_.begin(), declared_.end(), [&](const TPropInfo* p) {
            return SameText(p->Name(), prop->Name());
        });
        if (inherited != declared_.end())
            *inherited = prop;
        else
            declared_.push_back(prop);
    }
    sorted_ = declared_;
    std::stable_sort(sorted_.begin(), sorted_.end(), [](const TPropInfo* a, const TPropInfo* b) {
        return CompareText(a->Name(), b->Name()) < 0;
    });
}

TClassInfo::~TClassInfo() = default;

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        if (c == &other) return true;
    return false;
}

std::unique_ptr<TObject> TClassInfo::Create() const {
    if (componentFactory_ != nullptr) return std::unique_ptr<TObject>(componentFactory_(nullptr));
    if (plainFactory_ != nullptr) return std::unique_ptr<TObject>(plainFactory_());
    throw EInvalidOperation("Cannot create an instance of class " + name_);
}

TComponent& TClassInfo::CreateComponent(TComponent& owner) const {
    if (componentFactory_ == nullptr)
        throw EInvalidOperation("Cannot create a component of class " + name_);
    return *componentFactory_(&owner);
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
    auto it = std::lower_bound(
        sorted_.begin(), sorted_.end(), name,
        [](const TPropInfo* p, std::string_view n) { return CompareText(p->Name(), n) < 0; });
    return it != sorted_.end() && SameText((*it)->Name(), name) ? *it : nullptr;
}

const TMethodEntry* TClassInfo::FindMethod(std::string_view name) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const auto& method : c->ownMethods_)
            if (SameText(method->Name(), name)) return method.get();
    return nullptr;
}

void RegisterClassInfo(const TClassInfo& classInfo) {
    ClassRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto [it, inserted] = registry.byName.emplace(classInfo.Name(), &classInfo);
    if (!inserted && it->second != &classInfo)
        throw EStreamError("A class named " + classInfo.Name() + " already exists");
}

void UnregisterClassInfo(const TClassInfo& classInfo) {
    ClassRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.byName.find(classInfo.Name());
    if (it != registry.byName.end() && it->second == &classInfo) registry.byName.erase(it);
}

const TClassInfo* FindClass(std::string_view name) {
    ClassRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.byName.find(name);
    return it != registry.byName.end() ? it->second : nullptr;
}

const TClassInfo& GetClass(std::string_view name) {
    const TClassInfo* info = FindClass(name);
    if (info == nullptr) throw EClassNotFound("Class " + std::string(name) + " not found");
    return *info;
}

// ---- TObject ---------------------------------------------------------------------

const TClassInfo& TObject::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TObject, void>("TObject").Build();
    return info;
}

const TClassInfo& TObject::ClassInfo() const {
    const TClassInfo* library = LibraryClassInfoOf(*this);
    return library != nullptr ? *library : StaticClassInfo();
}

const std::string& TObject::ClassName() const {
    return ClassInfo().Name();
}

bool TObject::InheritsFrom(const TClassInfo& classInfo) const {
    return ClassInfo().InheritsFrom(classInfo);
}

}  // namespace runtime
