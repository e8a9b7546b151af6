# Read by cpack before it packs, so that two builds of one commit give the
# package the same dates. Reads the environment's SOURCE_DATE_EPOCH and
# CPACK_TOBINARY_SOURCE_DIR; sets SOURCE_DATE_EPOCH, where it is unset, to
# the date of the last commit (a fixed date outside a git checkout).
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} 1796644800)  # 2026-12-07 12:00 UTC, the first release
  if(EXISTS ${CPACK_TOBINARY_SOURCE_DIR}/.git)
    execute_process(COMMAND git -C ${CPACK_TOBINARY_SOURCE_DIR} log -1 --format=%ct
      OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(date MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} ${date})
    endif()
  endif()
endif()
