# Shared by the scripts that run the real viewer on a virtual X display (sourced, not run): their
# verdicts, the run of the script again on a fresh display, and the work folder with its clean-up.

skip() {
    echo "SKIP: $*"
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# onFreshDisplay SECONDS FIRST TOOL... -- SCRIPT ARG...: skips when xvfb-run, Xvfb, xauth, timeout
# or a TOOL is missing, else runs SCRIPT ARG... on a new virtual display, the first free one from
# number FIRST on, for at most SECONDS (a viewer that hangs must not hold up the suite) and exits
# with its status. SCRIPT marks the file named by TAVRINE_XVFB_MARKER once it runs, which tells a
# display that never started from a failure. The server does not reset when its last client
# leaves: a viewer started just then (after an xdotool call or the viewer before it) could not
# connect while the server reset. Each script starts from a number of its own: a script that took
# the number the one before it had just given up could lose its display to the old server, which
# removes its socket as it ends.
onFreshDisplay() {
    local seconds=$1 first=$2
    shift 2
    local tools=(xvfb-run Xvfb xauth timeout)
    while [[ "$1" != -- ]]; do
        tools+=("$1")
        shift
    done
    shift
    local tool
    for tool in "${tools[@]}"; do
        command -v "$tool" >/dev/null 2>&1 ||
            skip "'$tool' not found (scripts/setup.sh installs it)"
    done
    local marker serverLog status
    marker=$(mktemp) || fail "cannot create a temporary file"
    serverLog=$(mktemp) || fail "cannot create a temporary file"
    rm -f "$marker"
    TAVRINE_XVFB_MARKER="$marker" timeout -k 10 "$seconds" \
        xvfb-run -a -n "$first" -e "$serverLog" -s "-screen 0 1280x1024x24 -noreset" bash "$@"
    status=$?
    # What the server said, for a run that did not pass.
    if [[ $status -ne 0 && -s "$serverLog" ]]; then
        sed 's/^/Xvfb: /' "$serverLog" >&2
    fi
    rm -f "$serverLog"
    if [[ ! -e "$marker" ]]; then
        [[ $status -eq 124 ]] && fail "timed out before the display started"
        skip "Xvfb did not start here (xvfb-run exit status $status)"
    fi
    rm -f "$marker"
    [[ $status -eq 124 ]] && fail "timed out after $seconds s"
    exit "$status"
}

# startOnDisplay: marks TAVRINE_XVFB_MARKER (the display started), then waits up to 10 s for the
# display to answer a client, so that no viewer is started on a server not yet listening.
startOnDisplay() {
    : >"$TAVRINE_XVFB_MARKER"
    local _
    for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "the display $DISPLAY does not answer"
}

# makeWorkFolder: sets work to a new temporary folder, removed on exit together with the viewer
# whose process id is in viewer (killed when it still runs).
makeWorkFolder() {
    work=$(mktemp -d) || fail "cannot create a temporary folder"
    viewer=""
    trap 'cleanUpWorkFolder' EXIT
}
cleanUpWorkFolder() {
    if [[ -n "$viewer" ]] && kill -0 "$viewer" 2>/dev/null; then
        kill -KILL "$viewer" 2>/dev/null
    fi
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
