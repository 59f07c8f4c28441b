#pragma once

namespace ui {

// Registers the window classes of the main window and its dialogs that
// layouts name (the stand-ins of the program's own controls among them);
// part of the program's start-up, after the class library's.
void init();

}  // namespace ui
