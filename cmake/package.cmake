# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in a build folder, or the `package`
# preset. Name, version and summary come from project().
#
# Reproducible: CPack stamps every member of the package with
# SOURCE_DATE_EPOCH when it is set, and the compiler takes the banner's date
# and time from it; the manual page and the changelog are compressed without
# a name or a time.

# The maintainer, who also signs the changelog's entries. Whoever builds a
# package to hand out is named as Debian's tools name them: from DEBEMAIL,
# either "Name <address>" or the address with the name in DEBFULLNAME, as
# set at the first configure. Otherwise it is the copyright holder at a
# no-reply address of a real mail domain: well formed, accepted by dpkg and
# lintian, and no stranger's inbox gets the mail. It is not made from the
# user and host names, which would make every builder's package differ.
set(maintainer "dlfgen authors <dlfgen-authors@users.noreply.github.com>")
if("$ENV{DEBEMAIL}" MATCHES "^[^<>]+ <[^<>]+@[^<>]+>$")
  set(maintainer "$ENV{DEBEMAIL}")
elseif("$ENV{DEBEMAIL}" MATCHES "^[^<> ]+@[^<> ]+$"
       AND "$ENV{DEBFULLNAME}" MATCHES "^[^<>]+$")
  set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
endif()
set(DLFGEN_MAINTAINER "${maintainer}"
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
# The copyright and the changelog, which Debian wants beside the
# documentation of every package, are made once staged too.
set(CPACK_DLFGEN_DOC_DIR
    "${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME}")
set(CPACK_DLFGEN_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DLFGEN_CHANGELOG ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set(CPACK_DLFGEN_CHANGELOG_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/debian_changelog.awk)
# The stripped tool loses its .comment section too.
set(CPACK_DLFGEN_TOOL
    "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dlfgen")
set(CPACK_DLFGEN_OBJCOPY "${CMAKE_OBJCOPY}")
# Last, every staged folder is made 755 whatever the umask.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/compress_man_page.cmake
    ${CMAKE_CURRENT_LIST_DIR}/debian_doc_files.cmake
    ${CMAKE_CURRENT_LIST_DIR}/remove_comment_section.cmake
    ${CMAKE_CURRENT_LIST_DIR}/normalize_staged_folders.cmake)
set(CPACK_POST_BUILD_SCRIPTS
    ${CMAKE_CURRENT_LIST_DIR}/normalize_deb_members.cmake)

include(CPack)
