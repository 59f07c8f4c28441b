#pragma once

// Window layouts compiled into the program: each is the text form of a
// component stream (runtime/objecttext.h), kept as an RCDATA resource
// named after its form class in upper case ("TMAINFORM"). The build writes
// the resource script that lists a target's layout files
// (serplow_layouts in cmake/SerplowLayouts.cmake); the program's layouts
// live in resources/.

#include <optional>
#include <string_view>

#include "gui/win.h"

namespace runtime {
class TComponent;
}

namespace gui {

// The layout text of a class, nullopt when the module has none
// (module nullptr: the program's own file).
std::optional<std::string_view> FindLayout(std::string_view className, HMODULE module = nullptr);

// Reads a layout text into its root (the form), which takes the children
// it creates and binds their events to its handler methods by name.
void ReadLayout(runtime::TComponent& root, std::string_view text);

}  // namespace gui
