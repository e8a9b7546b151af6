#!/usr/bin/env bash
# What the program does, row by row: for each input, fed one way, with
# standard output going one place, what it writes there, its exit status
# and, for a file input, how much of it the program took. Standard error
# must stay empty in every row.
#
# usage: cli_test.sh PROGRAM
# shellcheck source=tests/common.sh
. "$(dirname "$0")/common.sh"
program=("${launcher[@]}" "${TOBINARY_PROGRAM:-$1}")
cap_kib=1024      # a runaway program's output stops here, not at a full disk
limit_bytes=1024  # one of ulimit -f's 1024-byte blocks

# run WHERE: starts the program on the standard input given, with standard
# output at WHERE, and writes its exit status to $tmp/code.
#   file     a file, at most $cap_kib KiB
#   limited  a file that may grow to $limit_bytes bytes, with SIGXFSZ ignored
#   tty      a pseudo-terminal without output processing (from script)
#   full     /dev/full        closed  no standard output at all
#   gone     a pipe whose reader ends without reading; gone-ignored: the
#            same, with SIGPIPE ignored
# Every signal is at its default, whatever the test inherited, but the one WHERE ignores.
run() {
  local sig=(--default-signal)
  case $1 in
    limited) sig+=(--ignore-signal=XFSZ) ;;
    gone-ignored) sig+=(--ignore-signal=PIPE) ;;
  esac
  local cmd=("${deadline[@]}" env "${sig[@]}" "${program[@]}")
  case $1 in
    file) (ulimit -f $cap_kib && exec "${cmd[@]}" >"$tmp/out" 2>"$tmp/err") ;;
    limited) (ulimit -f $((limit_bytes / 1024)) && exec "${cmd[@]}" >"$tmp/out" 2>"$tmp/err") ;;
    tty) (ulimit -f $cap_kib && SHELL=/bin/sh exec script -qec "stty -opost && exec ${cmd[*]@Q} <&3 2>&4" \
      /dev/null 3<&0 </dev/null >"$tmp/out" 2>"$tmp/err" 4>&2) ;;
    full) "${cmd[@]}" >/dev/full 2>"$tmp/err" ;;
    # A preloaded library (libfaketime, under reprotest) may take a closed
    # descriptor 1 as the program starts.
    closed) (unset LD_PRELOAD && exec "${cmd[@]}" >&- 2>"$tmp/err") ;;
    gone*) "${cmd[@]}" 2>"$tmp/err" | true ;;
  esac
  echo $? >"$tmp/code"
}

# row WHAT STATUS OUTPUT FEED WHERE INPUT [TAKEN]
#   FEED  once: piped in, then ended; prompted: the same, but only once the
#         first prompt is in the output file; endless: INPUT as a line, for
#         as long as it is taken; file: a regular file, whose offset after
#         the run is how much the program took (TAKEN)
# OUTPUT is checked where it can be read: in a file or at the terminal.
result=0  # 1 once a row fails; 77 where a row was skipped and none failed
row() {
  local - what=$1 want_code=$2 want=$3 feed=$4 where=$5 input=$6 taken=${7:-} took code got i
  set +e
  : >"$tmp/out"
  case $feed in
    once) printf %s "$input" | run "$where" ;;
    endless) yes -- "$input" 2>/dev/null | run "$where" ;;
    file) printf %s "$input" >"$tmp/in" && exec 5<"$tmp/in"
      run "$where" <&5
      took=$(sed -n 's/^pos:\s*//p' /proc/$$/fdinfo/5)
      exec 5<&-
      [ "$took" = "$taken" ] || bad "took $took bytes of the input, not $taken" ;;
    prompted) rm -f "$tmp/fifo" && mkfifo "$tmp/fifo"
      run "$where" <"$tmp/fifo" &
      exec 6>"$tmp/fifo"
      for ((i = 0; i < seconds * 5 && $(wc -c <"$tmp/out") < ${#P}; i++)); do sleep 0.1; done
      # Unanswered within half the deadline, a program that reads before
      # its prompt is out ends, and the row fails on what it wrote.
      [ "$(wc -c <"$tmp/out")" -lt ${#P} ] || printf %s "$input" >&6
      exec 6>&-
      wait $! ;;
  esac
  code=$(cat "$tmp/code")
  # A program that runs away would run away in every row after.
  case $code in 124 | 137 | 153) bad "still running after $seconds s, or past $cap_kib KiB of output" && exit 1 ;; esac
  [ "$code" = "$want_code" ] || bad "exit status $code, not $want_code"
  [ ! -s "$tmp/err" ] || bad "wrote to standard error: $(cat "$tmp/err")"
  got=$(cat "$tmp/out" && echo .) && got=${got%.}
  case $where in
    file | limited | tty) [ "$got" = "$want" ] || bad "wrote $(printf %q "${got:0:1000}"), not $(printf %q "$want")" ;;
  esac
}
bad() {
  echo "$what: $*"
  result=1
}

P='Enter a positive number?'
prompts() {  # N: the prompt N times
  local s
  printf -v s "%$1s" ""
  printf %s "${s// /$P}"
}
printf -v ones '1 %.0s' {1..31}
printf -v negatives -- '-1\n%.0s' {1..41}
nl=$'\n'
long=$(prompts 42)$ones$nl
many_prompts=$(prompts 43)

row thirteen 0 "${P}1 1 0 1 $nl" once file $'13\n'
# A user answers what they see: the prompt must be out before the read.
row "prompt shows before the read" 0 "${P}1 1 0 1 $nl" prompted file $'13\n'
row "negatives on lines" 0 "$(prompts 3)1 0 1 $nl" once file $'-1\n-20\n5\n'
row "two on one line" 0 "$(prompts 2)1 0 1 $nl" once file $'-3 5\n'
row zero 0 "$P$nl" once file $'0\n'
row "plus sign" 0 "${P}1 1 1 $nl" once file $'+7\n'
row "white space, no line end" 0 "${P}1 0 0 1 $nl" once file $' \t\n 9'
row "letters after" 0 "${P}1 1 0 0 $nl" once file $'12abc\n'
row letters 0 "$P$nl" once file $'abc\n'
row largest 0 "$P$ones$nl" once file $'2147483647\n'
row "above largest" 0 "$P$ones$nl" once file $'99999999999\n'
row "negative then letters" 0 "$(prompts 2)$nl" once file '-5 abc'
row empty 1 "$P" once file ''
row "negative, no line end" 1 "$(prompts 2)" once file '-5'
row "negative, line end" 1 "$(prompts 2)" once file $'-5\n'
row "below smallest" 1 "$P" once file $'-99999999999\n'
# The prompts fit below the limit, the digit line does not; then a later
# prompt fails, the 43rd.
row "digit line past a file-size limit" 1 "${long:0:limit_bytes}" once limited "${negatives}2147483647$nl"
row "endless negatives, past a file-size limit" 1 "${many_prompts:0:limit_bytes}" endless limited -1
# Once output has failed, no more input is taken; at exit the C library
# leaves a file's offset just past what the program took.
row "input a file" 0 "$(prompts 2)1 0 1 $nl" file file $'-1\n5\n' 4
row "full output, input a file" 1 '' file full $'-1\n5\n' 0
# Endless input: a program that prompted on once its output was gone
# would never end.
row "endless negatives, full output" 1 '' endless full -1
row "endless negatives, closed output" 1 '' endless closed -1
row "endless negatives, reader gone" 1 '' endless gone-ignored -1
row "reader gone, SIGPIPE at its default" 141 '' endless gone -1
if command -v script >/dev/null; then
  row "empty, at a terminal" 1 "$P$nl" once tty ''
  row "thirteen, at a terminal" 0 "${P}1 1 0 1 $nl" once tty $'13\n'
else
  echo "script not found (Debian's bsdutils): the rows at a terminal skipped"
  [ "$result" = 1 ] || result=77
fi
# Arguments are ignored, a number among them; last, as they stay for later runs.
program+=(--help 5)
row "arguments, ignored" 0 "${P}1 1 0 1 $nl" once file $'13\n'
exit $result
