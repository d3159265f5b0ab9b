# Shared pieces of the end-to-end tests: a private Xvfb display, the program
# started on it, its window found, screenshots, and a clean end through "End".
# Source it after setting `e2e_name` (the prefix of every message) and `app`.
for tool in Xvfb xdpyinfo xdotool xwininfo import convert; do
    command -v "$tool" >/dev/null || {
        echo "$e2e_name: $tool is missing; run scripts/install-deps.sh --tests" >&2
        exit 1
    }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Keeps the last screenshot and the program's output for whoever reads the failure.
fail() {
    echo "$e2e_name: FAIL: $*" >&2
    if [ -f "$work/shot.png" ]; then
        cp "$work/shot.png" "${TMPDIR:-/tmp}/velmora-$e2e_name-fail.png"
        echo "$e2e_name: screenshot kept in ${TMPDIR:-/tmp}/velmora-$e2e_name-fail.png" >&2
    fi
    [ -s "$work/app.log" ] && sed "s/^/$e2e_name: program: /" "$work/app.log" >&2
    [ -s "$work/xvfb.log" ] && sed "s/^/$e2e_name: Xvfb: /" "$work/xvfb.log" >&2
    if [ -n "$xvfb_pid" ] && ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "$e2e_name: Xvfb is no longer running" >&2
    fi
    exit 1
}

# Runs a command until it succeeds or the deadline (in tenths of a second) passes.
retry() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Starts Xvfb with the given screen ("WxHxD"); it picks a free display number
# itself and writes it to fd 3 when ready. -noreset: otherwise the server
# resets when its last client (the readiness probe) leaves, and a program
# connecting just then finds no display.
start_display() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    retry 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(head -n1 "$work/display")"
    retry 50 xdpyinfo >/dev/null 2>&1 || fail "Xvfb on $DISPLAY accepts no connections"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_AUTO_SCREEN_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
}

# Starts the program and waits for its window; sets wid, left and top.
start_program() {
    "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    find_window() { xdotool search --onlyvisible --name '^Velmora$' >"$work/wid" 2>/dev/null; }
    retry 150 find_window || fail "no window named Velmora appeared"
    wid=$(head -n1 "$work/wid")
    left=$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print $4}')
    top=$(xwininfo -id "$wid" | awk '/Absolute upper-left Y/ {print $4}')
}

shoot() { import -window root "$work/shot.png"; }

# Clicks "End" at the given screen point and expects the program to exit with 0.
end_program() {
    xdotool mousemove "$1" "$2" click 1
    ended() { ! kill -0 "$app_pid" 2>/dev/null; }
    retry 100 ended || fail "End did not end the program"
    local code=0
    wait "$app_pid" || code=$?
    app_pid=""
    [ "$code" -eq 0 ] || fail "the program exited with $code"
    echo "$e2e_name: passed"
}
