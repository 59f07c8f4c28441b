# Runs check-keyword against the local result server and checks its exit
# status, output and errors. Called by ctest inside tests/servers/peers.py
# --serp:
#   cmake -DRUNNER=<emulator or empty> -DTOOL=<check-keyword> -DSEPACK=<sepack>
#         -DWORK=<folder> -P check_check_keyword.cmake
set(port $ENV{SERPLOW_TEST_SERP_PORT})
if(port STREQUAL "")
  message(FATAL_ERROR "SERPLOW_TEST_SERP_PORT is not set: run through ctest")
endif()

# An engines folder of the tool's own engines, the Local one pointed at the
# server, and a broken engine beside them.
get_filename_component(tool_dir ${TOOL} DIRECTORY)
file(REMOVE_RECURSE ${WORK})
file(COPY ${tool_dir}/SearchEngines/ DESTINATION ${WORK}/engines)
file(WRITE ${WORK}/local_server.pas
     "const\r\n  LocalServer = 'http://127.0.0.1:${port}';\r\nbegin\r\nend.\r\n")
file(WRITE ${WORK}/broken.pas "const\r\n  Name = 'Broken';\r\nbegin\r\n  Nowhere;\r\nend.\r\n")
foreach(name local_server broken)
  execute_process(COMMAND ${SEPACK} pack ${WORK}/${name}.pas ${WORK}/engines/${name}.se
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "sepack failed on ${name}.pas")
  endif()
endforeach()
file(APPEND ${WORK}/engines/selist.ini "[Broken]\r\nName=broken.se\r\n")

set(engines ${WORK}/engines)
if(RUNNER)
  # A Windows program names the folder on drive Z:.
  string(REPLACE "/" "\\" engines "Z:${engines}")
endif()

set(failures 0)
# check(<name> <exit status> <stdout> <stderr pattern> <arguments...>):
# line ends compared as LF; the standard error is matched as a regular
# expression.
function(check name status out err)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 XDG_CONFIG_HOME=${WORK}/config
            ${RUNNER} ${TOOL} ${ARGN}
    RESULT_VARIABLE got_status OUTPUT_VARIABLE got_out ERROR_VARIABLE got_err)
  string(REPLACE "\r" "" got_out "${got_out}")
  string(REPLACE "\r" "" got_err "${got_err}")
  if(NOT got_status STREQUAL status OR NOT got_out STREQUAL out OR NOT got_err MATCHES "^${err}$")
    message(SEND_ERROR "${name}: expected exit ${status}, stdout [${out}], stderr [${err}]\n"
                       "  got exit ${got_status}, stdout [${got_out}], stderr [${got_err}]")
  endif()
endfunction()

set(local --engines ${engines} --engine local.se --site www.example-site.test)

# Found on the second page; the results of the first two pages.
set(expected "position 13\n")
foreach(i RANGE 1 20)
  math(EXPR index "${i} - 1")
  math(EXPR page "(${i} + 9) / 10")
  if(i EQUAL 13)
    string(APPEND expected
           "${index}\thttp://www.example-site.test/home.html\tExample site & alpha\t${page}\t${i}\n")
  else()
    string(APPEND expected
           "${index}\thttp://www.result-${i}.test/page-${i}.html\tResult ${i} for alpha & more\t${page}\t${i}\n")
  endif()
endforeach()
string(APPEND expected "alpha at:13 - OK\n")
check(found 0 "${expected}" "" ${local} --depth 20 "alpha at:13")

# Not found; a keyword in UTF-8, in the cards layout.
check(not_found 0 "position 0\n0\thttp://www.result-1.test/page-1.html\tResult 1 for gamma & more\t1\t1\ngamma - OK\n"
      "" ${local} --depth 1 gamma)
check(utf8 0 "position 1\n0\thttp://www.example-site.test/home.html\tExample site & Привет\t1\t1\nПривет layout:cards at:1 - OK\n"
      "" ${local} --depth 1 "Привет layout:cards at:1")

# The script does not compile; Search fails.
set(broken ${engines}/broken.se)
if(RUNNER)
  set(broken "${engines}\\broken.se")
endif()
set(compile_error "Unable to compile search engine script: ${broken} Undeclared identifier: 'Nowhere' at 4:10")
string(REGEX REPLACE "([.\\])" "\\\\\\1" compile_error_pattern "${compile_error}")
check(compile_error 1 "k - Failed: ${compile_error}\n" "${compile_error_pattern}\n"
      --engines ${engines} --engine broken.se --site x --depth 10 k)
set(server_error "Unable to download http://127.0.0.1:${port}/search?q=%65%20%65%72%72%6F%72%3A%35%30%30&start=0: HTTP 500 Internal Server Error")
string(REGEX REPLACE "([?.])" "\\\\\\1" server_error_pattern "${server_error}")
check(search_fails 2 "e error:500 - Failed: ${server_error}\n" "${server_error_pattern}\n"
      ${local} --depth 10 "e error:500")

# Wrong arguments; an engine that is not there.
set(usage "usage: check-keyword --engines DIR --engine FILE --site URL --depth N \\[--proxy host:port\\] keyword\n")
check(no_site 3 "" "${usage}" --engines ${engines} --engine local.se --depth 10 k)
check(bad_depth 3 "" "${usage}" ${local} --depth ten k)
check(two_keywords 3 "" "${usage}" ${local} --depth 10 k l)
check(no_engine 3 "" "check-keyword: no engine missing.se in [^\n]*\n"
      --engines ${engines} --engine missing.se --site x --depth 10 k)
