#!/usr/bin/env bash
# A first start in a fresh HOME that holds no ROM anywhere the program looks: the Main Menu
# shows with "Start Game" disabled, and Enter on it starts nothing. ROM Selection opens in HOME,
# goes into the folder that holds the test ROM set and takes its archive; the Main Menu then
# offers the game, which starts. Exit from the pause menu, confirmed, autosaves and ends the
# program with 0. The log and settings.ini are then held to their expected lines.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
e2e_make_romset "$HOME/arcade"  # not a folder the program searches by itself
e2e_start

# The temporary HOME shows in ROM Selection's subtitle and in some hints: those lines are
# masked.
subtitle=(--mask 80,80,592,22)
footer=(--mask 0,856,672,19)

e2e_expect_picture main-menu-without-rom 30
xdotool key Return  # "Start Game" is disabled: nothing may start
e2e_menu_keys Down Down Down
e2e_expect_picture main-menu-rom-selection-row 10

e2e_menu_keys Return
e2e_expect_picture rom-selection-home 10 "${subtitle[@]}"
e2e_menu_keys Down Down Return
e2e_expect_picture rom-selection-arcade 10 "${subtitle[@]}"
e2e_menu_keys Down Down Down
xdotool key Return
e2e_wait_log "ROM ready: cobaltin.zip" 60
e2e_expect_picture main-menu-ready 20 "${footer[@]}"

e2e_menu_keys Up Up Up
xdotool key Return
e2e_wait_sprite 20

xdotool key Escape
e2e_settle pause-menu 20
e2e_menu_keys Up Return Left
e2e_mark
xdotool key Return
e2e_wait_exit 60
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "the program ended with $E2E_PROGRAM_RC"

e2e_check_lines "$E2E_DATA/frontend.log" "$CB_E2E_SOURCE/tests/e2e/expected/first_start.log"
e2e_check_lines "$E2E_DATA/settings.ini" "$CB_E2E_SOURCE/tests/e2e/expected/first_start.ini"
[[ -f "$E2E_DATA/states/cobaltin-$(e2e_fingerprint)/autosave.fest" ]] || e2e_fail "no autosave"
