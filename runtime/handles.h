#pragma once

// Checked object handles: the integers that stand for host objects in script
// values.
//
// A handle names a slot of a table of live objects together with the slot's
// generation; an object gets one the first time it crosses into a script and
// loses it when it is destroyed. A handle whose object is gone, or a number
// that was never a handle, is refused with the class library's invalid-cast
// error instead of being followed. 0 stands for nil.
//
// Handles are positive and below 2^31, so they fit the script language's
// Integer. The low 20 bits are the slot, the next 11 bits the slot's
// generation; a slot whose generation is used up is retired, never reused,
// so a stale handle can never name a later object.
//
// Ownership: an object is owned by the host unless a script created it
// (AdoptScriptObject, AdoptScriptComponent). A script may free only what it
// created and the host has not taken over (TakeScriptObject).

#include <cstdint>
#include <memory>

#include "runtime/object.h"

namespace runtime {

class TComponent;
class TPropInfo;

using TObjectHandle = int32_t;

namespace detail {
// EInvalidCast "Invalid class typecast".
[[noreturn]] void RaiseInvalidCast();
}  // namespace detail

inline constexpr TObjectHandle kNilHandle = 0;

// The handle of a host object, registered as owned by the host when it has
// none yet. nullptr gives kNilHandle.
TObjectHandle HandleOf(TObject* object);

// Registers an object a script created; the script may free it.
TObjectHandle AdoptScriptObject(std::unique_ptr<TObject> object);
// Registers a component a script created with an owner: the owner frees it
// unless the script frees it first (which removes it from its owner).
TObjectHandle AdoptScriptComponent(TComponent& component);

// The object a handle stands for; nullptr for kNilHandle. EInvalidCast
// "Invalid class typecast" for a handle whose object is gone and for any
// number that is not a handle (the value is taken whole: nothing truncated).
TObject* ObjectOfHandle(int64_t handle);
// Same, and the object must be a T (EInvalidCast otherwise).
template <typename T>
T* ObjectOfHandleAs(int64_t handle) {
    TObject* object = ObjectOfHandle(handle);
    if (object == nullptr) return nullptr;
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr) detail::RaiseInvalidCast();
    return typed;
}

// Frees an object a script created (the script's Free). Nothing for
// kNilHandle; EInvalidCast for an invalid handle; EInvalidOperation for an
// object the host owns.
void FreeScriptObject(int64_t handle);

// The host takes over an object a script created (for example a list that
// the script adds it to); its handle stays valid. EInvalidCast for an
// invalid handle, EInvalidOperation when the host owns it already or when it
// is a component that its owner owns; nullptr for kNilHandle.
std::unique_ptr<TObject> TakeScriptObject(int64_t handle);

bool IsScriptOwned(const TObject& object);

namespace detail {
// Records that `holder` attached a handler to `prop` of `target`, so that
// destroying the holder clears it (runtime/properties.cpp).
void RecordEventAttachment(TObject& holder, TObject& target, const TPropInfo& prop);
}  // namespace detail

}  // namespace runtime
