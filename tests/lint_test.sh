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

# Appends the fault LINE to each of FILES, and checks that scripts/lint
# CHECK fails and names each file, as the extended regular expression NAMED
# does with FILE in it. The files stay changed until `git checkout`.
plant() { # check what line named files...
    local check=$1 what=$2 line=$3 named=$4 file
    shift 4
    for file in "$@"; do printf '\n%s\n' "$line" >>"$file"; done
    scripts/lint none "$check" >"$work/out" 2>&1
    check "$what in every file: fails" test $? -ne 0
    for file in "$@"; do
        check "$what in $file: named" grep -qE "${named//FILE/$file}" "$work/out"
    done
}

# shellcheck disable=SC2016 # the fault is this literal line
plant shell "an unquoted variable" 'rm -rf $dir/*' "In FILE line" "${scripts[@]}"
git checkout -q .

plant js "an undefined name" 'const unused = () => undefinedName;' "^$PWD/FILE\$" "${javascript[@]}"
check "an undefined name in every JavaScript file: both findings in each" \
    grep -q "$((2 * ${#javascript[@]})) problems" "$work/out"
git checkout -q .

# In every Markdown file, each fault on its own: a heading with no space
# after its hashes (markdownlint), then a link to no file, a link to no
# heading and a command that is not there (tools/check-docs.mjs).
mapfile -t docs < <(git ls-files '*.md')
# shellcheck disable=SC2016 # the backticks are Markdown's
for fault in '#Heading' '[a link](no-such-file.md)' '[a link](#no-such-heading)' 'Run `scripts/no-such-command`.'; do
    plant docs "$fault" "$fault" "^FILE:" "${docs[@]}"
    git checkout -q .
done
report
