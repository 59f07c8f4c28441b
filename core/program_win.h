#pragma once

#include <functional>

namespace core {

// The window side of the main routine, which the program's entry supplies
// (the core names no window).
struct TProgramParts {
    // Starts the class library and the application object, titled
    // ApplicationTitle.
    std::function<void()> StartApplication;
    // Creates the main window and the dialogs that live as long as the
    // program; false when the main window's creation ended the program.
    std::function<bool()> CreateWindows;
    // Runs the message loop until the main window closes.
    std::function<void()> Run;
    // Frees the windows and ends the class library.
    std::function<void()> EndApplication;
};

// The program's main routine; answers the process's exit code. A second
// copy only asks the running one to come to the front and ends with 0,
// before anything of the class library starts. A start that the main
// window ends answers 1.
int ProgramMain(const TProgramParts& parts);

}  // namespace core
