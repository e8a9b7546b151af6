# Run while installing (`cmake --install` and cpack), not at configure time:
# the install rules of CMakeLists.txt run this file first, then call its
# two functions. They read the install's own CMAKE_INSTALL_PREFIX, DESTDIR
# and CMAKE_INSTALL_MANIFEST_FILES; package-dirs.cmake reads the mode.

set(tobinary_dir_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)

# tobinary_make_dirs(DIR...): makes each directory, relative to the prefix
# or absolute as install() takes it, before the files go in. CMake would
# make them with the installer's umask applied (0700 under umask 077, so
# that no one else could read the manual page), so every directory made
# here is set to 0755; one that exists is left as it is. The directories
# made are added to tobinary_made_dirs.
function(tobinary_make_dirs)
  foreach(dir IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
    set(path "$ENV{DESTDIR}${dir}")
    set(missing)
    while(NOT IS_DIRECTORY "${path}")
      list(PREPEND missing "${path}")
      cmake_path(GET path PARENT_PATH parent)
      if(parent STREQUAL path OR parent STREQUAL "")
        break()
      endif()
      set(path "${parent}")
    endwhile()
    foreach(path IN LISTS missing)
      file(MAKE_DIRECTORY "${path}")
      file(CHMOD "${path}" DIRECTORY_PERMISSIONS ${tobinary_dir_mode})
    endforeach()
    list(APPEND tobinary_made_dirs ${missing})
  endforeach()
  set(tobinary_made_dirs "${tobinary_made_dirs}" PARENT_SCOPE)
endfunction()

# tobinary_write_uninstall(FILE OWN_DIR...): writes FILE, relative to the
# prefix, a shell script that removes every file the installs into this
# prefix have put in place (itself included), then the directories they
# made and the OWN_DIRs (named after the program), each where nothing else
# is in it. It reads the lists of the script an earlier install wrote
# there: a second install finds the first one's directories made already,
# and may put its files elsewhere. It lives in the prefix, so that no later
# build, package or install from the build tree can change it. Not under
# DESTDIR: a staged install is for a package, whose manager keeps the list.
function(tobinary_write_uninstall file)
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
  endif()
  cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
  cmake_path(GET file PARENT_PATH dir)
  tobinary_make_dirs("${dir}")
  set(files ${CMAKE_INSTALL_MANIFEST_FILES} "${file}")
  set(dirs ${tobinary_made_dirs})
  foreach(dir IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
    list(APPEND dirs "${dir}")
  endforeach()
  if(EXISTS "${file}")
    file(STRINGS "${file}" earlier REGEX "^remove_(file|dir) '")
    foreach(line IN LISTS earlier)
      if(line MATCHES "^remove_(file|dir) '(.*)'$")
        string(REPLACE "'\\''" "'" path "${CMAKE_MATCH_2}")
        list(APPEND ${CMAKE_MATCH_1}s "${path}")
      endif()
    endforeach()
  endif()
  list(REMOVE_DUPLICATES files)
  list(REMOVE_DUPLICATES dirs)
  list(SORT dirs ORDER DESCENDING)  # each directory before the one it is in
  set(lines)
  foreach(kind file dir)
    foreach(path IN LISTS ${kind}s)
      string(REPLACE "'" "'\\''" path "${path}")  # a quote closed, escaped, reopened
      string(APPEND lines "remove_${kind} '${path}'\n")
    endforeach()
  endforeach()
  file(WRITE "${file}" "#!/bin/sh
# Removes tobinary as `cmake --install` put it in place here: each file it
# installed, then each directory it made where nothing else is in it.
set -e
remove_file() { rm -f -- \"$1\"; }
remove_dir() { [ ! -d \"$1\" ] || [ -n \"$(ls -A \"$1\")\" ] || rmdir -- \"$1\"; }
${lines}")
  file(CHMOD "${file}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  message(STATUS "Installing: ${file}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${file}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
