# SPDX-License-Identifier: MIT
# What the Windows build installs, and its zip: `cpack -G ZIP` in the build
# folder, or the `windows` package preset, gives
# dlfgen-<version>-win64.zip. Windows has no man, so the manual page goes
# in rendered as HTML, beside the tool, README.md and the licence; nothing
# there needs installing to a fixed place.
find_program(MANDOC_COMMAND mandoc)
if(MANDOC_COMMAND)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/dlfgen.html
    COMMAND ${CMAKE_COMMAND} -DMANDOC=${MANDOC_COMMAND}
            -DPAGE=${PROJECT_BINARY_DIR}/dlfgen.1
            -DHTML=${PROJECT_BINARY_DIR}/dlfgen.html
            -P ${CMAKE_CURRENT_LIST_DIR}/render_man_page_html.cmake
    DEPENDS ${PROJECT_BINARY_DIR}/dlfgen.1
            ${CMAKE_CURRENT_LIST_DIR}/render_man_page_html.cmake
    COMMENT "Rendering the manual page as HTML"
    VERBATIM)
  add_custom_target(dlfgen_html ALL DEPENDS ${PROJECT_BINARY_DIR}/dlfgen.html)
  install(FILES ${PROJECT_BINARY_DIR}/dlfgen.html DESTINATION .)
else()
  message(WARNING "mandoc not found: the zip will have no manual page")
endif()

install(TARGETS dlfgen RUNTIME DESTINATION .)
install(FILES README.md LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
# One folder in the zip, named like it, so that unpacking it scatters
# nothing.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)

include(CPack)
