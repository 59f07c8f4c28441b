#include "script/grammar_registry.h"

#include <mutex>
#include <utility>
#include <vector>

#include "runtime/format.h"
#include "runtime/strings.h"
#include "script/compiled_grammar.h"
#include "script/errors.h"

namespace script {

namespace {

struct Entry {
    std::string name;
    std::string text;
    std::shared_ptr<const LoadedGrammar> loaded;  // made on first use
};

// Grammars are registered at start-up and read by every compilation, which
// may run on a search worker; the lock keeps a late registration safe.
struct Registry {
    std::mutex lock;
    std::vector<Entry> entries;

    Entry* Find(std::string_view name) {
        for (Entry& entry : entries)
            if (runtime::SameText(entry.name, name)) return &entry;
        return nullptr;
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

[[noreturn]] void ThrowNotFound(std::string_view name) {
    throw EScriptError(runtime::Format(MessageText(Msg::LanguageNotFound), {name}));
}

}  // namespace

void RegisterGrammar(std::string_view name, std::string_view grammarText) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    if (Entry* entry = registry.Find(name)) {
        entry->text = grammarText;
        entry->loaded.reset();
        return;
    }
    registry.entries.push_back({std::string(name), std::string(grammarText), nullptr});
}

std::string GrammarText(std::string_view name) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    if (const Entry* entry = registry.Find(name)) return entry->text;
    ThrowNotFound(name);
}

std::shared_ptr<const LoadedGrammar> LoadGrammar(std::string_view name) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    Entry* entry = registry.Find(name);
    if (!entry) ThrowNotFound(name);
    if (!entry->loaded) entry->loaded = std::make_shared<const LoadedGrammar>(entry->text);
    return entry->loaded;
}

}  // namespace script
