#include "runtime/intidents.h"

#include <mutex>
#include <vector>

namespace runtime {

namespace {

struct Entry {
    const TTypeInfo* type;
    TIntegerIdents idents;
};

struct Registry {
    std::mutex lock;
    std::vector<Entry> entries;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void RegisterIntegerIdents(const TTypeInfo& type, TIdentToInt toInt, TIntToIdent toIdent) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    for (Entry& entry : registry.entries) {
        if (entry.type == &type) {
            entry.idents = {toInt, toIdent};
            return;
        }
    }
    registry.entries.push_back({&type, {toInt, toIdent}});
}

const TIntegerIdents* FindIntegerIdents(const TTypeInfo& type) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    for (const Entry& entry : registry.entries)
        if (entry.type == &type) return &entry.idents;
    return nullptr;
}

}  // namespace runtime
