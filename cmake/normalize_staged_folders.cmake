# SPDX-License-Identifier: MIT
# Run by CPack after the other scripts on the staged files. The folders
# made above the installed files follow the umask of whoever packs (under
# umask 077 they came out drwx------), and CPack only clears their group
# and world write bits. Every staged folder is made 755, as in Debian's own
# packages; the files have the modes the install and the scripts gave them.
file(GLOB_RECURSE entries LIST_DIRECTORIES true
     "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
    file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
               GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
