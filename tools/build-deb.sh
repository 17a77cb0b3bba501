#!/usr/bin/env bash
# Builds the Debian package the Debian way (dpkg-buildpackage -us -uc -b,
# debhelper with the CMake build system) in a clean copy of the source tree
# under build/deb/, then checks the result with lintian.  The source tree
# itself is left untouched: dpkg-buildpackage writes its build directory,
# debian/pcpoll and debian/tmp inside the tree it builds and the packages
# beside it, so it builds a copy.
#
# Usage: tools/build-deb.sh            packages in build/deb/
# Two binary packages: pcpoll (the poller and the viewer) and pcstat (the
# statistics, charts and the loader into PostgreSQL).  Prints the paths of
# both as its last two lines, pcpoll's first.  Fails when the
# build fails or lintian reports an error or a warning (lintian's output
# is kept in build/deb/lintian.txt).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$here/build/deb
for tool in dpkg-buildpackage dh lintian; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "build-deb: $tool is missing (tools/install-deps.sh installs it)" >&2
        exit 1
    fi
done

version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
src=$out/pcpoll-$version
rm -rf "$src"
mkdir -p "$src"
rm -f "$out"/pcpoll_* "$out"/pcpoll-dbgsym_* "$out"/pcstat_* "$out"/pcstat-dbgsym_*
# The files of the working tree that git knows or would add (tracked and
# untracked, not ignored), so a build from a fresh clone and one from a
# working tree use the same rule.
(cd "$here" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' file; do
         [[ -e $file ]] && cp --parents -- "$file" "$src"
     done)

(cd "$src" && dpkg-buildpackage -us -uc -b) > "$out/build.log" 2>&1 || {
    tail -40 "$out/build.log" >&2
    echo "build-deb: dpkg-buildpackage failed, see $out/build.log" >&2
    exit 1
}
changes=$(ls "$out"/pcpoll_"$version"_*.changes)
deb=$(ls "$out"/pcpoll_"$version"_*.deb)
statdeb=$(ls "$out"/pcstat_"$version"_*.deb)

# Errors and warnings fail; overridden tags are shown with their reasons.
lintian --fail-on error,warning --show-overrides --info "$changes" > "$out/lintian.txt" 2>&1 ||
    lintian_status=$?
cat "$out/lintian.txt"
if [[ ${lintian_status:-0} -ne 0 ]]; then
    echo "build-deb: lintian reports errors or warnings (status $lintian_status)" >&2
    exit 1
fi
for package in "$deb" "$statdeb"; do
    echo "build-deb: lintian clean; $(basename "$package"): $(du -k "$package" | cut -f1) KiB, installed-size $(dpkg-deb -f "$package" Installed-Size) KiB"
done
echo "$deb"
echo "$statdeb"
