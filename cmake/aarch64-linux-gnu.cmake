# Cross-compiling for arm64 Linux with Debian's g++-aarch64-linux-gnu; the
# programs built run under qemu-aarch64, from qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(TOBINARY_QEMU qemu-aarch64 REQUIRED)  # else every probe would fail
set(CMAKE_CROSSCOMPILING_EMULATOR ${TOBINARY_QEMU} -L ${CMAKE_FIND_ROOT_PATH})
