#!/usr/bin/env bash
# Installs the build into a temporary folder: the program must run from
# there, and its manual page, installed compressed, must render without a
# single warning. The build's install_manifest.txt, which tells a user what
# to uninstall, is left as it was.
#
# usage: install_test.sh CMAKE BUILD_DIR CONFIG BINDIR MANDIR
#   BINDIR, MANDIR  where the build installs the program and the manual
#                   pages, in full; the install goes below a DESTDIR
# (TOBINARY_LAUNCHER, if set, goes in front of the program)
set -euo pipefail
cmake=$1
build=$2
config=$3
bindir=$4
mandir=$5
command -v groff >/dev/null || { echo "groff not found: skipped"; exit 77; }
dest=$(mktemp -d)
manifest=$build/install_manifest.txt
[ ! -e "$manifest" ] || cp -p "$manifest" "$dest.manifest"
trap 'if [ -e "$dest.manifest" ]; then mv "$dest.manifest" "$manifest"; else rm -f "$manifest"; fi; rm -rf "$dest"' EXIT

DESTDIR=$dest "$cmake" --install "$build" --config "$config" >/dev/null
# shellcheck disable=SC2086 # the launcher is words
out=$(printf '5\n' | timeout 10 ${TOBINARY_LAUNCHER:-} "$dest$bindir/tobinary")
[ "$out" = "Enter a positive number?1 0 1 " ] || { echo "installed program wrote: $out"; exit 1; }

page=$(gzip -dc "$dest$mandir/man1/tobinary.1.gz")
warnings=$(groff -man -ww -z <<<"$page" 2>&1)
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }
grep -q '^\.SH EXIT STATUS' <<<"$page" || { echo "no EXIT STATUS in the installed page"; exit 1; }
