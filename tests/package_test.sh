#!/usr/bin/env bash
# Builds the Debian package and checks that it holds the program and its
# manual page, that it is for the machine the program was built for, and
# that a dynamically linked program's package declares the libraries it
# needs.
#
# usage: package_test.sh CPACK BUILD_DIR CONFIG PROGRAM SHLIBDEPS
#   SHLIBDEPS  1 where cpack is to find the libraries a dynamic program needs
set -euo pipefail
cpack=$1
build=$2
config=$3
program=$4
shlibdeps=$5
needs=(dpkg-deb readelf)
# Without these, cpack fails or quietly builds a package with no Depends.
[ "$shlibdeps" = 1 ] && needs+=(file dpkg-shlibdeps)
for tool in "${needs[@]}"; do
  command -v "$tool" >/dev/null || { echo "$tool not found: skipped"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$cpack" -G DEB -C "$config" --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/*.deb)
field() { dpkg-deb -f "${debs[0]}" "$1"; }
contents=$(dpkg-deb -c "${debs[0]}")
for file in ./usr/bin/tobinary ./usr/share/man/man1/tobinary.1; do
  grep -q " $file\$" <<<"$contents" || { echo "$file missing from the package:"; echo "$contents"; exit 1; }
done
field Description | grep -q . || { echo "package has no description"; exit 1; }

machine=$(readelf -h "$program" | sed -n 's/^ *Machine: *//p')
case $machine in
  *X86-64) arch=amd64 ;;
  AArch64) arch=arm64 ;;
  *) arch=$(field Architecture) ;;  # a machine this test does not know
esac
[ "$(field Architecture)" = "$arch" ] || { echo "package for $(field Architecture), program for $machine"; exit 1; }
if [ "$shlibdeps" = 1 ]; then
  grep -q 'libc6' <<<"$(field Depends)" || { echo "dynamic program, but Depends is: '$(field Depends)'"; exit 1; }
fi
echo "$(basename "${debs[0]}"): program and manual page; Depends: '$(field Depends)'"
