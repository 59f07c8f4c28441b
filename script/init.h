#pragma once

namespace script {

// The script engine's start-up, run once from the program's entry (tests may
// call it again): registers the "PascalScript" grammar and the registration
// modules, the built-in functions module first.
void init();

// Frees GlobalScript() and then the module list; neither comes back.
void shutdown();

}  // namespace script
