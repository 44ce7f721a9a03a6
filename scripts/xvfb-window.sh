# shellcheck shell=bash
# Shell functions for driving the real Tarnwell window under Xvfb through its tab order, as a
# keyboard user would; sourced by drive-window.sh and demo.sh. Nothing here sets shell options
# or traps: the caller calls stop_window from its own cleanup.
#
#   start_xvfb                  Xvfb on a free display; exports DISPLAY
#   start_window COMMAND...     starts the program and waits (up to a minute) for its main
#                               window
#   log_in SERVER DB LOGON PW   SQL Server, the four values, Connect
#   wait_connected CLUSTER DB LOGON
#                               returns once the program's session has listed the library
#   choose_import_all           from Connect to Import, with "Import all" chosen
#   import_and_wait CLUSTER DB LOGON
#                               presses Import and returns once the run has ended
#   status_text                 the status display's text, copied out of the window by
#                               selecting it
#   shoot FILE                  a screenshot of the window alone
#   stop_window                 ends the program and Xvfb, whichever were started

xvfb_window_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
xvfb_pid=
program_pid=
window=

# wait_until SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; after SECONDS it says what
# it waited for and fails, so that a hung program or server never hangs the caller.
wait_until() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit))
    until "$@"; do
        if ((SECONDS >= deadline)); then
            echo "xvfb-window.sh: gave up after ${limit} s waiting for $what" >&2
            return 1
        fi
        sleep 0.25
    done
}

start_xvfb() {
    # Xvfb picks a free display itself and tells which.
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    wait_until 10 "Xvfb to tell its display" test -s "$display_file"
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
    timeout 10 xdotool windowfocus --sync "$window" ||
        { echo "xvfb-window.sh: the main window did not take the keyboard within 10 s" >&2; return 1; }
    # The library is read on the first activation; Connect is ready a moment later.
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
}

# What the program's session on the server is doing: its state and when its last statement
# began. The same for a second means the program has stopped sending.
program_session() { # CLUSTER DB LOGON
    "$xvfb_window_scripts/pg-cluster.sh" psql "$1" "$2" -Atq -c "SELECT state || ' ' || query_start FROM pg_stat_activity WHERE datname = current_database() AND usename = '$3' AND backend_type = 'client backend' ORDER BY backend_start DESC LIMIT 1"
}
session_quiet() { # CLUSTER DB LOGON
    local first second
    first=$(program_session "$@")
    [[ "$first" == idle\ * ]] || return 1
    sleep 1
    second=$(program_session "$@")
    [ "$first" = "$second" ]
}

wait_connected() { # CLUSTER DB LOGON
    wait_until 60 "Connect to list the library" session_quiet "$@"
}

choose_import_all() {
    # From Connect the tab order goes on into step 2: the import modes, the list, Import.
    key Tab space Tab Tab
}

triggers_on() { # CLUSTER DB
    [ "$("$xvfb_window_scripts/pg-cluster.sh" psql "$1" "$2" -Atq -c "SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D'")" = 0 ]
}
session_moved_on() { # CLUSTER DB LOGON BEFORE
    [ "$(program_session "$1" "$2" "$3")" != "$4" ]
}
run_ended() { # CLUSTER DB LOGON
    session_quiet "$@" && triggers_on "$1" "$2"
}

import_and_wait() { # CLUSTER DB LOGON
    local before
    before=$(program_session "$@")
    key Return
    # The run has begun once the session sends again, and ended once it has stopped sending
    # with the triggers switched on again.
    wait_until 30 "the import to begin" session_moved_on "$@" "$before"
    wait_until 600 "the import to end" run_ended "$@"
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
