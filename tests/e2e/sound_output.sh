#!/usr/bin/env bash
# The sound end to end. SDL's disk audio driver writes whatever the program plays into a file,
# in real time (silence while the device is paused). The game is started from the Main Menu and
# plays for four seconds, then the pause menu opens for two and a half; audio_check then finds
# the cartridge's arpeggio in the playing stretch (not silent, every note within 1 % of its
# pitch, no clipped sample anywhere) and only silence once the menu is open. The volume is set to
# 100 %, so the chip's samples reach the file unscaled and a clipped one would show.
export SDL_AUDIODRIVER=disk
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
export SDL_DISKAUDIOFILE="$E2E_WORK/audio.raw"
e2e_make_romset "$HOME/roms"
mkdir -p "$E2E_DATA"
printf '[audio]\nvolume = 100\n' >"$E2E_DATA/settings.ini"
e2e_start

bytes_per_second=$((48000 * 4))  # the device: 48 kHz, stereo, 16-bit
audio_bytes() { stat -c %s "$SDL_DISKAUDIOFILE" 2>/dev/null || echo 0; }
# Waits until the file has grown $1 bytes past $2 (at most $3 seconds).
wait_audio() {
  local deadline=$((SECONDS + $3))
  until (($(audio_bytes) >= $2 + $1)); do
    ((SECONDS < deadline)) || e2e_fail "the audio file stopped growing (at $(audio_bytes) bytes)"
    sleep 0.05
  done
}

e2e_expect_picture main-menu-found-rom 30
xdotool key Return
e2e_wait_sprite 20
play_from=$(audio_bytes)
wait_audio $((4 * bytes_per_second)) "$play_from" 30
play_to=$(audio_bytes)
xdotool key Escape
e2e_settle pause-menu 20
quiet_from=$(audio_bytes)
wait_audio $((5 * bytes_per_second / 2)) "$quiet_from" 30
quiet_to=$(audio_bytes)

e2e_menu_keys Up Return Left
xdotool key Return
e2e_wait_exit 60
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "the program ended with $E2E_PROGRAM_RC"

# The first quarter second of play is left out (the notes' attack), and the first half second
# after the menu opened (the device's last buffer and the time the key took).
"$CB_E2E_AUDIO_CHECK" "$SDL_DISKAUDIOFILE" --rate 48000 \
  --notes "$CB_E2E_SOURCE/tests/programs/cartridge_data.inc" --chip-rate 37286 --wave 256 \
  --play $((play_from + bytes_per_second / 4)):"$play_to" \
  --quiet $((quiet_from + bytes_per_second / 2)):"$quiet_to" >"$E2E_WORK/audio_check.out" ||
  e2e_fail "the sound is not what the cartridge plays:
$(cat "$E2E_WORK/audio_check.out")"
cat "$E2E_WORK/audio_check.out"
e2e_check_lines "$E2E_DATA/frontend.log" "$CB_E2E_SOURCE/tests/e2e/expected/sound_output.log"
