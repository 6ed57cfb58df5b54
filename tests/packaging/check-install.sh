#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into an empty prefix and checks that everything a desktop
# needs is there and valid: the program, its desktop entry, its AppStream
# metainfo and its icons, and that the entry starts that program with that icon.
# Usage: check-install.sh <build dir> <work dir> <application id> <icon sizes...>
set -euo pipefail
build=$1 work=$2 appId=$3
shift 3
sizes=("$@")

rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

expected=(
    bin/vellmark
    share/applications/$appId.desktop
    share/metainfo/$appId.metainfo.xml
    share/icons/hicolor/scalable/apps/$appId.svg
    share/man/man1/vellmark.1.gz
    share/doc/vellmark/copyright
    share/doc/vellmark/changelog.gz
)
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$appId.png")
done
for f in "${expected[@]}"; do
    [[ -f $prefix/$f ]] || fail "$f is not installed"
done
[[ -x $prefix/bin/vellmark ]] || fail "bin/vellmark is not executable"
plugin=$(cd "$prefix" && find . -path '*/vellmark/plugins/libvellmark_soundplayer.so' -printf '%P\n')
[[ -n $plugin ]] || fail "the sound player plug-in is not installed in <libdir>/vellmark/plugins"
expected+=("$plugin")
for size in "${sizes[@]}"; do
    got=$(file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/$appId.png")
    [[ $got == "PNG image data, $size x $size, 8-bit/color RGBA"* ]] ||
        fail "the ${size} px icon is '$got'"
done

desktop=$prefix/share/applications/$appId.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$appId.metainfo.xml" ||
    fail "appstreamcli rejects the metainfo"

# The entry must start the installed program and name the installed icon.
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x $prefix/bin/$exec_cmd ]] || fail "Exec=$exec_cmd is not the installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ $icon == "$appId" ]] || fail "Icon=$icon is not the installed icon name $appId"
grep -q "<launchable type=\"desktop-id\">$appId.desktop</launchable>" \
    "$prefix/share/metainfo/$appId.metainfo.xml" || fail "the metainfo does not launch the entry"

# Nothing else: tests, benchmarks and static libraries stay out of the install.
count=$(find "$prefix" -type f | wc -l)
((count == ${#expected[@]})) || { find "$prefix" -type f >&2; fail "unexpected installed files"; }
echo "install into $prefix holds the ${#expected[@]} expected files"
