# Run by cpack once the files to pack are in place, before it packs them:
# every directory in the package gets the mode installing.cmake gives the
# ones it makes, as Debian has them. cpack makes some of them itself (usr,
# above the prefix) with the packer's umask applied.
include(${CMAKE_CURRENT_LIST_DIR}/installing.cmake)
file(GLOB_RECURSE paths LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
set(dirs)
foreach(path IN LISTS paths)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    list(APPEND dirs "${path}")
  endif()
endforeach()
file(CHMOD ${dirs} DIRECTORY_PERMISSIONS ${tobinary_dir_mode})
