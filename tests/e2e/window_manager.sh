#!/usr/bin/env bash
# Full screen and the window's close button, under the window manager. The game runs and is held
# with the pause key. F11 makes the window fill the 1920x1080 screen, and the picture in it is the
# windowed one scaled up: the window's 672x896 picture becomes 810x1080, centred (both are
# compared at one size, the "PAUSED" mark at the top left out: it follows the ui unit, not the
# picture). F11 again gives the window back its size and its place. Closing the window through
# the window manager (its Close key, Alt+F4) autosaves and ends the program with 0. Before that a
# second copy started on the same HOME shows its dialog and, once it is dismissed, ends with 1,
# leaving the first copy's log and its run alone.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
e2e_make_romset "$HOME/roms"
e2e_start --no-menu
second_pid=""
e2e_stop_extra() {
  if [[ -n "$second_pid" ]] && kill -0 "$second_pid" 2>/dev/null; then
    kill -KILL "$second_pid" 2>/dev/null || true
    wait "$second_pid" 2>/dev/null || true
  fi
}

window_place() {
  xdotool getwindowgeometry "$E2E_WINDOW" | sed -n 's/^ *\(Position\|Geometry\): //p' | tr '\n' ' '
}
window_size() {
  xdotool getwindowgeometry "$E2E_WINDOW" | sed -n 's/^ *Geometry: //p'
}
# Waits (at most 10 s) until the window is $1 large.
wait_size() {
  local deadline=$((SECONDS + 10))
  until [[ "$(window_size)" == "$1" ]]; do
    ((SECONDS < deadline)) || e2e_fail "the window is $(window_size), not $1, after 10 s"
    sleep 0.1
  done
}
# The picture in $1 cut to $2 (WxH+X+Y) and brought to the size of half the game's own.
picture_at() {
  convert "$E2E_WORK/$1.png" -crop "$2" +repage -filter Box -resize '112x160!' "$E2E_WORK/$1-picture.png"
}

e2e_wait_sprite 20
xdotool key p
e2e_settle windowed 10
[[ "$(window_size)" == 672x896 ]] || e2e_fail "the window opened at $(window_size), not 672x896"
windowed=$(window_place)

xdotool key F11
wait_size 1920x1080
e2e_settle fullscreen 10
picture_at windowed 672x896+0+0
picture_at fullscreen 810x1080+555+0
"$CB_E2E_PICTURE_CHECK" compare "$E2E_WORK/fullscreen-picture.png" "$E2E_WORK/windowed-picture.png" \
  --tolerance 40 --allow 180 --mask 0,0,112,22 --diff "$E2E_WORK/fullscreen-diff.png" \
  >"$E2E_WORK/fullscreen.out" ||
  e2e_fail "full screen does not show the windowed picture scaled up: $(cat "$E2E_WORK/fullscreen.out")"

xdotool key F11
wait_size 672x896
e2e_settle windowed-again 10
[[ "$(window_place)" == "$windowed" ]] ||
  e2e_fail "back from full screen the window is at $(window_place), not $windowed"

# A second copy on this HOME: its dialog shows, and Return (its OK) ends that copy with 1.
"$CB_E2E_PROGRAM" >"$E2E_WORK/second.out" 2>&1 &
second_pid=$!
deadline=$((SECONDS + 20))
dialog=""
until [[ -n "$dialog" ]]; do
  kill -0 "$second_pid" 2>/dev/null ||
    e2e_fail "the second copy ended without a dialog: $(cat "$E2E_WORK/second.out")"
  ((SECONDS < deadline)) || e2e_fail "the second copy showed no dialog within 20 s"
  sleep 0.1
  dialog=$(e2e_window_named "Cobaltine is already running")
done
timeout 10 xdotool windowfocus --sync "$dialog" || e2e_fail "the dialog took no focus"
xdotool key Return
e2e_wait_pid "$second_pid" 10 "the second copy, its dialog's OK given,"
second_pid=""
[[ "$E2E_RC" == 1 ]] || e2e_fail "the refused copy ended with $E2E_RC, not 1"
grep -q "is in use by another copy" "$E2E_WORK/second.out" ||
  e2e_fail "the refused copy did not say why: $(cat "$E2E_WORK/second.out")"
timeout 10 xdotool windowfocus --sync "$E2E_WINDOW" || e2e_fail "the window took no focus"

e2e_mark
xdotool key alt+F4
e2e_wait_exit 30
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "closing the window ended the program with $E2E_PROGRAM_RC"
e2e_log_has "exit: * frames, * audio underruns, * drops" || e2e_fail "no exit line in the log"
[[ "$(grep -c 'starting; data folder' "$E2E_DATA/frontend.log")" == 1 ]] ||
  e2e_fail "the log is not the first copy's alone: $(cat "$E2E_DATA/frontend.log")"
[[ -f "$E2E_DATA/states/cobaltin-$(e2e_fingerprint)/autosave.fest" ]] || e2e_fail "no autosave"
grep -qx 'fullscreen = 0' "$E2E_DATA/settings.ini" ||
  e2e_fail "settings.ini does not say fullscreen = 0: $(grep fullscreen "$E2E_DATA/settings.ini")"
