#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/lint's shell and JavaScript checks on a clone of the project's
# HEAD: clean as it is, and each failing, naming the file, on a fault
# planted in one script and one page module.   usage: lint_test.sh SOURCE_DIR
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

source=${1:?usage: lint_test.sh SOURCE_DIR}
git clone -q "$source" "$work/repo"
cd "$work/repo" || exit 1
# The pinned tools as the source tree has them installed, else installed anew.
[ ! -d "$source/web/node_modules" ] || ln -s "$source/web/node_modules" web/node_modules

scripts/lint none shell js >"$work/out" 2>&1
check "as committed: clean" test $? -eq 0

# shellcheck disable=SC2016 # the fault is this literal line
echo 'rm -rf $dir/*' >>scripts/tarball
scripts/lint none shell >"$work/out" 2>&1
check "an unquoted variable in a script: fails" test $? -ne 0
check "an unquoted variable in a script: names it" grep -q 'In scripts/tarball line' "$work/out"
git checkout -q scripts/tarball

echo 'const unused = () => undefinedName;' >>web/page/input.js
scripts/lint none js >"$work/out" 2>&1
check "an undefined name in the page: fails" test $? -ne 0
check "an undefined name in the page: names it" grep -q 'web/page/input.js' "$work/out"
check "an undefined name in the page: finds both findings" grep -q '2 problems' "$work/out"
report
