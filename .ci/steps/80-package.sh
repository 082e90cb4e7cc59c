#!/usr/bin/env bash
# The packages: `make package` builds the .deb and the Windows zip; then each
# is opened and checked for what a user gets from it.
set -euo pipefail
scripts/ensure-packages.sh dpkg-dev lintian mandoc groff-base gzip zip unzip

fail() { echo "80-package: $*" >&2; exit 1; }

# The manual page renders without a warning in both formatters.
[ -z "$(mandoc -T lint man/vantrel.1 2>&1)" ] || { mandoc -T lint man/vantrel.1; fail "mandoc warns about man/vantrel.1"; }
[ -z "$(groff -man -ww -z man/vantrel.1 2>&1)" ] || fail "groff warns about man/vantrel.1"

make package WERROR=ON

version=$(sed -n 's/^project(Vantrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"
deb=build/packages/vantrel_${version}_$(dpkg --print-architecture).deb
zip=build/packages/vantrel-${version}-win32.zip
[ -f "$deb" ] || fail "missing $deb"
[ -f "$zip" ] || fail "missing $zip"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# --- The .deb ---------------------------------------------------------------
echo "--- $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
[ "$(dpkg-deb --field "$deb" Package)" = vantrel ] || fail "package name"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "package version"
[ -n "$(dpkg-deb --field "$deb" Depends)" ] || fail "no Depends computed"

# Removal must leave nothing behind: no maintainer scripts that could.
controls=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$controls" = "control md5sums " ] || fail "unexpected control files: $controls"

root=$scratch/root
dpkg -x "$deb" "$root"
for path in usr/bin/vantrel usr/share/man/man1/vantrel.1.gz usr/share/doc/vantrel/copyright \
            usr/share/doc/vantrel/changelog.gz; do
    [ -f "$root/$path" ] || fail "/$path is not in the package"
done
[ -x "$root/usr/bin/vantrel" ] || fail "/usr/bin/vantrel is not executable"
# The page is the source page, compressed without a name or time stamp.
zcat "$root/usr/share/man/man1/vantrel.1.gz" | cmp -s - man/vantrel.1 || fail "packaged manual page differs"
[ "$(od -An -tu4 -j4 -N4 "$root/usr/share/man/man1/vantrel.1.gz" | tr -d ' ')" = 0 ] ||
    fail "manual page has a time stamp in its gzip header"
# An argument other than /run ends the program at once: quiet, status 0.
out=$("$root/usr/bin/vantrel" --help 2>&1) || fail "the packaged program exits non-zero"
[ -z "$out" ] || fail "the packaged program wrote: $out"

# Installed into an empty dpkg root and purged again, it leaves nothing
# behind. That root has no libc6 and such, hence --force-depends.
dpkg_root=$scratch/dpkg-root
mkdir -p "$dpkg_root/var/lib/dpkg/info" "$dpkg_root/var/lib/dpkg/updates"
touch "$dpkg_root/var/lib/dpkg/status"
dpkg_in_root() {
    dpkg --root="$dpkg_root" --force-not-root --force-depends --force-script-chrootless "$@" >/dev/null
}
dpkg_in_root --install "$deb"
[ -x "$dpkg_root/usr/bin/vantrel" ] || fail "dpkg --install put no /usr/bin/vantrel"
dpkg_in_root --purge vantrel
left=$(cd "$dpkg_root" && find . -path ./var -prune -o ! -name . -print)
[ -z "$left" ] || fail "purging the package left: $left"

# Errors fail the step; warnings are shown.
lintian --fail-on error --display-info "$deb"

# --- The zip ----------------------------------------------------------------
echo "--- $zip"
unzip -l "$zip"
names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$names" = "LICENSE.txt README.txt vantrel.exe " ] || fail "zip holds: $names"

unzip -q "$zip" -d "$scratch/zip"
exe=$scratch/zip/vantrel.exe
[ "$(head -c 2 "$exe")" = MZ ] || fail "vantrel.exe is no Windows program"
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
[ "$(od -An -tx1 -j"$((pe + 4))" -N2 "$exe" | tr -d ' ')" = 4c01 ] || fail "vantrel.exe is not 32-bit x86"
for text in README.txt LICENSE.txt; do
    # Every line feed has a carriage return before it, the last line's too.
    file=$scratch/zip/$text
    lines=$(wc -l <"$file")
    [ "$lines" -gt 0 ] || fail "$text is empty"
    [ "$(grep -c $'\r$' "$file")" -eq "$lines" ] && [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
        fail "$text does not have Windows line ends"
done

echo "80-package: packages built and checked"
