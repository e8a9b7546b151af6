#!/usr/bin/env bash
# Reads the built program and fails unless it is position independent (so
# loaded at a random address), keeps its relocations read-only once applied
# and applies them all at start, has a stack that cannot run code, and
# checks a stack canary in main. It prints what it found.
#
# usage: hardening_test.sh PROGRAM [READELF] [OBJDUMP]
set -euo pipefail
program=$1
readelf=${2:-readelf}
objdump=${3:-objdump}
for tool in "$readelf" "$objdump"; do
  command -v "$tool" >/dev/null || { echo "$tool not found: skipped"; exit 77; }
done

elf=$("$readelf" -hldW "$program")
# GNU objdump and llvm-objdump name the option differently.
main=$("$objdump" -d --disassemble=main "$program" 2>/dev/null ||
  "$objdump" -d --disassemble-symbols=main "$program")
failed=0
check() {  # WHAT FOUND
  if [ -n "$2" ]; then
    printf 'yes %-30s %s\n' "$1" "$2"
  else
    printf 'NO  %s\n' "$1"
    failed=1
  fi
}
check "position independent" "$(grep -oE 'Type: +DYN.*' <<<"$elf" | tr -s ' ' || true)"
check "read-only relocations" "$(grep -oE 'GNU_RELRO' <<<"$elf" || true)"
check "immediate binding" "$(grep -oE 'BIND_NOW|Flags: .*NOW.*' <<<"$elf" | head -n 1 || true)"
check "non-executable stack" "$(grep -oE 'GNU_STACK.* RW +0x' <<<"$elf" | grep -oE 'RW' || true)"
check "stack canary in main" "$(grep -oE '<__stack_chk_fail[^>]*>' <<<"$main" | head -n 1 || true)"
echo "loader: $(grep -oE 'program interpreter: [^]]*' <<<"$elf" || echo 'none (statically linked)')"
exit "$failed"
