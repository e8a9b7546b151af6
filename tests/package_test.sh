#!/usr/bin/env bash
# Builds the Debian package under umask 077 and checks that it holds the
# program, its manual page, changelog and copyright file, and for a static
# program the lintian overrides, and no other file; that every directory
# in it is 0755 and every file 0644 (the program 0755); that lintian finds
# nothing to warn of; that the changelog's newest entry is the package's
# version; that it is for the machine the program was built for; and that
# a dynamically linked program's package depends on a C library (libc6)
# as new as every version the program asks of it.
#
# usage: package_test.sh CPACK BUILD_DIR CONFIG PROGRAM MODE
#   MODE  static-pie or dynamic, as configure linked the program
# shellcheck source=tests/common.sh
. "$(dirname "$0")/common.sh"
cpack=$1
build=$2
config=$3
program=$4
mode=$5
need dpkg-deb dpkg
need dpkg-architecture dpkg-dev
need readelf binutils
need lintian lintian
# Without these, cpack fails or quietly builds a dynamic program's package
# with no Depends.
if [ "$mode" = dynamic ]; then
  need file file
  need dpkg-shlibdeps dpkg-dev
fi

(umask 077 && "$cpack" -G DEB -C "$config" --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null)
debs=("$tmp"/*.deb)
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }
contents=$(dpkg-deb -c "$deb")
doc=./usr/share/doc/tobinary
files=(./usr/bin/tobinary ./usr/share/man/man1/tobinary.1.gz "$doc/changelog.gz" "$doc/copyright")
[ "$mode" = dynamic ] || files+=(./usr/share/lintian/overrides/tobinary)
held=$(awk '!/^d/ { print $NF }' <<<"$contents" | sort)
[ "$held" = "$(printf '%s\n' "${files[@]}" | sort)" ] || fail "the package holds other files than ${files[*]}:"$'\n'"$contents"
odd=$(grep -vE '^(drwxr-xr-x |-rw-r--r-- |-rwxr-xr-x .* \./usr/bin/tobinary$)' <<<"$contents" || true)
[ -z "$odd" ] || fail "not 0755 for a directory and 0644 for a file:"$'\n'"$odd"

lintian --fail-on error,warning "$deb" || fail "lintian finds the above in $(basename "$deb")"

dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "$doc/changelog.gz" | gzip -dc >"$tmp/changelog"
newest=$(sed -n '1s/^tobinary (\([^)]*\)).*/\1/p' "$tmp/changelog")
[ "$newest" = "$(field Version)" ] || fail "changelog's newest entry is '$newest', the package is $(field Version)"

# The Debian architecture of the program's own ELF header, through the GNU
# triplet configure would have for it; a machine not in the table fails.
header=$(readelf -h "$program")
machine=$(sed -n 's/^ *Machine: *//p' <<<"$header")
case $machine in
  *X86-64) triplet=x86_64-linux-gnu && grep -q 'ELF32' <<<"$header" && triplet=x86_64-linux-gnux32 ;;
  AArch64) triplet=aarch64-linux-gnu ;;
  "Intel 80386") triplet=i686-linux-gnu ;;
  ARM) triplet=arm-linux-gnueabi && grep -q 'hard-float' <<<"$header" && triplet=arm-linux-gnueabihf ;;
  PowerPC64) triplet=powerpc64-linux-gnu && grep -q 'little endian' <<<"$header" && triplet=powerpc64le-linux-gnu ;;
  RISC-V) triplet=riscv64-linux-gnu ;;
  "IBM S/390") triplet=s390x-linux-gnu ;;
  "MIPS R3000") triplet=mipsel-linux-gnu && grep -q 'ELF64' <<<"$header" && triplet=mips64el-linux-gnuabi64 ;;
  *) fail "this test does not know the machine '$machine'" ;;
esac
arch=$(dpkg-architecture -t"$triplet" -qDEB_HOST_ARCH 2>/dev/null)
[ "$(field Architecture)" = "$arch" ] || fail "package for $(field Architecture), program for $machine ($arch)"
if [ "$mode" = dynamic ]; then
  declared=$(field Depends | sed -n 's/.*libc6 (>= \([^)]*\)).*/\1/p')
  [ -n "$declared" ] || fail "dynamic program, but Depends is: '$(field Depends)'"
  # The versions the program needs of the C library; packed relocations
  # ask for GLIBC_ABI_DT_RELR, which came with 2.36.
  versions=$(readelf -VW "$program" | grep -oE 'Name: GLIBC_[0-9A-Z_.]+' | sed 's/^Name: GLIBC_//; s/^ABI_DT_RELR$/2.36/' |
    grep -E '^[0-9.]+$' | sort -V)
  needed=$(tail -n 1 <<<"$versions")
  dpkg --compare-versions "$declared" ge "${needed:-0}" ||
    fail "Depends declares libc6 (>= $declared), the program needs $needed"
fi
echo "$(basename "$deb"): lintian finds nothing; version $newest; Depends: '$(field Depends)'"
