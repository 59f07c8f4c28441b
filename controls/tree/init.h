#pragma once

// The tree family's start-up, called once from the program's entry before
// any window exists: the operating-system flags, the visual-styles binding
// (Windows) and the classes layouts may name. Both calls are idempotent.

namespace controls::tree {

void init();
void shutdown();

}  // namespace controls::tree
