#!/usr/bin/env bash
# Runs every "$ " example in the manual page's EXAMPLES under /bin/sh, with
# the program first on PATH, and compares what it writes with the lines the
# rendered page shows under the command.
#
# usage: examples_test.sh PAGE PROGRAM
# shellcheck source=tests/common.sh
. "$(dirname "$0")/common.sh"
page=$1
need groff groff-base
# A stand-in on PATH starts the program (launcher's words first) from the
# environment, so that no path is pasted into a script.
export TOBINARY_EXAMPLES_PROGRAM=${TOBINARY_PROGRAM:-$2} TOBINARY_LAUNCHER=${TOBINARY_LAUNCHER:-}
# shellcheck disable=SC2016 # the stand-in expands them when it runs
printf '#!/bin/sh\nexec $TOBINARY_LAUNCHER "$TOBINARY_EXAMPLES_PROGRAM" "$@"\n' >"$tmp/tobinary"
chmod +x "$tmp/tobinary"

# Each example as a command and the lines shown under it, up to a blank
# line, without the example's indentation; NUL after each.
examples() {
  groff -man -Tascii -P-cbou "$page" | awk '
    function flush() { if (cmd != "") printf "%s%c%s%c", cmd, 0, want, 0; cmd = "" }
    /^[A-Z]/ { flush(); in_examples = ($0 == "EXAMPLES"); next }
    !in_examples { next }
    /^ *\$ / { flush(); indent = index($0, "$"); cmd = substr($0, indent + 2); want = ""; next }
    /^ *$/ { flush(); next }
    cmd != "" { want = want substr($0, indent) "\n" }
    END { flush() }'
}

count=0
failed=0
while IFS= read -r -d '' cmd && IFS= read -r -d '' want; do
  count=$((count + 1))
  # The rendered page drops trailing spaces, so they are dropped here too.
  got=$(PATH="$tmp:$PATH" "${deadline[@]}" /bin/sh -c "$cmd" 2>&1 | sed 's/ *$//'; echo .)
  if [ "${got%.}" != "$want" ]; then
    failed=$((failed + 1))
    printf '$ %s\nthe page shows:\n%sthe command wrote:\n%s\n' "$cmd" "$want" "${got%.}"
  fi
done < <(examples)
echo "$count examples, $failed differ"
[ "$count" -gt 0 ] && [ "$failed" -eq 0 ]
