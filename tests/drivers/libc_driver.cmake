# The driver that tells the tests what the programs' C library says. Built
# with the programs: by the tests' build, or by the musl sub-build of a musl
# test build (cmake/musl.cmake).
add_executable(orv_libc_driver ${CMAKE_CURRENT_LIST_DIR}/libc_driver.cc)
target_link_libraries(orv_libc_driver PRIVATE orvlib orv_product_flags)
orv_shipped_program(orv_libc_driver)
