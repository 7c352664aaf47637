# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shell tests' checks, sourced: each check names what it checks and, where
# it fails, shows $work/out, the output of the command under test. `report`
# ends a test with the counts and its status.

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
        cat "${work:?}/out"
    fi
}

report() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
