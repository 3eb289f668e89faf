# Prints the size of each static program in PROGRAMS (a list of paths), and
# fails unless `file` calls every one of them statically linked.
find_program(FILE file REQUIRED)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${FILE} -b ${program} OUTPUT_VARIABLE what RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT what MATCHES "statically linked")
    message(FATAL_ERROR "${program} is not statically linked: ${what}")
  endif()
  file(SIZE ${program} bytes)
  get_filename_component(name ${program} NAME)
  message(STATUS "${name}: ${bytes} bytes, statically linked")
endforeach()
