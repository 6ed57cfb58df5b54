#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as a distribution and a desktop get it.
#   check-package.sh install <build dir> <work dir> <application id> <icon sizes...>
#     cmake --install into an empty prefix: exactly the expected files, a valid
#     desktop entry and metainfo, the entry starting that program with that icon.
#   check-package.sh deb <build dir> <work dir> <application id> <icon sizes...>
#     the Debian package from CPack: its files, name, version and Depends
#     (computed by dpkg-shlibdeps, plus what Qt loads at run time).
#   check-package.sh runs <work dir>
#     the packaged program starts and quits with exit code 0 on SIGTERM;
#     installed for real with dpkg -i only with CI=true (a throwaway machine).
#   check-package.sh lint <build dir> <work dir>
#     a reviewer's checks: lintian without errors or warnings, a hardened
#     program, a manual page that renders, the changelog's newest entry.
set -euo pipefail
mode=$1 build=${2:-} work=${3:-} appId=${4:-}
shift $(($# < 4 ? $# : 4))
sizes=("$@")
fail() { echo "FAIL: $*" >&2; exit 1; }

expected=(bin/vellmark share/applications/$appId.desktop share/metainfo/$appId.metainfo.xml
    share/icons/hicolor/scalable/apps/$appId.svg share/man/man1/vellmark.1.gz
    share/doc/vellmark/copyright share/doc/vellmark/changelog.gz)
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$appId.png")
done

case $mode in
install)
    rm -rf "$work"
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" >/dev/null
    for f in "${expected[@]}"; do [[ -f $prefix/$f ]] || fail "$f is not installed"; done
    [[ -x $prefix/bin/vellmark ]] || fail "bin/vellmark is not executable"
    for name in soundplayer network; do
        plugin=$(cd "$prefix" && find . -path "*/vellmark/plugins/libvellmark_$name.so" -printf '%P\n')
        [[ -n $plugin ]] || fail "the $name plug-in is not installed in <libdir>/vellmark/plugins"
        expected+=("$plugin")
    done
    for size in "${sizes[@]}"; do
        got=$(file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/$appId.png")
        [[ $got == "PNG image data, $size x $size, 8-bit/color RGBA"* ]] || fail "the ${size} px icon is '$got'"
    done
    desktop=$prefix/share/applications/$appId.desktop metainfo=$prefix/share/metainfo/$appId.metainfo.xml
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
    appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli rejects the metainfo"
    exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [[ -x $prefix/bin/$exec_cmd ]] || fail "Exec=$exec_cmd is not the installed program"
    [[ $(sed -n 's/^Icon=//p' "$desktop") == "$appId" ]] || fail "Icon= is not the installed icon $appId"
    grep -q "<launchable type=\"desktop-id\">$appId.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch the entry"
    # Nothing else: tests, benchmarks and static libraries stay out of the install.
    (($(find "$prefix" -type f | wc -l) == ${#expected[@]})) ||
        { find "$prefix" -type f >&2; fail "unexpected installed files"; }
    echo "install into $prefix holds the ${#expected[@]} expected files" ;;
deb)
    rm -rf "$work" && mkdir -p "$work"
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
    debs=("$work"/*.deb)
    ((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || fail "expected one .deb in $work"
    deb=${debs[0]}
    ln -sf "$(basename "$deb")" "$work/vellmark.deb"
    contents=$(dpkg-deb -c "$deb")
    for f in "${expected[@]}"; do grep -qE " ./usr/$f\$" <<<"$contents" || fail "the package lacks /usr/$f"; done
    [[ $(dpkg-deb -f "$deb" Package) == vellmark ]] || fail "package name"
    version=$(dpkg-deb -f "$deb" Version)
    [[ $version == 1.1.2 ]] || fail "package version is '$version'"
    depends=$(dpkg-deb -f "$deb" Depends)
    dpkg-deb -x "$deb" "$work/root"
    # The sound cue's player and the network side are plug-ins loaded after
    # the first frame: the program itself links neither the media stack nor
    # the network libraries.
    plugins=$(find "$work/root/usr/lib" -path '*/vellmark/plugins/libvellmark_*.so' | sort)
    [[ $(wc -l <<<"$plugins") -eq 2 ]] || fail "the package should hold both plug-ins: $plugins"
    ! objdump -p "$work/root/usr/bin/vellmark" | grep -qE 'NEEDED *(libQt6(Multimedia|Network)|liblo)' ||
        fail "the program links Qt Multimedia or the network at start; they belong to the plug-ins"
    # Every Qt library the program and its plug-ins load (libQt6Widgets.so.6 from
    # libqt6widgets6, …), and what Qt loads at run time, where shlibdeps cannot see it.
    needed=$(objdump -p "$work/root/usr/bin/vellmark" $plugins | sed -n 's/^ *NEEDED *libQt6\([A-Za-z]*\)\.so\.6$/libqt6\L\16/p' | sort -u)
    [[ -n $needed ]] || fail "the packaged program links no Qt 6 library?"
    for pkg in $needed libc6 gstreamer1.0-plugins-good gstreamer1.0-plugins-base libssl3; do
        grep -qE "(^|, )$pkg( |,|$)" <<<"$depends" || fail "Depends lacks $pkg: $depends"
    done
    echo "$(basename "$deb"): ${#expected[@]} files checked; Depends: $depends" ;;
runs)
    work=$build deb=$build/vellmark.deb
    [[ -f $deb ]] || fail "no package at $deb (the packaging-deb test builds it)"
    home=$(mktemp -d)
    if [[ ${CI:-} == true ]]; then
        [[ $(id -u) -eq 0 ]] || fail "CI=true needs root to install the package"
        dpkg -i "$deb" >/dev/null || fail "dpkg -i refused the package"
        trap 'rm -rf "$home"; dpkg -r vellmark >/dev/null' EXIT
        program=/usr/bin/vellmark
    else
        trap 'rm -rf "$home"' EXIT
        rm -rf "$work/root" && dpkg-deb -x "$deb" "$work/root"
        program=$work/root/usr/bin/vellmark
    fi
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home "$program" 2>"$home/stderr" &
    pid=$!
    # Still running 2 s after start: it built its windows and entered its loop.
    sleep 2
    kill -0 "$pid" 2>/dev/null || { status=0; wait "$pid" || status=$?; fail "the program ended by itself (exit code $status)"; }
    kill -TERM "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; fail "the program did not quit within 10 s of SIGTERM"; }
    status=0
    wait "$pid" || status=$?
    ((status == 0)) || fail "exit code $status after SIGTERM (143: killed, not quit)"
    cat "$home/stderr" >&2
    ! grep -q "its player could not be loaded" "$home/stderr" ||
        fail "the installed program did not find its sound player plug-in"
    ! grep -q "their plug-in could not be loaded" "$home/stderr" ||
        fail "the installed program did not load its network plug-in"
    echo "started $program, and quit with exit code 0 after SIGTERM" ;;
lint)
    deb=$work/vellmark.deb
    [[ -f $deb ]] || fail "no package at $deb (the packaging-deb test builds it)"
    root=$work/lint-root # not "root": packaging-deb-runs unpacks there at the same time
    rm -rf "$root" && dpkg-deb -x "$deb" "$root"
    lintian --display-info --pedantic --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
    # Fortified calls show in the binary only where the compiler could not
    # prove a call in bounds; here it proves them all, so the compile commands
    # are checked for _FORTIFY_SOURCE=2 instead. Debian 12's C start-up files
    # carry no IBT/SHSTK property, so control-flow protection is required only
    # where they have it.
    skip=(--nofortify)
    readelf -n "$(c++ -print-file-name=Scrt1.o)" 2>/dev/null | grep -q "x86 feature: IBT, SHSTK" ||
        skip+=(--nocfprotection)
    hardening-check "${skip[@]}" "$root/usr/bin/vellmark" || fail "hardening-check: the program is not hardened"
    commands=$(grep '"command"' "$build/compile_commands.json" | grep -E '/(vellmark_core|vellmark_network|vellmark)\.dir/' || true)
    optimised=$(grep -E -- ' -O[123s] ' <<<"$commands" || true)
    [[ -n $optimised ]] || fail "the program is built without optimisation, so nothing is fortified"
    bad=$(grep -vE -- '-D_FORTIFY_SOURCE=2 .*-fstack-protector-strong |-fstack-protector-strong .*-D_FORTIFY_SOURCE=2 ' <<<"$optimised" || true)
    [[ -z $bad ]] || { echo "$bad" >&2; fail "sources above lack _FORTIFY_SOURCE=2 or the stack protector"; }
    page=$root/usr/share/man/man1/vellmark.1.gz
    [[ -f $page ]] || fail "the package holds no manual page vellmark(1)"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || fail "man -l failed"
    [[ -z $warnings ]] || { echo "$warnings" >&2; fail "the manual page renders with warnings"; }
    rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
    for part in NAME SYNOPSIS OPTIONS --help --version FILES; do
        grep -q -- "$part" <<<"$rendered" || fail "the rendered manual page lacks $part"
    done
    newest=$(zcat "$root/usr/share/doc/vellmark/changelog.gz" | dpkg-parsechangelog -l- -S Version)
    [[ $newest == "$(dpkg-deb -f "$deb" Version)" ]] || fail "the changelog's newest entry is $newest"
    echo "lintian, hardening, manual page and changelog as a reviewer expects them" ;;
*) fail "unknown check $mode" ;;
esac
