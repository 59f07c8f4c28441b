# Runs script-run over the cases in CASES and checks its exit status,
# standard output and standard error. Called by ctest:
#   cmake -DRUNNER=<emulator or empty> -DSCRIPT_RUN=<tool> -DCASES=<dir> -P check_script_run.cmake

set(failures 0)

# check(<case> <exit status> <stdout> <stderr pattern> [options...]): line
# ends compared as LF; the standard error is matched as a regular expression.
function(check name status out err)
  execute_process(COMMAND ${RUNNER} ${SCRIPT_RUN} ${ARGN} ${CASES}/${name}.pas
    RESULT_VARIABLE got_status OUTPUT_VARIABLE got_out ERROR_VARIABLE got_err)
  string(REPLACE "\r" "" got_out "${got_out}")
  string(REPLACE "\r" "" got_err "${got_err}")
  if(NOT got_status STREQUAL status OR NOT got_out STREQUAL out OR NOT got_err MATCHES "^${err}$")
    message(SEND_ERROR "${name}: expected exit ${status}, stdout [${out}], stderr [${err}]\n"
                       "  got exit ${got_status}, stdout [${got_out}], stderr [${got_err}]")
  endif()
endfunction()

check(prints 0 "first\n10\n20\n30\n\nx=7\n" "")
check(compile_error 1 "" "3:[0-9]+: Undeclared identifier: 'Undeclared'\n")
check(conversion_error 2 "before\n" "EConvertError: 'abc' is not a valid integer value\n")
check(raised 2 "Exception: caught\n" "Exception: not caught\n")
check(missing_file 3 "" "script-run: cannot read .*missing_file.pas\n")
check(null_index 2 "" "Exception: 3:13: Null value cannot be indexed\n")
check(unit_error 1 "" "unit_broken.inc:3:13: Undeclared identifier: 'Undeclared'\n")
check(unit_null 2 "before\n" "Exception: unit_late.inc:4:13: Null value cannot be indexed\n")
check(unterminated 1 "" "2:11: Unterminated string\n")
check(endless 4 "" "Stopped: Script step limit exceeded\n" --steps 1000)
check(endless 4 "" "Stopped: time limit reached\n" --timeout 0.2)
check(endless 3 "" "usage: script-run .*\n" --steps x)
