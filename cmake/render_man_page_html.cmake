# SPDX-License-Identifier: MIT
# cmake -DMANDOC=mandoc -DPAGE=dlfgen.1 -DHTML=dlfgen.html -P this-file
# Renders the manual page as one HTML document with mandoc's own style
# sheet in it. A warning fails the build: the page must render cleanly.
execute_process(
  COMMAND ${MANDOC} -T html -W warning,stop ${PAGE}
  OUTPUT_FILE ${HTML}.part
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${HTML}.part)
  message(FATAL_ERROR "mandoc -T html ${PAGE} failed: ${status}")
endif()
file(RENAME ${HTML}.part ${HTML})
