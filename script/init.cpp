#include "script/init.h"

#include "script/classes_rtti.h"
#include "script/pascalscript_grammar.h"
#include "script/script.h"
#include "script/sysfunctions.h"

namespace script {

void init() {
    RegisterPascalScriptGrammar();
    // The registration modules, in the order GlobalScript loads them. The
    // built-in functions module (script/sysfunctions.h) comes first: every
    // later module and every host registration relies on its type names.
    RegisterSysFunctions();
    classes::RegisterClassesModule();
}

void shutdown() {
    detail::ShutdownGlobalScript();
}

}  // namespace script
