#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with CPack and checks what it holds and depends on.
# Usage: check-deb.sh <build dir> <work dir> <application id> <icon sizes...>
set -euo pipefail
build=$1 work=$2 appId=$3
shift 3
sizes=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$work"/*.deb)
((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || fail "expected one .deb in $work"
deb=${debs[0]}
ln -sf "$(basename "$deb")" "$work/vellmark.deb"

contents=$(dpkg-deb -c "$deb")
expected=(
    ./usr/bin/vellmark
    ./usr/share/applications/$appId.desktop
    ./usr/share/metainfo/$appId.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/$appId.svg
    ./usr/share/man/man1/vellmark.1.gz
    ./usr/share/doc/vellmark/copyright
    ./usr/share/doc/vellmark/changelog.gz
)
for size in "${sizes[@]}"; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$appId.png")
done
for f in "${expected[@]}"; do
    grep -qE " $f\$" <<<"$contents" || fail "the package does not hold $f"
done

[[ $(dpkg-deb -f "$deb" Package) == vellmark ]] || fail "package name"
version=$(dpkg-deb -f "$deb" Version)
[[ $version == 1.1.2 ]] || fail "package version is '$version'"

# Computed by dpkg-shlibdeps from the program itself, not listed by hand.
depends=$(dpkg-deb -f "$deb" Depends)
# Every Qt library the packaged program loads (libQt6Widgets.so.6 comes from
# libqt6widgets6, and so on) must be named.
root=$work/root
dpkg-deb -x "$deb" "$root"
# The sound cue's player plug-in, loaded after the first frame: the program
# itself does not link the media stack.
plugin=$(find "$root/usr/lib" -path '*/vellmark/plugins/libvellmark_soundplayer.so' | head -n 1)
[[ -n $plugin ]] || fail "the package does not hold the sound player plug-in (lib/vellmark/plugins/libvellmark_soundplayer.so)"
links=$(objdump -p "$root/usr/bin/vellmark" "$plugin")
! grep -q 'NEEDED *libQt6Multimedia' <<<"$(objdump -p "$root/usr/bin/vellmark")" ||
    fail "the program links Qt Multimedia at start; it belongs to the plug-in"
needed=$(sed -n 's/^ *NEEDED *libQt6\([A-Za-z]*\)\.so\.6$/libqt6\L\16/p' <<<"$links" | sort -u)
[[ -n $needed ]] || fail "the packaged program links no Qt 6 library?"
for lib in $needed libc6; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
# What Qt loads at run time and shlibdeps cannot see.
for pkg in gstreamer1.0-plugins-good gstreamer1.0-plugins-base libssl3; do
    grep -qE "(^|, )$pkg( |,|$)" <<<"$depends" || fail "Depends lacks $pkg: $depends"
done
echo "$(basename "$deb"): ${#expected[@]} files checked; Depends: $depends"
