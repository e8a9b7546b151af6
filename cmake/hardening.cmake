# Hardening and the link mode, included by CMakeLists.txt once the
# interface target tobinary_options exists.
#
# Reads: TOBINARY_STATIC, TOBINARY_SANITIZE, CMAKE_SYSTEM_PROCESSOR, and for
# the probes the compiler, CMAKE_CXX_FLAGS, CMAKE_EXE_LINKER_FLAGS and
# CMAKE_CROSSCOMPILING_EMULATOR.
# Adds to tobinary_options: the hardening that every compile and link of
# the build gets, the program's and the tests' alike.
# Sets:
#   tobinary_link_mode     static-pie or dynamic, which the hardening test
#                          and the package follow
#   tobinary_link_options  the program's own link options

# What every compiler and linker of the last decade has, set plainly: stack
# canaries, control-flow protection (named differently on x86 and arm64),
# relocations read-only once applied and all applied at start, and a stack
# that cannot hold code. _FORTIFY_SOURCE (level 3 where the compiler and C
# library have it, 2 on older ones; a packager's own level is kept) checks
# the C library calls it can, though the program's own code makes none:
# `nm` on its object shows no __*_chk but the canary's __stack_chk_fail.
target_compile_options(tobinary_options INTERFACE -fstack-protector-strong)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
  target_compile_options(tobinary_options INTERFACE -fcf-protection)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  target_compile_options(tobinary_options INTERFACE -mbranch-protection=standard)
endif()
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  target_compile_options(tobinary_options INTERFACE
    "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
endif()
set(hardened -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
target_link_options(tobinary_options INTERFACE ${hardened})

# What differs between toolchains is probed: whether a small C++ program
# links with the given options without a single warning (read in the C
# locale) and runs (under the emulator, for a cross build), since a linker
# may accept what the C library's start-up code cannot do. A result is kept
# until the compiler, the flags, the emulator or the options change.
function(tobinary_probe result)
  string(JOIN "|" inputs ${CMAKE_CXX_COMPILER} ${CMAKE_CXX_COMPILER_VERSION} "${CMAKE_CXX_FLAGS}"
    "${CMAKE_EXE_LINKER_FLAGS}" "${CMAKE_CROSSCOMPILING_EMULATOR}" "${ARGN}")
  if("$CACHE{${result}_INPUTS}" STREQUAL inputs)
    return()
  endif()
  set(dir ${PROJECT_BINARY_DIR}/CMakeFiles/tobinary_probe)
  file(WRITE ${dir}/probe.cpp
    "#include <iostream>\nint main() { std::cout << \"\"; return std::cout ? 0 : 1; }\n")
  set(saved_lc_all "$ENV{LC_ALL}")
  set(ENV{LC_ALL} C)
  try_run(probe_ran probe_built ${dir}/${result} ${dir}/probe.cpp
    COMPILE_DEFINITIONS ${CMAKE_CXX_COMPILE_OPTIONS_PIE} LINK_OPTIONS ${ARGN}
    COMPILE_OUTPUT_VARIABLE log)
  set(ENV{LC_ALL} "${saved_lc_all}")
  set(works FALSE)
  if(probe_built AND NOT log MATCHES "warning:" AND "${probe_ran}" STREQUAL "0")
    set(works TRUE)
  endif()
  unset(probe_ran CACHE)  # try_run keeps both in the cache
  unset(probe_built CACHE)
  set(${result} ${works} CACHE INTERNAL "")
  set(${result}_INPUTS "${inputs}" CACHE INTERNAL "")
endfunction()

# Without a plain program that runs, every probe below would fail and be
# taken for a missing feature.
tobinary_probe(TOBINARY_PROBE_RUNS ${hardened})
if(NOT TOBINARY_PROBE_RUNS)
  message(FATAL_ERROR "tobinary: a plain C++ program does not build and run here (for a cross "
    "build: under \"${CMAKE_CROSSCOMPILING_EMULATOR}\", from Debian's qemu-user); "
    "the logs in ${PROJECT_BINARY_DIR}/CMakeFiles say more")
endif()

# A static-pie loads nothing at start, which is most of a run's cost, and
# is still loaded at a random address. A toolchain without it (no static
# C++ runtime, say) gets a dynamic program, not a static one at a fixed
# address: that would give the randomisation up for a faster start.
# Packed relative relocations take much of the cost of relocating the C++
# runtime at start away again; only a static program's own start-up
# applies them, so a dynamic one does not depend on a C library new
# enough to do it.
include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(tobinary_link_mode dynamic)
set(tobinary_link_options)
if(TOBINARY_STATIC AND NOT TOBINARY_SANITIZE)
  tobinary_probe(TOBINARY_LINKS_STATIC_PIE -static-pie ${hardened})
  if(TOBINARY_LINKS_STATIC_PIE)
    set(tobinary_link_mode static-pie)
    set(tobinary_link_options -static-pie)
    tobinary_probe(TOBINARY_LINKS_PACKED -static-pie ${hardened} -Wl,-z,pack-relative-relocs)
    if(TOBINARY_LINKS_PACKED)
      list(APPEND tobinary_link_options -Wl,-z,pack-relative-relocs)
    else()
      message(WARNING "tobinary: no packed relative relocations here: each start relocates "
        "the C++ runtime entry by entry (slower to start)")
    endif()
  else()
    message(WARNING "tobinary: no static-pie C++ link here: linking dynamically (the C++ "
      "runtime is loaded at each start, which is slower)")
  endif()
endif()
list(JOIN tobinary_link_options " " shown)
message(STATUS "tobinary: linking ${tobinary_link_mode} ${shown}")
