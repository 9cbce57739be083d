# The Debian package: `cpack -G DEB` in a build folder, or the `package`
# preset. Name, version and summary come from project().
#
# Reproducible: CPack stamps every member of the package with
# SOURCE_DATE_EPOCH when it is set, and the compiler takes the banner's date
# and time from it; the manual page is compressed without a name or a time.
set(DLFGEN_MAINTAINER "dlfgen maintainers <maintainers@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION [[
dlfgen records where a set of files lies in a disk image. Given the process
files in the order they are to be placed, it measures each one without
reading it, places them on 32-byte boundaries, honouring explicit offsets
where given, and writes a short text file, the disk layout file, with one
line per file and a closing line with the end of the layout.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DLFGEN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Debian keeps manual pages compressed. The plain install keeps dlfgen.1;
# the package's staging copy is compressed once staged, before packing.
set(CPACK_DLFGEN_MAN_PAGE
    "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/dlfgen.1")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/compress_man_page.cmake)
set(CPACK_POST_BUILD_SCRIPTS
    ${CMAKE_CURRENT_LIST_DIR}/normalize_deb_members.cmake)

include(CPack)
