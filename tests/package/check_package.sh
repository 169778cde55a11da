#!/usr/bin/env bash
# Builds the Debian package of a build folder, unpacks it into an empty root and runs the
# programs from there: versions, a conversion of the bundled sample, the pkg-config files and
# the manual page. Exit status 77 (a skipped test) where the Debian package tools are missing.
#   check_package.sh BUILD_DIR SAMPLE VERSION [CPACK]
set -euo pipefail
build=$1 sample=$2 version=$3 cpack=${4:-cpack}

for tool in dpkg-deb dpkg-shlibdeps "$cpack"; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (apt-get install dpkg-dev)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tollmere-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single .deb in $work/pkg"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Control fields: name, version, and dependencies found from the linked libraries.
[ "$(dpkg-deb -f "$deb" Package)" = tollmere ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libc6' <<<"$depends" || fail "Depends lacks libc6"
grep -q 'libstdc++6' <<<"$depends" || fail "Depends lacks libstdc++6"
contents=$(dpkg-deb -c "$deb")
if grep -q '\./usr/bin/tollmere$' <<<"$contents"; then
    grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt widgets library"
fi

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/tollmere-cli usr/include/kestrin/kestrin.h usr/include/baldorn/baldorn.h \
         usr/lib/pkgconfig/kestrin.pc usr/lib/pkgconfig/baldorn.pc \
         usr/share/doc/tollmere/copyright; do
    [ -e "$root/$f" ] || fail "$f is not in the package"
done
ls "$root"/usr/lib/libkestrin.so.* "$root"/usr/lib/libbaldorn.so.* >/dev/null ||
    fail "the shared libraries are not in the package"
man=$(ls "$root"/usr/share/man/man1/tollmere-cli.1* 2>/dev/null | head -n 1)
[ -n "$man" ] || fail "the manual page is not in the package"
if [[ "$man" == *.gz ]]; then title=$(zcat "$man" | grep -m 1 '^\.TH'); else title=$(grep -m 1 '^\.TH' "$man"); fi
grep -q "\"Tollmere $version\"" <<<"$title" || fail "manual page title: $title"
for pc in kestrin baldorn; do
    grep -qx "Version: $version" "$root/usr/lib/pkgconfig/$pc.pc" || fail "$pc.pc version"
    grep -qx "prefix=/usr" "$root/usr/lib/pkgconfig/$pc.pc" || fail "$pc.pc prefix"
done

# The programs run from the unpacked root with its own libraries, nothing of the build.
cli="$root/usr/bin/tollmere-cli"
unset LD_LIBRARY_PATH
libs=$(ldd "$cli")
grep -q "$root/usr/bin/../lib/libkestrin.so" <<<"$libs" ||
    { echo "$libs" >&2; fail "tollmere-cli does not load the packaged libkestrin"; }
[ "$("$cli" --version)" = "tollmere-cli $version" ] || fail "tollmere-cli --version"
if [ -x "$root/usr/bin/tollmere" ]; then
    [ "$("$root/usr/bin/tollmere" --version)" = "tollmere $version" ] || fail "tollmere --version"
fi

mkdir "$work/out"
"$cli" convert -o "$work/out" "$sample" || fail "converting $sample"
obs=$(ls "$work"/out/*O 2>/dev/null | head -n 1)
[ -n "$obs" ] || fail "no observation file written"
for f in "$work"/out/*; do
    grep -q "^converted by Tollmere $version  *COMMENT" "$f" ||
        fail "$(basename "$f") lacks the release comment"
done
echo "converted: $(cd "$work/out" && echo *)"
