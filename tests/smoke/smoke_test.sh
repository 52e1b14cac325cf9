#!/usr/bin/env bash
# End-to-end smoke test: starts the real program on a virtual X server and walks it by keyboard
# alone, as a user would: splash, main menu, a section, a page, an answer typed and saved, back
# to the main menu, the text editor, the story saved through the note and the save dialog (both
# files checked on disk), back, Exit and Yes. Checks the window titles on the way, that the
# windows come up centred by their outer frame, and keeps a screenshot of every step.
#
# Usage: smoke_test.sh <kithtale binary> <folder for the screenshots>
# Environment: SMOKE_SCALE (default 1) runs the program at that QT_SCALE_FACTOR;
#              SMOKE_SCREEN (default 1280x1024 times the scale) sets the virtual screen;
#              SMOKE_NO_WM=1 leaves out the window manager (used when openbox is installed).
set -euo pipefail

program=$(realpath "$1")
out=$2
scale=${SMOKE_SCALE:-1}
mkdir -p "$out"
rm -f "$out"/*.png

step_timeout=5 # seconds any one step may take
work=$(mktemp -d)
xvfb_pid="" wm_pid="" app_pid=""

log() { printf 'smoke: %s\n' "$*"; }
fail() {
    log "FAILED: $*"
    [ -n "$app_pid" ] && [ -s "$work/app.log" ] && sed 's/^/  program: /' "$work/app.log" >&2
    import -window root "$out/failure.png" 2>/dev/null || true
    exit 1
}

stop() { # pid: ends a process we started, firmly if it will not go
    local pid=$1
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
cleanup() {
    stop "$app_pid"
    stop "$wm_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

# Waits until the command succeeds, polling; fails the test after the step timeout.
wait_for() {
    local what=$1
    shift
    local deadline=$((SECONDS + step_timeout))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for $what"
        sleep 0.05
    done
}

# --- the virtual screen and a window manager ------------------------------------------------
screen=${SMOKE_SCREEN:-$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 1280 * s, 1024 * s }')}
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for "the X server" test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY XAUTHORITY
log "X server on $DISPLAY ($screen)"

if [ -z "${SMOKE_NO_WM:-}" ] && command -v openbox >/dev/null; then
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
    wait_for "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
    log "window manager: openbox"
fi

# --- helpers over xdotool ----------------------------------------------------------------------
# The shown windows whose title is exactly the given text.
shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
count_shown() { shown "$1" | grep -c . || true; }
is_shown() { [ "$(count_shown "$1")" -ge 1 ]; }
is_gone() { [ "$(count_shown "$1")" -eq 0 ]; }
active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
is_active() { [ -z "$wm_pid" ] || [ "$(active_title)" = "$1" ]; }
# Waits until a window with this title is shown and, under a window manager, active.
expect_window() {
    wait_for "the window \"$1\"" is_shown "$1"
    wait_for "the window \"$1\" to be active" is_active "$1"
    log "window: $1"
}
key() {
    xdotool key --clearmodifiers "$@"
    sleep 0.15 # an access key presses its button with a short animated click
}
shot() { import -window root "$out/$1.png" || fail "screenshot $1"; }
# The window's outer frame (the window manager's frame extents around it) is centred on the
# screen within a pixel of the program's (a scaled program places windows on its own pixels).
# Works in twice the offsets, so a half pixel stays whole.
expect_centred() { # window id, what it is
    command -v xwininfo >/dev/null && command -v xprop >/dev/null || return 0
    local X Y W H l=0 r=0 t=0 b=0 extents dx dy limit
    limit=$(awk -v s="$scale" 'BEGIN { printf "%d", 2 * s }')
    read -r X Y W H < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF }
        /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { print x, y, w, h }')
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
    [ -z "$extents" ] || read -r l r t b <<<"$extents"
    dx=$((2 * (X - l) - (${screen%x*} - W - l - r)))
    dy=$((2 * (Y - t) - (${screen#*x} - H - t - b)))
    [ "${dx#-}" -le "$limit" ] && [ "${dy#-}" -le "$limit" ] ||
        fail "$2 is not centred: its frame is off by $dx/2, $dy/2 pixels"
    log "centred: $2 (frame $l $r $t $b, off by $dx/2, $dy/2 pixels)"
}
# Ended, whether reaped or not yet (a zombie still answers kill -0).
program_ended() {
    local state
    state=$(ps -o stat= -p "$app_pid" 2>/dev/null || true)
    [ -z "$state" ] || [[ $state == Z* ]]
}

# --- the walk ----------------------------------------------------------------------------------
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale"
unset QT_AUTO_SCREEN_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING
# The program's data folder (its safety copy, earlier versions) is the test's own.
export XDG_DATA_HOME="$work/data"
"$program" >"$work/app.log" 2>&1 &
app_pid=$!

# The splash: the only window, called "Kithtale".
expect_window "Kithtale"
splash=$(shown "Kithtale")
expect_centred "$splash" "the splash"
shot 01-splash

# Enter presses the splash's default button: the main menu replaces it.
key Return
menu_replaced_splash() {
    local now
    now=$(shown "Kithtale")
    [ -n "$now" ] && [ "$now" != "$splash" ] && [ "$(count_shown "Kithtale")" -eq 1 ]
}
wait_for "the main menu in place of the splash" menu_replaced_splash
expect_window "Kithtale"
expect_centred "$(shown "Kithtale")" "the main menu"
shot 02-main-menu

# Alt+C moves to the Childhood bullet; Space presses it.
key alt+c
key space
expect_window "Kithtale - Childhood"
wait_for "the main menu to hide" is_gone "Kithtale"
screen_id=$(shown "Kithtale - Childhood")
expect_centred "$screen_id" "the section screen"
shot 03-section

# The first row's bullet has the focus: Space opens its page, the focus in the first box.
key space
expect_window "Kithtale - Childhood #1"
expect_centred "$(shown "Kithtale - Childhood #1")" "the answer page"
xdotool type --delay 20 "We lived on a farm by the river."
key Return
xdotool type --delay 20 "Summers were long."
shot 04-page

# Alt+S saves the page; Alt+R goes back without a question (a question would block the walk).
key alt+s
key alt+r
expect_window "Kithtale - Childhood"
wait_for "the page to hide" is_gone "Kithtale - Childhood #1"
[ "$(shown "Kithtale - Childhood")" = "$screen_id" ] || fail "a second section screen appeared"
shot 05-section-answered

# The answered row wears the check mark now: its bullet looks different than before the save.
bullet_crop() { # screenshot: the first row's bullet, cut out of it
    # xwininfo, not xdotool: the latter counts a window manager's frame twice.
    local X Y size x y
    X=$(xwininfo -id "$screen_id" | awk '/Absolute upper-left X/ { print $NF }')
    Y=$(xwininfo -id "$screen_id" | awk '/Absolute upper-left Y/ { print $NF }')
    size=$(awk -v s="$scale" 'BEGIN { printf "%d", 17 * s }')
    x=$(awk -v s="$scale" -v X="$X" 'BEGIN { printf "%d", X + 8 * s }')
    y=$(awk -v s="$scale" -v Y="$Y" 'BEGIN { printf "%d", Y + 8 * s }')
    convert "$out/$1.png" -crop "${size}x${size}+${x}+${y}" +repage "$work/$1-bullet.png"
}
if command -v convert >/dev/null && command -v compare >/dev/null && command -v xwininfo >/dev/null
then
    bullet_crop 03-section
    bullet_crop 05-section-answered
    diff=$(compare -metric AE "$work/03-section-bullet.png" "$work/05-section-answered-bullet.png" \
        null: 2>&1 || true)
    [ "${diff%% *}" != "0" ] || fail "the answered row's bullet did not change"
    log "the answered row shows its mark ($diff pixels changed)"
fi

# Alt+R again: the main menu.
key alt+r
expect_window "Kithtale"
wait_for "the section screen to hide" is_gone "Kithtale - Childhood"
shot 06-main-menu-again

# The editor, by keyboard: Alt+N reaches Final Thoughts, Tab the editor's entry, Space opens it.
# Its first activation reminds the user of something ("Kithtale", over the editor); Enter is OK.
key alt+n
key Tab
key space
wait_for "the editor" is_shown "Kithtale - Text Editor"
log "window: Kithtale - Text Editor"
wait_for "the main menu to hide" test "$(count_shown "Kithtale")" -le 1
wait_for "the reminder" is_shown "Kithtale"
log "window: Kithtale (the reminder)"
shot 07-editor-reminder
key Return
wait_for "the reminder to close" is_gone "Kithtale"
expect_window "Kithtale - Text Editor"
expect_centred "$(shown "Kithtale - Text Editor")" "the text editor"
shot 08-editor

# Ctrl+S saves the story. It was never saved, so the save note comes first (Enter is its OK),
# then the save dialog, whose name box has the focus: the full path and Enter.
key ctrl+s
wait_for "the save note" is_shown "Kithtale"
log "window: Kithtale (the save note)"
expect_centred "$(shown "Kithtale")" "the save note"
shot 09-save-note
key Return
expect_window "Save As"
story="$work/Our Story.rtf"
xdotool type --delay 10 "$story"
shot 10-save-dialog
key Return
expect_window "$story - Text Editor"
wait_for "the story on disk" test -s "$story"
wait_for "the answers beside it" test -s "$work/Our Story.dat"
head -c 5 "$story" | grep -q '{\\rtf' || fail "the saved story is not rich text"
grep -q "We lived on a farm by the river." "$work/Our Story.dat" ||
    fail "the answer typed on the page is not in the data file"
grep -q "We lived on a farm by the river." "$story" ||
    fail "the answer typed on the page is not in the story"
log "saved: $(stat -c %s "$story") bytes of story, $(stat -c %s "$work/Our Story.dat") of answers"
shot 11-editor-saved

# A change after the save, then Ctrl+R: it asks first whether to save the story; N answers No.
xdotool type --delay 10 " The end."
key ctrl+r
wait_for "the question about saving" is_shown "Kithtale"
log "window: Kithtale (save the document?)"
shot 12-editor-save-question
key n
wait_for "the editor to close" is_gone "$story - Text Editor"
expect_window "Kithtale"
shot 13-main-menu-after-editor

# Alt+X asks whether to exit (a second "Kithtale" window, the question); Y answers Yes.
key alt+x
wait_for "the exit question" test "$(count_shown "Kithtale")" -eq 2
log "window: Kithtale (the exit question)"
shot 14-exit-question
key y
wait_for "the program to end" program_ended
status=0
wait "$app_pid" || status=$?
# Still known while failing, so that its output is shown.
[ "$status" -eq 0 ] || fail "the program ended with status $status"
app_pid=""
# The exit was the user's own: the run's safety copy went with it.
[ -z "$(ls -A "$XDG_DATA_HOME/Kithtale/Safety copy" 2>/dev/null)" ] ||
    fail "a safety copy was left after Exit and Yes"
log "passed: $(ls "$out" | wc -l) screenshots in $out"
