# Run while installing (`cmake --install` and cpack): the install rules of
# CMakeLists.txt set tobinary_install_dirs, run it, then call its two functions.
# Reads tobinary_install_dirs and the install's own CMAKE_INSTALL_PREFIX, DESTDIR
# and CMAKE_INSTALL_MANIFEST_FILES. Sets CMAKE_INSTALL_PREFIX absolute and
# tobinary_made_dirs, and adds the uninstall script to the manifest files.

# A relative prefix is taken from the folder the install runs in, as
# CMake's own rules take it, so that no path below is relative twice.
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX NORMALIZE)
# CMake's lists split a path at ";" but not past a lone "[" or "]", its
# file commands take "\" for "/", and the uninstall script lists a path a
# line: an install into a path that held any of them would make, or later
# remove, paths it does not name. So it fails before it makes anything.
if("$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}${tobinary_install_dirs}" MATCHES "[][;\\\n]")
  message(FATAL_ERROR "tobinary: cannot install into a path holding \";\", \"\\\", \"[\", \"]\" or a line end")
endif()

# tobinary_make_dirs(DIR...): makes each directory (relative to the prefix,
# or absolute) and those above it that are missing 0755, where CMake would
# apply the installer's umask (077: no one else could read the manual
# page); under DESTDIR every directory below it, as cpack makes usr with
# the packer's umask. Adds the directories made to tobinary_made_dirs.
function(tobinary_make_dirs)
  string(REGEX REPLACE "(.)/+$" "\\1" stage "$ENV{DESTDIR}")
  foreach(dir IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
    cmake_path(SET path NORMALIZE "${stage}${dir}")
    set(missing)
    set(dirs_0755)
    while(NOT path STREQUAL "" AND NOT path STREQUAL stage)
      cmake_path(IS_PREFIX stage "${path}" NORMALIZE staged)
      if(NOT IS_DIRECTORY "${path}")
        list(APPEND missing "${path}")
      elseif(stage STREQUAL "" OR NOT staged)
        break()
      endif()
      list(APPEND dirs_0755 "${path}")
      cmake_path(GET path PARENT_PATH path)
    endwhile()
    if(dirs_0755)
      file(MAKE_DIRECTORY ${dirs_0755})
      file(CHMOD ${dirs_0755} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
        GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
    list(APPEND tobinary_made_dirs ${missing})
  endforeach()
  set(tobinary_made_dirs "${tobinary_made_dirs}" PARENT_SCOPE)
endfunction()

# tobinary_write_uninstall(FILE): writes FILE (relative to the prefix), a
# script that removes each file the installs into this prefix put in
# place, then each directory they made where nothing else is in it. It
# keeps the lists of the script it replaces, since a second install finds
# the first one's directories made. The lists are in the script itself,
# so no later build changes what it removes; under DESTDIR there is none,
# as a package's manager keeps the list.
function(tobinary_write_uninstall file)
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
  endif()
  cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
  cmake_path(GET file PARENT_PATH script_dir)
  tobinary_make_dirs("${script_dir}")
  set(files ${CMAKE_INSTALL_MANIFEST_FILES} "${file}")
  set(dirs ${tobinary_made_dirs})
  if(EXISTS "${file}")
    file(STRINGS "${file}" earlier_files REGEX "^f /")
    file(STRINGS "${file}" earlier_dirs REGEX "^d /")
    list(TRANSFORM earlier_files REPLACE "^f " "")
    list(TRANSFORM earlier_dirs REPLACE "^d " "")
    list(APPEND files ${earlier_files})
    list(APPEND dirs ${earlier_dirs})
  endif()
  list(REMOVE_DUPLICATES files)
  list(REMOVE_DUPLICATES dirs)
  list(SORT dirs ORDER DESCENDING)  # each directory before the one it is in
  list(TRANSFORM files PREPEND "f ")
  list(TRANSFORM dirs PREPEND "d ")
  string(JOIN "\n" lines ${files} ${dirs})
  # The lists in a quoted here-document, which the shell expands nothing of.
  file(WRITE "${file}" "#!/bin/sh
# Removes tobinary as `cmake --install` put it in place here: each file it
# installed (f), then each directory it made (d) where nothing else is in it.
set -e
while IFS= read -r line; do
  path=\${line#? }
  case $line in
    f*) rm -f -- \"$path\" ;;
    d*) [ ! -d \"$path\" ] || [ -n \"$(ls -A \"$path\")\" ] || rmdir -- \"$path\" ;;
  esac
done <<'LIST'
${lines}
LIST
")
  file(CHMOD "${file}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  message(STATUS "Installing: ${file}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${file}")  # so that install_manifest.txt lists it too
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
