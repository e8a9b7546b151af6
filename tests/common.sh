# shellcheck shell=bash disable=SC2034 # its variables are for the scripts
# Sourced by every test script: strict mode, the C locale for other
# programs' output (readelf, for one, translates its labels), a folder of
# the test's own ($tmp, also TMPDIR for the tools it runs) removed at exit,
# and how the program is started.
set -euo pipefail
export LC_ALL=C
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp
fail() { echo "$@"; exit 1; }
# need TOOL PACKAGE: skips the test (77), naming what to install.
need() { command -v "$1" >/dev/null || { echo "$1 not found (Debian's $2): skipped"; exit 77; }; }

# A run that loops fails its test in 10 seconds rather than hanging it; a
# sound one takes milliseconds, a second or two under valgrind or an emulator.
seconds=10
deadline=(timeout -k 5 "$seconds")
# The tests that honour TOBINARY_LAUNCHER (HACKING.md says which) put its
# words, read here, in front of the program they start.
read -ra launcher <<<"${TOBINARY_LAUNCHER:-}"
