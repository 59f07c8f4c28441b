# Runs sepack over a text and over broken input. Called by ctest:
#   cmake -DSEPACK=<program> -DWORK=<folder> -P check_sepack.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(text "const\r\n  Name = 'Packed';\r\nbegin\r\nend.\r\n")
string(REPEAT "x" 70000 long)
file(WRITE ${WORK}/script.pas "${text}${long}")

function(run expected_status)
  execute_process(COMMAND ${SEPACK} ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status STREQUAL expected_status)
    message(SEND_ERROR "sepack ${ARGN}: exit ${status}, expected ${expected_status}")
  endif()
endfunction()

run(0 pack ${WORK}/script.pas ${WORK}/script.se)
run(0 unpack ${WORK}/script.se ${WORK}/back.pas)
file(READ ${WORK}/script.pas original HEX)
file(READ ${WORK}/back.pas back HEX)
if(NOT original STREQUAL back)
  message(SEND_ERROR "sepack: the unpacked text differs from the packed one")
endif()
# The length comes first, little-endian: 40 + 70000 = 0x00011198.
file(READ ${WORK}/script.se head LIMIT 4 HEX)
if(NOT head STREQUAL "98110100")
  message(SEND_ERROR "sepack: the length reads ${head}")
endif()

# "ABCD" states a length beyond any script.
file(WRITE ${WORK}/garbage.se "ABCDnot zlib at all")
run(1 unpack ${WORK}/garbage.se ${WORK}/garbage.pas)
file(WRITE ${WORK}/short.se "ab")
run(1 unpack ${WORK}/short.se ${WORK}/short.pas)
run(1 pack ${WORK}/missing.pas ${WORK}/missing.se)
run(2 pack ${WORK}/script.pas)
run(2 squash ${WORK}/script.pas ${WORK}/x.se)
