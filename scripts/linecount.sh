#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Non-blank lines of code per top-level folder (generated lock files and binary/data files excluded),
# and the share of the tests. Usage: scripts/linecount.sh [source tree]
cd "${1:-.}"
tot=0
for d in src tests bench fuzz tools; do
  n=$(git ls-files "$d" | grep -E '\.(cpp|h|sh|mjs|js|py|cmake|html|txt)$|CMakeLists\.txt$' | grep -v -e package-lock -e '/data/' -e '/corpus/' | xargs cat 2>/dev/null | grep -cv '^\s*$')
  echo "$d $n"; tot=$((tot+n)); [ $d = tests ] && t=$n
done
echo "total $tot tests-share $(echo "scale=3; $t/$tot" | bc)"
