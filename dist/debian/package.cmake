# The Debian package, made by `cpack` in a build of the package preset
# (prefix /usr, helpers in /usr/libexec/orv). Included instead of the plain
# installation of the manual pages: Debian wants them compressed.

set(ORV_MAINTAINER "orv maintainers <maintainers@users.noreply.c-seed-0cafb03c.example>")
set(ORV_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/dist/debian)
set(ORV_DEBIAN_OUT ${CMAKE_BINARY_DIR}/debian)

# Manual pages and the changelog compressed with gzip -9n: best compression,
# no file name and no time stamp, so that the same sources give the same bytes.
find_program(ORV_GZIP gzip REQUIRED)
set(orv_gzipped)
function(orv_gzip source name)
  set(out ${ORV_DEBIAN_OUT}/${name})
  add_custom_command(OUTPUT ${out}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${out}
    COMMAND ${ORV_GZIP} -9nf ${out}
    DEPENDS ${source} VERBATIM)
  set(orv_gzipped ${orv_gzipped} ${out}.gz PARENT_SCOPE)
endfunction()
foreach(page IN LISTS ORV_MAN_PAGES)
  get_filename_component(name ${page} NAME)
  orv_gzip(${page} ${name})
endforeach()
orv_gzip(${ORV_DEBIAN_DIR}/changelog changelog)
add_custom_target(orv_debian_gzip ALL DEPENDS ${orv_gzipped})

install(FILES ${ORV_DEBIAN_OUT}/orv.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ORV_DEBIAN_OUT}/orvctl-helper-echo.8.gz ${ORV_DEBIAN_OUT}/orvctl-helper-kill.8.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES ${ORV_DEBIAN_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The machine-readable copyright file carries the license text of LICENSE
# (after its copyright line), each line indented, empty lines as " .".
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE orv_license_lines)
list(POP_FRONT orv_license_lines orv_copyright_line)
string(REGEX REPLACE "^Copyright \\(c\\) " "" ORV_COPYRIGHT "${orv_copyright_line}")
set(ORV_LICENSE_TEXT)
foreach(line IN LISTS orv_license_lines)
  if(line STREQUAL "" AND ORV_LICENSE_TEXT STREQUAL "")
    continue()
  elseif(line STREQUAL "")
    set(line ".")
  endif()
  string(APPEND ORV_LICENSE_TEXT " ${line}\n")
endforeach()
string(STRIP "${ORV_LICENSE_TEXT}" ORV_LICENSE_TEXT)
set(ORV_LICENSE_TEXT " ${ORV_LICENSE_TEXT}")
configure_file(${ORV_DEBIAN_DIR}/copyright.in ${ORV_DEBIAN_OUT}/copyright @ONLY)
install(FILES ${ORV_DEBIAN_OUT}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ORV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "front end to a dependency-based service manager and process supervisor")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/dist/freebsd/pkg-descr)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends from the C library symbols the programs use, as dpkg-shlibdeps
# finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
