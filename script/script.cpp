#include "script/script.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <optional>

#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"
#include "script/builder.h"
#include "script/conversions.h"
#include "script/errors.h"
#include "script/il_parser.h"
#include "script/run_guard.h"
#include "script/statements.h"

namespace script {

using runtime::Variant;

RUNTIME_BEGIN_CLASS(TscScript, runtime::TComponent)
RUNTIME_PROPERTY(Lines, Lines, SetLines);
RUNTIME_PROPERTY(SyntaxType, SyntaxType, SetSyntaxType).Default(std::string("PascalScript"));
RUNTIME_FIELD(OnGetILUnit);
RUNTIME_FIELD(OnGetUnit);
RUNTIME_FIELD(OnRunLine);
RUNTIME_END_CLASS

namespace {

// Whether the component's class is, or descends from, a class of that name.
bool ClassNamed(const runtime::TComponent& component,
                std::initializer_list<std::string_view> names) {
    for (const runtime::TClassInfo* info = &component.ClassInfo(); info != nullptr;
         info = info->Parent())
        for (std::string_view name : names)
            if (runtime::SameText(info->Name(), name)) return true;
    return false;
}

// Declares the class of a form's component when scripts do not know it,
// below the nearest of its ancestors they know, so that its published
// properties and its ancestors' members reach scripts.
void DeclareComponentClass(TscScript& script, const runtime::TClassInfo& classInfo) {
    if (script.Find(classInfo.Name()) != nullptr) return;
    for (const runtime::TClassInfo* parent = classInfo.Parent(); parent != nullptr;
         parent = parent->Parent()) {
        if (script.FindClassVariable(parent->Name()) != nullptr) {
            (void)script.DeclareClass(classInfo, parent->Name());
            return;
        }
    }
}

}  // namespace

TscScript::TscScript(runtime::TComponent* owner)
    : runtime::TComponent(owner),
      lines_(std::make_unique<runtime::TStringList>()),
      syntaxType_("PascalScript") {
    lines_->OnChange = runtime::TNotifyEvent([this](runtime::TObject*) {
        if (!syncingLines_) textCurrent_ = false;
    });
}

TscScript::~TscScript() {
    Clear();
    UnloadModules();
}

bool TscScript::IsModule(const runtime::TObject& object) const {
    return dynamic_cast<const TscRTTIModule*>(&object) != nullptr;
}

void TscScript::NotifyRunLine(const std::string& unitName, const std::string& sourcePos) {
    int depth = 0;
    for (TscScript* script = this; script != nullptr && depth < 256;
         script = script->ParentScript, ++depth) {
        if (script->OnRunLine) {
            script->OnRunLine(this, unitName, sourcePos);
            return;
        }
    }
}

void TscScript::ChooseRunLineSink() {
    Run().runLine = nullptr;
    int depth = 0;
    for (const TscScript* script = this; script != nullptr && depth < 256;
         script = script->ParentScript, ++depth)
        if (script->OnRunLine) Run().runLine = this;
}

void TscScript::RunLine(const std::string& unitName, const std::string& sourcePos) {
    NotifyRunLine(unitName, sourcePos);
}

void TscScript::Clear() {
    RemoveEntries([this](const Entry& entry) {
        return IsModule(*entry.object) || (entry.item != nullptr && entry.item->ModuleTag == 1);
    });
    MainList().Clear();
    FlowFlags = 0;
    Run().stopped = false;
    ErrorPosition.clear();
    ErrorMessage.clear();
    ErrorUnit.clear();
}

// ---- properties ------------------------------------------------------------------------

runtime::TStrings* TscScript::Lines() const {
    if (!linesCurrent_) {
        syncingLines_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{syncingLines_};
        lines_->SetText(text_);
        linesCurrent_ = true;
    }
    return lines_.get();
}

void TscScript::SetLines(runtime::TStrings* lines) {
    runtime::TStrings* own = Lines();
    if (lines == nullptr)
        own->Clear();
    else if (lines != own)
        own->Assign(*lines);
}

void TscScript::SetText(std::string_view text) {
    text_.assign(text);
    textCurrent_ = true;
    linesCurrent_ = false;
}

const std::string& TscScript::Text() const {
    if (!textCurrent_) {
        text_ = lines_->Text();
        textCurrent_ = true;
    }
    return text_;
}

// ---- compile and run -------------------------------------------------------------------------

namespace {

[[noreturn]] void RaiseOutOfMemory() {
    throw runtime::EOutOfMemory("Out of memory");
}

}  // namespace

bool TscScript::Compile() {
    ErrorMessage.clear();
    ErrorUnit.clear();
    // The values the program is compiled with (its constants and declared
    // arrays) are its own: they count against its memory.
    TscRunScope scope(Run());
    try {
        TscILParser parser(*this);
        parser.SelectGrammar(syntaxType_);
        std::string joined;
        if (parser.BuildIntermediate(JoinedLines(Text(), joined))) BuildProgram(parser, *this);
    } catch (const std::bad_alloc&) {
        ErrorMessage = "Out of memory";
    }
    const bool ok = ErrorMessage.empty();
    if (ok) ErrorPosition.clear();
    return ok;
}

void TscScript::Execute() {
    ChooseRunLineSink();
    RunGuard guard(Run());
    struct ResetFlags {
        uint8_t& flags;
        ~ResetFlags() { flags = 0; }
    } reset{FlowFlags};
    // A flag a previous run left (a stray break) must not stop this one.
    FlowFlags = 0;
    try {
        MainList().Execute();
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    }
}

Variant TscScript::CallScriptFunction(std::string_view name, const Variant& params) {
    TscCustomVariable* item = FindLocal(name);
    if (item == nullptr || item->ItemClass() != TscItemClass::Proc) return Variant::Null();
    auto& proc = static_cast<TscProcVariable&>(*item);

    int32_t low = 0;
    int64_t count = 0;
    if (params.IsArray()) {
        if (params.ArrayDimCount() != 1)
            throw runtime::EVariantBadIndexError("Variant array index out of bounds");
        low = params.ArrayLowBound(1);
        count = int64_t{params.ArrayHighBound(1)} - low + 1;
    } else if (!params.IsEmpty() && !params.IsNull()) {
        count = 1;
    }
    if (count < proc.RequiredParamCount())
        throw EScriptError(std::string(MessageText(Msg::NotEnoughParameters)));
    if (count > proc.ParamCount())
        throw EScriptError(std::string(MessageText(Msg::TooManyParameters)));

    ChooseRunLineSink();
    RunGuard guard(Run());
    // A host callback may call a function that is running: its frame waits.
    std::optional<FrameSave> frame;
    if (proc.IsRunning) frame.emplace(proc, Run());
    try {
        for (int i = 0; i < proc.ParamCount(); ++i) {
            TscParamItem& param = *proc.GetParam(i);
            if (i >= count)
                param.SetValue(param.DefValue);
            else if (params.IsArray())
                param.SetValue(params.GetElement({low + i}));
            else
                param.SetValue(params);
        }
        return proc.GetValue();
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    }
}

void TscScript::SetVariableValue(std::string_view name, const Variant& value) {
    if (TscCustomVariable* item = Find(name))
        item->SetValue(value);
    else
        DeclareVariable(name, "Variant", value);
}

void TscScript::SetStepLimit(uint64_t limit) {
    Run().stepLimit = limit;
}

void TscScript::SetMemoryLimit(size_t bytes) {
    Run().SetMemoryLimit(bytes);
}

void TscScript::Stop() {
    Run().stopped = true;
    Run().stepBudget = 0;
}

bool TscScript::GetUnitText(const std::string& unitName, std::string& unitText) {
    if (!OnGetUnit) return false;
    OnGetUnit(this, unitName, unitText);
    return true;
}

bool TscScript::GetILUnitText(const std::string& unitName, std::string& unitText) {
    if (!OnGetILUnit) return false;
    OnGetILUnit(this, unitName, unitText);
    return true;
}

// ---- registration ------------------------------------------------------------------------

TscClassVariable* TscScript::DeclareClass(const runtime::TClassInfo& aClass,
                                          std::string_view ancestor) {
    if (Find(aClass.Name()) != nullptr) return nullptr;
    auto created = std::make_unique<TscClassVariable>(&aClass, std::string(ancestor));
    created->Script = this;
    auto& added = Add(aClass.Name(), std::move(created));
    if (const TscClassVariable* parent = FindClassVariable(ancestor))
        added.DefaultProperty = parent->DefaultProperty;
    return &added;
}

void TscScript::DeclareConst(std::string_view name, std::string_view typeName,
                             const Variant& value) {
    if (Find(name) != nullptr) return;
    auto item = std::make_unique<TscVariable>(std::string(name), std::string(typeName),
                                              TypeKindByName(typeName, *this));
    item->Value = value;
    item->ReadOnly = true;
    item->IsConstant = true;
    AddItem(std::string(name), std::move(item));
}

void TscScript::DeclareVariable(std::string_view name, std::string_view typeName,
                                const Variant& value) {
    if (Find(name) != nullptr) return;
    auto item = std::make_unique<TscVariable>(std::string(name), std::string(typeName),
                                              TypeKindByName(typeName, *this));
    item->Value = value;
    AddItem(std::string(name), std::move(item));
}

void TscScript::DeclareObject(std::string_view name, runtime::TObject* object) {
    DeclareVariable(name, object != nullptr ? object->ClassName() : std::string("TObject"),
                    Variant(runtime::HandleOf(object)));
}

void TscScript::DeclareType(std::string_view typeName, TscTypeKind kind) {
    if (Find(typeName) != nullptr) return;
    AddItem(std::string(typeName),
            std::make_unique<TscTypeVariable>(std::string(typeName), std::string(), kind));
}

void TscScript::DeclareEnumValues(std::string_view typeName, std::string_view names, bool asSet) {
    auto type =
        std::make_unique<TscVariable>(std::string(typeName), std::string(typeName), fskEnum);
    type->IsConstant = true;
    AddItem(std::string(typeName), std::move(type));
    runtime::TStringList elements;
    elements.SetCommaText(names);
    int64_t value = asSet ? 1 : 0;
    for (int i = 0; i < elements.Count(); ++i) {
        const std::string name = runtime::Trim(elements.Strings(i));
        auto element = std::make_unique<TscVariable>(name, std::string(typeName), fskEnum);
        element->Value = value == static_cast<int32_t>(value) ? Variant(static_cast<int32_t>(value))
                                                              : Variant(value);
        element->ReadOnly = true;
        element->IsConstant = true;
        AddItem(name, std::move(element));
        value = asSet ? value * 2 : value + 1;
    }
}

void TscScript::DeclareEnum(std::string_view typeName, std::string_view names) {
    DeclareEnumValues(typeName, names, false);
}

void TscScript::DeclareEnumSet(std::string_view typeName, std::string_view names) {
    DeclareEnumValues(typeName, names, true);
}

void TscScript::DeclareComponent(runtime::TComponent& component) {
    TscClassVariable* declared = FindClassVariable(component.ClassName());
    if (declared == nullptr) {
        if (ClassNamed(component, {"TCustomForm", "TForm"}))
            declared = DeclareClass(component.ClassInfo(), "TForm");
        else if (ClassNamed(component, {"TDataModule"}))
            declared = DeclareClass(component.ClassInfo(), "TDataModule");
        if (declared == nullptr) return;
    }
    for (int i = 0; i < component.ComponentCount(); ++i) {
        runtime::TComponent& owned = *component.Components(i);
        DeclareComponentClass(*this, owned.ClassInfo());
        declared->DeclareComponent(owned);
    }
    DeclareObject(component.Name(), &component);
}

void TscScript::DeclareForm(runtime::TComponent& form) {
    DeclareComponent(form);
}

TscMethodHelper& TscScript::DeclareMethodEx(std::string_view syntax, TscMethodCallExEvent callEvent,
                                            std::string_view category,
                                            std::string_view description) {
    auto helper = std::make_unique<TscMethodHelper>(syntax, *this);
    helper->OnCallEx = std::move(callEvent);
    helper->Description = description.empty() ? helper->Name : std::string(description);
    helper->Category = category;
    const std::string name = helper->Name;
    return Add(name, std::move(helper));
}

TscMethodHelper& TscScript::DeclareMethod(std::string_view syntax, TscMethodCallEvent callEvent,
                                          std::string_view category, std::string_view description) {
    auto helper = std::make_unique<TscMethodHelper>(syntax, *this);
    helper->OnCall = std::move(callEvent);
    helper->Description = description.empty() ? helper->Name : std::string(description);
    helper->Category = category;
    const std::string name = helper->Name;
    return Add(name, std::move(helper));
}

// ---- modules --------------------------------------------------------------------------------

namespace {

struct Engine {
    std::recursive_mutex mutex;
    std::vector<TscModuleClass> modules;
    std::unique_ptr<TscScript> global;
    bool shutDown = false;
};

// The engine-wide state: the module list and GlobalScript. Never destroyed
// by static destruction; shutdown() frees what it holds.
Engine& TheEngine() {
    static Engine* engine = new Engine;
    return *engine;
}

}  // namespace

const std::vector<TscModuleClass>& ModuleClassList() {
    return TheEngine().modules;
}

void RegisterModuleClass(TscModuleClass moduleClass) {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    if (engine.shutDown) return;
    if (std::find(engine.modules.begin(), engine.modules.end(), moduleClass) ==
        engine.modules.end())
        engine.modules.push_back(moduleClass);
}

void UnregisterModuleClass(TscModuleClass moduleClass) {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    engine.modules.erase(std::remove(engine.modules.begin(), engine.modules.end(), moduleClass),
                         engine.modules.end());
}

void TscScript::LoadModules() {
    if (modulesLoaded_) return;
    const std::vector<TscModuleClass> classes = ModuleClassList();
    struct Loading {
        int32_t& tag;
        ~Loading() { tag = 0; }
    } loading{LoadingTag};
    LoadingTag = 1;
    for (TscModuleClass moduleClass : classes) AddItem(std::string(), moduleClass(*this));
    modulesLoaded_ = true;
}

void TscScript::UnloadModules() {
    if (!modulesLoaded_) return;
    RemoveEntries([this](const Entry& entry) {
        return !(IsModule(*entry.object) || (entry.item != nullptr && entry.item->ModuleTag == 1));
    });
    modulesLoaded_ = false;
}

TscScript* GlobalScript() {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    if (engine.global == nullptr && !engine.shutDown) {
        engine.global = std::make_unique<TscScript>(nullptr);
        engine.global->LoadModules();
    }
    return engine.global.get();
}

namespace detail {

void ShutdownGlobalScript() {
    Engine& engine = TheEngine();
    std::unique_ptr<TscScript> global;
    {
        std::lock_guard lock(engine.mutex);
        engine.shutDown = true;
        global = std::move(engine.global);
    }
    global.reset();
    std::lock_guard lock(engine.mutex);
    engine.modules.clear();
}

}  // namespace detail

}  // namespace script
