# Sourced by scripts that start the real program on a private X server (the package test, the screenshot):
#   start_xvfb WORKDIR   starts Xvfb on a free display, exports DISPLAY, sets xvfb_pid
#   draw_window          prints the id of the draw screen's window once it is mapped, or nothing

start_xvfb() {
    local display_file=$1/display
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>"$1/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$display_file" ] && break
        sleep 0.2
    done
    [ -s "$display_file" ] || { cat "$1/xvfb.log" >&2; return 1; }
    DISPLAY=:$(head -n1 "$display_file")
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
