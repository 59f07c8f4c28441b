#include "runtime/handles.h"

#include <deque>
#include <mutex>
#include <vector>

#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"

namespace runtime {

namespace {

constexpr int kSlotBits = 20;
constexpr uint32_t kMaxSlots = uint32_t{1} << kSlotBits;
constexpr uint32_t kMaxGeneration = (uint32_t{1} << (31 - kSlotBits)) - 1;

TObjectHandle Encode(uint32_t index, uint32_t generation) {
    return static_cast<TObjectHandle>((generation << kSlotBits) | index);
}

}  // namespace

// The table of objects that have a handle. Never destroyed, so objects that
// outlive the end of main can still release their handle.
class THandleTable {
  public:
    static THandleTable& Instance() {
        static THandleTable* table = new THandleTable;
        return *table;
    }

    TObjectHandle Register(TObject& object, bool scriptOwned) {
        std::lock_guard lock(mutex_);
        return RegisterLocked(object, scriptOwned);
    }

    TObject* Resolve(int64_t handle) {
        if (handle == kNilHandle) return nullptr;
        std::lock_guard lock(mutex_);
        return SlotOf(handle).object;
    }

    void Free(int64_t handle) {
        TObject* object;
        {
            std::lock_guard lock(mutex_);
            if (handle == kNilHandle) return;
            Slot& slot = SlotOf(handle);
            if (!slot.scriptOwned)
                throw EInvalidOperation("Cannot free " + slot.object->ClassName() +
                                        ": the object is owned by the host");
            object = slot.object;
        }
        delete object;
    }

    std::unique_ptr<TObject> Take(int64_t handle) {
        std::lock_guard lock(mutex_);
        if (handle == kNilHandle) return nullptr;
        Slot& slot = SlotOf(handle);
        if (!slot.scriptOwned)
            throw EInvalidOperation("The host owns " + slot.object->ClassName() + " already");
        auto* component = dynamic_cast<TComponent*>(slot.object);
        if (component != nullptr && component->Owner() != nullptr)
            throw EInvalidOperation("Component " + component->Name() + " is owned by " +
                                    component->Owner()->Name());
        slot.scriptOwned = false;
        return std::unique_ptr<TObject>(slot.object);
    }

    bool IsScriptOwned(const TObject& object) {
        std::lock_guard lock(mutex_);
        uint32_t slot = object.handleSlot_.load(std::memory_order_relaxed);
        return slot != 0 && slots_[slot - 1].scriptOwned;
    }

    void RecordAttachment(TObject& holder, TObject& target, const TPropInfo& prop) {
        std::lock_guard lock(mutex_);
        RegisterLocked(holder, false);
        const TObjectHandle targetHandle = RegisterLocked(target, false);
        auto& attachments =
            slots_[holder.handleSlot_.load(std::memory_order_relaxed) - 1].attachments;
        for (const Attachment& a : attachments)
            if (a.target == targetHandle && a.prop == &prop) return;
        attachments.push_back({targetHandle, &prop});
    }

    // The object is being destroyed: its handle dies, and so do the event
    // handlers it attached to objects that are still alive.
    void Release(TObject& object) noexcept {
        std::vector<Attachment> attachments;
        {
            std::lock_guard lock(mutex_);
            const uint32_t index = object.handleSlot_.load(std::memory_order_relaxed) - 1;
            Slot& slot = slots_[index];
            attachments.swap(slot.attachments);
            slot.object = nullptr;
            slot.scriptOwned = false;
            object.handleSlot_.store(0, std::memory_order_relaxed);
            if (slot.generation < kMaxGeneration) free_.push_back(index);
        }
        for (const Attachment& a : attachments) {
            try {
                TObject* target = TryResolve(a.target);
                if (target != nullptr && GetMethodProp(*target, *a.prop).Data() == &object)
                    SetMethodProp(*target, *a.prop, TMethod());
            } catch (...) {
                // A setter that fails while a holder dies cannot be reported
                // from a destructor; the handler stays as the setter left it.
            }
        }
    }

  private:
    struct Attachment {
        TObjectHandle target;
        const TPropInfo* prop;
    };
    struct Slot {
        TObject* object = nullptr;
        uint32_t generation = 0;
        bool scriptOwned = false;
        std::vector<Attachment> attachments;
    };

    TObjectHandle RegisterLocked(TObject& object, bool scriptOwned) {
        uint32_t current = object.handleSlot_.load(std::memory_order_relaxed);
        if (current != 0) {
            Slot& slot = slots_[current - 1];
            slot.scriptOwned = slot.scriptOwned || scriptOwned;
            return Encode(current - 1, slot.generation);
        }
        uint32_t index;
        if (!free_.empty()) {
            index = free_.front();
            free_.pop_front();
        } else {
            if (slots_.size() >= kMaxSlots) throw EOutOfMemory("Too many object handles");
            index = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        Slot& slot = slots_[index];
        ++slot.generation;
        slot.object = &object;
        slot.scriptOwned = scriptOwned;
        object.handleSlot_.store(index + 1, std::memory_order_relaxed);
        return Encode(index, slot.generation);
    }

    // The live slot of a handle, or EInvalidCast.
    Slot& SlotOf(int64_t handle) {
        Slot* slot = FindSlot(handle);
        if (slot == nullptr) detail::RaiseInvalidCast();
        return *slot;
    }

    Slot* FindSlot(int64_t handle) {
        if (handle <= 0 || handle > INT32_MAX) return nullptr;
        const auto index = static_cast<uint32_t>(handle) & (kMaxSlots - 1);
        const auto generation = static_cast<uint32_t>(handle) >> kSlotBits;
        if (index >= slots_.size()) return nullptr;
        Slot& slot = slots_[index];
        if (slot.object == nullptr || slot.generation != generation) return nullptr;
        return &slot;
    }

    TObject* TryResolve(int64_t handle) {
        std::lock_guard lock(mutex_);
        Slot* slot = FindSlot(handle);
        return slot != nullptr ? slot->object : nullptr;
    }

    std::mutex mutex_;
    std::vector<Slot> slots_;
    // Freed slots are reused oldest first, so a slot's generation advances
    // as slowly as the table allows.
    std::deque<uint32_t> free_;
};

TObjectHandle HandleOf(TObject* object) {
    return object != nullptr ? THandleTable::Instance().Register(*object, false) : kNilHandle;
}

TObjectHandle AdoptScriptObject(std::unique_ptr<TObject> object) {
    if (object == nullptr) return kNilHandle;
    const TObjectHandle handle = THandleTable::Instance().Register(*object, true);
    object.release();  // owned through the table now, freed by FreeScriptObject
    return handle;
}

TObjectHandle AdoptScriptComponent(TComponent& component) {
    return THandleTable::Instance().Register(component, true);
}

TObject* ObjectOfHandle(int64_t handle) {
    return THandleTable::Instance().Resolve(handle);
}

void FreeScriptObject(int64_t handle) {
    THandleTable::Instance().Free(handle);
}

std::unique_ptr<TObject> TakeScriptObject(int64_t handle) {
    return THandleTable::Instance().Take(handle);
}

bool IsScriptOwned(const TObject& object) {
    return THandleTable::Instance().IsScriptOwned(object);
}

namespace detail {

void RaiseInvalidCast() {
    throw EInvalidCast("Invalid class typecast");
}

void RecordEventAttachment(TObject& holder, TObject& target, const TPropInfo& prop) {
    THandleTable::Instance().RecordAttachment(holder, target, prop);
}

}  // namespace detail

TObject::~TObject() {
    if (handleSlot_.load(std::memory_order_relaxed) != 0) THandleTable::Instance().Release(*this);
}

}  // namespace runtime
