# Hardening and the link mode, included by CMakeLists.txt once the
# interface target tobinary_options exists. HACKING.md says why each piece.
# Reads: TOBINARY_STATIC, TOBINARY_SANITIZE, CMAKE_SYSTEM_PROCESSOR,
# CMAKE_CXX_FLAGS, and for the probes, built in the C locale under
# PROJECT_BINARY_DIR: the compiler, CMAKE_CXX_COMPILE_OPTIONS_PIE,
# CMAKE_EXE_LINKER_FLAGS, CMAKE_CROSSCOMPILING_EMULATOR (it must run a
# plain program). Adds to tobinary_options the hardening of every compile
# and link; sets tobinary_link_mode (static-pie or dynamic) and
# tobinary_link_options for CMakeLists.txt, which reads nothing else it sets.

# What every compiler and linker of the last decade has, set plainly.
# _FORTIFY_SOURCE=3 where the configuration optimises, as it does nothing
# without (with an older compiler, glibc warns and takes it as 2), unless
# CMAKE_CXX_FLAGS (from CXXFLAGS) names it: a choice made there stands.
target_compile_options(tobinary_options INTERFACE -fstack-protector-strong)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
  target_compile_options(tobinary_options INTERFACE -fcf-protection)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  target_compile_options(tobinary_options INTERFACE -mbranch-protection=standard)
endif()
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  target_compile_options(tobinary_options INTERFACE
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
endif()
set(hardening_link_options -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
target_link_options(tobinary_options INTERFACE ${hardening_link_options})

# What differs between toolchains is probed: whether a small C++ program
# links with the options without a warning (in the C locale) and runs, as a
# linker may accept what the C library's start-up cannot do. A result is
# kept until the compiler, the flags, the emulator or the options change.
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
  set(${result} ${works} CACHE INTERNAL "")
  set(${result}_INPUTS "${inputs}" CACHE INTERNAL "")
endfunction()

# An emulator that cannot run a plain program would fail every probe below,
# which would then blame the toolchain and build another kind of program.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  tobinary_probe(TOBINARY_EMULATOR_RUNS)
  if(NOT TOBINARY_EMULATOR_RUNS)
    unset(TOBINARY_EMULATOR_RUNS_INPUTS CACHE)  # so that a mended emulator is tried again
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
    message(FATAL_ERROR "tobinary: the emulator '${emulator}' cannot run a plain C++ program "
      "built here. Name one that can in CMAKE_CROSSCOMPILING_EMULATOR (TOBINARY_QEMU with "
      "the arm64 toolchain).")
  endif()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(tobinary_link_mode dynamic)
if(TOBINARY_STATIC AND NOT TOBINARY_SANITIZE)
  tobinary_probe(TOBINARY_LINKS_STATIC_PIE -static-pie ${hardening_link_options})
  if(TOBINARY_LINKS_STATIC_PIE)
    set(tobinary_link_mode static-pie)
    set(tobinary_link_options -static-pie)
    tobinary_probe(TOBINARY_LINKS_PACKED -static-pie ${hardening_link_options} -Wl,-z,pack-relative-relocs)
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
message(STATUS "tobinary: linking ${tobinary_link_mode} ${tobinary_link_options}")
