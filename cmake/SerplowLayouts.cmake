# serplow_layouts(<target> <layout files...>)
#   Compiles window layouts into a Windows target as resources: each file
#   becomes an RCDATA resource named after its root class in upper case,
#   read from its first line ("object MainForm: TMainForm" gives TMAINFORM),
#   which is how gui/layout.h finds a form's layout.

include_guard(GLOBAL)

function(serplow_layouts target)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_layouts.rc")
  set(content "")
  set(depends "")
  foreach(file ${ARGN})
    get_filename_component(path ${file} ABSOLUTE)
    file(STRINGS ${path} first LIMIT_COUNT 1)
    if(NOT first MATCHES "^(object|inherited|inline) +[A-Za-z0-9_]+ *: *([A-Za-z0-9_]+)")
      message(FATAL_ERROR "${file}: a layout starts with 'object Name: TClassName'")
    endif()
    string(TOUPPER ${CMAKE_MATCH_2} name)
    string(APPEND content "${name} RCDATA \"${path}\"\n")
    list(APPEND depends ${path})
  endforeach()
  file(CONFIGURE OUTPUT ${rc} CONTENT "${content}")
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${depends})
endfunction()
