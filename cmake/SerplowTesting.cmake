# Test, fuzz and emulator plumbing shared by every folder.
#
#   serplow_test(<name> [DESKTOP] SOURCES <files...> [LIBS <targets...>])
#     One test program, one ctest test. Under Wine each program costs a
#     process start, so a subsystem groups its cases into a few programs.
#     DESKTOP marks a program that shows windows, takes the foreground or
#     moves the pointer: all tests share one desktop, where one such program
#     takes the focus another one checks, so they run one at a time.
#
#   serplow_fuzzer(<name> SOURCES <files...> [LIBS <targets...>] CORPUS <dir>)
#     A fuzz target defining LLVMFuzzerTestOneInput. In the native g++ build
#     it is linked with a small driver and run over its corpus as a test;
#     with clang and SERPLOW_FUZZ=ON it is a libFuzzer binary (tools/fuzz.sh).
#
# Test programs and fuzz targets also see the shared test helpers under
# tests/ ("tests/support/linear_time.h").

include_guard(GLOBAL)
include(SerplowHeaders)

option(SERPLOW_FUZZ "Build fuzz targets as libFuzzer binaries (clang)" OFF)

if(CMAKE_CROSSCOMPILING)
  set(SERPLOW_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in
                 ${CMAKE_BINARY_DIR}/wine-run.sh
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
                 @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(SERPLOW_GTEST_LIBS gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(SERPLOW_GTEST_LIBS GTest::gmock GTest::gtest_main)
endif()

function(serplow_test name)
  cmake_parse_arguments(T "DESKTOP" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${SERPLOW_GTEST_LIBS})
  serplow_headers(${name} tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(T_DESKTOP)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop)
  endif()
endfunction()

# Sets <out> to those of the given files (relative to the current source
# folder) that exist, so a test program can list files a family adds later.
function(serplow_existing_sources out)
  set(found "")
  foreach(f ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
      list(APPEND found ${f})
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(serplow_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  serplow_headers(${name} tests)
  if(SERPLOW_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tools/fuzz_corpus_main.cpp)
    add_test(NAME ${name} COMMAND ${name} ${F_CORPUS})
  endif()
endfunction()
