# SPDX-License-Identifier: MIT
# The tests of the Windows build, included by tests/CMakeLists.txt in its
# place. Every program runs under Wine through wine_run.sh, in a prefix of
# the build's own (made on first use: 10 to 20 seconds, 700 MB); a test
# is skipped, status 77, when Wine or another tool it needs is missing.
#
# Not registered for Windows, and why:
#   terminal             the display order on a pseudo-terminal: Wine's
#                        console draws each character with escape
#                        sequences of its own (end_to_end_windows.sh checks
#                        CON on a console)
#   end_to_end_memcheck  valgrind cannot check a Windows program
#   completion           bash completion is not in the zip
#   install, package     the install tree and the Debian package; the
#                        zip's test is zip_package
set(DLFGEN_WINE_PREFIX ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix CACHE PATH
    "Wine prefix the Windows build's tests run in")
set(wine_run bash ${CMAKE_CURRENT_SOURCE_DIR}/wine_run.sh
    ${DLFGEN_WINE_PREFIX})
string(JOIN " " wine_runner ${wine_run})

# The platform layer, and dlfgen's manifest, so that names are UTF-8 in
# the test program as in the tool.
target_sources(dlfgen_unit_tests PRIVATE platform_windows_test.cc)
if(MSVC)
  target_sources(dlfgen_unit_tests PRIVATE
                 ${PROJECT_SOURCE_DIR}/platform/windows.manifest)
else()
  target_sources(dlfgen_unit_tests PRIVATE
                 ${PROJECT_SOURCE_DIR}/platform/windows.rc)
endif()
target_link_libraries(dlfgen_unit_tests PRIVATE dlfgen_platform)

# One run of the whole test program: each run under Wine costs half a
# second, and its output names every test that fails.
add_test(NAME unit_tests
         COMMAND ${wine_run} $<TARGET_FILE:dlfgen_unit_tests>)

# The end-to-end cases that mean something on Windows, and the ones that
# only Windows has.
add_test(NAME end_to_end
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/end_to_end.sh
                 $<TARGET_FILE:dlfgen> ${PROJECT_VERSION})
add_test(NAME end_to_end_windows
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/end_to_end_windows.sh
                 $<TARGET_FILE:dlfgen> ${PROJECT_VERSION})

# The manual page the zip carries as HTML, its layout examples run with
# dlfgen.exe.
add_test(NAME man_page
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/man_page_test.sh
                 ${PROJECT_BINARY_DIR}/dlfgen.1 ${PROJECT_SOURCE_DIR}
                 $<TARGET_FILE:dlfgen> ${PROJECT_VERSION} ${CMAKE_COMMAND})

set_tests_properties(unit_tests end_to_end end_to_end_windows man_page
                     PROPERTIES ENVIRONMENT "DLFGEN_RUNNER=${wine_runner}"
                                SKIP_RETURN_CODE 77)
# Its drive y: is mapped for the drive-letter cases.
set_property(TEST end_to_end_windows APPEND PROPERTY
             ENVIRONMENT "DLFGEN_WINE_PREFIX=${DLFGEN_WINE_PREFIX}")

# dlfgen.exe needs only Windows' own DLLs.
add_test(NAME runtime_libraries
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_runtime_libraries_test.sh
                 $<TARGET_FILE:dlfgen> ${CMAKE_OBJDUMP} ${CMAKE_NM})

# cpack -G ZIP into a temporary folder: the zip's name and members.
add_test(NAME zip_package
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/zip_package_test.sh
                 ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR}
                 ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
set_tests_properties(runtime_libraries zip_package
                     PROPERTIES SKIP_RETURN_CODE 77)
set_tests_properties(unit_tests PROPERTIES LABELS unit)
set_tests_properties(end_to_end end_to_end_windows runtime_libraries
                     PROPERTIES LABELS end_to_end)
set_tests_properties(man_page PROPERTIES LABELS docs)
set_tests_properties(zip_package PROPERTIES LABELS packaging)
