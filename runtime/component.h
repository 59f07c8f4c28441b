#pragma once

// TComponent: a named object owned by another component. An owner keeps its
// components in the order they were inserted, frees them last to first when
// it is destroyed, and tells its remaining components (Notification) when
// one of them leaves or is freed, so references between them never dangle.
//
// A component made with an owner belongs to that owner from its
// construction on: create owned components with NewComponent<T>(owner) (or
// the class factory) and unowned ones with std::make_unique<T>(nullptr).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/persistent.h"
#include "runtime/typeinfo.h"

namespace runtime {

class TReader;
class TWriter;

enum TOperation { opInsert, opRemove };

RUNTIME_ENUM(TComponentStateFlag, csLoading, csReading, csWriting, csDestroying, csDesigning,
             csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
RUNTIME_SET(TComponentState, TComponentStateFlag)

// Messages of EComponentError.
inline constexpr const char* SInvalidName = "'%s' is not a valid component name";
inline constexpr const char* SDuplicateName = "A component named %s already exists";

class TComponent;
using TGetChildProc = std::function<void(TComponent& child)>;

class TComponent : public TPersistent {
    RUNTIME_CLASS(TComponent)

  public:
    // Inserts the new component into `owner` (which then owns it).
    explicit TComponent(TComponent* owner);
    // Tells the components that asked for it (FreeNotification), frees the
    // owned components last to first, and leaves the owner.
    ~TComponent() override;

    // Published: Name (not stored: streams keep it in the object header), Tag.
    const std::string& Name() const { return name_; }
    // EComponentError for a name that is not an identifier (an empty name is
    // allowed) or that another component of the same owner has (ASCII case
    // ignored).
    void SetName(std::string_view name);
    int32_t Tag() const { return tag_; }
    void SetTag(int32_t tag) { tag_ = tag; }

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // EListError "List index out of bounds (<index>)" outside 0..Count-1.
    TComponent* Components(int index) const;
    // The position in the owner's list, -1 without owner.
    int ComponentIndex() const;
    // The owned component of that name (ASCII case ignored); nullptr for none
    // and for an empty name.
    TComponent* FindComponent(std::string_view name) const;

    // Takes ownership of an unowned component. EComponentError when it has
    // an owner (it stays there) or when its name is taken here (it is freed).
    void InsertComponent(std::unique_ptr<TComponent> component);
    // Hands an owned component back to the caller (EComponentError when this
    // component does not own it); the others are told (opRemove).
    std::unique_ptr<TComponent> RemoveComponent(TComponent& component);
    // Frees every owned component, last to first.
    void DestroyComponents();

    // `component` is told (Notification opRemove) when this one is freed, and
    // the other way round.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    TComponentState ComponentState() const { return state_; }

    // ---- stream hooks --------------------------------------------------------------
    // Calls proc for each child written inside this component's object in a
    // stream whose root is `root`. The base lists, for the root itself, the
    // owned components that have no parent component.
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    // The owner of children read inside this component (nullptr: the root).
    virtual TComponent* GetChildOwner();
    // The parent of children read inside this component (the base: itself).
    virtual TComponent* GetChildParent();
    // Components placed in a parent (controls) answer true and take the
    // parent with SetParentComponent; the base has none.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent);
    // Called once a stream has read the whole root and resolved references;
    // the base ends the loading state.
    virtual void Loaded();

  protected:
    // `component` was inserted into or removed from this component's owned
    // list, or (opRemove) a component this one asked about is being freed.
    // The base forgets the free notification and passes the news on to every
    // owned component, last to first.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called before `component` (owned by this one, or nullptr when this one
    // is renamed without owner) takes newName; raises when the name is taken.
    virtual void ValidateRename(TComponent* component, std::string_view curName,
                                std::string_view newName);
    // Marks this component and its owned ones as being destroyed.
    void Destroying();

  private:
    friend class TReader;
    friend class TWriter;

    // Leaves the owner's list without notification; the owner's unique_ptr is
    // released, not deleted.
    void DetachFromOwner();
    void SetState(TComponentStateFlag flag, bool on);

    std::string name_;
    int32_t tag_ = 0;
    TComponent* owner_ = nullptr;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TComponent*> freeNotifies_;
    TComponentState state_;
};

// Creates a component that `owner` owns; returns a view of it.
template <typename T, typename... Args>
T& NewComponent(TComponent& owner, Args&&... args) {
    return *new T(&owner, std::forward<Args>(args)...);
}

// True for a name the class library accepts as a component name: a letter
// or '_' followed by letters, digits and '_' (ASCII).
bool IsValidIdent(std::string_view name);

}  // namespace runtime
