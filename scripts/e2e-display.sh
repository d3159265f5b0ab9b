#!/usr/bin/env bash
# End-to-end check of the window as a user sees it: starts the program on its
# own Xvfb display, finds the window, reads chart pixels off a screenshot at
# their screen places, picks "Rectangle" with a mouse click, and ends the
# program with "End".
# Usage: e2e-display.sh path/to/velmora
set -euo pipefail
app=${1:?usage: e2e-display.sh path/to/velmora}
e2e_name=e2e
source "$(dirname "$0")/e2e-lib.sh"

start_display 1024x768x24
start_program
size=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
echo "e2e: window $wid at $left,$top, client $size on $DISPLAY"
[ "$size" = "642x559" ] || fail "client size $size, expected 642x559 without a window manager"

# The colour at client coordinates (x, y) on the last screenshot.
pixel() { convert "$work/shot.png" -format "%[hex:p{$((left + $1)),$((top + $2))}]" info:; }

# Each check: client x, client y, expected colour, what it is.
check() {
    local got
    got=$(pixel "$1" "$2")
    [ "$got" = "$3" ] || fail "$4 at ($1, $2): got $got, expected $3"
}

org_x=59 org_y=82 mf_x=336 mf_y=82 sc_x=336 sc_y=298
# Wait for the first paint: the bottom pyramid bar is teal.
painted() { shoot && [ "$(pixel $((org_x + 125)) $((org_y + 180)))" = 008080 ]; }
retry 100 painted || fail "the organisation chart was not painted"

check $((org_x + 25)) $((org_y + 180)) 000080 "left end of the bottom pyramid bar"
check $((org_x + 224)) $((org_y + 180)) 000080 "right end of the bottom pyramid bar"
check $((org_x + 225)) $((org_y + 180)) FFFFFF "background right of the bottom bar"
check $((org_x + 125)) $((org_y + 40)) 008080 "top pyramid bar"
check $((org_x + 126)) $((org_y + 40)) 000080 "right end of the top pyramid bar"
check $((org_x + 200)) $((org_y + 0)) 000080 "top edge of the erased organisation chart"
check $((mf_x + 60)) $((mf_y + 100)) 0000FF "men's half"
check $((mf_x + 124)) $((mf_y + 100)) 000080 "end of the men's half"
check $((mf_x + 125)) $((mf_y + 100)) 000080 "start of the women's half"
check $((mf_x + 200)) $((mf_y + 100)) FF0000 "women's half"
check $((sc_x + 25)) $((sc_y + 100)) 000080 "vertical score axis"
check $((sc_x + 125)) $((sc_y + 182)) 000080 "middle tick"
check $((sc_x + 125)) $((sc_y + 183)) FFFFFF "below the middle tick"
check $((sc_x + 125)) $((sc_y + 100)) FFFFFF "no score dots"

# Pick "Rectangle": the second item of OrgForm, inside Panel1.
xdotool mousemove $((left + 56 + 8 + 24)) $((top + 360 + 8 + 39)) click 1
rectangle() { shoot && [ "$(pixel $((org_x + 60)) $((org_y + 180)))" = FFFFFF ]; }
retry 50 rectangle || fail "choosing Rectangle did not redraw the organisation chart"
check $((org_x + 89)) $((org_y + 180)) 000080 "left end of a rectangle bar"
check $((org_x + 160)) $((org_y + 40)) 000080 "right end of the top rectangle bar"
check $((org_x + 125)) $((org_y + 40)) 008080 "top rectangle bar"
check $((mf_x + 60)) $((mf_y + 100)) 0000FF "men's half kept"

# "End" closes the window and ends the program.
end_program $((left + 200 + 37)) $((top + 448 + 11))
