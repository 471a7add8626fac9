# Sourced by scripts that start the real program on a private X server (the package test, the screenshot). They
# set work (a scratch folder) and app (the program's process id) and `trap end_session EXIT`.
#   start_xvfb           starts Xvfb on a free display, exports DISPLAY
#   wait_for_draw_window waits up to 60 s for the draw screen's window; prints its id, or nothing when the program
#                        ended or the time ran out
xvfb_pid=
app=

# Under set -e as well: a program that already ended must not keep the X server alive (it would hold CTest's
# output pipe open until the test's time-out).
end_session() {
    if [ -n "$app" ]; then kill "$app" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}

# -noreset: by default the server resets when its last client leaves, and a program connecting meanwhile is refused
# ("could not connect to display"); the window lookups below come and go while the program starts.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.2
    done
    [ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; return 1; }
    DISPLAY=:$(head -n1 "$work/display")
    export DISPLAY
    unset QT_QPA_PLATFORM # the X platform plugin, as an operator's desktop has it
}

# The draw screen is the program's (class tombolika) only window of its size; an error box is far smaller.
draw_window() {
    local id width height
    xwininfo -root -tree 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*("tombolika" "Tombolika")  \([0-9]*\)x\([0-9]*\)[+-].*/\1 \2 \3/p' |
        while read -r id width height; do
            if [ "$width" -ge 1000 ] && [ "$height" -ge 700 ] &&
                xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                echo "$id"
                return
            fi
        done
}

wait_for_draw_window() {
    local window
    for _ in $(seq 300); do
        kill -0 "$app" 2>/dev/null || return 0
        window=$(draw_window)
        [ -n "$window" ] && { echo "$window"; return 0; }
        sleep 0.2
    done
}
