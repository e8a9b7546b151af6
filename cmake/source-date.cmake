# Read by cpack before it packs. Where SOURCE_DATE_EPOCH is unset, sets it
# to the date of the changelog's newest entry, as Debian's own tools do, so
# that every build of one commit, from a clone or an export, dates the
# package's files alike. Reads CPACK_TOBINARY_SOURCE_DIR.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  file(STRINGS ${CPACK_TOBINARY_SOURCE_DIR}/doc/changelog signed REGEX "^ -- " LIMIT_COUNT 1)
  string(REGEX REPLACE "^.*>  " "" date "${signed}")
  execute_process(COMMAND date -d "${date}" +%s OUTPUT_VARIABLE epoch
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
