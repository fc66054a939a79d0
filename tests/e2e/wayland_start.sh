#!/usr/bin/env bash
# The program under a Wayland compositor: Debian's weston, its output a window on the private
# Xvfb screen (weston's headless output has no seat, and SDL 2.26 cannot start on a compositor
# without one). The program runs on SDL's Wayland driver with no X display to fall back on,
# reaches the Main Menu with the test ROM set found (its loop runs and draws: the timing log
# shows it), takes keys through the compositor, and Exit ends it with 0.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
e2e_make_romset "$HOME/roms"
for tool in weston xwininfo; do
  command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/deps installs it)"
done

socket=cobaltine-wayland
weston --backend=x11-backend.so --use-pixman --socket="$socket" --width=900 --height=1100 \
  --idle-time=0 --no-config >"$E2E_WORK/weston.out" 2>&1 &
weston_pid=$!
e2e_stop_extra() {
  if kill -0 "$weston_pid" 2>/dev/null; then
    kill -TERM "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
}
deadline=$((SECONDS + 20))
compositor=""
until [[ -S "$XDG_RUNTIME_DIR/$socket" && -n "$compositor" ]]; do
  kill -0 "$weston_pid" 2>/dev/null || e2e_fail "weston ended: $(cat "$E2E_WORK/weston.out")"
  ((SECONDS < deadline)) || e2e_fail "weston did not start within 20 s: $(cat "$E2E_WORK/weston.out")"
  sleep 0.1
  compositor=$(e2e_window_named "Weston Compositor")
done

E2E_LOG_MARK=0
env -u DISPLAY SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY="$socket" FE_PROFILE=1 \
  "$CB_E2E_PROGRAM" >"$E2E_WORK/program.out" 2>&1 &
E2E_PROGRAM_PID=$!
e2e_wait_log "ROM loaded: * (fingerprint *)" 60
e2e_wait_log "profile: loop * ms, present * ms, game frame * ms, fps *" 30

# The Main Menu's first row is selected; Up wraps to Exit.
timeout 10 xdotool windowfocus --sync "$compositor" || e2e_fail "weston's window took no focus"
xdotool key Up
sleep 0.5
xdotool key Return
e2e_wait_exit 30
[[ "$E2E_PROGRAM_RC" == 0 ]] || e2e_fail "the program ended with $E2E_PROGRAM_RC"
e2e_log_has "exit: 0 frames, * audio underruns, * drops" || e2e_fail "no exit line in the log"
