#include "script/init.h"

#include "script/classes_rtti.h"
#include "script/pascalscript_grammar.h"
#include "script/script.h"
#include "script/sysfunctions.h"
#ifdef _WIN32
#include "script/gui_rtti.h"
#endif

namespace script {

void init() {
    RegisterPascalScriptGrammar();
    // The registration modules, in the order GlobalScript loads them. The
    // built-in functions module (script/sysfunctions.h) comes first: every
    // later module and every host registration relies on its type names.
    RegisterSysFunctions();
    classes::RegisterClassesModule();
#ifdef _WIN32
    // The class library's windows, controls and graphics exist only there.
    RegisterGuiClassModules();
#endif
}

void shutdown() {
    detail::ShutdownGlobalScript();
}

}  // namespace script
