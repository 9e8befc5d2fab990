#!/usr/bin/env bash
# Peak memory of the real program for one Open on an X server, driven as a user would drive it:
# Ctrl+O, the archive's path typed into the file dialog, Enter. Run it under xvfb-run:
#
#   xvfb-run -a -s "-screen 0 1024x768x24" bench/x11_open.sh build/src/ostrel ARCHIVE [PNG]
#
# It prints /usr/bin/time's wall time and peak resident memory for the whole process (start,
# Open, a few seconds idle); PNG, if given, gets a screenshot taken before the window closes.
set -euo pipefail
program=$1
archive=$(realpath "$2")
shot=${3:-}
log=$(mktemp)

find_window() { # title; prints the window id once it is mapped
    local id=
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "no window named $1" >&2; exit 1; }
    echo "$id"
}

/usr/bin/time -f "%e s wall, %M KiB peak" -o "$log" "$program" 2>/dev/null &
main=$(find_window Quillon)
sleep 0.5
xdotool windowfocus --sync "$main"
xdotool key ctrl+o
dialog=$(find_window "File Open")
sleep 0.5
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$archive"
xdotool key Return
sleep 3 # the Open and the list's first paint are long over by then
[ -z "$shot" ] || import -window root "$shot"
kill -TERM "$(xdotool getwindowpid "$main")"
wait || true
tail -1 "$log"
rm -f "$log"
