#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/lint's shell, JavaScript and documentation checks on a clone of
# the project's HEAD: clean as it is, and each failing, naming every file, on
# a fault planted in every file that git tracks of its kind.
#   usage: lint_test.sh SOURCE_DIR
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

source=${1:?usage: lint_test.sh SOURCE_DIR}
git clone -q "$source" "$work/repo"
cd "$work/repo" || exit 1
# The pinned tools as the source tree has them installed, else installed anew.
[ ! -f "$source/node_modules/.installed-lock.json" ] || ln -s "$source/node_modules" node_modules

scripts/lint none shell js docs >"$work/out" 2>&1
check "as committed: clean" test $? -eq 0

# A fault planted in every shell script and every JavaScript file that git
# tracks is found in each of them: no file and no new folder falls out unseen.
mapfile -t scripts < <(git ls-files | while read -r file; do
    case $file in
    *.sh) echo "$file" ;;
    *) [ -f "$file" ] && head -n1 "$file" | grep -qE '^#!.*\b(ba|da)?sh\b' && echo "$file" ;;
    esac
done)
mapfile -t javascript < <(git ls-files '*.js' '*.mjs' '*.cjs' '*.js.in')

for script in "${scripts[@]}"; do
    # shellcheck disable=SC2016 # the fault is this literal line
    echo 'rm -rf $dir/*' >>"$script"
done
scripts/lint none shell >"$work/out" 2>&1
check "an unquoted variable in every script: fails" test $? -ne 0
for script in "${scripts[@]}"; do
    check "an unquoted variable in $script: named" grep -qF "In $script line" "$work/out"
done
git checkout -q .

for file in "${javascript[@]}"; do
    echo 'const unused = () => undefinedName;' >>"$file"
done
scripts/lint none js >"$work/out" 2>&1
check "an undefined name in every JavaScript file: fails" test $? -ne 0
for file in "${javascript[@]}"; do
    check "an undefined name in $file: named" grep -qxF "$PWD/$file" "$work/out"
done
check "an undefined name in every JavaScript file: both findings in each" \
    grep -q "$((2 * ${#javascript[@]})) problems" "$work/out"
git checkout -q .

# In every Markdown file, each fault on its own: a heading with no space
# after its hashes (markdownlint), then a link to no file, a link to no
# heading and a command that is not there (tools/check-docs.mjs).
mapfile -t docs < <(git ls-files '*.md')
# shellcheck disable=SC2016 # the backticks are Markdown's
for fault in '#Heading' '[a link](no-such-file.md)' '[a link](#no-such-heading)' 'Run `scripts/no-such-command`.'; do
    for doc in "${docs[@]}"; do printf '\n%s\n' "$fault" >>"$doc"; done
    scripts/lint none docs >"$work/out" 2>&1
    check "$fault in every Markdown file: fails" test $? -ne 0
    for doc in "${docs[@]}"; do
        check "$fault in $doc: named" grep -q "^$doc:" "$work/out"
    done
    git checkout -q .
done
report
