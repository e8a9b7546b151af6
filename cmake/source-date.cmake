# Read by cpack before it packs: unless SOURCE_DATE_EPOCH is set, files get
# the date of the last commit (a fixed date outside a git checkout), so that
# two builds of one commit give the same package bytes.
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
