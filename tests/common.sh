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

# Each run of the program ends within 10 seconds, so that one that loops
# fails its test rather than hanging it; a sound run takes milliseconds,
# under valgrind or an emulator a second or two.
seconds=10
deadline=(timeout -k 5 "$seconds")
# HACKING.md says which tests honour TOBINARY_LAUNCHER and TOBINARY_PROGRAM;
# such a test starts the program as
#   program=("${launcher[@]}" "${TOBINARY_PROGRAM:-$built}")
read -ra launcher <<<"${TOBINARY_LAUNCHER:-}"
