#include "core/script_host.h"

#include <array>
#include <new>
#include <vector>

#include "controls/unicode/widetext.h"
#include "core/download.h"
#include "core/engines.h"
#include "core/host_text.h"
#include "core/link.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "net/url.h"
#include "runtime/handles.h"
#include "runtime/locale.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"
#include "script/errors.h"
#include "script/items.h"
#include "script/script.h"

namespace core {

namespace {

using runtime::Variant;

script::TscScript* scriptComponent = nullptr;

// The run RunSearch has in progress (used under ScriptLock only): where
// DownloadURL's fetches report, and the links the script made.
struct TRun {
    TFetchContext* fetch = nullptr;
    // Units come from the folder of the engine being run.
    std::u16string unitFolder;
    std::vector<runtime::TObjectHandle> createdLinks;
};
TRun* currentRun = nullptr;

Variant Arg(const Variant& params, int32_t index) {
    if (!params.IsArray() || index > params.ArrayHighBound(1)) return Variant();
    return params.GetElement({index});
}

std::string AnsiArg(const Variant& params, int32_t index) {
    return runtime::VarToStr(Arg(params, index));
}

std::u16string WideArg(const Variant& params, int32_t index) {
    return runtime::VarToWideStr(Arg(params, index));
}

// ---- the ten host functions ----------------------------------------------------------------

Variant HostDownloadURL(Variant& params) {
    if (currentRun != nullptr && currentRun->fetch != nullptr) {
        return Variant(DownloadURL(AnsiArg(params, 0), *currentRun->fetch));
    }
    TFetchContext fetch;
    return Variant(DownloadURL(AnsiArg(params, 0), fetch));
}

Variant HostClearText(Variant& params) {
    std::u16string s = WideArg(params, 0);
    ClearText(s);
    params.SetElement({0}, Variant(std::move(s)));
    return Variant();
}

Variant HostReplaceISOSymbols(Variant& params) {
    std::u16string s = WideArg(params, 0);
    ReplaceISOSymbols(s);
    params.SetElement({0}, Variant(std::move(s)));
    return Variant();
}

// A set argument: its members' values or'ed ([rfReplaceAll, rfIgnoreCase]
// comes as an array of them), or the number a sum of members gives.
runtime::TReplaceFlags FlagsArg(const Variant& params, int32_t index) {
    const Variant flags = Arg(params, index);
    if (flags.IsEmpty() || flags.IsNull()) return 0;
    if (!flags.IsArray()) return static_cast<runtime::TReplaceFlags>(flags.AsInteger());
    runtime::TReplaceFlags set = 0;
    for (int32_t i = flags.ArrayLowBound(1); i <= flags.ArrayHighBound(1); ++i) {
        const Variant member = flags.GetElement({i});
        if (!member.IsEmpty() && !member.IsNull()) set |= static_cast<unsigned>(member.AsInteger());
    }
    return set;
}

Variant HostWideStringReplace(Variant& params) {
    const Variant wholeWord = Arg(params, 4);
    return Variant(controls::unicode::WideStringReplace(
        WideArg(params, 0), WideArg(params, 1), WideArg(params, 2), FlagsArg(params, 3),
        !wholeWord.IsEmpty() && !wholeWord.IsNull() && wholeWord.AsBoolean()));
}

int64_t OffsetArg(const Variant& params) {
    const Variant offset = Arg(params, 2);
    return offset.IsEmpty() || offset.IsNull() ? 1 : offset.AsInt64();
}

Variant HostPosEx(Variant& params) {
    const std::string sub = AnsiArg(params, 0);
    const std::string s = AnsiArg(params, 1);
    const int64_t offset = OffsetArg(params);
    if (sub.empty() || offset < 1 || offset > static_cast<int64_t>(s.size())) {
        return Variant(int32_t{0});
    }
    const size_t at = s.find(sub, static_cast<size_t>(offset - 1));
    return Variant(static_cast<int32_t>(at == std::string::npos ? 0 : at + 1));
}

Variant HostPosExBack(Variant& params) {
    return Variant(
        static_cast<int32_t>(PosExBack(AnsiArg(params, 0), AnsiArg(params, 1), OffsetArg(params))));
}

Variant HostEncodeURL(Variant& params) {
    return Variant(runtime::AnsiToWide(EncodeURL(WideArg(params, 0))));
}

Variant HostDecodeURL(Variant& params) {
    return Variant(net::DecodeURL(AnsiArg(params, 0)));
}

Variant HostGoogleWebSearch(Variant&) {
    return Variant(true);
}

Variant HostDebugMessage(Variant&) {
    return Variant();
}

struct THostFunction {
    std::string_view name;  // as the engine hands it over: upper case
    std::string_view syntax;
    Variant (*call)(Variant& params);
};

constexpr std::array<THostFunction, 10> kHostFunctions{{
    {"DOWNLOADURL", "function DownloadURL(URL: string): string", &HostDownloadURL},
    {"CLEARTEXT", "procedure ClearText(var s: widestring)", &HostClearText},
    {"REPLACEISOSYMBOLS", "procedure ReplaceISOSymbols(var Text: WideString)",
     &HostReplaceISOSymbols},
    {"WIDESTRINGREPLACE",
     "function WideStringReplace(const S, OldPattern, NewPattern: WideString; Flags: "
     "TReplaceFlags; WholeWord: Boolean = False): WideString",
     &HostWideStringReplace},
    {"POSEX", "function PosEx(const SubStr, S: string; Offset: Cardinal = 1): Integer", &HostPosEx},
    {"POSEXBACK", "function PosExBack(const SubStr, S: string; Offset: Cardinal = 1): Integer",
     &HostPosExBack},
    {"ENCODEURL", "function EncodeURL(S: WideString): WideString", &HostEncodeURL},
    {"DECODEURL", "function DecodeURL(S: WideString): WideString", &HostDecodeURL},
    {"GOOGLEWEBSEARCH", "function GoogleWebSearch: Boolean", &HostGoogleWebSearch},
    {"DEBUGMESSAGE", "procedure DebugMessage(S: string)", &HostDebugMessage},
}};

void DeclareHost(script::TscScript& global) {
    // The types first: a declaration takes the kinds of the types it names
    // when it is made, and the functions' texts name both.
    global.DeclareType("WideString", script::fskVariant);
    global.DeclareEnumSet("TReplaceFlags", "rfReplaceAll, rfIgnoreCase");
    for (const THostFunction& function : kHostFunctions) {
        global.DeclareMethod(function.syntax, &CallHostFunction);
    }
    global.DeclareVariable("DecimalSeparator", "Variant",
                           Variant(std::string(1, runtime::FormatSettings().DecimalSeparator)));
    if (script::TscClassVariable* link = global.DeclareClass(TLink::StaticClassInfo(), "TObject")) {
        link->DeclareConstructor(
            "constructor Create(AName, ATitle, ADesc: WideString; APos, APage: integer; ACost: "
            "real)",
            &CallLinkConstructor);
    }
    if (script::TscClassVariable* list =
            global.DeclareClass(TLinkList::StaticClassInfo(), "TList")) {
        list->DeclareMethod("function IndexOf(AName: string): integer", &CallLinkListMethod);
    }
}

// Frees what the script made and kept: links it gave to no list.
void FreeLeftoverLinks(const std::vector<runtime::TObjectHandle>& handles) {
    for (const runtime::TObjectHandle handle : handles) {
        try {
            runtime::TObject* object = runtime::ObjectOfHandle(handle);
            if (object != nullptr && runtime::IsScriptOwned(*object)) {
                runtime::FreeScriptObject(handle);
            }
        } catch (const runtime::EInvalidCast&) {
            // Freed already, by the script or by a list.
        }
    }
}

// Binds the host functions to one run for its duration.
class TRunScope {
  public:
    TRunScope(const TSE& engine, TFetchContext& fetch) {
        run_.fetch = &fetch;
        run_.unitFolder = runtime::os::ExtractFilePath(engine.FileName);
        currentRun = &run_;
    }
    ~TRunScope() {
        currentRun = nullptr;
        FreeLeftoverLinks(run_.createdLinks);
    }
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;

  private:
    TRun run_;
};

}  // namespace

// ---- registration and callbacks ----------------------------------------------------------------

void RegisterScriptHost(script::TscScript& script, runtime::TComponent* mainForm) {
    script::TscScript& global = *script::GlobalScript();
    if (mainForm != nullptr) global.DeclareForm(*mainForm);
    if (global.FindLocal("DownloadURL") == nullptr) DeclareHost(global);
    script.ParentScript = &global;
    script.OnGetUnit = [](runtime::TObject*, const std::string& unitName, std::string& unitText) {
        unitText =
            LoadScriptUnit(currentRun != nullptr ? currentRun->unitFolder : EnginesDir(), unitName);
    };
    scriptComponent = &script;
}

script::TscScript* ScriptComponent() {
    return scriptComponent;
}

Variant CallHostFunction(runtime::TObject*, const runtime::TClassInfo*,
                         const std::string& methodName, Variant& params) {
    for (const THostFunction& function : kHostFunctions) {
        if (function.name == methodName) return function.call(params);
    }
    return Variant();
}

Variant CallLinkConstructor(runtime::TObject* instance, const runtime::TClassInfo*,
                            const std::string& methodName, Variant& params) {
    if (methodName != "CREATE") return Variant();
    auto* link = dynamic_cast<TLink*>(instance);
    runtime::TObjectHandle handle;
    if (link != nullptr) {
        handle = runtime::HandleOf(link);
    } else {
        auto made = std::make_unique<TLink>();
        link = made.get();
        handle = runtime::AdoptScriptObject(std::move(made));
    }
    link->SetTexts(runtime::WideToAnsi(WideArg(params, 0)), WideArg(params, 1), WideArg(params, 2));
    link->Position = Arg(params, 3).AsInteger();
    link->Page = Arg(params, 4).AsInteger();
    link->Cost = Arg(params, 5).AsDouble();
    if (currentRun != nullptr) currentRun->createdLinks.push_back(handle);
    return Variant(handle);
}

Variant CallLinkListMethod(runtime::TObject* instance, const runtime::TClassInfo*,
                           const std::string& methodName, Variant& params) {
    auto* list = dynamic_cast<TLinkList*>(instance);
    if (methodName != "INDEXOF" || list == nullptr) return Variant();
    return Variant(static_cast<int32_t>(list->IndexOf(AnsiArg(params, 0))));
}

// ---- RunSearch ---------------------------------------------------------------------------------

std::string DescribeScriptError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const script::EScriptError& e) {
        return e.Position().empty() ? e.Message() : e.Position() + ": " + e.Message();
    } catch (const runtime::Exception& e) {
        return e.Message();
    } catch (const script::EScriptStopped&) {
        return "Stopped";
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

TSearchOutcome RunSearch(const TSE& engine, std::u16string_view keyword, int depth,
                         TLinkList& links, TLinkList& extra, TFetchContext& fetch) {
    if (scriptComponent == nullptr || !ScriptLock) {
        throw ESearchScriptError("The script host is not set up");
    }
    script::TscScript& script = *scriptComponent;
    runtime::CriticalSectionGuard guard(*ScriptLock);
    TRunScope scope(engine, fetch);

    script.Clear();
    // Workers that waited for the lock through a stop end here.
    if (fetch.StopRequested()) return {false, "Stopped"};
    script.SetText(engine.Script.Text());
    if (!script.Compile()) {
        std::string place = script.ErrorPosition;
        if (!script.ErrorUnit.empty()) place += " in unit " + script.ErrorUnit;
        throw ESearchCompileError(
            "Unable to compile search engine script: " + runtime::WideToAnsi(engine.FileName) +
            "\r\n\r\n" + script.ErrorMessage + " at " + place);
    }
    try {
        script.Execute();
    } catch (...) {
        if (fetch.StopRequested()) return {false, "Stopped"};
        throw ESearchScriptError(DescribeScriptError(std::current_exception()));
    }

    Variant result;
    try {
        result = script.CallScriptFunction(
            "Search", Variant::ArrayOf({Variant(std::u16string(keyword)), Variant(int32_t{depth}),
                                        Variant(runtime::HandleOf(&links)),
                                        Variant(runtime::HandleOf(&extra))}));
    } catch (...) {
        if (fetch.StopRequested()) return {false, "Stopped"};
        return {false, DescribeScriptError(std::current_exception())};
    }
    if (fetch.StopRequested()) return {false, "Stopped"};
    if (result.IsEmpty() || result.IsNull()) {
        return {false, "The engine script has no function Search"};
    }
    bool found = false;
    try {
        found = result.AsBoolean();
    } catch (const runtime::Exception& e) {
        return {false, "Search answered no Boolean: " + e.Message()};
    }
    if (!found) return {false, fetch.AnyFailed() ? fetch.LastError() : "Search returned False"};
    return {true, {}};
}

}  // namespace core
