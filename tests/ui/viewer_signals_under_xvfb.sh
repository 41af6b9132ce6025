#!/usr/bin/env bash
# The real viewer on a virtual X display, ended by signals from modal states: SIGTERM while the
# start-up message box about a damaged Position-Info File is open; SIGINT while the abort
# question is open over the render window kept on top (the question must be the top window, a
# transient of the render window); SIGHUP during an automatic capture (the frames written so far
# are recorded in the Capture-Info File and the frame in hand leaves no file). Each time the
# viewer must end with 128 + the signal and write its settings file anew.
#
# Usage: viewer_signals_under_xvfb.sh TAVRINE WRITE_START_SETTINGS
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb, xdotool, xprop or xwininfo).
set -uo pipefail
# shellcheck source=tests/ui/xvfb_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_support.sh"

if ! [[ $# -eq 2 || ($# -eq 3 && "$1" == --inside) ]]; then
    echo "Usage: viewer_signals_under_xvfb.sh TAVRINE WRITE_START_SETTINGS" >&2
    exit 2
fi

# ---- Outside: find the tools, then run this script again on a fresh display ----------------
if [[ "$1" != --inside ]]; then
    onFreshDisplay 180 160 xdotool xprop xwininfo od -- "$0" --inside "$@"
fi

# ---- Inside: on the virtual display ---------------------------------------------------------
shift
tavrine=$1
writeStartSettings=$2
startOnDisplay

makeWorkFolder

# A copy of the program with a home and XDG folders of its own; the settings go beside it when
# this user may write there (root), else under the XDG configuration folder.
mkdir -p "$work/bin" "$work/home" "$work/config/tavrine" "$work/runtime"
chmod 700 "$work/runtime"
cp "$tavrine" "$work/bin/tavrine" || fail "cannot copy $tavrine"
chmod a-w "$work/bin"
if [[ -w "$work/bin" ]]; then
    settings="$work/bin/Setting.ini"
else
    settings="$work/config/tavrine/Setting.ini"
fi
captures="${settings%/*}/AutoCaps"
unset QT_QPA_PLATFORM
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"

# windowNamed NAME: the id of the visible window named exactly NAME, waited for up to 30 s.
windowNamed() {
    local id
    for _ in $(seq 150); do
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            if [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$1" ]]; then
                echo "$id"
                return 0
            fi
        done
        kill -0 "$viewer" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}

# start OPTIONS -- ARGUMENTS: fresh start settings (write_start_settings OPTIONS), then the viewer
# with ARGUMENTS; sets mainWindow once the main window shows.
start() {
    local options=()
    while [[ "$1" != -- ]]; do
        options+=("$1")
        shift
    done
    shift
    chmod u+w "${settings%/*}"
    rm -f "$settings"
    "$writeStartSettings" "$settings" "${options[@]}" || fail "cannot write $settings"
    cp "$settings" "$work/start.ini"
    startInode=$(stat -c %i "$settings")
    "$work/bin/tavrine" "$@" >"$work/viewer.log" 2>&1 &
    viewer=$!
    mainWindow=$(windowNamed '[   t  a  v  r  i  n  e   ]  version 4.06') || {
        cat "$work/viewer.log" >&2
        fail "the main window did not appear within 30 s"
    }
}

# endsWith SIGNAL: sends SIGNAL and expects the viewer to end within 20 s with 128 + SIGNAL,
# having written its settings file anew.
endsWith() {
    local name=$1 number ended=""
    number=$(kill -l "$name")
    kill -s "$name" "$viewer"
    for _ in $(seq 100); do
        if ! kill -0 "$viewer" 2>/dev/null; then
            ended=yes
            break
        fi
        sleep 0.2
    done
    [[ -n "$ended" ]] || fail "SIG$name $what: the viewer still runs after 20 s"
    wait "$viewer"
    local status=$?
    viewer=""
    [[ $status -eq $((128 + number)) ]] ||
        fail "SIG$name $what: exit status $status, not $((128 + number))"
    [[ -f "$settings" && "$(stat -c %s "$settings")" -eq 729 ]] ||
        fail "SIG$name $what: no 729-byte settings file at $settings"
    [[ "$(stat -c %i "$settings")" != "$startInode" ]] ||
        fail "SIG$name $what: the settings file was not written anew"
    echo "SIG$name $what: exit status $status, settings written"
}

# 1. The start-up message box about a file that is no Position-Info File.
what="with the start-up message box open"
printf 'damaged' >"$work/damaged.gpi"
start -- "$work/damaged.gpi"
windowNamed Confirmation >/dev/null || fail "no message box about damaged.gpi"
endsWith TERM
cmp -s "$settings" "$work/start.ini" || fail "SIGTERM $what: the settings changed"

# 2. The abort question asked while the render window (512 pixels, kept on top) shows.
what="with the abort question open"
start window512 --
xdotool windowfocus --sync "$mainWindow" 2>/dev/null || xdotool windowfocus "$mainWindow"
sleep 0.3
xdotool key space space  # the second arrives while the first renders
question=$(windowNamed Confirmation) || fail "the second Space asked no question"
render=$(windowNamed 'Render Window') || fail "no render window"
transient=$(xprop -id "$question" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*')
[[ $((transient)) -eq $((render)) ]] ||
    fail "the question is transient for $transient, not for the render window $render"
# xwininfo lists the top-level windows from the top of the stack down.
stack=$(xwininfo -root -children | grep -o '^ *0x[0-9a-f]*' | tr -d ' ')
questionAt=$(grep -nx "$(printf '0x%x' "$question")" <<<"$stack" | cut -d: -f1)
renderAt=$(grep -nx "$(printf '0x%x' "$render")" <<<"$stack" | cut -d: -f1)
[[ -n "$questionAt" && -n "$renderAt" && $questionAt -lt $renderAt ]] ||
    fail "the question is not above the render window (stack places $questionAt, $renderAt)"
echo "the question is above the render window and its transient"
endsWith INT
cmp -s "$settings" "$work/start.ini" || fail "SIGINT $what: the settings changed"

# 3. An automatic capture of 128 frames at 512 pixels, ended after its first frames.
what="during an automatic capture"
start window512 --
xdotool windowfocus --sync "$mainWindow" 2>/dev/null || xdotool windowfocus "$mainWindow"
sleep 0.3
xdotool key alt+p
sleep 0.5
xdotool key n
windowNamed 'New Automatic Screen Capture' >/dev/null || fail "no capture dialog"
sleep 0.3
xdotool key Return
windowNamed 'Save Capture-Info File' >/dev/null || fail "no file dialog for the capture"
sleep 0.3
xdotool key Return  # the proposed name, AutoCap.sqi
for _ in $(seq 150); do
    [[ -e "$captures/AutoCap_F[001].gif" ]] && break
    kill -0 "$viewer" 2>/dev/null || break
    sleep 0.2
done
[[ -e "$captures/AutoCap_F[001].gif" ]] || fail "the capture wrote no frames within 30 s"
endsWith HUP
framesDone=$(od -A n -t d4 -j 4 -N 4 "$captures/AutoCap.sqi" | tr -d ' ')
[[ "$framesDone" -ge 2 && "$framesDone" -lt 128 ]] ||
    fail "the Capture-Info File records $framesDone frames done"
frames=$(find "$captures" -type f -name 'AutoCap_F\[*\].gif' | wc -l)
others=$(find "$captures" -type f ! -name 'AutoCap_F\[*\].gif' ! -name AutoCap.sqi | wc -l)
[[ "$frames" -eq "$framesDone" && -e "$captures/AutoCap_F[$(printf %03d $((framesDone - 1)))].gif" &&
    "$others" -eq 0 ]] ||
    fail "$frames frame files and $others other files for $framesDone frames done"
echo "the capture recorded $framesDone frames done, each with its file"
exit 0
