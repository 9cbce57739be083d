# SPDX-License-Identifier: MIT
# Run by CPack once the package's files are staged: adds the two files
# Debian wants in every package's documentation folder. They belong to the
# package only; the plain install does without them.
#
# copyright: in the machine-readable format, with the holder and the
# licence text taken from LICENSE. Debian calls the MIT licence Expat.
#
# changelog.gz: CHANGELOG.md rewritten as a Debian changelog, the format a
# native package's changelog has, compressed like the manual page with
# gzip -9n, which leaves the name and the time out of the header.
set(doc "${CPACK_TEMPORARY_DIRECTORY}${CPACK_DLFGEN_DOC_DIR}")

# The files get their mode here, not from the umask of whoever packs; the
# folders get theirs in normalize_staged_folders.cmake.
set(file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(MAKE_DIRECTORY "${doc}")

file(READ "${CPACK_DLFGEN_LICENSE}" license)
if(NOT license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n")
  message(FATAL_ERROR "no 'Copyright (c)' line in ${CPACK_DLFGEN_LICENSE}")
endif()
set(holder "${CMAKE_MATCH_1}")
string(FIND "${license}" "Permission is hereby granted" start)
if(start LESS 0)
  message(FATAL_ERROR "no licence text in ${CPACK_DLFGEN_LICENSE}")
endif()
string(SUBSTRING "${license}" ${start} -1 text)
string(STRIP "${text}" text)
# The text is a field's continuation: each line starts with a space, and an
# empty line is written " .".
while(text MATCHES "\n\n")
  string(REPLACE "\n\n" "\n.\n" text "${text}")
endwhile()
string(REPLACE "\n" "\n " text "${text}")
file(WRITE "${doc}/copyright" "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${CPACK_PACKAGE_NAME}

Files: *
Copyright: ${holder}
License: Expat
 ${text}
")
file(CHMOD "${doc}/copyright" PERMISSIONS ${file_mode})

execute_process(
  COMMAND awk -v "package=${CPACK_PACKAGE_NAME}"
          -v "version=${CPACK_PACKAGE_VERSION}"
          -v "maintainer=${CPACK_DEBIAN_PACKAGE_MAINTAINER}"
          -f "${CPACK_DLFGEN_CHANGELOG_SCRIPT}" "${CPACK_DLFGEN_CHANGELOG}"
  OUTPUT_FILE "${doc}/changelog"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CPACK_DLFGEN_CHANGELOG} is not a changelog "
                      "this package can carry: ${status}")
endif()
execute_process(COMMAND gzip -9nf "${doc}/changelog" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of ${doc}/changelog failed: ${status}")
endif()
file(CHMOD "${doc}/changelog.gz" PERMISSIONS ${file_mode})
