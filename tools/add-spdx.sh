#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line first (after a shebang) in every tracked source file that lacks it.
# Running it again changes nothing.
#   tools/add-spdx.sh [PATH...]     (default: the whole repository)
set -euo pipefail
cd "$(git -C "$(dirname "$0")" rev-parse --show-toplevel)"
license="SPDX-License-Identifier: GPL-3.0-or-later"

git ls-files -z -- "${@:-.}" | while IFS= read -r -d '' file; do
    case "$file" in
    *.cpp | *.h | *.c) line="// $license" ;;
    *.py | *.sh | CMakeLists.txt | */CMakeLists.txt) line="# $license" ;;
    *) continue ;;
    esac
    [ -f "$file" ] || continue
    head -n 5 "$file" | grep -q "SPDX-License-Identifier:" && continue
    if [ ! -s "$file" ]; then
        printf '%s\n' "$line" >"$file"
    elif head -n 1 "$file" | grep -q '^#!'; then
        sed -i "1a $line" "$file"
    else
        sed -i "1i $line" "$file"
    fi
    echo "$file"
done
