# A private X server for tests (sourced, not run): xvfb_start starts Xvfb on a 1920x1080x24
# screen with a display number it picks itself, exports DISPLAY and sets XVFB_PID; xvfb_stop
# stops that server again, by its own process id. Needs a folder for the server's output.

XVFB_PID=""

# xvfb_start FOLDER: 0 once DISPLAY names the new screen; 1 (the server's output on stderr)
# when it did not start within 20 s.
xvfb_start() {
  local folder=$1 fifo="$1/xvfb-display" number=""
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fifo" \
    >"$folder/xvfb.out" 2>&1 &
  XVFB_PID=$!
  read -r -t 20 number <"$fifo" || true
  rm -f "$fifo"
  if [[ ! "$number" =~ ^[0-9]+$ ]]; then
    cat "$folder/xvfb.out" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

xvfb_stop() {
  if [[ -n "$XVFB_PID" ]] && kill -0 "$XVFB_PID" 2>/dev/null; then
    kill -TERM "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  XVFB_PID=""
}
