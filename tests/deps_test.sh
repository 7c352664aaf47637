#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/deps as a user without root, on a PATH of stand-ins: every package
# reads as missing, and apt-get only records how it was called, so the
# machine's packages are never touched.   usage: deps_test.sh SOURCE_DIR
set -uo pipefail
deps="$1/scripts/deps"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

check() { # name, condition...
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
        echo "--- output:"
        cat "$work/out"
    fi
}

# A bin folder with the few real tools the script runs, and stand-ins for
# the rest. $1 is the sudo to put there: none, refusing or working.
make_path() {
    local bin="$work/bin-$1"
    mkdir -p "$bin"
    for tool in bash env grep true; do ln -sf "$(type -P "$tool")" "$bin/$tool"; done
    printf '#!/bin/sh\necho 1000\n' >"$bin/id"
    printf '#!/bin/sh\necho "dpkg-query: no packages found matching $*" >&2\nexit 1\n' >"$bin/dpkg-query"
    printf '#!/bin/sh\necho "$*" >>"%s/apt-get.calls"\n' "$work" >"$bin/apt-get"
    case $1 in
    refusing) printf '#!/bin/sh\necho "tester is not in the sudoers file." >&2\nexit 1\n' >"$bin/sudo" ;;
    working) printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo" ;;
    esac
    chmod +x "$bin"/*
    echo "$bin"
}

for sudo in none refusing; do
    rm -f "$work/apt-get.calls"
    PATH=$(make_path $sudo) "$deps" build package >"$work/out" 2>&1
    status=$?
    check "$sudo sudo: exits 1" test "$status" -eq 1
    check "$sudo sudo: says installing needs root" grep -q 'installing the missing packages needs root' "$work/out"
    check "$sudo sudo: prints the command for an administrator" \
        grep -qx '  apt-get install --no-install-recommends cmake make g++ libgsl-dev .* lintian .* mandoc' "$work/out"
    check "$sudo sudo: runs no apt-get" test ! -e "$work/apt-get.calls"
done

rm -f "$work/apt-get.calls"
PATH=$(make_path working) "$deps" display >"$work/out" 2>&1
status=$?
check "working sudo: exits 0" test "$status" -eq 0
check "working sudo: updates, then installs the missing packages" \
    diff <(printf '%s\n' "update -qq" "install -y -qq --no-install-recommends xvfb xauth") "$work/apt-get.calls"

PATH=$(make_path working) "$deps" nonsense >"$work/out" 2>&1
check "an unknown job: exits 2" test $? -eq 2

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
