#pragma once

namespace core {

// The program's main routine; answers the process's exit code. A second
// copy only asks the running one to come to the front and ends with 0.
int ProgramMain();

}  // namespace core
