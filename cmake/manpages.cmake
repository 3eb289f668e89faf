# The manual pages name the paths that this build compiles in: configuring
# writes them from doc/*.in into ${CMAKE_BINARY_DIR}/doc, and those are the
# pages that are installed and packaged.

# A ":"-separated list of paths as mdoc lines: ".Pa a ," ... ".Pa b", "and",
# ".Pa c ," then TAIL; a single path ends with a full stop.
function(orv_man_paths var value tail)
  string(REPLACE ":" ";" items "${value}")
  list(REMOVE_ITEM items "")
  list(LENGTH items n)
  if(n EQUAL 0)
    set(text "none.")
  elseif(n EQUAL 1)
    set(text ".Pa ${items} .")
  else()
    set(text "")
    math(EXPR last "${n} - 1")
    math(EXPR before_last "${n} - 2")
    foreach(i RANGE ${last})
      list(GET items ${i} item)
      if(i EQUAL before_last)
        string(APPEND text ".Pa ${item}\nand\n")
      else()
        string(APPEND text ".Pa ${item} ,\n")
      endif()
    endforeach()
    string(APPEND text "${tail}")
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

orv_man_paths(ORV_MAN_STORELIST "${ORV_STORELIST}" "in this order, joined by colons.")
orv_man_paths(ORV_MAN_DEFAULT_PATH "${orv_default_path}" "in that order.")
set(ORV_MAN_PAGES ${CMAKE_BINARY_DIR}/doc/orv.1 ${CMAKE_BINARY_DIR}/doc/orvctl-helper-echo.8
  ${CMAKE_BINARY_DIR}/doc/orvctl-helper-kill.8)
foreach(page IN LISTS ORV_MAN_PAGES)
  get_filename_component(name ${page} NAME)
  configure_file(${CMAKE_SOURCE_DIR}/doc/${name}.in ${page} @ONLY)
endforeach()
