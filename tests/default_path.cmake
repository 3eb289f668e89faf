# Configures the sources with no settings at all into WORK and checks that
# the search path compiled in for an environment without PATH is the
# shipped one.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -DBUILD_TESTING=OFF
  -DORV_BUILD_TESTBED=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring ${SOURCE} failed")
endif()
file(READ ${WORK}/compile_commands.json commands)
file(REMOVE_RECURSE ${WORK})
string(REGEX MATCH "-DORV_DEFAULT_PATH=[^ ]*/usr/local/bin:/usr/bin:/bin[^ :/]* [^\n]*/src/lib/spawn\\.cc"
  found "${commands}")
if(NOT found)
  message(FATAL_ERROR "spawn.cc is not built with ORV_DEFAULT_PATH /usr/local/bin:/usr/bin:/bin")
endif()
