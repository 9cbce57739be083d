# SPDX-License-Identifier: MIT
# Run by CPack once the package's files are staged and stripped. CPack's
# strip leaves the .comment section, the compiler's name and version, in
# the tool; Debian's packaging removes it as dh_strip does, with objcopy.
set(tool "${CPACK_TEMPORARY_DIRECTORY}${CPACK_DLFGEN_TOOL}")
if(NOT EXISTS "${tool}")
  message(FATAL_ERROR "the staged tool is missing: ${tool}")
endif()
execute_process(COMMAND "${CPACK_DLFGEN_OBJCOPY}" --remove-section=.comment
                        "${tool}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objcopy of ${tool} failed: ${status}")
endif()
