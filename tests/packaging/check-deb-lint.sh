#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a distribution's reviewer checks in the package built by check-deb.sh:
# lintian finds no error and no warning; the packaged program is hardened; the
# manual page renders; the changelog's newest entry is the package's version.
# Usage: check-deb-lint.sh <build dir> <work dir holding vellmark.deb>
set -euo pipefail
build=$1 work=$2
deb=$work/vellmark.deb

fail() { echo "FAIL: $*" >&2; exit 1; }

[[ -f $deb ]] || fail "no package at $deb (the packaging-deb test builds it)"
# A folder of its own: packaging-deb-runs unpacks into another at the same time.
root=$work/lint-root
rm -rf "$root"
dpkg-deb -x "$deb" "$root"

# Informational and pedantic tags are shown for the log; only errors and
# warnings fail.
echo "== lintian $(lintian --version | awk '{print $2}')"
lintian --display-info --pedantic --fail-on error,warning "$deb" ||
    fail "lintian reports errors or warnings"

# The program: PIE, stack protector, full RELRO and immediate binding.
echo "== hardening-check"
# Fortified calls show in the binary only where the compiler could not prove a
# call in bounds; in this program it proves them all, so hardening-check's
# guess reads "only unprotected functions". What it cannot see is checked in
# the build's compile commands instead: every source of the program is built
# with _FORTIFY_SOURCE=2 and optimisation.
skip=(--nofortify)
# Debian 12's C start-up files carry no IBT/SHSTK property, so no program
# linked there can be marked for control-flow protection (the compiler flag is
# set); required wherever those files have it.
scrt=$(c++ -print-file-name=Scrt1.o)
if ! readelf -n "$scrt" 2>/dev/null | grep -q "x86 feature: IBT, SHSTK"; then
    skip+=(--nocfprotection)
fi
hardening-check "${skip[@]}" "$root/usr/bin/vellmark" || fail "hardening-check: the program is not hardened"
commands=$(grep '"command"' "$build/compile_commands.json" |
    grep -E '/(vellmark_core|vellmark)\.dir/' || true)
[[ -n $commands ]] || fail "no compile commands for the program in $build/compile_commands.json"
optimised=$(grep -E -- ' -O[123s] ' <<<"$commands" || true)
[[ -n $optimised ]] || fail "the program is built without optimisation, so nothing is fortified"
unfortified=$(grep -vE -- '-D_FORTIFY_SOURCE=2 ' <<<"$optimised" || true)
unprotected=$(grep -vE -- '-fstack-protector-strong ' <<<"$optimised" || true)
[[ -z $unfortified$unprotected ]] || {
    echo "$unfortified$unprotected" >&2
    fail "sources above are built without _FORTIFY_SOURCE=2 or the stack protector"
}
optimised=$(wc -l <<<"$optimised")
echo " $optimised sources of the program built with -O, _FORTIFY_SOURCE=2 and the stack protector"

echo "== man -l"
page=$root/usr/share/man/man1/vellmark.1.gz
[[ -f $page ]] || fail "the package holds no manual page vellmark(1)"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || fail "man -l failed"
[[ -z $warnings ]] || { echo "$warnings" >&2; fail "the manual page renders with warnings"; }
rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for part in NAME SYNOPSIS OPTIONS --help --version FILES; do
    grep -q -- "$part" <<<"$rendered" || fail "the rendered manual page lacks $part"
done
echo " renders without warnings ($(wc -l <<<"$rendered") lines)"

echo "== changelog"
version=$(dpkg-deb -f "$deb" Version)
newest=$(zcat "$root/usr/share/doc/vellmark/changelog.gz" | dpkg-parsechangelog -l- -S Version)
[[ $newest == "$version" ]] || fail "the changelog's newest entry is $newest, the package is $version"
echo " newest entry $newest"
