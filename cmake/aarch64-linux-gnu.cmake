# Cross-compiling for arm64 Linux with Debian's g++-aarch64-linux-gnu; the
# programs built run under qemu-user. Debian 12 and 13 name the emulator
# qemu-aarch64 (qemu-user) or qemu-aarch64-static (qemu-user-static); later
# releases have only the first.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Where neither is installed the bare name stays, so that configure can say
# which program it lacks.
find_program(TOBINARY_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(TOBINARY_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOBINARY_QEMU_AARCH64} -L ${CMAKE_FIND_ROOT_PATH})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${CMAKE_FIND_ROOT_PATH})
endif()
