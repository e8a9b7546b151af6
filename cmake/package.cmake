# The Debian package, included by CMakeLists.txt after the install rules:
# `cpack -G DEB` (or plain `cpack`) packs the components tobinary and, for
# a static-pie program, lintian, as `cmake --install` would put them in
# place.
#
# Reads: tobinary_link_mode (a dynamic program gets its library
# dependencies from dpkg-shlibdeps and no lintian overrides), the project's
# version and description.
# Sets: the CPACK_ variables. At packing time cpack runs source-date.cmake
# (file dates) and package-dirs.cmake (directory modes).

set(CPACK_PACKAGE_CONTACT "tobinary developers <dev@tobinary.invalid>" CACHE STRING
  "Maintainer of the Debian package: name and address")
# The synopsis is the project's description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "tobinary prompts for a number, reads decimal integers from standard input
until one of them is 0 or more, and writes that number's binary digits,
most significant first, each followed by one space.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# One package of the program and, for a static-pie, the overrides.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL tobinary)
if(tobinary_link_mode STREQUAL "dynamic")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  list(APPEND CPACK_COMPONENTS_ALL lintian)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
# The package is for the machine the compiler builds for, as Debian names
# it; left alone, cpack names the building machine's.
find_program(TOBINARY_DPKG_ARCHITECTURE dpkg-architecture)
if(TOBINARY_DPKG_ARCHITECTURE)
  set(target ${CMAKE_CXX_COMPILER_TARGET})
  if(NOT target)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
      OUTPUT_VARIABLE target OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  execute_process(COMMAND ${TOBINARY_DPKG_ARCHITECTURE} -t${target} -qDEB_HOST_ARCH
    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
# Unless SOURCE_DATE_EPOCH is set, cpack dates the files it packs by the
# last commit, so that two builds of one commit give the same bytes.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/source-date.cmake)
set(CPACK_TOBINARY_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-dirs.cmake)
include(CPack)
