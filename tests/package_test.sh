#!/usr/bin/env bash
# Builds the Debian package and checks that it holds the program and its
# manual page, and that a dynamically linked program's package declares the
# libraries it needs.
#
# usage: package_test.sh BUILD_DIR [SHLIBDEPS]  (SHLIBDEPS: ON for a dynamic build)
set -euo pipefail
build=$1
shlibdeps=${2:-OFF}
needs=(dpkg-deb)
# Without these, cpack fails or quietly builds a package with no Depends.
[ "$shlibdeps" = ON ] && needs+=(file dpkg-shlibdeps)
for tool in "${needs[@]}"; do
  command -v "$tool" >/dev/null || { echo "$tool not found: skipped"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/*.deb)
contents=$(dpkg-deb -c "${debs[0]}")
for file in ./usr/bin/tobinary ./usr/share/man/man1/tobinary.1; do
  grep -q " $file\$" <<<"$contents" || { echo "$file missing from the package:"; echo "$contents"; exit 1; }
done
dpkg-deb -f "${debs[0]}" Description | grep -q . || { echo "package has no description"; exit 1; }
if [ "$shlibdeps" = ON ]; then
  depends=$(dpkg-deb -f "${debs[0]}" Depends)
  grep -q 'libc6' <<<"$depends" || { echo "dynamic program, but Depends is: '$depends'"; exit 1; }
fi
echo "package holds the program and its page; Depends: '$(dpkg-deb -f "${debs[0]}" Depends)'"
