#!/usr/bin/env bash
# Installs the build into a new prefix, given relative to the folder the
# install runs in, under umask 077 and again 002: the program must run
# from there, its manual page, installed compressed, must render without a
# single warning, every directory must be 0755 and every file 0644 (the
# program 0755), and the lintian overrides must stay out.
# Then, after a second install into one of the prefixes and a package
# built from the same tree, the uninstall script must remove all that the
# installs made, the prefix included; and so for a build whose documents
# go to a directory named by an absolute path. A staged install, under
# DESTDIR, must write no uninstall script; an install into a path holding
# ";", "\", a bracket or a line end (a prefix, or the documents') must fail, making nothing.
#
# usage: install_test.sh CMAKE CPACK BUILD_DIR CONFIG SOURCE_DIR
# shellcheck source=tests/common.sh
. "$(dirname "$0")/common.sh"
cmake=$1
cpack=$2
build=$3
config=$4
source=$5
need groff groff-base

for mask in 077 002; do
  prefix=$tmp/$mask/usr
  (cd "$tmp" && umask "$mask" && "$cmake" --install "$build" --config "$config" --prefix "$mask/usr" >/dev/null)
  modes=$(cd "$prefix" && find . -printf '%M %p\n' | sort -k2)
  wrong=$(grep -vE '^(drwxr-xr-x |-rw-r--r-- |-rwxr-xr-x \./bin/tobinary$)' <<<"$modes" || true)
  [ -z "$wrong" ] || fail "under umask $mask, not 0755 for a directory and 0644 for a file:"$'\n'"$wrong"
  [ ! -e "$prefix/share/lintian" ] || fail "the lintian overrides are installed outside the package"

  out=$(printf '5\n' | "${deadline[@]}" "${launcher[@]}" "$prefix/bin/tobinary")
  [ "$out" = "Enter a positive number?1 0 1 " ] || fail "installed program wrote: $out"
  page=$(gzip -dc "$prefix/share/man/man1/tobinary.1.gz")
  warnings=$(groff -man -ww -z <<<"$page" 2>&1)
  [ -z "$warnings" ] || fail "$warnings"
  grep -q '^\.SH EXIT STATUS' <<<"$page" || fail "no EXIT STATUS in the installed page"
done

# A staged install is for a package, which keeps its own list of files. Its
# prefix is in $tmp too, so that an install that lost DESTDIR stays there.
DESTDIR=$tmp/staged "$cmake" --install "$build" --config "$config" --prefix "$tmp/usr" >/dev/null
if [ ! -e "$tmp/staged$tmp/usr/bin/tobinary" ] || [ -e "$tmp/staged$tmp/usr/share/tobinary" ]; then
  fail "a staged install holds:"$'\n'"$(cd "$tmp/staged" && find .)"
fi

mkdir "$tmp/here"
refuses() {  # BUILD PREFIX: the install, run in $tmp/here, must fail and make nothing there
  if (cd "$tmp/here" && "$cmake" --install "$1" --config "$config" --prefix "$2" >/dev/null 2>&1) ||
    [ -n "$(ls -A "$tmp/here")" ]; then
    fail "an install of $1 into $(printf %q "$2") succeeded, or made:"$'\n'"$(cd "$tmp/here" && find .)"
  fi
}
for unsafe in 'semi;colon' 'back\slash' 'open[' 'close]' $'line\nend'; do
  refuses "$build" "$tmp/here/$unsafe"
done

# A second install, of the lintian overrides alone, finds the files and
# directories of the first: its script must still remove them, and its own.
"$cmake" --install "$build" --config "$config" --component lintian --prefix "$tmp/002/usr" >/dev/null

# Packing runs the install rules again, into a folder of its own; what
# this install put in place must still be what its uninstall removes.
"$cpack" -G DEB -C "$config" --config "$build/CPackConfig.cmake" -B "$tmp/pack" \
  -D CPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF >/dev/null
for mask in 077 002; do
  sh "$tmp/$mask/usr/share/tobinary/uninstall.sh"
  [ ! -e "$tmp/$mask" ] || fail "the uninstall script left:"$'\n'"$(find "$tmp/$mask")"
done

# The documents elsewhere, by an absolute path: nothing of them under the
# prefix, and all gone after the uninstall. A build of its own, dynamic and
# without tests, as that is quick.
"$cmake" -S "$source" -B "$tmp/absolute" -DTOBINARY_STATIC=OFF -DBUILD_TESTING=OFF \
  -DCMAKE_INSTALL_DOCDIR="$tmp/else where/doc" >/dev/null
"$cmake" --build "$tmp/absolute" >/dev/null
"$cmake" --install "$tmp/absolute" --prefix "$tmp/absolute-prefix" >/dev/null
[ -f "$tmp/else where/doc/copyright" ] || fail "no copyright file in the absolute documentation directory"
[ ! -e "$tmp/absolute-prefix/${tmp#/}" ] || fail "the absolute documentation directory made a copy under the prefix"
sh "$tmp/absolute-prefix/share/tobinary/uninstall.sh"
for dir in absolute-prefix "else where"; do
  [ ! -e "$tmp/$dir" ] || fail "the uninstall script left:"$'\n'"$(find "$tmp/$dir")"
done
# The same build, its documents sent to a path with a line end.
"$cmake" -S "$source" -B "$tmp/absolute" -DCMAKE_INSTALL_DOCDIR="$tmp/here/line"$'\n'"end" >/dev/null 2>&1
refuses "$tmp/absolute" "$tmp/here/usr"
