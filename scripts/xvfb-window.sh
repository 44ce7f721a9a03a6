# shellcheck shell=bash
# Shell functions for driving the real Tarnwell window under Xvfb through its tab order, as a
# keyboard user would; sourced by drive-window.sh and demo.sh. Nothing here sets shell options
# or traps: the caller calls stop_window from its own cleanup.
#
#   start_xvfb                  Xvfb on a free display; exports DISPLAY
#   start_window COMMAND...     starts the program and waits (up to a minute) for its main
#                               window
#   log_in SERVER DB LOGON PW   SQL Server, the four values, Connect; the list is shown after
#   choose_import_all           from Connect to Import, with "Import all" chosen
#   import_and_wait CLUSTER DB  presses Import and returns when the run has stopped writing
#   status_text                 the status display's text, copied out of the window by
#                               selecting it
#   shoot FILE                  a screenshot of the window alone
#   stop_window                 ends the program and Xvfb, whichever were started

xvfb_window_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
xvfb_pid=
program_pid=
window=

start_xvfb() {
    # Xvfb picks a free display itself and tells which.
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
    DISPLAY=:$(cat "$display_file")
    export DISPLAY
    rm -f "$display_file"
}

start_window() {
    "$@" &
    program_pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarnwell - Vendor Library Import Application$' | head -n 1) || true
    if [ -z "$window" ]; then
        echo "start_window: the main window of $* did not appear within a minute" >&2
        return 1
    fi
    # Without a window manager nothing gives the window the keyboard, and every keystroke is lost.
    xdotool windowfocus --sync "$window"
    sleep 2
}

stop_window() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    # Reaped here, so that nothing of the session outlives the caller.
    [ -z "$program_pid" ] || wait "$program_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || wait "$xvfb_pid" 2>/dev/null || true
    program_pid='' xvfb_pid=''
}

key() { xdotool key --window "$window" --delay 80 "$@"; }
type_text() { xdotool type --window "$window" --delay 30 "$1"; }

log_in() {
    # The platform options are one tab stop; the arrow keys choose within them.
    key Right space
    key Tab; type_text "$1"
    key Tab; type_text "$2"
    key Tab; type_text "$3"
    key Tab; type_text "$4"
    key Tab Return
    sleep 4
}

choose_import_all() {
    # From Connect the tab order goes on into step 2: the import modes, the list, Import.
    key Tab space Tab Tab
}

# What a run writes, and whether it has the triggers switched off: one line that changes while
# the run goes on.
import_progress() {
    "$xvfb_window_scripts/pg-cluster.sh" psql "$1" "$2" -Atq -c "SELECT (SELECT count(*) FROM strip_config_term) || '/' || (SELECT count(*) FROM panel_strip_term) || '/' || (SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D')"
}

import_and_wait() {
    local cluster=$1 database=$2
    # The run is over when what it writes stops changing. Taken before pressing Import, so that
    # a database already holding rows does not pass for a finished run.
    local before last='' steady=0 now
    before=$(import_progress "$cluster" "$database")
    key Return
    for _ in $(seq 240); do
        now=$(import_progress "$cluster" "$database")
        if [ "$now" = "$last" ] && [ "$now" != "$before" ]; then
            steady=$((steady + 1))
            [ "$steady" -ge 6 ] && break
        else
            steady=0
        fi
        last=$now
        sleep 0.5
    done
    sleep 2
}

# Expects the keyboard on Import, as after choose_import_all and after a run, and leaves it
# there. The status display takes the keyboard only from a click; Ctrl+A and Ctrl+C then put
# its whole text on the clipboard, which the program serves to whoever asks. It is the last
# widget in the tab order, after Import and Check Import, so Shift+Tab twice goes back to
# Import. Shoot the window first: the
# selection stays drawn.
status_text() {
    # Emptied first, so that a copy that did not happen cannot pass off the previous text: a
    # holder of an empty clipboard that ends when the program takes the clipboard over.
    xclip -quiet -selection clipboard -i /dev/null >/dev/null 2>&1 &
    local holder=$!
    for _ in $(seq 20); do
        xclip -o -selection clipboard -t TARGETS >/dev/null 2>&1 && break
        sleep 0.1
    done
    local geometry width height
    geometry=$(xdotool getwindowgeometry --shell "$window")
    width=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
    height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
    # The status display spans the window's bottom edge, inside the layout's margin.
    xdotool mousemove --window "$window" $((width / 2)) $((height - 40)) click 1
    key ctrl+a ctrl+c
    local text=
    for _ in $(seq 20); do
        text=$(xclip -o -selection clipboard 2>/dev/null) && [ -n "$text" ] && break
        sleep 0.1
    done
    key shift+Tab shift+Tab
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
    [ -n "$text" ] || { echo "status_text: nothing came from the status display" >&2; return 1; }
    printf '%s\n' "$text"
}

shoot() { import -window "$window" "$1"; }
