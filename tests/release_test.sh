#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/release on clones of the project's HEAD. With a file changed and
# one untracked, it names both, fails and writes no dist/. On a clean clone
# it writes the four artifacts and a SHA256SUMS that verifies, the
# SOURCE_DATE_EPOCH the caller sets dates all they hold, and its source
# archive is the Debian source package's upstream tarball.
#   usage: release_test.sh SOURCE_DIR
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

# Every member that the listing command "$@" shows is dated $moment and owned by root.
all_dated() {
    TZ=UTC "$@" | awk -v moment="$moment" '$4 " " $5 != moment || $2 !~ /^(root\/root|0\/0)$/ { bad = 1 }
                                          END { exit bad || NR == 0 }'
}

# The members that the listing command "$@" shows come in the order tar's
# --sort=name packs them: each after the members of its folder that sort before it.
in_name_order() {
    "$@" | LC_ALL=C awk '{ path = $0 ""; sub(/\/$/, "", path); parent = path; name = path
                           if (sub(/\/[^\/]*$/, "", parent)) sub(/.*\//, "", name); else parent = ""
                           if (parent in last && !(last[parent] < name)) bad = 1
                           last[parent] = name }
                         END { exit bad || NR == 0 }'
}

deb_members() { dpkg-deb --fsys-tarfile "$1" | tar -t; }

git clone -q "${1:?usage: release_test.sh SOURCE_DIR}" "$work/repo"
cd "$work/repo" || exit 1

# scripts/tarball, which packs both archives, on files that another user owns
# and that were made out of order: root owns every member, in name order.
mkdir -p "$work/unsorted/top/b"
for name in c b-x b/y b/x a; do echo "$name" >"$work/unsorted/top/$name"; done
[ "$(id -u)" -ne 0 ] || chown -R 65534:65534 "$work/unsorted"
moment="2023-11-14 22:13"
SOURCE_DATE_EPOCH=1700000000 scripts/tarball "$work/unsorted/top" "$work/unsorted.tar.gz" \
    >"$work/out" 2>&1
check "packing another user's files: owned by root" all_dated tar -tvzf "$work/unsorted.tar.gz"
check "packing files made out of order: in name order" in_name_order tar -tzf "$work/unsorted.tar.gz"

echo "# changed" >>scripts/lint
touch notes.txt
scripts/release >"$work/out" 2>&1
check "a changed tree: fails" test $? -eq 1
check "a changed tree: names the changed file" grep -q ' M scripts/lint' "$work/out"
check "a changed tree: names the untracked file" grep -q '?? notes.txt' "$work/out"
check "a changed tree: writes nothing" test ! -e dist
git checkout -q scripts/lint
rm notes.txt

SOURCE_DATE_EPOCH=1700000000 scripts/release >"$work/out" 2>&1
check "a clean tree: makes the release" test $? -eq 0
version=$(cat build-release/native/version)
deb=$(cd dist && echo vibrating-string_"$version"_*.deb)
web=vibrating-string-web-$version.tar.gz
source=vibrating-string-$version.tar.gz
check "SHA256SUMS verifies" sh -c 'cd dist && sha256sum --check --strict SHA256SUMS >/dev/null'
check "SHA256SUMS covers the four artifacts" \
    diff <(awk '{ print $2 }' dist/SHA256SUMS) <(printf '%s\n' "$source" "$deb" "$web" "vibrating-string-$version.html")
check "dist holds nothing else" diff <(ls dist) <(printf '%s\n' SHA256SUMS "$deb" "$source" "$web" "vibrating-string-$version.html" | LC_ALL=C sort)

check "the package's members are dated the caller's moment" all_dated dpkg-deb --contents "dist/$deb"
check "the changelog is dated the caller's moment" \
    sh -c "dpkg-deb --fsys-tarfile 'dist/$deb' | tar -xO ./usr/share/doc/vibrating-string/changelog.gz | zcat |
           grep -q 'Tue, 14 Nov 2023 22:13:20 +0000'"
check "the archives' members are dated the caller's moment" all_dated tar -tvzf "dist/$web"
check "the source archive's too" all_dated tar -tvzf "dist/$source"
check "the package's members are in name order" in_name_order deb_members "dist/$deb"
check "the site archive's members are in name order" in_name_order tar -tzf "dist/$web"
check "the source archive's too" in_name_order tar -tzf "dist/$source"
check "the gzip headers carry no time" sh -c "for f in dist/*.tar.gz; do [ \"\$(od -An -tu4 -j4 -N4 \"\$f\")\" -eq 0 ] || exit 1; done"

mkdir "$work/commit" "$work/released"
git archive HEAD | tar -x -C "$work/commit"
tar -xzf "dist/$source" -C "$work/released"
check "the source archive is the commit" diff -r "$work/commit" "$work/released/vibrating-string-$version"
SOURCE_DATE_EPOCH=1700000000 scripts/debian-source "$work/debian-source" >"$work/out" 2>&1
check "the Debian source package's upstream tarball is the source archive" \
    cmp "$work/debian-source/vibrating-string_$version.orig.tar.gz" "dist/$source"
check "which leaves out Debian's own files, and the source package's debian/ has them" \
    sh -c "! tar -tzf 'dist/$source' | grep -q /debian/rules && tar -tJf '$work'/debian-source/*.debian.tar.xz | grep -qx debian/rules"
check "the single file is the web archive's page" \
    sh -c "tar -xzOf 'dist/$web' 'vibrating-string-web-$version/vibrating-string.html' | cmp - 'dist/vibrating-string-$version.html'"
report
