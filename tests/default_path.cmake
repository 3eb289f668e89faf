# Configures the sources into WORK twice, as an administrator would: first
# with no settings (a build with tests), then again with -DBUILD_TESTING=OFF
# to install. The second configure must give the shipped build whatever the
# first one cached: the shipped search path for an environment without PATH,
# the helpers run from the install prefix, and an install that does not refuse.
file(REMOVE_RECURSE ${WORK})

function(configure)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} ${ARGN}
    RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "configuring ${SOURCE} with '${ARGN}' failed")
  endif()
endfunction()

# The definitions spawn.cc and the commands are compiled with, read from the
# compile commands with their quotes and escapes dropped.
function(definitions out_path out_echo)
  file(READ ${WORK}/compile_commands.json commands)
  string(REPLACE "\\" "" commands "${commands}")
  string(REPLACE "\"" "" commands "${commands}")
  string(REGEX MATCH "-DORV_DEFAULT_PATH=([^ ]*) [^\n]*/src/lib/spawn\\.cc" found "${commands}")
  set(${out_path} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  string(REGEX MATCH "-DORV_HELPER_ECHO=([^ ]*)" found "${commands}")
  set(${out_echo} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

configure()
definitions(path echo)
if(NOT path STREQUAL "${WORK}/testbed/bin:/usr/local/bin:/usr/bin:/bin"
   OR NOT echo STREQUAL "${WORK}/bin/orvctl-helper-echo")
  message(FATAL_ERROR "a build with tests: search path '${path}', echo helper '${echo}'")
endif()

configure(-DBUILD_TESTING=OFF)
definitions(path echo)
if(NOT path STREQUAL "/usr/local/bin:/usr/bin:/bin")
  message(FATAL_ERROR "reconfigured to install, spawn.cc searches '${path}'")
endif()
if(NOT echo STREQUAL "/usr/local/libexec/orvctl-helper-echo")
  message(FATAL_ERROR "reconfigured to install, the echo helper is '${echo}'")
endif()
file(READ ${WORK}/cmake_install.cmake install_script)
if(install_script MATCHES "configure with -DBUILD_TESTING=OFF to install")
  message(FATAL_ERROR "reconfigured to install, the install still refuses")
endif()
file(REMOVE_RECURSE ${WORK})
