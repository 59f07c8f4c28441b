#include "runtime/component.h"

#include <algorithm>

#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

RUNTIME_BEGIN_CLASS(TComponent, TPersistent)
RUNTIME_PROPERTY(Name, Name, SetName).Stored(false);
RUNTIME_PROPERTY(Tag, Tag, SetTag).Default(0);
RUNTIME_END_CLASS

bool IsValidIdent(std::string_view name) {
    if (name.empty() || !IsIdentStart(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(), IsIdentChar);
}

TComponent::TComponent(TComponent* owner) {
    if (owner == nullptr) return;
    // Room first, so that taking ownership of this half-made object cannot fail.
    owner->components_.reserve(owner->components_.size() + 1);
    owner->components_.push_back(std::unique_ptr<TComponent>(this));
    owner_ = owner;
    try {
        owner->Notification(this, opInsert);
    } catch (...) {
        DetachFromOwner();
        throw;
    }
}

TComponent::~TComponent() {
    Destroying();
    // Nothing may leave a destructor; a failing notification is dropped.
    try {
        while (!freeNotifies_.empty()) {
            TComponent* other = freeNotifies_.back();
            freeNotifies_.pop_back();
            Erase(other->freeNotifies_, this);
            other->Notification(this, opRemove);
        }
        DestroyComponents();
        if (owner_ != nullptr) {
            TComponent* owner = owner_;
            DetachFromOwner();
            owner->Notification(this, opRemove);
        }
    } catch (...) {
        for (auto& component : components_) component->owner_ = nullptr;
        components_.clear();
        if (owner_ != nullptr) DetachFromOwner();
    }
}

void TComponent::SetName(std::string_view name) {
    if (name_ == name) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("'" + std::string(name) + "' is not a valid component name");
    if (owner_ != nullptr)
        owner_->ValidateRename(this, name_, name);
    else
        ValidateRename(nullptr, name_, name);
    name_ = name;
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<size_t>(index)].get();
}

int TComponent::ComponentIndex() const {
    if (owner_ == nullptr) return -1;
    const auto& list = owner_->components_;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this) return static_cast<int>(i);
    return -1;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& component : components_)
        if (SameText(component->name_, name)) return component.get();
    return nullptr;
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    if (component == nullptr) return;
    if (component->owner_ != nullptr) {
        // The caller's pointer was never the owner: leave the component where it is.
        TComponent* owned = component.release();
        throw EComponentError("Component " + owned->name_ + " already has an owner");
    }
    ValidateRename(component.get(), "", component->name_);
    TComponent* raw = component.get();
    components_.push_back(std::move(component));
    raw->owner_ = this;
    Notification(raw, opInsert);
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
    if (component.owner_ != this)
        throw EComponentError("Component " + component.name_ + " is not owned by " + name_);
    auto it = std::find_if(components_.begin(), components_.end(),
                           [&](const auto& c) { return c.get() == &component; });
    std::unique_ptr<TComponent> removed = std::move(*it);
    components_.erase(it);
    component.owner_ = nullptr;
    Notification(&component, opRemove);
    return removed;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        std::unique_ptr<TComponent> component = std::move(components_.back());
        components_.pop_back();
        component->owner_ = nullptr;
        // The remaining components hear of it while it still exists.
        Notification(component.get(), opRemove);
        component.reset();
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (component == nullptr || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
        component->freeNotifies_.end())
        component->freeNotifies_.push_back(this);
    SetState(csFreeNotification, true);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (component == nullptr) return;
    Erase(freeNotifies_, component);
    Erase(component->freeNotifies_, this);
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root) {
    if (root != this) return;
    for (const auto& component : components_)
        if (!component->HasParent()) proc(*component);
}

TComponent* TComponent::GetChildOwner() {
    return nullptr;
}

TComponent* TComponent::GetChildParent() {
    return this;
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Loaded() {
    SetState(csLoading, false);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
    // A component may leave while others are told: re-check the bound each time.
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (i < ComponentCount())
            components_[static_cast<size_t>(i)]->Notification(component, operation);
}

void TComponent::ValidateRename(TComponent* component, std::string_view curName,
                                std::string_view newName) {
    if (component != nullptr && !SameText(curName, newName) && component->owner_ == this &&
        FindComponent(newName) != nullptr)
        throw EComponentError("A component named " + std::string(newName) + " already exists");
}

void TComponent::Destroying() {
    if (state_.Contains(csDestroying)) return;
    state_.Include(csDestroying);
    for (const auto& component : components_) component->Destroying();
}

void TComponent::DetachFromOwner() {
    auto& list = owner_->components_;
    auto it =
        std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.get() == this; });
    if (it != list.end()) {
        (void)it->release();
        list.erase(it);
    }
    owner_ = nullptr;
}

void TComponent::SetState(TComponentStateFlag flag, bool on) {
    if (on)
        state_.Include(flag);
    else
        state_.Exclude(flag);
}

}  // namespace runtime
