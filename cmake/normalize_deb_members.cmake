# SPDX-License-Identifier: MIT
# Run by CPack once the package is made. A .deb is an ar archive of three
# members; CPack gives each the mode of its work file, which follows the
# umask of whoever packs, where dpkg-deb always writes 644. Each member's
# header is rewritten to 644, so the package is the same under any umask.
#
# ar layout: the 8-byte magic, then per member a 60-byte header (name 16,
# time 12, owner 6, group 6, mode 8, size 10, end 2) and the data, padded
# to an even length.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(READ "${package}" magic LIMIT 8)
  if(NOT magic STREQUAL "!<arch>\n")
    message(FATAL_ERROR "not an ar archive: ${package}")
  endif()
  file(SIZE "${package}" package_size)
  set(header 8)
  while(header LESS package_size)
    math(EXPR mode_at "${header} + 40")
    math(EXPR size_at "${header} + 48")
    file(READ "${package}" member_size OFFSET ${size_at} LIMIT 10)
    string(STRIP "${member_size}" member_size)
    if(NOT member_size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "bad member header at ${header} in ${package}")
    endif()
    execute_process(
      COMMAND printf "100644  "
      COMMAND dd "of=${package}" bs=1 seek=${mode_at} conv=notrunc status=none
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "rewriting the member mode in ${package} failed")
    endif()
    math(EXPR header "${header} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
endforeach()
