# Builds what ships against musl, statically. Debian has no C++ library built
# for musl, and the programs need none at run time: they are compiled with the
# system's C++ headers (header-only use) in front of musl's C headers, and
# linked by musl's C driver, which brings musl's start files, libc.a and
# libgcc but no C++ runtime. The C++ headers were configured for glibc; the
# little they ask of it is answered in musl-shim.h, forced into every unit.
set(ORV_MUSL_GCC musl-gcc CACHE STRING "musl's C compiler driver")
set(CMAKE_C_COMPILER ${ORV_MUSL_GCC})
if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER g++)
endif()

# The include search list of a compiler driver, in its own order.
function(orv_search_list out driver lang)
  execute_process(COMMAND ${driver} -x${lang} -E -v -
    INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT text MATCHES "<...> search starts here:\n(.*)\nEnd of search list")
    message(FATAL_ERROR "musl: no include search list from ${driver} -x${lang} -E -v")
  endif()
  string(REGEX REPLACE "[ \t]*\n[ \t]*" ";" list "${CMAKE_MATCH_1}")
  list(TRANSFORM list STRIP)
  set(${out} ${list} PARENT_SCOPE)
endfunction()
# The C++ headers first (they include_next the C ones), then the C headers
# exactly as musl-gcc searches them.
orv_search_list(cxx_dirs ${CMAKE_CXX_COMPILER} c++)
orv_search_list(c_dirs ${ORV_MUSL_GCC} c)
list(FILTER cxx_dirs INCLUDE REGEX "/c\\+\\+/")
if(NOT cxx_dirs OR NOT c_dirs MATCHES "musl")
  message(FATAL_ERROR "musl: C++ headers '${cxx_dirs}' or musl headers '${c_dirs}' not found")
endif()
set(flags "-nostdinc")
foreach(dir IN LISTS cxx_dirs c_dirs)
  string(APPEND flags " -isystem ${dir}")
endforeach()
string(APPEND flags " -include ${CMAKE_CURRENT_LIST_DIR}/musl-shim.h")
set(CMAKE_CXX_FLAGS_INIT "${flags}")

# Linked by the C driver: no libstdc++, static.
set(CMAKE_CXX_LINK_EXECUTABLE
  "${ORV_MUSL_GCC} <FLAGS> <CMAKE_CXX_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
