#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of Vellmark the line
#     // SPDX-License-Identifier: GPL-3.0-or-later
# (or "# ..." in CMake, shell and Python files, "/* ... */" in CSS) as its first
# line, below a "#!" line and a Python coding line where a file has them, as
# those must stay on top. Files that already name a licence in their first
# lines are left as they are, so running it again changes nothing.
#
#   scripts/spdx.sh           add the line where it is missing
#   scripts/spdx.sh --check   only list the files that lack it (exit code 1)
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
[[ ${1:-} == --check ]] && check=true

id="SPDX-License-Identifier: GPL-3.0-or-later"

# Every file of the project, committed or new, but not build output or what
# .gitignore leaves out; outside a git checkout every file but build folders.
list_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard
    else
        find . -type f -not -path './build*' -not -path './.git/*' | sed 's|^\./||'
    fi
}

# The comment line for a file, or nothing for files that take none: data,
# images, test inputs (fuzz corpora and test data must stay byte for byte).
comment_for() {
    local f=$1
    case $f in
        fuzz/corpus/* | */data/* | tests/data/*) return ;;
        *.cpp | *.h | *.cc | *.cxx | *.hpp | *.c | *.mm | *.js) echo "// $id" ;;
        *.css) echo "/* $id */" ;;
        CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.py | *.supp) echo "# $id" ;;
        *)
            # Scripts without an extension, such as .ci/run.
            if [[ $(head -c 2 "$f" | tr -d '\0') == '#!' ]]; then echo "# $id"; fi
            ;;
    esac
}

missing=()
while IFS= read -r f; do
    [[ -f $f && ! -L $f ]] || continue
    line=$(comment_for "$f")
    [[ -n $line ]] || continue
    head -n 5 "$f" | grep -q "SPDX-License-Identifier" && continue
    missing+=("$f")
    $check && continue

    # Lines that must stay first: a "#!" line, then a Python coding line.
    keep=0
    [[ $(head -n 1 "$f") == '#!'* ]] && keep=1
    if [[ $f == *.py ]] && sed -n "$((keep + 1))p" "$f" | grep -qE '^[ \t\f]*#.*coding[:=]'; then
        keep=$((keep + 1))
    fi
    tmp=$(mktemp)
    awk -v keep="$keep" -v line="$line" '
        NR == keep + 1 { print line }
        { print }
        END { if (NR < keep + 1) print line }
    ' "$f" >"$tmp"
    # Written through the same file, so its mode (executable scripts) stays.
    cat "$tmp" >"$f"
    rm -f "$tmp"
done < <(list_files)

if $check; then
    if ((${#missing[@]})); then
        printf '%s\n' "${missing[@]}"
        echo "${#missing[@]} source files lack the line '$id' (scripts/spdx.sh adds it)" >&2
        exit 1
    fi
    echo "every source file carries '$id'"
elif ((${#missing[@]})); then
    echo "added '$id' to ${#missing[@]} files"
fi
