#include "script/scope.h"

#include <algorithm>

#include "runtime/strings.h"
#include "script/items.h"
#include "script/stack_guard.h"
#include "script/statements.h"

namespace script {

namespace {

unsigned char Folded(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A')
                                : static_cast<unsigned char>(c);
}

}  // namespace

size_t TscScope::NameHash::operator()(std::string_view name) const noexcept {
    uint64_t hash = 14695981039346656037ull;
    for (char c : name) hash = (hash ^ Folded(c)) * 1099511628211ull;
    return static_cast<size_t>(hash);
}

bool TscScope::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    return runtime::SameText(a, b);
}

void TscRunState::StepBudgetSpent() const {
    if (stopped.load()) throw EScriptStopped();
    throw EScriptStepLimit();
}

// ---- run state -------------------------------------------------------------------------

namespace {

thread_local TscRunState* tCurrentRun = nullptr;

}  // namespace

TscRunState::~TscRunState() {
    if (memory_ == nullptr) return;
    memory_->SetProgressCheck(nullptr, nullptr);
    memory_->Release();
}

void TscRunState::ChargeWork(uint64_t bytes) {
    pendingWork += bytes;
    if (pendingWork >= kWorkBytesPerStep) {
        const uint64_t count = pendingWork / kWorkBytesPerStep;
        pendingWork %= kWorkBytesPerStep;
        CountSteps(count);
    }
    if (stopped.load(std::memory_order_relaxed)) StepBudgetSpent();
}

void TscRunState::EnterOuterRun() {
    stackLimit = StackLimit();
    RestartSteps();
    outerScope_.emplace(*this);
}

runtime::VariantMemoryAccount& TscRunState::Memory() {
    if (memory_ == nullptr) {
        memory_ = runtime::VariantMemoryAccount::Create(memoryLimit_);
        // A long copy or fill of a stopped run ends between its pieces.
        memory_->SetProgressCheck(
            [](void* context) {
                const auto& run = *static_cast<const TscRunState*>(context);
                if (run.depth > 0 && run.stopped.load(std::memory_order_relaxed))
                    run.StepBudgetSpent();
            },
            this);
    }
    return *memory_;
}

void TscRunState::SetMemoryLimit(size_t bytes) {
    memoryLimit_ = bytes;
    if (memory_ != nullptr) memory_->SetLimit(bytes);
}

TscRunState* CurrentRun() noexcept {
    return tCurrentRun;
}

TscRunScope::TscRunScope(TscRunState& run) : previous_(tCurrentRun), memory_(&run.Memory()) {
    tCurrentRun = &run;
}

TscRunScope::~TscRunScope() {
    tCurrentRun = previous_;
}

TscScope::TscScope()
    : mainList_(std::make_unique<TscStatement>(*this, std::string(), std::string())) {}

TscScope::~TscScope() {
    // Statements refer to the items; they go first. Then the entries, last
    // to first; what is not owned is only forgotten.
    mainList_.reset();
    while (!entries_.empty()) {
        Entry& entry = entries_.back();
        if (!entry.owned) (void)entry.object.release();
        entries_.pop_back();
    }
}

// ---- the table -----------------------------------------------------------------------

void TscScope::Index(size_t at) {
    const auto [found, added] = latest_.try_emplace(entries_[at].name, at);
    if (!added) found->second = at;
}

bool TscScope::FreeItem(const runtime::TObject& object) {
    const size_t before = entries_.size();
    RemoveEntries([&object](const Entry& entry) { return entry.object.get() != &object; });
    return entries_.size() != before;
}

void TscScope::Reindex() {
    latest_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) Index(i);
    ++tableVersion_;
}

runtime::TObject& TscScope::AddItem(std::string name, std::unique_ptr<runtime::TObject> object) {
    auto* item = dynamic_cast<TscCustomVariable*>(object.get());
    if (item != nullptr) item->ModuleTag = LoadingTag;
    runtime::TObject& added = *object;
    entries_.push_back(Entry{std::move(name), std::move(object), item, true, nextSerial_++});
    Index(entries_.size() - 1);
    ++tableVersion_;
    return added;
}

void TscScope::AddItemReference(std::string name, TscCustomVariable& item) {
    entries_.push_back(Entry{std::move(name), std::unique_ptr<runtime::TObject>(&item), &item,
                             false, nextSerial_++});
    Index(entries_.size() - 1);
    ++tableVersion_;
}

// The order by name is asked for rarely (listing a table); it is made when
// asked and kept while the table stays as it is.
void TscScope::SortedView() const {
    if (sortedVersion_ == tableVersion_ && sorted_.size() == entries_.size()) return;
    sorted_.resize(entries_.size());
    for (size_t i = 0; i < sorted_.size(); ++i) sorted_[i] = i;
    std::sort(sorted_.begin(), sorted_.end(), [this](size_t a, size_t b) {
        const int order = runtime::CompareText(entries_[a].name, entries_[b].name);
        if (order != 0) return order < 0;
        return entries_[a].serial > entries_[b].serial;
    });
    sortedVersion_ = tableVersion_;
}

runtime::TObject* TscScope::GetItem(int index) const {
    SortedView();
    return entries_[sorted_[static_cast<size_t>(index)]].object.get();
}

const std::string& TscScope::GetItemName(int index) const {
    SortedView();
    return entries_[sorted_[static_cast<size_t>(index)]].name;
}

TscCustomVariable* TscScope::FindLocal(std::string_view name) const {
    const auto found = latest_.find(name);
    return found != latest_.end() ? entries_[found->second].item : nullptr;
}

TscCustomVariable* TscScope::Find(std::string_view name) const {
    // Scopes form short chains; the cap only stops a script made its own
    // ancestor.
    int depth = 0;
    for (const TscScope* scope = this; scope != nullptr && depth < 256;
         scope = scope->ParentScope(), ++depth)
        if (TscCustomVariable* item = scope->FindLocal(name)) return item;
    return nullptr;
}

TscClassVariable* TscScope::FindClassVariable(std::string_view name) const {
    TscCustomVariable* item = Find(name);
    return item != nullptr && item->ItemClass() == TscItemClass::ClassVariable
               ? static_cast<TscClassVariable*>(item)
               : nullptr;
}

void TscScope::SetVariableValue(std::string_view name, const runtime::Variant& value) {
    if (TscCustomVariable* item = Find(name)) {
        item->SetValue(value);
        return;
    }
    auto variable = std::make_unique<TscVariable>(std::string(name), "Variant", fskVariant);
    variable->Value = value;
    AddItem(std::string(name), std::move(variable));
}

}  // namespace script
