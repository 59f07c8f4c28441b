#pragma once

// The class library's start-up and shut-down, called by the program's entry
// (and by test programs) in the program's fixed order.

namespace gui {

// Registers the class library's classes by name (for layouts and scripts),
// the colour and cursor names of layouts, the bitmap and icon picture
// formats, loads the common controls, and makes Application and Screen.
void init();
// Frees Application (and with it every form) and Screen.
void shutdown();

}  // namespace gui
