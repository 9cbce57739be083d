# SPDX-License-Identifier: MIT
# Run by CPack once the package's files are staged: compresses the manual
# page in place with gzip -9n, which leaves the original name and time out
# of the header.
set(page "${CPACK_TEMPORARY_DIRECTORY}${CPACK_DLFGEN_MAN_PAGE}")
if(NOT EXISTS "${page}")
  message(FATAL_ERROR "the staged manual page is missing: ${page}")
endif()
execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of ${page} failed: ${status}")
endif()
