# Runs project-tool over the project files in CASES and checks its exit
# status and output. Called by ctest:
#   cmake -DRUNNER=<emulator or empty> -DTOOL=<tool> -DCASES=<dir> -DWORK=<dir> -P check_project_tool.cmake

file(READ ${CASES}/sample.json expected)

# run(<exit status> <stdout> <stderr pattern> args...)
function(run status out err)
  execute_process(COMMAND ${RUNNER} ${TOOL} ${ARGN}
    RESULT_VARIABLE got_status OUTPUT_VARIABLE got_out ERROR_VARIABLE got_err)
  string(REPLACE "\r" "" got_err "${got_err}")
  if(NOT got_status STREQUAL status OR NOT got_out STREQUAL out OR NOT got_err MATCHES "^${err}$")
    message(SEND_ERROR "project-tool ${ARGN}: expected exit ${status}, stdout [${out}], stderr [${err}]\n"
                       "  got exit ${got_status}, stdout [${got_out}], stderr [${got_err}]")
  endif()
endfunction()

foreach(format 2008 2007 2004)
  run(0 "${expected}" "" dump ${CASES}/sample${format}.spj)
endforeach()

file(MAKE_DIRECTORY ${WORK})
file(REMOVE ${WORK}/converted.spj)
run(0 "" "" convert ${CASES}/sample2004.spj ${WORK}/converted.spj)
run(0 "${expected}" "" dump ${WORK}/converted.spj)
file(READ ${WORK}/converted.spj magic LIMIT 25 HEX)
file(READ ${CASES}/sample2008.spj newest LIMIT 25 HEX)
if(NOT magic STREQUAL newest)
  message(SEND_ERROR "convert wrote [${magic}]")
endif()

run(1 "" "Error while loading project.\nUnequal number of brackets.\n.*" dump ${CASES}/garbage.spj)
run(1 "" "Unable to read the file. The specified file has wrong format.\n" dump ${CASES}/sample.json)
run(2 "" "usage: .*" dump)
