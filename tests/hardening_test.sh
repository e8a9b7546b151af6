#!/usr/bin/env bash
# Reads the built program and fails unless it is linked as configure chose
# (a static-pie has no loader; both it and a dynamic program are position
# independent, so loaded at a random address) and shows stack canaries,
# read-only relocations, immediate binding and a non-executable stack,
# whether the build's flags or the toolchain's defaults give them. It
# prints what it found, and which control-flow properties the program
# carries: the processor enforces them only where every object linked in
# has them.
#
# usage: hardening_test.sh PROGRAM READELF OBJDUMP MODE
#   READELF, OBJDUMP  the build's tools (empty: those on PATH)
#   MODE        static-pie or dynamic
# shellcheck source=tests/common.sh
. "$(dirname "$0")/common.sh"
program=$1
readelf=${2:-readelf}
objdump=${3:-objdump}
mode=$4
pkg=$(basename "$readelf" | sed -E 's/^llvm-.*/llvm/; s/^(.+)-readelf$/binutils-\1/; s/^readelf$/binutils/')
need "$readelf" "$pkg"
need "$objdump" "$pkg"

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
  dynamic) check "position independent" "$(found 'Type: +DYN')"
    check "loader" "$loader" ;;
  *) echo "unknown link mode: $mode"; exit 2 ;;
esac
check "read-only relocations" "$(found GNU_RELRO)"
check "immediate binding" "$(found 'BIND_NOW|Flags: .*NOW.*')"
check "non-executable stack" "$(grep -oE 'GNU_STACK.* RW +0x' <<<"$elf" | grep -oE 'RW' || true)"
check "stack canary in main" "$(grep -oE '<__stack_chk_fail[^>]*>' <<<"$main" | head -n 1 || true)"
marks=$(grep -oE '(x86|AArch64) feature: .*' <<<"$elf" | tr '\n' ' ' || true)
[ -n "$marks" ] || marks="none, so the processor does not enforce them"
echo "control-flow properties: $marks"
exit "$failed"
