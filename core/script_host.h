#pragma once

// What the program offers engine scripts: ten host functions, the variable
// "DecimalSeparator", the types "WideString" and "TReplaceFlags" and the
// classes TLink and TLinkList, registered once on the engine's GlobalScript;
// and RunSearch, which runs an engine's Search for one keyword on the
// program's script component under ScriptLock.

#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/variant.h"

namespace runtime {
class TClassInfo;
class TComponent;
class TObject;
}  // namespace runtime
namespace script {
class TscScript;
}

namespace core {

class TSE;
class TLinkList;
class TFetchContext;

// An engine script that fails in its main block (or cannot run at all).
class ESearchScriptError : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "ESearchScriptError"; }
};
// An engine script that does not compile.
RUNTIME_DECLARE_EXCEPTION(ESearchCompileError, ESearchScriptError);

// Registers the host's functions, variable, types and classes on
// GlobalScript (the first call; later calls only rebind), makes GlobalScript
// the parent of `script`, points its OnGetUnit at the engine units
// (LoadScriptUnit), and makes it the script component that RunSearch uses.
// `mainForm`, when given, is declared first (TscScript::DeclareForm):
// scripts name it and its components by their names, with the members the
// class library's bridges give their classes. Those are the main thread's:
// engine scripts, which run on workers, are refused them.
void RegisterScriptHost(script::TscScript& script, runtime::TComponent* mainForm = nullptr);
// The script component RegisterScriptHost bound; nullptr before.
script::TscScript* ScriptComponent();

// The callback of the ten host functions ("DOWNLOADURL", "CLEARTEXT", ...;
// Params: the arguments, var arguments written back). Unknown names do
// nothing and answer Empty.
runtime::Variant CallHostFunction(runtime::TObject* instance, const runtime::TClassInfo* classType,
                                  const std::string& methodName, runtime::Variant& params);
// TLink's constructor "CREATE": fills the fresh instance the engine hands
// over (or a new link) with the six values and answers its handle.
runtime::Variant CallLinkConstructor(runtime::TObject* instance,
                                     const runtime::TClassInfo* classType,
                                     const std::string& methodName, runtime::Variant& params);
// TLinkList's "INDEXOF".
runtime::Variant CallLinkListMethod(runtime::TObject* instance,
                                    const runtime::TClassInfo* classType,
                                    const std::string& methodName, runtime::Variant& params);

struct TSearchOutcome {
    bool Succeeded = false;
    // Why the search failed: the script's error with its place, a failed
    // fetch, "Stopped", or "Search returned False".
    std::string Reason;
};

// Compiles the engine's script afresh on the script component, runs its
// main block and calls Search(keyword, depth, links, extra), all under
// ScriptLock, with the fetches of DownloadURL bound to `fetch`. A script
// that does not compile raises ESearchCompileError ("Unable to compile
// search engine script: " + file, CR LF twice, the message, " at ", the
// position); one that fails in its main block, ESearchScriptError with
// the error's text; errors inside Search
// make a failed outcome with their reason. Links the script made and gave
// to no list are freed afterwards.
[[nodiscard]] TSearchOutcome RunSearch(const TSE& engine, std::u16string_view keyword, int depth,
                                       TLinkList& links, TLinkList& extra, TFetchContext& fetch);

// The text of an error that ended a script run: "line:col: " before the
// message when it has a place in the script, "Stopped" for a stop.
std::string DescribeScriptError(std::exception_ptr error);

}  // namespace core
