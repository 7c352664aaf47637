#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/deps as root and as a user without root, on a PATH of stand-ins: every package
# reads as missing, and apt-get only records how it was called, so the
# machine's packages are never touched.   usage: deps_test.sh SOURCE_DIR
set -uo pipefail
deps="$1/scripts/deps"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The apt log that a failed install keeps goes here, not into /tmp.
export TMPDIR="$work"
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

# A bin folder with the few real tools the script runs, and stand-ins for
# the rest. $1 is the sudo to put there: none, refusing or working; $2 the
# user id (1000 unless given). The stand-in apt-get chatters as dpkg does,
# and fails where $work/apt-fails exists.
make_path() {
    local bin="$work/bin-$1-${2:-1000}"
    mkdir -p "$bin"
    for tool in bash env dirname grep sed tr true mktemp rm tail; do ln -sf "$(type -P "$tool")" "$bin/$tool"; done
    printf '#!/bin/sh\necho %s\n' "${2:-1000}" >"$bin/id"
    printf '#!/bin/sh\necho "dpkg-query: no packages found matching $*" >&2\nexit 1\n' >"$bin/dpkg-query"
    printf '#!/bin/sh\necho "$*" >>"%s/apt-get.calls"\necho "Selecting previously unselected package $*."\n' "$work" >"$bin/apt-get"
    printf '[ ! -e "%s/apt-fails" ] || { echo "E: Unable to locate package $*"; exit 100; }\n' "$work" >>"$bin/apt-get"
    case $1 in
    refusing) printf '#!/bin/sh\necho "tester is not in the sudoers file." >&2\nexit 1\n' >"$bin/sudo" ;;
    working) printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo" ;;
    esac
    chmod +x "$bin"/*
    echo "$bin"
}

# Everything the program needs to build, then Debian's packaging tools.
build_and_package="cmake make g++ libgsl-dev libopenblas-dev freeglut3-dev libgl-dev libopengl-dev libgl1-mesa-dri"
build_and_package+=" dpkg-dev file lintian devscripts desktop-file-utils appstream mandoc"
for sudo in none refusing; do
    rm -f "$work/apt-get.calls"
    PATH=$(make_path $sudo) "$deps" build package >"$work/out" 2>&1
    status=$?
    check "$sudo sudo: exits 1" test "$status" -eq 1
    check "$sudo sudo: says installing needs root" grep -q 'installing the missing packages needs root' "$work/out"
    check "$sudo sudo: prints the command for an administrator" \
        grep -qxF "  apt-get install --no-install-recommends $build_and_package" "$work/out"
    check "$sudo sudo: runs no apt-get" test ! -e "$work/apt-get.calls"
done

# Root installs directly: a root machine often has no sudo at all.
rm -f "$work/apt-get.calls"
PATH=$(make_path none 0) "$deps" build package >"$work/out" 2>&1
check "root without sudo: exits 0" test $? -eq 0
check "root without sudo: installs the missing packages itself" \
    grep -qxF "install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold $build_and_package" "$work/apt-get.calls"

rm -f "$work/apt-get.calls"
PATH=$(make_path working) "$deps" display >"$work/out" 2>&1
status=$?
check "working sudo: exits 0" test "$status" -eq 0
check "working sudo: updates, then installs the missing packages" \
    diff <(printf '%s\n' "update -qq" "install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold xvfb xauth") "$work/apt-get.calls"

check "working sudo: says what it installs" grep -qx 'Installing Debian packages and what they need: xvfb xauth' "$work/out"
check "working sudo: keeps dpkg's progress out of sight" test "$(grep -c 'Selecting previously' "$work/out")" -eq 0

# npm is asked for by its command, not its package: Debian's nodejs has none,
# and a Node.js from elsewhere may bring its own.
rm -f "$work/apt-get.calls"
PATH=$(make_path working) "$deps" browser >"$work/out" 2>&1
check "no npm command: installs npm" grep -qx 'install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold chromium firefox-esr xvfb xauth nodejs npm' "$work/apt-get.calls"
rm -f "$work/apt-get.calls"
printf '#!/bin/sh\necho 9.2.0\n' >"$work/bin-working-1000/npm"
chmod +x "$work/bin-working-1000/npm"
PATH="$work/bin-working-1000" "$deps" browser >"$work/out" 2>&1
check "an npm command: leaves npm alone" grep -qx 'install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold chromium firefox-esr xvfb xauth nodejs' "$work/apt-get.calls"

touch "$work/apt-fails"
PATH="$work/bin-working-1000" "$deps" display >"$work/out" 2>&1
check "apt-get failing: exits 1" test $? -eq 1
check "apt-get failing: shows the end of its output" grep -q 'E: Unable to locate package' "$work/out"
rm -f "$work/apt-fails"

# The Debian source package's Build-Depends, read from debian/control: each
# by its package's name alone, debhelper for debhelper-compat, and the tools
# that build any source package.
rm -f "$work/apt-get.calls"
PATH=$(make_path none 0) "$deps" debian >"$work/out" 2>&1
install=$(grep '^install ' "$work/apt-get.calls")
check "debian: asks for debian/control's Build-Depends by name" \
    sh -c "echo '$install' | grep -q ' debhelper cmake .* xvfb build-essential dpkg-dev\$'"
check "debian: no versions, profiles or virtual packages" sh -c "! echo '$install' | grep -qE '[(<!>]|debhelper-compat'"

mkdir -p "$work/no-control/scripts"
cp "$deps" "$work/no-control/scripts/"
PATH=$(make_path none 0) "$work/no-control/scripts/deps" debian >"$work/out" 2>&1
check "debian: without debian/control, exits 1" test $? -eq 1
check "debian: without debian/control, says so" grep -q 'found no Build-Depends in .*/debian/control' "$work/out"

PATH=$(make_path working) "$deps" nonsense >"$work/out" 2>&1
check "an unknown job: exits 2" test $? -eq 2

report
