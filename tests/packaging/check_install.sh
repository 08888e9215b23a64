#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build under a temporary prefix (with a space and Chinese in its
# path) and checks it as the desktop, the software centre, the MIME database
# and man read it, then runs the installed programs from another folder.
#
#   check_install.sh BUILD_DIR SOURCE_DIR PRODUCT_NAME VERSION APP_ID
set -euo pipefail
build=$1 source=$2 product=$3 version=$4 appid=$5

tmp=$(mktemp -d)
gui_pid=""
cleanup() {
    [ -n "$gui_pid" ] && kill "$gui_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

root="$tmp/安装 root"
prefix="$root/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"
desktop="$share/applications/$appid.desktop"
metainfo="$share/metainfo/$appid.metainfo.xml"
mimexml="$share/mime/packages/kestrel-radio.xml"
station="$share/kestrel-radio/默认电台.radio"
type=application/x-kestrel-radio
typeicon=application-x-kestrel-radio

echo "== layout"
for program in kestrel-radio kestrel-radio-cli; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed as an executable"
done
files=("$station" "$desktop" "$metainfo" "$mimexml"
       "$share/man/man1/kestrel-radio.1" "$share/man/man1/kestrel-radio-cli.1"
       "$share/icons/hicolor/scalable/apps/$appid.svg"
       "$share/icons/hicolor/scalable/mimetypes/$typeicon.svg")
[ -f "$source/data/help/index.html" ] && files+=("$share/kestrel-radio/help/index.html")
for file in "${files[@]}"; do
    [ -f "$file" ] || fail "missing ${file#"$prefix"/}"
done
# Each rendered icon is a PNG of its folder's size.
for size in 16 24 32 48 64 128 256; do
    for icon in "apps/$appid" "mimetypes/$typeicon"; do
        png="$share/icons/hicolor/${size}x$size/$icon.png"
        header=$(od -An -v -tx1 -N24 "$png" 2>/dev/null | tr -d ' \n') || header=""
        expected=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size")
        [ "$header" = "$expected" ] || fail "${png#"$prefix"/} is not a ${size}x$size PNG"
    done
done

echo "== desktop entry, metainfo, MIME type"
said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
[ -z "$said" ] || fail "desktop-file-validate: $said"
for tree in validate validate-tree; do
    target=$metainfo
    [ $tree = validate-tree ] && target=$root
    said=$(appstreamcli $tree --no-net "$target" 2>&1) || fail "appstreamcli $tree failed: $said"
    if grep -Eq '^ *[EW]:' <<<"$said"; then fail "appstreamcli $tree: $said"; fi
done
xmllint --noout "$mimexml" "$metainfo" || fail "an XML file is not well-formed"
# The names the entry and the type give are the ones installed.
grep -qx "Icon=$appid" "$desktop" || fail "the desktop entry names another icon"
grep -qx "MimeType=$type;" "$desktop" || fail "the desktop entry opens no station files"
grep -qx "Exec=kestrel-radio %F" "$desktop" || fail "the desktop entry starts something else"

mime="$tmp/mime"
mkdir -p "$mime/packages"
cp "$mimexml" "$mime/packages/"
said=$(XDG_DATA_DIRS="$tmp" update-mime-database "$mime" 2>&1 >/dev/null) || fail "update-mime-database failed"
[ -z "$said" ] || fail "update-mime-database: $said"
grep -Eq "^[0-9]+:$type:\*\.radio$" "$mime/globs2" || fail "*.radio does not map to $type"
grep -qx " Radio $type" "$mime/XMLnamespaces" || fail "the root element Radio does not map to $type"
grep -qx "$type:$typeicon" "$mime/icons" || fail "the type names another icon"

echo "== the installed programs, from another folder"
cd "$tmp"
# The window seeds the user's default station from the prefix: a copy that
# differs from the source tree's shows where it was read.
printf '\n' >>"$station"
before=$(find "$prefix" -printf '%P %s %T@\n' | sort)
for program in kestrel-radio kestrel-radio-cli; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --version 2>&1) || fail "$program --version failed"
    [ "$said" = "$product $version" ] || fail "$program --version says '$said'"
done
said=$("$prefix/bin/kestrel-radio-cli" info "$station" 2>&1) || fail "info of the installed station failed: $said"
[[ $said == '{"Text":"'* ]] || fail "info of the installed station: $said"

home="$tmp/home"
mkdir -p "$home/run"
chmod 700 "$home/run"
# A home of its own, off the user's display and session bus.
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=offscreen HOME="$home" \
    XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    "$prefix/bin/kestrel-radio" >"$tmp/gui.log" 2>&1 &
gui_pid=$!
# Listening for later starts, the window has opened its station.
for _ in $(seq 300); do
    [ -n "$(find "$home/run" -maxdepth 1 -type s 2>/dev/null)" ] && break
    kill -0 "$gui_pid" 2>/dev/null || break
    sleep 0.1
done
seed=$(find "$home/data" -name '默认电台.radio' 2>/dev/null | head -1)
if [ -z "$seed" ]; then
    fail "the installed window seeded no default station: $(cat "$tmp/gui.log")"
elif ! cmp -s "$seed" "$station"; then
    fail "the default station was not seeded from the prefix"
fi
kill -TERM "$gui_pid" 2>/dev/null
status=0
wait "$gui_pid" || status=$?
gui_pid=""
[ $status -eq 0 ] || fail "the installed window ended with $status: $(cat "$tmp/gui.log")"
after=$(find "$prefix" -printf '%P %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the programs wrote under the prefix: $(diff <(echo "$before") <(echo "$after"))"

echo "== manual pages"
for program in kestrel-radio kestrel-radio-cli; do
    page="$share/man/man1/$program.1"
    said=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) ||
        fail "man cannot format $program.1"
    [ -z "$said" ] || fail "$program.1: $said"
    lexgrog "$page" | grep -q ": \"$program - " || fail "$program.1 has no whatis line"
    # The page documents every option and command its program's help names,
    # and quotes the help's usage line.
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help)
    grep -qF -- "$(head -1 <<<"$help")" <<<"$text" || fail "$program.1 lacks the usage line of --help"
    for word in $(grep -oE -- '--[a-z]+' <<<"$help") $(sed -n 's/^  \([a-z]\+\) .*/\1/p' <<<"$help"); do
        grep -qE -- "(^|[^a-z-])$word([^a-z]|$)" <<<"$text" || fail "$program.1 does not document $word"
    done
done

[ $failures -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all installation checks passed"
