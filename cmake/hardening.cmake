# Probes and hardening, included by CMakeLists.txt once the interface
# target tobinary_options exists. Each protection and each link mode is
# probed with a small program that must build without a warning and run
# (under the emulator, for a cross build); one the toolchain lacks is
# dropped with a warning that says what is lost.
#
# Reads: TOBINARY_STATIC, TOBINARY_SANITIZE, the compiler, CMAKE_CXX_FLAGS,
# CMAKE_EXE_LINKER_FLAGS and CMAKE_CROSSCOMPILING_EMULATOR.
# Adds to tobinary_options: the compiler's hardening, for the program and
# its tests alike.
# Sets, for the rest of the build:
#   tobinary_link_mode     static-pie, static or dynamic: the program's
#                          link, which the hardening test checks and the
#                          package's description and contents follow
#   tobinary_protections   canary, relro, now, noexecstack: those found,
#                          which the hardening test checks
#   tobinary_link_options  the program's link options
#   tobinary_main_options  compile options for the object main alone

# Whether a small C++ program compiles and links with the given options
# without a single warning (read in the C locale), and runs: a compiler may
# take a flag with only a warning, and a linker may accept what the C
# library's start-up code cannot do. A result is kept until one of its
# inputs changes, so that a reconfigure with other flags or another
# compiler probes again.
#   tobinary_probe(RESULT [COMPILE flags...] [LINK options...])
function(tobinary_probe result)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "COMPILE;LINK")
  string(JOIN "|" inputs ${CMAKE_CXX_COMPILER} ${CMAKE_CXX_COMPILER_VERSION} "${CMAKE_CXX_FLAGS}"
    "${CMAKE_EXE_LINKER_FLAGS}" "${CMAKE_CROSSCOMPILING_EMULATOR}" "${arg_COMPILE}" "${arg_LINK}")
  if(DEFINED CACHE{${result}} AND "$CACHE{${result}_INPUTS}" STREQUAL inputs)
    return()
  endif()
  set(dir ${PROJECT_BINARY_DIR}/CMakeFiles/tobinary_probe)
  file(WRITE ${dir}/probe.cpp
    "#include <iostream>\nint main() { std::cout << \"\"; return std::cout ? 0 : 1; }\n")
  set(saved_lc_all "$ENV{LC_ALL}")
  set(ENV{LC_ALL} C)
  try_run(tobinary_probe_ran tobinary_probe_built ${dir}/${result} ${dir}/probe.cpp
    COMPILE_DEFINITIONS ${CMAKE_CXX_COMPILE_OPTIONS_PIE} ${arg_COMPILE} LINK_OPTIONS ${arg_LINK}
    COMPILE_OUTPUT_VARIABLE log)
  set(ENV{LC_ALL} "${saved_lc_all}")
  # try_run keeps both results in the cache under these names.
  set(works FALSE)
  if(tobinary_probe_built AND NOT log MATCHES "warning:" AND "${tobinary_probe_ran}" STREQUAL "0")
    set(works TRUE)
  endif()
  unset(tobinary_probe_ran CACHE)
  unset(tobinary_probe_built CACHE)
  set(${result} ${works} CACHE INTERNAL "the probe program builds and runs with: ${inputs}")
  set(${result}_INPUTS "${inputs}" CACHE INTERNAL "")
endfunction()

# A program built for another machine runs under an emulator, here as in
# the tests. Without one that works, every probe below would fail and be
# taken for a missing feature.
if(CMAKE_CROSSCOMPILING)
  set(package "Debian's qemu-user provides qemu-${CMAKE_SYSTEM_PROCESSOR}")
  list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 emulator)
  if(NOT emulator)
    message(FATAL_ERROR "tobinary: cross-compiling, but CMAKE_CROSSCOMPILING_EMULATOR names "
      "no emulator to run the probes and the tests (${package})")
  endif()
  find_program(emulator_path ${emulator} NO_CACHE)
  if(NOT emulator_path)
    message(FATAL_ERROR "tobinary: the emulator ${emulator} is not installed; it runs the "
      "programs built for ${CMAKE_SYSTEM_PROCESSOR} (${package})")
  endif()
endif()
tobinary_probe(TOBINARY_PROBE_RUNS)
if(NOT TOBINARY_PROBE_RUNS AND CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "tobinary: the emulator ${emulator} does not run a plain C++ program "
    "built for ${CMAKE_SYSTEM_PROCESSOR} (${package}); the logs in "
    "${PROJECT_BINARY_DIR}/CMakeFiles say more")
elseif(NOT TOBINARY_PROBE_RUNS)
  message(FATAL_ERROR "tobinary: a plain C++ program does not build and run here; the logs "
    "in ${PROJECT_BINARY_DIR}/CMakeFiles say more")
endif()

# Hardening, each piece where the toolchain has it; one it lacks is dropped
# with a warning that says what is lost. The protections the program gets
# are listed for its hardening test.
set(tobinary_protections)
# Stack canaries.
tobinary_probe(TOBINARY_HAS_STACK_PROTECTOR COMPILE -fstack-protector-strong)
if(TOBINARY_HAS_STACK_PROTECTOR)
  target_compile_options(tobinary_options INTERFACE -fstack-protector-strong)
  list(APPEND tobinary_protections canary)
else()
  message(WARNING "tobinary: no -fstack-protector-strong: no stack canaries")
endif()
# Control-flow protection, named differently on x86-64 and arm64.
tobinary_probe(TOBINARY_HAS_CF_PROTECTION COMPILE -fcf-protection)
tobinary_probe(TOBINARY_HAS_BRANCH_PROTECTION COMPILE -mbranch-protection=standard)
if(TOBINARY_HAS_CF_PROTECTION)
  target_compile_options(tobinary_options INTERFACE -fcf-protection)
elseif(TOBINARY_HAS_BRANCH_PROTECTION)
  target_compile_options(tobinary_options INTERFACE -mbranch-protection=standard)
else()
  message(WARNING "tobinary: neither -fcf-protection nor -mbranch-protection: "
    "no control-flow protection")
endif()
# Checked buffer sizes in C library calls, which need optimisation: level
# 3 where the compiler and C library have it (older ones take it as 2); a
# level that a packager's flags name already is left as it is.
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  target_compile_options(tobinary_options INTERFACE
    "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
endif()

# Relocations read-only once applied, all of them applied at start, and a
# stack that cannot hold code.
set(hardened -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
tobinary_probe(TOBINARY_LINKS_HARDENED LINK ${hardened})
if(TOBINARY_LINKS_HARDENED)
  list(APPEND tobinary_protections relro now noexecstack)
else()
  message(WARNING "tobinary: the linker lacks -z relro, now or noexecstack: relocations stay "
    "writable and the stack's protection is the toolchain's default")
  set(hardened)
endif()

# Static-pie keeps the static program's fast start and still loads it at a
# random address.
include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(tobinary_link_mode dynamic)
if(TOBINARY_STATIC AND NOT TOBINARY_SANITIZE)
  tobinary_probe(TOBINARY_LINKS_STATIC_PIE LINK -static-pie ${hardened})
  if(TOBINARY_LINKS_STATIC_PIE)
    set(tobinary_link_mode static-pie)
  else()
    tobinary_probe(TOBINARY_LINKS_STATIC LINK -static ${hardened})
    if(TOBINARY_LINKS_STATIC)
      set(tobinary_link_mode static)
      message(WARNING "tobinary: no static-pie C++ link here: linking statically, at a fixed "
        "address (the program's own address is not randomised)")
    else()
      message(WARNING "tobinary: no static link with these libraries and flags: linking "
        "dynamically (the C++ runtime is loaded at each start, which is slower)")
    endif()
  endif()
endif()
set(tobinary_link_options ${hardened})
if(NOT tobinary_link_mode STREQUAL "dynamic")
  list(APPEND tobinary_link_options -${tobinary_link_mode})
endif()

# Savings: each function and object in a section of its own, so that the
# linker drops the parts of the C and C++ runtime that nothing uses; and
# packed relocations, which take much of the start-up cost of relocating
# the C++ runtime away again.
set(tobinary_main_options -ffunction-sections -fdata-sections)
tobinary_probe(TOBINARY_LINKS_GC_SECTIONS COMPILE ${tobinary_main_options}
  LINK ${tobinary_link_options} -Wl,--gc-sections)
if(TOBINARY_LINKS_GC_SECTIONS)
  list(APPEND tobinary_link_options -Wl,--gc-sections)
else()
  message(WARNING "tobinary: no section garbage collection here: the program keeps code "
    "and data that nothing uses (larger, slower to start)")
  set(tobinary_main_options)
endif()
tobinary_probe(TOBINARY_LINKS_PACKED LINK ${tobinary_link_options} -Wl,-z,pack-relative-relocs)
if(TOBINARY_LINKS_PACKED)
  list(APPEND tobinary_link_options -Wl,-z,pack-relative-relocs)
else()
  message(WARNING "tobinary: no packed relative relocations here: each start relocates "
    "the runtime entry by entry (slower to start)")
endif()

list(JOIN tobinary_link_options " " shown)
message(STATUS "tobinary: linking ${tobinary_link_mode}: ${shown}")
