#!/usr/bin/env bash
# What one run of tobinary costs beside /bin/true and beside bc and python3
# doing the same conversion, and its peak memory over a long run of
# negative answers beside that of one number. It builds nothing and
# asserts nothing about times: a run is short, most of it the shell's fork
# and exec, and its wall time moves with whatever else the machine does,
# so it prints the median with the spread of the middle half of the runs,
# and compares instruction counts, which stay the same from run to run
# (python3's, as it seeds its hashes at random, move by under one
# percent). It fails when an instruction count cannot be had, when a
# static-pie tobinary counts more instructions than /bin/true (a dynamic
# one is only reported: it loads the C++ runtime at each start), or when
# memory grows by more than 1 MiB.
#
# usage: bench/startup.sh PROGRAM [RUNS] [NEGATIVES]
#   RUNS       timed runs of each command, taken in turn (default 300)
#   NEGATIVES  negative numbers fed before 5 in the long run (default 1000000)
# Needs bash 5, awk, grep, sed, coreutils, valgrind, GNU time (/usr/bin/time)
# and readelf (Debian's valgrind, time and binutils for the last three);
# compares with bc and python3 where they are installed.
set -euo pipefail
export LC_ALL=C  # other programs' output, as this script reads it

if [ $# -lt 1 ] || [ ! -x "$1" ] || ! [[ ${2:-1}/${3:-0} =~ ^[1-9][0-9]*/[0-9]+$ ]]; then
  echo "usage: $0 PROGRAM [RUNS] [NEGATIVES]" >&2
  exit 2
fi
for tool in valgrind /usr/bin/time readelf; do
  command -v "$tool" >/dev/null || { echo "$0: $tool not found" >&2; exit 2; }
done
program=$(realpath "$1")
runs=${2:-300}
negatives=${3:-1000000}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '13\n' >"$tmp/number"
printf 'obase=2\n13\n' >"$tmp/bc"
printf 'import sys\nn = int(sys.stdin.readline())\nprint("".join(d + " " for d in format(n, "b")) if n else "")\n' >"$tmp/tobinary.py"

# Each command is measured against /bin/true, which only starts and exits:
# the cost of starting a process.
names=(true tobinary)
declare -A input=([true]=$tmp/number [tobinary]=$tmp/number [bc]=$tmp/bc [python3]=$tmp/number)
# shellcheck disable=SC2034 # each is read through a nameref, cmd_$name
{
  cmd_true=(/bin/true)
  cmd_tobinary=("$program")
  cmd_bc=(bc)
}
command -v bc >/dev/null && names+=(bc)
# The interpreter itself, not a wrapper script that a version manager may
# put first on PATH.
# shellcheck disable=SC2034 # as above
if python=$(python3 -c 'import sys; print(sys.executable)' 2>/dev/null); then
  names+=(python3)
  cmd_python3=("$python" "$tmp/tobinary.py")
fi

# A count that cannot be had ends the run: a comparison with nothing is no
# pass.
instructions() {
  local -n cmd=cmd_$1
  local count
  count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "${cmd[@]}" <"${input[$1]}" 2>&1 >/dev/null |
    sed -n 's/.*Collected : *//p')
  [[ $count =~ ^[0-9]+$ ]] || { echo "$0: no instruction count for $1" >&2; return 1; }
  echo "$count"
}

# Wall times in microseconds. The commands take turns, so that a slower
# stretch of the machine falls on all of them alike.
declare -A times
for ((i = 0; i < runs; i++)); do
  for name in "${names[@]}"; do
    declare -n cmd=cmd_$name
    start=$EPOCHREALTIME
    "${cmd[@]}" <"${input[$name]}" >/dev/null
    end=$EPOCHREALTIME
    times[$name]+="$((10#${end/[.,]/} - 10#${start/[.,]/})) "
  done
done
# The first quartile, the median and the third quartile, in microseconds.
quartiles() {
  tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n |
    awk '{a[NR] = $1} END {print a[int((NR + 3) / 4)], a[int((NR + 1) / 2)], a[int((3 * NR + 3) / 4)]}'
}

echo "One run with \"13\" as input; wall time over $runs timed runs each."
printf '%-10s %14s %10s %11s %15s %9s\n' command instructions instr/true "median ms" "middle half ms" time/true
base_instr=$(instructions true)
read -r _ base_median _ < <(quartiles true)
for name in "${names[@]}"; do
  instr=$(instructions "$name")
  [ "$name" = tobinary ] && program_instr=$instr
  read -r q1 median q3 < <(quartiles "$name")
  awk -v n="$name" -v i="$instr" -v bi="$base_instr" -v t="$median" -v bt="$base_median" -v q1="$q1" -v q3="$q3" \
    'BEGIN { printf "%-10s %14d %10.2f %11.3f %7.3f-%-7.3f %9.2f\n", n, i, i / bi, t / 1000, q1 / 1000, q3 / 1000, t / bt }'
done

headers=$(readelf -hl "$program")
if grep -qE 'Type: +DYN' <<<"$headers" && ! grep -q 'INTERP' <<<"$headers"; then
  if [ "$program_instr" -gt "$base_instr" ]; then
    echo "tobinary counts more instructions than /bin/true"
    exit 1
  fi
else
  echo "not a static-pie program: its count is reported, not compared"
fi

# Over the default million answers, keeping even the smallest heap block
# (32 bytes) per answer would add some 30 MiB.
awk -v n="$negatives" 'BEGIN { for (i = 0; i < n; i++) print -1; print 5 }' >"$tmp/long_run"
measure() { /usr/bin/time -f '%e %M' -o "$tmp/usage" "$program" <"$1" >/dev/null && cat "$tmp/usage"; }
read -r one_s one_kib < <(measure "$tmp/number")
read -r long_s long_kib < <(measure "$tmp/long_run")
echo
printf '%-28s %9s %14s\n' run seconds "peak RSS KiB"
printf '%-28s %9s %14s\n' "one number" "$one_s" "$one_kib"
printf '%-28s %9s %14s\n' "$negatives negatives, then 5" "$long_s" "$long_kib"
growth=$((long_kib - one_kib))
if [ "$growth" -gt 1024 ]; then
  echo "memory grew by $growth KiB over the long run"
  exit 1
fi
echo "the long run's peak RSS is at most 1024 KiB above one number's"
