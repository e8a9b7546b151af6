#!/usr/bin/env bash
# A write failure that the system reports only when standard output is
# closed (as NFS and FUSE may) must end in status 1, with the answer
# written and nothing on standard error. strace makes the program's close
# of its output file fail with EIO; the trace must show that close, so a
# program that never closes its output fails here rather than passing.
#
# usage: close_test.sh PROGRAM
# shellcheck source=tests/common.sh
. "$(dirname "$0")/common.sh"
program=("${launcher[@]}" "${TOBINARY_PROGRAM:-$1}")
need strace strace
strace -qq -o /dev/null true || { echo "strace cannot trace a program here (ptrace refused?): skipped"; exit 77; }
# LeakSanitizer stops a sanitizer build's program that runs under ptrace.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

# -P, so that only the closes of the output file fail, not the program's
# other closes; strace names the file and does not read it.
status=0
# shellcheck disable=SC2094 # strace only names the file
printf '13\n' | "${deadline[@]}" strace -f -qq -o "$tmp/trace" -P "$tmp/out" \
  -e trace=close -e inject=close:error=EIO "${program[@]}" >"$tmp/out" 2>"$tmp/err" || status=$?
grep -q 'INJECTED' "$tmp/trace" || fail "the program never closed its output:"$'\n'"$(cat "$tmp/trace")"
[ "$status" = 1 ] || fail "a failed close ended in status $status"
[ ! -s "$tmp/err" ] || fail "a failed close wrote to standard error: $(cat "$tmp/err")"
[ "$(cat "$tmp/out")" = "Enter a positive number?1 1 0 1 " ] || fail "wrote: $(cat "$tmp/out")"
echo "close of the output failed with EIO: status 1, answer written, standard error empty"
