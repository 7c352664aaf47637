#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian source package (scripts/debian-source) built with
# dpkg-buildpackage on this machine, twice: once as a builder does, running
# the native tests at build time, and once at another path, in another time
# zone and locale, with DEB_BUILD_OPTIONS=nocheck. Both give the same .deb;
# lintian finds nothing in the source and binary packages; and the .deb holds
# what the CPack package (the Package.Build fixture) holds, with the same
# control fields: the source package and CPack's must not drift apart. The
# build runs every native test that needs no more than the package's
# Build-Depends, fails rather than skip them when a test's dependency is
# missing, and makes a hardened program.
#   usage: debian_source_test.sh SOURCE_DIR CPACK_PACKAGE_DIR BUILD_DIR
set -uo pipefail
source_dir=${1:?usage: debian_source_test.sh SOURCE_DIR CPACK_PACKAGE_DIR BUILD_DIR}
cpack_deb=$(echo "${2:?}"/vibrating-string_*.deb)
build_dir=${3:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"
# The lintian tag left aside, and why: scripts/check-debian-source says.
suppressed=$(sed -n 's/^readonly suppressed=//p' "$source_dir/scripts/check-debian-source")

# Unpacks the source package in DIR and builds it there under `env SETTINGS...`.
build_in() {
    local dir=$1
    shift
    mkdir -p "$dir"
    (cd "$dir" && dpkg-source -x "$work"/source/vibrating-string_*.dsc build >/dev/null 2>&1 &&
        cd build && env "$@" dpkg-buildpackage -us -uc >"$dir/build.log" 2>&1)
}

# The control fields of package $1, each on one line, sorted, without those
# named after it.
fields() {
    local deb=$1
    shift
    dpkg-deb -f "$deb" | awk -v skip=" $* " '
        /^[^ ]/ { if (kept) print field; name = substr($1, 1, length($1) - 1)
                  kept = index(skip, " " name " ") == 0; field = $0; next }
        { field = field "\\n" $0 }
        END { if (kept) print field }' | sort
}

# The members of package $1 (mode, owner, date, path), sorted, without its
# top folder and without path $2.
members() { TZ=UTC dpkg-deb -c "$1" | awk -v skip="$2" '$6 != skip && $6 != "./" { print $1, $2, $4, $5, $6 }' | sort; }

# Each regular file of package $1 with its checksum, without path $2.
file_sums() {
    local unpacked
    unpacked=$(mktemp -d "$work/unpacked.XXXXXX")
    dpkg-deb -x "$1" "$unpacked"
    (cd "$unpacked" && find . -type f ! -path "$2" -print0 | sort -z | xargs -0 sha256sum)
}

"$source_dir/scripts/debian-source" "$work/source" >"$work/out" 2>&1
check "scripts/debian-source makes the source package" test -f "$(echo "$work"/source/vibrating-string_*.dsc)"

first=$work/first
second=$work/second/somewhere/else
build_in "$first" TZ=UTC DEB_BUILD_OPTIONS=parallel=2
check "dpkg-buildpackage builds the package" cp "$first/build.log" "$work/out"
deb=$(cd "$first" && echo vibrating-string_*_*.deb)
# Every native test, by CTest's labels, but those not for a package build:
# the soaks (minutes each), valgrind's, the packages' own, the release
# scripts', the linters' and those of scripts/deps, which installs packages.
expected=$(ctest --test-dir "$build_dir" -N -LE '^(soak|memcheck|package|release|lint|deps)$' | sed -n 's/^Total Tests: //p')
check "the build ran all $expected native tests that need no more than the Build-Depends, all passing" \
    grep -qx "100% tests passed, 0 tests failed out of $expected" "$first/build.log"
mkdir -p "$work/program"
dpkg-deb -x "$first/$deb" "$work/program"
hardening-check "$work/program/usr/bin/vibrating-string" >"$work/out" 2>&1
check "the program is hardened: PIE, full RELRO with immediate binding (hardening-check)" \
    sh -c "for feature in 'Position Independent Executable' 'Read-only relocations' 'Immediate binding'; do
        grep -q \"^ \$feature: yes\" '$work/out' || exit 1; done"
# hardening-check finds no function here that the stack protector or
# fortify would change, so their flags are read from the compiler's line.
grep -e ' -c .*/viewer/main\.cpp$' "$first/build.log" >"$work/out"
check "and compiled with the stack protector and fortify" \
    sh -c "grep -q -e ' -fstack-protector-strong ' '$work/out' && grep -q -e ' -D_FORTIFY_SOURCE=2 ' '$work/out'"

# GoogleTest hidden from CMake, as on a builder without libgtest-dev: the
# build configured as debian/rules configures one that tests fails.
flags=$(cd "$source_dir" && env -u DEB_BUILD_OPTIONS make -s -n -f debian/rules override_dh_auto_configure |
    sed -n 's/^dh_auto_configure -- //p')
check "testing, the build fails when a test's dependency is missing ($flags)" \
    sh -c "! cmake -S '$source_dir' -B '$work/no-gtest' $flags -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >'$work/out' 2>&1 &&
        grep -q 'The tests cannot be built' '$work/out'"

build_in "$second" TZ=Pacific/Kiritimati LC_ALL=C DEB_BUILD_OPTIONS="nocheck parallel=2"
cp "$second/build.log" "$work/out"
check "with nocheck, the build runs no test" sh -c "! grep -q 'tests passed' '$second/build.log'"
check "built again elsewhere, the package has the same bytes" cmp "$first/$deb" "$second/$deb"

lintian --pedantic --info --suppress-tags "$suppressed" "$first"/*.dsc "$first"/*.changes "$first/$deb" >"$work/out" 2>&1
check "lintian --pedantic finds nothing in the source and binary packages" sh -c "! grep -qE '^[A-MO-Z]: ' '$work/out'"

# Against CPack's package: the source package's version carries the Debian
# revision; the binary is built with Debian's flags, so its size differs;
# and the Debian changelog is the source package's own.
changelog=./usr/share/doc/vibrating-string/changelog.Debian.gz
version=$(dpkg-deb -f "$cpack_deb" Version)
check "its version is CPack's with a Debian revision" sh -c "dpkg-deb -f '$first/$deb' Version | grep -qx '$version-[0-9]*'"
fields "$cpack_deb" Version Installed-Size >"$work/cpack.fields"
fields "$first/$deb" Version Installed-Size >"$work/debian.fields"
diff "$work/cpack.fields" "$work/debian.fields" >"$work/out"
check "its control fields are CPack's" test ! -s "$work/out"
members "$cpack_deb" "$changelog" >"$work/cpack.members"
members "$first/$deb" "$changelog" >"$work/debian.members"
diff "$work/cpack.members" "$work/debian.members" >"$work/out"
check "it holds the same files as CPack's, with the same modes and dates, and a Debian changelog" \
    sh -c "test ! -s '$work/out' && dpkg-deb -c '$first/$deb' | grep -q ' $changelog\$'"
file_sums "$cpack_deb" "$changelog" | grep -v ' ./usr/bin/vibrating-string$' >"$work/cpack.sums"
file_sums "$first/$deb" "$changelog" | grep -v ' ./usr/bin/vibrating-string$' >"$work/debian.sums"
diff "$work/cpack.sums" "$work/debian.sums" >"$work/out"
check "every file but the program has CPack's bytes" test ! -s "$work/out"

report
