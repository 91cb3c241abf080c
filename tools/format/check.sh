#!/usr/bin/env bash
# Checks that our C and C++ sources are as clang-format leaves them; with --fix, formats them.
# Left out: the maths taken from elsewhere, kept as it came so that it can be compared with its
# source, and the include checker's fixtures, whose odd spellings are what they test.
set -euo pipefail
cd "$(dirname "$0")/../.."

CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h' \
    ':!:tolvex/musl_math/' ':!:tests/layout/fixture/' ':!:tests/layout/library_fixture/')

if [ "${1:-}" = --fix ]; then
    "$CLANG_FORMAT" -i "${files[@]}"
else
    "$CLANG_FORMAT" --dry-run -Werror "${files[@]}"
fi
