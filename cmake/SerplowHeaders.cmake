# The layer map in the build: who may include whose headers.
#
#   serplow_headers(<target> <folder>)
#     Makes the headers of <folder> (from the repository root: "runtime",
#     "controls/tree") visible as "<folder>/name.h" to <target> and, for a
#     library, to every target that links it. Each folder gets an include
#     folder of its own in the build tree that holds one link, to that
#     folder, and nothing else; no target sees the repository root. So a
#     library sees its own headers and those of the libraries it links, and
#     an include across the map fails to compile. tools/check-layers.py
#     checks every include against the allowed directions as a test.
#
#   serplow_header_folder(<out> <folder>)
#     The include folder that shows <folder>, for targets that are not the
#     folder's library (test helpers under tests/, benchmarks).

include_guard(GLOBAL)

get_filename_component(SERPLOW_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)

function(serplow_header_folder out folder)
  string(REPLACE "/" "_" name ${folder})
  set(view ${CMAKE_BINARY_DIR}/headers/${name})
  if(NOT IS_SYMLINK ${view}/${folder})
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${SERPLOW_SOURCE_ROOT}/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  set(${out} ${view} PARENT_SCOPE)
endfunction()

function(serplow_headers target folder)
  serplow_header_folder(view ${folder})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${view})
  else()
    target_include_directories(${target} PUBLIC ${view})
  endif()
endfunction()
