#!/usr/bin/env bash
# Display and Audio changes made with the keyboard land in settings.ini. On the Display page the
# window size goes down to 2x (the window shrinks at once), the filter to bilinear, the
# scanlines to 30 %, the phosphor mask on and the menu accent to amber; on the Audio page the
# volume goes to 60 % and the latency target to 80 ms (the device reopens). Exit from the Main
# Menu; settings.ini and the log are held to their expected lines, and a second start opens the
# smaller window with the amber menu.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
e2e_make_romset "$HOME/roms"
e2e_start

window_size() {
  xdotool getwindowgeometry "$E2E_WINDOW" | sed -n 's/^ *Geometry: //p'
}

e2e_expect_picture main-menu-found-rom 30
[[ "$(window_size)" == 672x896 ]] || e2e_fail "the window opened at $(window_size), not 672x896"
e2e_menu_keys Down Down Down Down Return
e2e_menu_keys Down Left
[[ "$(window_size)" == 448x597 ]] || e2e_fail "Window Size 2x made the window $(window_size)"
e2e_menu_keys Down Down Down Right
e2e_menu_keys Down Down Down Down Right Right Right
e2e_menu_keys Down Right
e2e_menu_keys Down Down Down Down Down Right
e2e_expect_picture display-changed 10
e2e_menu_keys Escape

e2e_menu_keys Down Return
e2e_menu_keys Left Left Left Left
e2e_menu_keys Down Down Down Right Right
e2e_wait_log "audio: * target latency 80 ms"
e2e_expect_picture audio-changed 10
e2e_menu_keys Escape

e2e_menu_keys Down Down Down Down Down Down
xdotool key Return
e2e_wait_exit 60
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "the program ended with $E2E_PROGRAM_RC"
e2e_check_lines "$E2E_DATA/settings.ini" "$CB_E2E_SOURCE/tests/e2e/expected/settings_pages.ini"
e2e_check_lines "$E2E_DATA/frontend.log" "$CB_E2E_SOURCE/tests/e2e/expected/settings_pages.log"

# The next start takes them up.
e2e_start
[[ "$(window_size)" == 448x597 ]] || e2e_fail "the second start opened $(window_size), not 448x597"
e2e_expect_picture main-menu-second-start 30
e2e_menu_keys Up
xdotool key Return
e2e_wait_exit 60
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "the second run ended with $E2E_PROGRAM_RC"
e2e_check_lines "$E2E_DATA/settings.ini" "$CB_E2E_SOURCE/tests/e2e/expected/settings_pages.ini"
