# A musl build for testing (ORV_MUSL): what ships is built by a second
# configure of this tree with musl-toolchain.cmake, statically, into this
# build's bin folder, where the tests and the sandbox find the programs and
# orv finds its helpers. The tests, the testbed and the libraries the tests
# link stay on the system's C library. The sizes of the programs are printed
# after each build.
if(NOT orv_testing_build)
  message(FATAL_ERROR "ORV_MUSL builds musl programs for the tests; to build them for installing, "
    "configure with -DCMAKE_TOOLCHAIN_FILE=cmake/musl-toolchain.cmake -DORV_STATIC=ON")
endif()
if(ORV_SANITIZE)
  message(FATAL_ERROR "ORV_MUSL and ORV_SANITIZE do not go together")
endif()
include(ExternalProject)
set(orv_musl_args
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/musl-toolchain.cmake
  -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${CMAKE_BINARY_DIR}/bin
  -DBUILD_TESTING=OFF
  -DORV_BUILD_TESTBED=OFF
  -DORV_HELPERS_IN_BUILD_TREE=ON
  -DORV_STATIC=ON
  -DORV_LIBC_DRIVER=ON
  -DORV_DEFAULT_PATH=${orv_default_path})
foreach(launcher CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER)
  if(${launcher})
    list(APPEND orv_musl_args -D${launcher}=${${launcher}})
  endif()
endforeach()
set(orv_musl_programs orv orvctl-helper-echo orvctl-helper-kill)
list(TRANSFORM orv_musl_programs PREPEND ${CMAKE_BINARY_DIR}/bin/ OUTPUT_VARIABLE orv_musl_paths)
string(REPLACE ";" "|" orv_musl_path_list "${orv_musl_paths}")
ExternalProject_Add(orv_musl
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/musl
  LIST_SEPARATOR |
  CMAKE_ARGS ${orv_musl_args}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${orv_musl_programs} orv_libc_driver
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${orv_musl_paths} ${CMAKE_BINARY_DIR}/bin/orv_libc_driver
  INSTALL_COMMAND ""
  TEST_COMMAND ${CMAKE_COMMAND} -DPROGRAMS=${orv_musl_path_list}
    -P ${CMAKE_CURRENT_LIST_DIR}/static-sizes.cmake
  TEST_AFTER_INSTALL ON)
# What the tests ask the programs' C library, built with them.
add_custom_target(orv_libc_driver)
add_dependencies(orv_libc_driver orv_musl)
