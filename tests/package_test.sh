#!/usr/bin/env bash
# Builds the Debian package and checks that it holds the program and its
# manual page.
set -euo pipefail
build=$1
command -v dpkg-deb >/dev/null || { echo "dpkg-deb not found: skipped"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/*.deb)
contents=$(dpkg-deb -c "${debs[0]}")
for file in ./usr/bin/tobinary ./usr/share/man/man1/tobinary.1; do
  grep -q " $file\$" <<<"$contents" || { echo "$file missing from the package:"; echo "$contents"; exit 1; }
done
dpkg-deb -f "${debs[0]}" Description | grep -q . || { echo "package has no description"; exit 1; }
