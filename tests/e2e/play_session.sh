#!/usr/bin/env bash
# A session of play. The test ROM set lies in ~/roms, where the program finds it by itself.
# Rewind is switched on in Extras (with a larger history budget) and the game started; the arrow
# keys move the player sprite. Holding Backspace rewinds to the oldest snapshot, the one of the
# game's 8th frame: from there on every picture is the same in every run, and the game is held
# there with the pause key (P) while the rest is done. F12 writes that picture; F7 selects slot
# 2 and F5 saves it; after the sprite moved again, F9 brings the saved picture back; F6 selects
# slot 1, which F9 finds empty. Exit from the pause menu, confirmed, autosaves and ends the
# program with 0; the log and settings.ini are held to their expected lines.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
e2e_make_romset "$HOME/roms"
e2e_start

e2e_expect_picture main-menu-found-rom 30
e2e_menu_keys Up Up Up Return
e2e_menu_keys Return Down Right Right Right Right Right Right Right Right Right Right Right Right
e2e_expect_picture extras-rewind-on 10
e2e_menu_keys Escape Down Down Down
xdotool key Return
e2e_wait_sprite 20
start_x=$E2E_SPRITE_X start_y=$E2E_SPRITE_Y

# The sprite follows the arrow keys. The picture is turned three quarters (the game's own
# rotation): the stick's right is up on screen, its left down. It moves two native pixels a
# frame, six on screen, so a few frames are enough however slowly the game runs; across that
# it stays (translucent sprites passing over it move the centre of its green a little).
e2e_hold Right 0.8
xdotool key p
e2e_settle moved-right 10
e2e_sprite
((E2E_SPRITE_Y < start_y - 12 && E2E_SPRITE_X > start_x - 24 && E2E_SPRITE_X < start_x + 24)) ||
  e2e_fail "Right moved the sprite from ($start_x, $start_y) to ($E2E_SPRITE_X, $E2E_SPRITE_Y)"

# Rewind, held until the oldest snapshot shows, then paused there.
xdotool key p
xdotool keydown BackSpace
e2e_expect_picture rewinding 30
xdotool key p
xdotool keyup BackSpace
e2e_expect_picture rewound-paused 10  # the sprite is back where it started

# The screenshot: the emulated picture itself, turned as shown, exactly.
e2e_keys F12
e2e_wait_log "Screenshot saved: shot-*.png"
shot=$(ls "$E2E_DATA"/screenshots/shot-*.png)
cp "$shot" "$E2E_WORK/screenshot.png"
if [[ "${CB_REPIN_GOLDEN:-}" == 1 ]]; then
  cp "$shot" "$E2E_REFERENCES/screenshot.png"
else
  "$CB_E2E_PICTURE_CHECK" compare "$shot" "$E2E_REFERENCES/screenshot.png" \
    --diff "$E2E_WORK/screenshot-diff.png" >"$E2E_WORK/screenshot.out" ||
    e2e_fail "the screenshot differs from its reference: $(cat "$E2E_WORK/screenshot.out")"
fi

# Quick save into slot 2, quick load of it after the game moved on.
e2e_keys F7
e2e_wait_log "Slot 2"
e2e_keys F5
e2e_wait_log "Saved to slot 2"
[[ -f "$E2E_DATA/states/cobaltin-$(e2e_fingerprint)/slot02.fest" ]] || e2e_fail "no slot02.fest"
xdotool key p
e2e_hold Left 0.4
xdotool key p
e2e_settle moved-left 10
e2e_sprite
((E2E_SPRITE_Y > start_y + 12 && E2E_SPRITE_X > start_x - 24 && E2E_SPRITE_X < start_x + 24)) ||
  e2e_fail "Left moved the sprite from ($start_x, $start_y) to ($E2E_SPRITE_X, $E2E_SPRITE_Y)"
e2e_keys F9
e2e_wait_log "Loaded slot 2"
e2e_expect_picture rewound-paused 10
e2e_keys F6
e2e_wait_log "Slot 1"
e2e_keys F9
e2e_wait_log "Slot 1 is empty"

# Exit through the pause menu and its question.
xdotool key Escape
e2e_expect_picture pause-menu 10
e2e_menu_keys Up Return
e2e_expect_picture exit-question 10
e2e_menu_keys Left
xdotool key Return
e2e_wait_exit 60
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "the program ended with $E2E_PROGRAM_RC"

e2e_check_lines "$E2E_DATA/frontend.log" "$CB_E2E_SOURCE/tests/e2e/expected/play_session.log"
e2e_check_lines "$E2E_DATA/settings.ini" "$CB_E2E_SOURCE/tests/e2e/expected/play_session.ini"
[[ -f "$E2E_DATA/states/cobaltin-$(e2e_fingerprint)/autosave.fest" ]] || e2e_fail "no autosave"
