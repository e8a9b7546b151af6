#!/usr/bin/env bash
# Reads the built program and fails unless it has what configure chose for
# it: the way it is linked (a static-pie and a dynamic program are position
# independent, so loaded at a random address; a static-pie or static one
# has no loader) and each protection the toolchain was found to have. It
# prints what it found, and which control-flow properties the program
# carries: the processor enforces them only where every object linked in
# has them.
#
# usage: hardening_test.sh PROGRAM READELF OBJDUMP MODE [PROTECTION...]
#   READELF, OBJDUMP  the build's tools (empty: those on PATH)
#   MODE        static-pie, static or dynamic
#   PROTECTION  relro, now, noexecstack or canary
set -euo pipefail
export LC_ALL=C  # other programs' output, as this script reads it
program=$1
readelf=${2:-readelf}
objdump=${3:-objdump}
mode=$4
shift 4
for tool in "$readelf" "$objdump"; do
  command -v "$tool" >/dev/null || { echo "$tool not found: skipped"; exit 77; }
done

elf=$("$readelf" -hldnW "$program")
# GNU objdump and llvm-objdump name the option differently.
main=$("$objdump" -d --disassemble=main "$program" 2>/dev/null ||
  "$objdump" -d --disassemble-symbols=main "$program")
failed=0
check() {  # WHAT FOUND
  if [ -n "$2" ]; then
    printf 'yes %-26s %s\n' "$1" "$2"
  else
    printf 'NO  %s\n' "$1"
    failed=1
  fi
}
found() { grep -oE "$1" <<<"$elf" | head -n 1 | tr -s ' ' || true; }

loader=$(found 'program interpreter: [^]]*')
case $mode in
  static-pie) check "position independent" "$(found 'Type: +DYN')"
    check "no loader" "$([ -z "$loader" ] && echo none)" ;;
  static) check "linked at a fixed address" "$(found 'Type: +EXEC')"
    check "no loader" "$([ -z "$loader" ] && echo none)" ;;
  dynamic) check "position independent" "$(found 'Type: +DYN')"
    check "loader" "$loader" ;;
  *) echo "unknown link mode: $mode"; exit 2 ;;
esac
for protection in "$@"; do
  case $protection in
    relro) check "read-only relocations" "$(found GNU_RELRO)" ;;
    # A static program at a fixed address has nothing to bind.
    now) [ "$mode" = static ] ||
      check "immediate binding" "$(found 'BIND_NOW|Flags: .*NOW.*')" ;;
    noexecstack) check "non-executable stack" "$(grep -oE 'GNU_STACK.* RW +0x' <<<"$elf" | grep -oE 'RW' || true)" ;;
    canary) check "stack canary in main" "$(grep -oE '<__stack_chk_fail[^>]*>' <<<"$main" | head -n 1 || true)" ;;
    *) echo "unknown protection: $protection"; exit 2 ;;
  esac
done
marks=$(grep -oE '(x86|AArch64) feature: .*' <<<"$elf" | tr '\n' ' ' || true)
[ -n "$marks" ] || marks="none, so the processor does not enforce them"
echo "control-flow properties: $marks"
exit "$failed"
