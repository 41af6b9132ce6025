#!/usr/bin/env bash
# The real viewer on a virtual X display: started with a settings file that skips the title
# window, Space pressed with xdotool, the render area read back from the screen until it holds
# exactly the pixels of `tavrine-render --size 199`; the same with the "HQ" switch clicked on;
# then File > Exit from the keyboard and the settings file checked.
#
# Usage: viewer_under_xvfb.sh TAVRINE TAVRINE_RENDER WRITE_START_SETTINGS
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb, xdotool or ImageMagick).
set -uo pipefail
# shellcheck source=tests/ui/xvfb_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_support.sh"

if ! [[ $# -eq 3 || ($# -eq 4 && "$1" == --inside) ]]; then
    echo "Usage: viewer_under_xvfb.sh TAVRINE TAVRINE_RENDER WRITE_START_SETTINGS" >&2
    exit 2
fi

# ---- Outside: find the tools, then run this script again on a fresh display ----------------
if [[ "$1" != --inside ]]; then
    # Help needs no display, and a standard output that cannot take it is a failure.
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --help >/dev/null ||
        fail "tavrine --help fails without a display"
    if [[ -e /dev/full ]] && "$1" --help >/dev/full 2>/dev/null; then
        fail "tavrine --help to a full standard output exits 0"
    fi
    onFreshDisplay 240 130 xdotool import compare -- "$0" --inside "$@"
fi

# ---- Inside: on the virtual display ---------------------------------------------------------
shift
tavrine=$1
renderer=$2
writeStartSettings=$3
startOnDisplay

makeWorkFolder

# A copy of the program in a folder of its own, with a home and XDG folders of its own, so the
# settings file goes where it would for a user and nowhere near the build tree. The program
# folder is made read-only: the settings then live under the XDG configuration folder, unless
# this user may write there anyway (root), in which case they stay beside the program.
mkdir -p "$work/bin" "$work/home" "$work/config" "$work/pictures" "$work/runtime"
chmod 700 "$work/runtime"
cp "$tavrine" "$work/bin/tavrine" || fail "cannot copy $tavrine"
chmod a-w "$work/bin"
if [[ -w "$work/bin" ]]; then
    settings="$work/bin/Setting.ini"
else
    settings="$work/config/tavrine/Setting.ini"
    mkdir -p "$work/config/tavrine"
fi
"$writeStartSettings" "$settings" || fail "cannot write the start settings $settings"
# What the viewer should write on exit (the folder texts name the settings folder).
expectedSettings="${settings%/*}/expected-hq.ini"
"$writeStartSettings" "$expectedSettings" hq || fail "cannot write $expectedSettings"
startInode=$(stat -c %i "$settings")

"$renderer" --quiet --out "$work/expected.png" --format png24 --size 199 ||
    fail "tavrine-render failed"
"$renderer" --quiet --out "$work/expected-hq.png" --format png24 --size 199 --hq 1 ||
    fail "tavrine-render --hq 1 failed"

unset QT_QPA_PLATFORM
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_PICTURES_DIR="$work/pictures" \
    XDG_RUNTIME_DIR="$work/runtime"
"$work/bin/tavrine" >"$work/viewer.log" 2>&1 &
viewer=$!

title='[   t  a  v  r  i  n  e   ]  version 4.06'
window=""
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name 'version 4\.06' 2>/dev/null | head -n 1)
    [[ -n "$window" ]] && break
    kill -0 "$viewer" 2>/dev/null || break
    sleep 0.2
done
if [[ -z "$window" ]]; then
    cat "$work/viewer.log" >&2
    fail "the main window did not appear within 30 s"
fi
[[ "$(xdotool getwindowname "$window")" == "$title" ]] ||
    fail "window title is '$(xdotool getwindowname "$window")'"

# The window is the menu bar over the 728 x 508 client area.
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ "$WIDTH" -eq 728 ]] || fail "window is $WIDTH pixels wide, not 728"
menuHeight=$((HEIGHT - 508))
[[ $menuHeight -gt 0 ]] || fail "window is $HEIGHT pixels high: no room for the menu bar"

# grab FILE: the 199 x 199 render area at (33, 245) of the client area.
grab() {
    import -window "$window" -crop "199x199+33+$((menuHeight + 245))" +repage "$1" 2>/dev/null
}
# differing FILE EXPECTED: the number of pixels of FILE that differ from EXPECTED.
differing() {
    compare -metric AE "$1" "$2" null: 2>&1 >/dev/null | cut -d' ' -f1
}

sleep 1  # the first paint
grab "$work/before.png" || fail "cannot grab the window"
before=$(differing "$work/before.png" "$work/expected.png")
[[ "$before" != 0 ]] || fail "the render area shows the picture before Space was pressed"

xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
sleep 0.3
xdotool key space

# waitForPicture EXPECTED WHAT: waits at most 60 s for the render area to hold exactly the
# pixels of EXPECTED; it does once the rendering has ended (the progress display over the
# area is hidden then) and the window has repainted what the job drew.
waitForPicture() {
    local expected=$1 what=$2 shown="unknown" deadline=$((SECONDS + 60))
    while [[ $SECONDS -lt $deadline ]]; do
        sleep 0.5
        kill -0 "$viewer" 2>/dev/null || fail "the viewer ended while rendering"
        grab "$work/shown.png" || continue
        shown=$(differing "$work/shown.png" "$expected")
        [[ "$shown" == 0 ]] && break
    done
    if [[ "$shown" != 0 ]]; then
        local kept="${TMPDIR:-/tmp}/viewer_under_xvfb"
        mkdir -p "$kept"
        cp "$work/shown.png" "$kept/shown.png" 2>/dev/null
        cp "$expected" "$kept/expected.png" 2>/dev/null
        fail "after 60 s the render area differs from $what in $shown pixels" \
            "(pictures kept in $kept)"
    fi
    echo "render area: 199 x 199 pixels equal to $what"
}

xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
sleep 0.3
xdotool key space
waitForPicture "$work/expected.png" "tavrine-render --size 199"

# The "HQ" switch (client 101, 452, 32 x 21) clicked, and Space again: the job draws nothing
# while it runs and the finished picture must still reach the screen.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove "$((X + 117))" "$((Y + menuHeight + 462))" click 1
sleep 0.3
xdotool mousemove 0 0
xdotool key space
waitForPicture "$work/expected-hq.png" "tavrine-render --size 199 --hq 1"

# File > Exit from the keyboard; the viewer writes its settings and ends.
ended=""
for _ in 1 2 3; do
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 50); do
        if ! kill -0 "$viewer" 2>/dev/null; then
            ended=yes
            break
        fi
        sleep 0.2
    done
    [[ -n "$ended" ]] && break
done
[[ -n "$ended" ]] || fail "File > Exit did not end the viewer"
wait "$viewer"
status=$?
viewer=""
[[ $status -eq 0 ]] || fail "the viewer ended with status $status: $(cat "$work/viewer.log")"

[[ -f "$settings" ]] || fail "no settings file at $settings"
size=$(stat -c %s "$settings")
[[ "$size" -eq 729 ]] || fail "the settings file $settings is $size bytes, not 729"
[[ "$(stat -c %i "$settings")" != "$startInode" ]] ||
    fail "the settings file was not written anew on exit"
cmp -s "$settings" "$expectedSettings" ||
    fail "the settings file differs from the defaults with the title off and \"HQ\" on"
echo "settings: 729 bytes written anew at ${settings#"$work"/}"
exit 0
