# Shared by the scripts that take the README's and the metadata's screenshots (sourced, not run):
# the run of the script again on a virtual display, and the viewer started there with the
# settings a first start writes.

# onVirtualDisplay NAME TOOL... -- SCRIPT ARG...: on the first run, stops with a message naming
# NAME when a TOOL (or xvfb-run) is missing, else runs SCRIPT ARG... again on a new virtual
# display and ends with its status; on that second run, returns at once.
onVirtualDisplay() {
    local name=$1
    shift
    [[ "${TAVRINE_SCREENSHOT_INSIDE:-}" == 1 ]] && return 0
    while [[ "$1" != -- ]]; do
        command -v "$1" >/dev/null || { echo "$name: '$1' not found" >&2; exit 1; }
        shift
    done
    shift
    command -v xvfb-run >/dev/null || { echo "$name: 'xvfb-run' not found" >&2; exit 1; }
    TAVRINE_SCREENSHOT_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$@"
}

# startViewer NAME BUILD [ARG...]: copies BUILD's viewer beside the start settings into a new
# work folder (removed on exit with the viewer) and starts it with ARG... and a home of its own;
# sets work, viewer and window (the main window, waited for up to 30 s), or stops with its log.
startViewer() {
    local name=$1 build=$2
    shift 2
    work=$(mktemp -d)
    viewer=""
    trap '[[ -n "$viewer" ]] && kill "$viewer" 2>/dev/null && wait "$viewer"; rm -rf "$work"' EXIT
    mkdir -p "$work/bin" "$work/runtime"
    chmod 700 "$work/runtime"
    cp "$build/app/ui/tavrine" "$work/bin/tavrine"
    "$build/tests/ui/write_start_settings" "$work/bin/Setting.ini"
    unset QT_QPA_PLATFORM
    HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        "$work/bin/tavrine" "$@" >"$work/viewer.log" 2>&1 &
    viewer=$!
    window=""
    for _ in $(seq 150); do
        window=$(xdotool search --onlyvisible --name 'version 4\.06' 2>/dev/null | head -n 1) || true
        [[ -n "$window" ]] && break
        sleep 0.2
    done
    [[ -n "$window" ]] || { cat "$work/viewer.log" >&2; echo "$name: no window" >&2; exit 1; }
}
