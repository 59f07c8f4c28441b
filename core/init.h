#pragma once

namespace core {

// The core's start-up work, run once from the program's entry before
// ProgramMain: makes the country tables and chooses the temporary folder.
void init();

}  // namespace core
