# Run while installing (`cmake --install` and cpack), not at configure time:
# the install rules of CMakeLists.txt include this file and call its two
# functions. They read the install's own CMAKE_INSTALL_PREFIX, DESTDIR and
# CMAKE_INSTALL_MANIFEST_FILES.

set(tobinary_dir_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)

# tobinary_make_dirs(DIR...): makes each directory, relative to the prefix,
# before the files go in. CMake would make them with the installer's umask
# applied (0700 under umask 077, so that no one else could read the manual
# page), so every directory made here is set to 0755; one that exists is
# left as it is. The directories made are added to tobinary_made_dirs.
function(tobinary_make_dirs)
  foreach(dir IN LISTS ARGN)
    set(path "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${dir}")
    set(missing)
    while(NOT IS_DIRECTORY "${path}")
      list(PREPEND missing "${path}")
      get_filename_component(parent "${path}" DIRECTORY)
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
# prefix, making its directory first, a shell script that removes every
# file this install has put in place (itself included), then the
# directories it made and OWN_DIRs (the ones named after the program, made
# by an earlier install perhaps), each where nothing else is in it. It lives in the prefix, so that
# no later build, package or install from the build tree can change it.
# Not under DESTDIR: a staged install is for a package, whose own manager
# keeps the list.
function(tobinary_write_uninstall file)
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
  endif()
  get_filename_component(dir "${file}" DIRECTORY)
  tobinary_make_dirs("${dir}")
  set(script "${CMAKE_INSTALL_PREFIX}/${file}")
  set(dirs)
  foreach(dir IN LISTS ARGN)
    list(APPEND dirs "${CMAKE_INSTALL_PREFIX}/${dir}")
  endforeach()
  set(made ${tobinary_made_dirs})
  list(REVERSE made)  # the deepest first
  list(APPEND dirs ${made})
  list(REMOVE_DUPLICATES dirs)
  set(files ${CMAKE_INSTALL_MANIFEST_FILES} "${script}")
  list(REMOVE_DUPLICATES files)
  # Each path in single quotes, a quote in it closed and escaped.
  foreach(list files dirs)
    set(quoted)
    foreach(path IN LISTS ${list})
      string(REPLACE "'" "'\\''" path "${path}")
      string(APPEND quoted " \\\n  '${path}'")
    endforeach()
    set(${list} "${quoted}")
  endforeach()
  file(WRITE "${script}" "#!/bin/sh
# Removes tobinary as `cmake --install` put it in place here: each file it
# installed, then each directory it made where nothing else is in it.
set -e
rm -f --${files}
for dir in${dirs}
do
  [ ! -d \"$dir\" ] || [ -n \"$(ls -A \"$dir\")\" ] || rmdir -- \"$dir\"
done
")
  file(CHMOD "${script}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  message(STATUS "Installing: ${script}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${script}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
