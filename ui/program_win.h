#pragma once

// The program's windows as the main routine makes them: the main window
// (whose creation loads the settings, the engines, the script host and the
// project), then the project-properties, add-URL, About and check-progress
// dialogs, in that order; the other dialogs are made when needed.

#include <optional>

#include "core/program_win.h"
#include "ui/main_form.h"

namespace ui {

class TForm2;
class TForm3;
class TForm4;
class TForm6;

struct TProgramWindows {
    TForm1* Main = nullptr;
    TForm2* ProjectProperties = nullptr;
    TForm3* AddURL = nullptr;
    TForm4* About = nullptr;
    TForm6* Progress = nullptr;
};

// The program file's folder, and the per-user data folder.
TProgramFolders DefaultProgramFolders();

// Makes the windows, owned by the application; the main window becomes its
// main form. Nothing when the main window's creation ended the program (no
// engines). On old Windows the trees, the keyword edit and the notes take
// "MS Sans Serif".
std::optional<TProgramWindows> CreateProgramWindows(const TProgramFolders& folders);
// Frees what CreateProgramWindows made, dialogs first (tests; the program
// leaves it to the application's end).
void FreeProgramWindows(TProgramWindows& windows);

// The window side of core::ProgramMain: the class library with this
// library's classes and the title "Serplow", the windows in the default
// folders, the application's loop, and the class library's end.
core::TProgramParts ProgramParts();

}  // namespace ui
