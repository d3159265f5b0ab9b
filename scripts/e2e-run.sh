#!/usr/bin/env bash
# End-to-end check of a whole run as a user makes it: starts the program on its
# own Xvfb display, moves the speed to 100 with the keyboard, clicks "Start",
# waits for "completed", then checks on a screenshot that every male-female
# row is covered from x = 25 to 224 in blue and red and that eight score dots
# stand on the mean-score chart. Ends the program with "End".
# Usage: e2e-run.sh path/to/velmora [scale]
#   scale: Qt's whole-number scale factor (e.g. 2 for a high-DPI screen); the
#   charts must keep their geometry in logical pixels, each one scale x scale
#   on the screen.
#   E2E_SHOT=file.png keeps a picture of the window after the finished run.
set -euo pipefail
app=${1:?usage: e2e-run.sh path/to/velmora [scale]}
s=${2:-1}
e2e_name=e2e-run
source "$(dirname "$0")/e2e-lib.sh"

start_display "$((1024 * s))x$((768 * s))x24"
export QT_SCALE_FACTOR=$s
start_program
echo "e2e-run: window $wid at $left,$top on $DISPLAY, scale $s"

# Screen x and y of a point given in the window's logical client coordinates.
sx() { echo $((left + s * $1)); }
sy() { echo $((top + s * $1)); }
# "x y RRGGBB" for every screen pixel of a logical client rectangle (x, y, w, h),
# x and y relative to the rectangle.
pixels() {
    convert "$work/shot.png" -crop "$((s * $3))x$((s * $4))+$(sx "$1")+$(sy "$2")" +repage \
        -depth 8 txt:- | awk -F'[,: ]+' 'NR > 1 {
            for (i = 1; i <= NF; i++) if ($i ~ /^#/) { print $1, $2, substr($i, 2, 6); break }
        }'
}
# A fingerprint of what a logical client rectangle shows.
looks() { convert "$work/shot.png" -crop "$((s * $3))x$((s * $4))+$(sx "$1")+$(sy "$2")" \
    +repage -depth 8 rgb:- | md5sum | cut -c1-32; }

org_x=59 org_y=82 mf_x=336 mf_y=82 sc_x=336 sc_y=298
painted() { shoot && [ "$(pixels $((org_x + 125)) $((org_y + 180)) 1 1 | awk '{print $3}' | sort -u)" = 008080 ]; }
retry 100 painted || fail "the window was not painted"

# Speed to 100 with the keyboard: a click gives the scroll bar the focus, End
# moves it to its right end.
bar="176 480 121 16"
xdotool mousemove "$(sx 236)" "$(sy 488)" click 1
sleep 0.3
shoot
before=$(looks $bar)
xdotool key End
moved() { shoot && [ "$(looks $bar)" != "$before" ]; }
retry 30 moved || fail "End on the scroll bar did not move it"

status="192 376 89 21"
shoot
empty_status=$(looks $status)
t0=$(date +%s.%N)
xdotool mousemove "$(sx 237)" "$(sy 411)" click 1
changed_from() { shoot && [ "$(looks $status)" != "$1" ]; }
retry 50 changed_from "$empty_status" || fail "Start did not set the status"
sleep 0.2
shoot
simulating=$(looks $status)
finished() { shoot && local now && now=$(looks $status) && [ "$now" != "$simulating" ] &&
    [ "$now" != "$empty_status" ]; }
retry 1200 finished || fail "the run did not reach completed within 120 s"
t1=$(date +%s.%N)
echo "e2e-run: run completed after $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", b - a }') s"

# Finished for good: no period follows, the period field stays as it is.
period=$(looks 272 296 40 20)
sleep 0.5
shoot
[ "$(looks 272 296 40 20)" = "$period" ] || fail "a period ran after completed"

# Every male-female row: only blue and red insides and navy outlines from
# x = 25 to 224, the background just outside.
bad=$(pixels $((mf_x + 25)) $((mf_y + 30)) 200 160 | awk '$3 != "0000FF" && $3 != "FF0000" && $3 != "000080"' | head -n3)
[ -z "$bad" ] || fail "male-female rows not fully covered: $bad"
for x in 24 225; do
    bad=$(pixels $((mf_x + x)) $((mf_y + 30)) 1 160 | awk '$3 == "0000FF" || $3 == "FF0000"' | head -n1)
    [ -z "$bad" ] || fail "a male-female bar reaches x = $x"
done
colours=$(pixels $((mf_x + 25)) $((mf_y + 30)) 200 160 | awk '{print $3}' | sort -u | tr '\n' ' ')
[ "$colours" = "000080 0000FF FF0000 " ] || fail "male-female colours: $colours"

# Eight score dots: on each level's centre row exactly one run of fuchsia, and
# fuchsia nowhere else but within a dot's height of those rows.
pixels "$sc_x" "$sc_y" 250 200 | awk -v s="$s" '$3 == "FF00FF" { print int($1 / s), int($2 / s) }' |
    sort -u >"$work/dots"
for n in 1 2 3 4 5 6 7 8; do
    y=$((190 - 20 * n))
    runs=$(awk -v y=$y '$2 == y {print $1}' "$work/dots" | sort -n |
        awk 'NR == 1 || $1 != prev + 1 {runs++} {prev = $1} END {print runs + 0}')
    [ "$runs" = 1 ] || fail "level $n: $runs score dots on its row y = $y"
done
stray=$(awk '{d = (190 - $2) % 20; if (d < 0) d = -d; if (d > 2 && d < 18) print}' "$work/dots" | head -n1)
[ -z "$stray" ] || fail "fuchsia off the dots' rows at $stray"

[ -z "${E2E_SHOT:-}" ] || import -window "$wid" -strip "$E2E_SHOT"

# "End" closes the window and ends the program.
end_program "$(sx 237)" "$(sy 459)"
