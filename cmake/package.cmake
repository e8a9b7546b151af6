# The Debian package: `cpack -G DEB` packs the components tobinary and, for
# a static-pie, lintian, as `cmake --install` would put them in place.
# Reads tobinary_link_mode, CMAKE_LIBRARY_ARCHITECTURE, PROJECT_SOURCE_DIR
# and the project's version and description; sets the CPACK_ variables and
# dpkg-architecture's path, TOBINARY_DPKG_ARCHITECTURE. cpack reads source-date.cmake.
set(CPACK_PACKAGE_CONTACT "tobinary developers <dev@tobinary.invalid>" CACHE STRING
  "Maintainer of the Debian package: name and address")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "An interactive program that asks for a number on standard input
and writes its binary digits; the manual page, tobinary(1), says how.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL tobinary)
# Only a dynamic program loads libraries to depend on; only a static-pie
# draws the lintian tags that the overrides answer.
if(tobinary_link_mode STREQUAL "dynamic")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  list(APPEND CPACK_COMPONENTS_ALL lintian)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
# For the machine the compiler builds for; cpack would name this machine.
find_program(TOBINARY_DPKG_ARCHITECTURE dpkg-architecture)
if(TOBINARY_DPKG_ARCHITECTURE AND CMAKE_LIBRARY_ARCHITECTURE)
  execute_process(COMMAND ${TOBINARY_DPKG_ARCHITECTURE} -t${CMAKE_LIBRARY_ARCHITECTURE}
    -qDEB_HOST_ARCH OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/source-date.cmake)
set(CPACK_TOBINARY_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
