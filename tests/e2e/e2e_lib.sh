# Shared by the window scripts (sourced, not run): a private Xvfb screen with a real window
# manager (openbox) on it and a temporary HOME, the real program started in it, keys sent with
# xdotool, the window captured with import and held to pinned references, waits on the window,
# the log and files (each with a timeout), and line-by-line checks of frontend.log and
# settings.ini. Whatever way a script ends, the program, the window manager and Xvfb are
# stopped and the temporary folder goes; a failure keeps the captures, the log and the settings
# under $CB_E2E_ARTIFACTS/<renderer>/<script>/ first.
#
# CTest passes the places: CB_E2E_PROGRAM (build/<preset>/cobaltine), CB_E2E_PICTURE_CHECK,
# CB_E2E_AUDIO_CHECK, CB_E2E_MAKE_ROMSET, CB_E2E_SOURCE (the source tree), CB_E2E_ARTIFACTS,
# and CB_E2E_RENDERER, the SDL renderer the program draws with ("software" or "opengl", batching
# its draws as it does when no driver is named). The references serve both renderers.
# CB_REPIN_GOLDEN=1 writes each capture over its reference instead of comparing (look at them).

set -euo pipefail
source "$CB_E2E_SOURCE/tests/support/xvfb.sh"

E2E_NAME=$(basename "$0" .sh)
E2E_RENDERER=${CB_E2E_RENDERER:-}
E2E_REFERENCES="$CB_E2E_SOURCE/tests/e2e/reference"
E2E_WORK=""
E2E_WM_PID=""
E2E_WATCHDOG_PID=""
E2E_PROGRAM_PID=""
E2E_PROGRAM_RC=""
E2E_RC=""
E2E_WINDOW=""
E2E_LOG_MARK=0
E2E_LAST=""  # the latest capture
E2E_DATA=""  # the program's data folder in the temporary HOME
E2E_PINNED=" "  # references re-pinned in this run (a second sight of one is compared)

# Pictures may differ this much from their references: a channel by up to 24 (the GL rasteriser
# may round a blend or an edge differently), and that in at most 0.1 % of the pixels.
E2E_TOLERANCE=24
E2E_ALLOW_PER_MILLE=1

e2e_note() { printf '%s: %s\n' "$E2E_NAME" "$*" >&2; }

e2e_keep_artifacts() {
  [[ -n "$E2E_WORK" && -d "$E2E_WORK" ]] || return 0
  local keep="$CB_E2E_ARTIFACTS/$E2E_RENDERER/$E2E_NAME"
  rm -rf "$keep"
  mkdir -p "$keep"
  cp "$E2E_WORK"/*.png "$E2E_WORK"/*.out "$keep"/ 2>/dev/null || true
  cp "$E2E_DATA"/frontend.log "$E2E_DATA"/settings.ini "$keep"/ 2>/dev/null || true
  e2e_note "kept the captures, the log and the settings in $keep"
}

e2e_fail() {
  e2e_note "FAILED: $*"
  if [[ -n "$E2E_DATA" && -f "$E2E_DATA/frontend.log" ]]; then
    e2e_note "frontend.log:"
    sed 's/^/  /' "$E2E_DATA/frontend.log" >&2
  fi
  if [[ -n "$E2E_WORK" && -f "$E2E_WORK/program.out" ]]; then
    e2e_note "the program's other output:"
    grep -v '^\[..:..:..\] ' "$E2E_WORK/program.out" | sed 's/^/  /' >&2 || true
  fi
  e2e_keep_artifacts
  exit 1
}

# Stops what this script started, by its own process ids, and removes the temporary folder.
e2e_cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [[ -n "$E2E_WATCHDOG_PID" ]]; then
    kill -TERM -- "-$E2E_WATCHDOG_PID" 2>/dev/null || true
    wait "$E2E_WATCHDOG_PID" 2>/dev/null || true
  fi
  if [[ -n "$E2E_PROGRAM_PID" ]] && kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
    kill -KILL "$E2E_PROGRAM_PID" 2>/dev/null || true
    wait "$E2E_PROGRAM_PID" 2>/dev/null || true
  fi
  e2e_stop_extra
  if [[ -n "$E2E_WM_PID" ]] && kill -0 "$E2E_WM_PID" 2>/dev/null; then
    kill -TERM "$E2E_WM_PID" 2>/dev/null || true
    wait "$E2E_WM_PID" 2>/dev/null || true
  fi
  xvfb_stop
  [[ -n "$E2E_WORK" ]] && rm -rf "$E2E_WORK"
  exit "$rc"
}

# --- set-up

# Whatever else a script started (a compositor): it defines this to stop it by its process id.
e2e_stop_extra() { :; }

# A temporary HOME and a screen of 1920x1080x24 on a display number Xvfb picks itself, with
# openbox managing its windows; the program's renderer as CTest asked.
e2e_begin() {
  case "${CB_E2E_RENDERER:-}" in
    software | opengl) ;;
    *) e2e_fail "CB_E2E_RENDERER is '${CB_E2E_RENDERER:-}', not software or opengl" ;;
  esac
  export SDL_RENDER_DRIVER=$CB_E2E_RENDERER SDL_RENDER_BATCHING=1
  for tool in Xvfb openbox xprop xwininfo xdotool import; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/deps installs it)"
  done
  local base
  base=$(dirname "$CB_E2E_PROGRAM")
  for stray in portable.txt cobaltin.zip; do
    # Either beside the program would change where it keeps its files or what it finds.
    [[ ! -e "$base/$stray" ]] || e2e_fail "$base/$stray is in the way; remove it"
  done
  E2E_WORK=$(mktemp -d /tmp/cobaltine-e2e.XXXXXXXX)
  trap e2e_cleanup EXIT
  trap 'e2e_note "stopped by a signal (or after 240 s)"; exit 130' INT TERM
  # A script that hangs ends itself well before CTest's timeout would kill it outright, so that
  # the clean-up still runs. The watchdog is a process group of its own: its sleep goes with it.
  setsid bash -c 'sleep 240 && kill -TERM "$0"' "$$" >/dev/null 2>&1 &
  E2E_WATCHDOG_PID=$!
  export HOME="$E2E_WORK/home"
  mkdir -p "$HOME"
  unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME APPIMAGE SteamDeck STEAM_DECK FE_PROFILE
  export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
  E2E_DATA="$HOME/.local/share/Larkspindle/Cobaltine"

  xvfb_start "$E2E_WORK" || e2e_fail "Xvfb did not start"
  # A window manager, as on a desktop: without one, full screen and the window's close button
  # cannot happen at all.
  openbox --sm-disable >"$E2E_WORK/openbox.out" 2>&1 &
  E2E_WM_PID=$!
  local deadline=$((SECONDS + 20))
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    kill -0 "$E2E_WM_PID" 2>/dev/null || e2e_fail "openbox ended: $(cat "$E2E_WORK/openbox.out")"
    ((SECONDS < deadline)) || e2e_fail "openbox did not take the screen within 20 s"
    sleep 0.1
  done
  cd "$E2E_WORK"
}

# The test ROM set as <folder>/cobaltin.zip (a folder below HOME is made for it).
e2e_make_romset() {
  mkdir -p "$1"
  "$CB_E2E_MAKE_ROMSET" "$1/cobaltin.zip" >"$E2E_WORK/romset.out" 2>&1 ||
    e2e_fail "make_test_romset failed: $(cat "$E2E_WORK/romset.out")"
}

# Starts the program with these arguments and waits until its window shows and has the focus;
# the pointer goes to a corner outside it, so it hovers over nothing.
e2e_start() {
  E2E_LOG_MARK=0
  E2E_PROGRAM_RC=""
  "$CB_E2E_PROGRAM" "$@" >"$E2E_WORK/program.out" 2>&1 &
  E2E_PROGRAM_PID=$!
  E2E_WINDOW=""
  local deadline=$((SECONDS + 30))
  while [[ -z "$E2E_WINDOW" ]]; do
    kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || e2e_fail "the program ended before its window showed"
    ((SECONDS < deadline)) || e2e_fail "no window within 30 s"
    E2E_WINDOW=$(xdotool search --onlyvisible --name '^Cobaltine$' 2>/dev/null | head -n 1 || true)
    [[ -n "$E2E_WINDOW" ]] || sleep 0.1
  done
  timeout 10 xdotool windowfocus --sync "$E2E_WINDOW" || e2e_fail "the window took no focus"
  xdotool mousemove 1919 1079
}

# Waits until the process $1, started by this script, has ended by itself (at most $2 seconds;
# $3 names it if it does not); its exit code goes into E2E_RC.
e2e_wait_pid() {
  local deadline=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null; do
    ((SECONDS < deadline)) || e2e_fail "$3 did not end within $2 s"
    sleep 0.1
  done
  E2E_RC=0
  wait "$1" || E2E_RC=$?
}

# Waits until the program has ended by itself (at most $1 seconds); its exit code goes into
# E2E_PROGRAM_RC.
e2e_wait_exit() {
  e2e_wait_pid "$E2E_PROGRAM_PID" "$1" "the program"
  E2E_PROGRAM_RC=$E2E_RC
  E2E_PROGRAM_PID=""
}

# The id of the first window on the screen whose name begins with $1 ("" when there is none).
# xdotool's search does not see every name (not the one SDL gives a message box), so the tree is
# read, all of it (an awk that stopped early would end xwininfo by SIGPIPE); a window that goes
# while it is listed only means another look.
e2e_window_named() {
  xwininfo -root -tree 2>/dev/null |
    awk -v name="\"$1" 'index($0, name) && !id { id = $1 } END { print id }' || true
}

# --- pictures

# Captures the window into $E2E_WORK/$1.png (E2E_LAST names it).
e2e_capture() {
  E2E_LAST="$E2E_WORK/$1.png"
  import -window "$E2E_WINDOW" "$E2E_LAST" 2>"$E2E_WORK/import.out" ||
    e2e_fail "import failed: $(cat "$E2E_WORK/import.out")"
}

# Captures until two captures in a row are the same (at most $2 seconds): nothing moves.
e2e_settle() {
  local deadline=$((SECONDS + ${2:-10}))
  e2e_capture "$1-a"
  while :; do
    sleep 0.05
    e2e_capture "$1-b"
    cmp -s "$E2E_WORK/$1-a.png" "$E2E_WORK/$1-b.png" && break
    ((SECONDS < deadline)) || e2e_fail "the window did not stop changing ($1)"
    mv "$E2E_WORK/$1-b.png" "$E2E_WORK/$1-a.png"
  done
  mv "$E2E_WORK/$1-b.png" "$E2E_WORK/$1.png"
  rm -f "$E2E_WORK/$1-a.png"
  E2E_LAST="$E2E_WORK/$1.png"
}

# Waits until the window shows the reference $1 (at most $2 seconds); further arguments are
# picture_check's (--mask X,Y,W,H for what differs from run to run, like a temporary path).
e2e_expect_picture() {
  local name=$1 timeout=$2
  shift 2
  local reference="$E2E_REFERENCES/$name.png"
  if [[ "${CB_REPIN_GOLDEN:-}" == 1 && "$E2E_PINNED" != *" $name "* ]]; then
    sleep 2.5  # toasts last two seconds
    e2e_settle "$name" "$timeout"
    cp "$E2E_LAST" "$reference"
    E2E_PINNED+="$name "
    e2e_note "re-pinned $reference"
    return 0
  fi
  [[ -f "$reference" ]] || e2e_fail "no reference $reference (CB_REPIN_GOLDEN=1 pins one)"
  local deadline=$((SECONDS + timeout)) verdict="" pixels
  while :; do
    e2e_capture "$name"
    pixels=$(picture_pixels "$E2E_LAST")
    if verdict=$("$CB_E2E_PICTURE_CHECK" compare "$E2E_LAST" "$reference" \
                   --tolerance "$E2E_TOLERANCE" --allow $((pixels * E2E_ALLOW_PER_MILLE / 1000)) \
                   "$@"); then
      return 0
    fi
    if ((SECONDS >= deadline)); then
      "$CB_E2E_PICTURE_CHECK" compare "$E2E_LAST" "$reference" --tolerance "$E2E_TOLERANCE" \
        --diff "$E2E_WORK/$name-diff.png" "$@" >/dev/null || true
      e2e_fail "the window never showed $name within $timeout s: $verdict"
    fi
    sleep 0.1
  done
}

# Pixels of a PNG (its width and height from the header).
picture_pixels() {
  local w h
  read -r w h < <(od -An -tu1 -j16 -N8 "$1" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  echo $((w * h))
}

# The player sprite's centre in the latest capture: sets E2E_SPRITE_X and E2E_SPRITE_Y.
e2e_sprite() {
  local found
  found=$("$CB_E2E_PICTURE_CHECK" sprite "$E2E_LAST") || e2e_fail "no player sprite in $E2E_LAST"
  read -r E2E_SPRITE_X E2E_SPRITE_Y _ <<<"$found"
}

# Waits (at most $1 seconds) until the window shows the game: the player sprite is on screen
# (E2E_SPRITE_X and E2E_SPRITE_Y say where).
e2e_wait_sprite() {
  local deadline=$((SECONDS + $1))
  while :; do
    e2e_capture game
    if "$CB_E2E_PICTURE_CHECK" sprite "$E2E_LAST" >/dev/null; then
      e2e_sprite
      return 0
    fi
    ((SECONDS < deadline)) || e2e_fail "the game did not show within $1 s"
    sleep 0.1
  done
}

# --- keys

# Menu keys, one at a time: before each the window is still, after it the window must change
# (every key here moves the highlight, changes a value or a page), so each key has been taken
# before the next one is sent, however slowly the program runs.
e2e_menu_keys() {
  local key
  for key in "$@"; do
    e2e_settle before-key
    cp "$E2E_LAST" "$E2E_WORK/before-key-still.png"
    e2e_mark
    xdotool key "$key"
    local deadline=$((SECONDS + 10))
    while :; do
      e2e_capture after-key
      cmp -s "$E2E_LAST" "$E2E_WORK/before-key-still.png" || break
      ((SECONDS < deadline)) || e2e_fail "the window did not answer the key $key"
      sleep 0.05
    done
  done
  rm -f "$E2E_WORK/before-key-still.png" "$E2E_WORK/after-key.png" "$E2E_WORK/before-key.png"
}

# Game keys: pressed and let go at once; their effect is waited for through the log.
e2e_keys() {
  e2e_mark
  xdotool key --delay 100 "$@"
}

# Holds a key for $2 seconds (the game reads held keys frame by frame).
e2e_hold() {
  e2e_mark
  xdotool keydown "$1"
  sleep "$2"
  xdotool keyup "$1"
}

# --- the log

# The log's lines so far; e2e_wait_log looks only at lines after this mark.
e2e_mark() {
  E2E_LOG_MARK=$(wc -l <"$E2E_DATA/frontend.log" 2>/dev/null || echo 0)
}

# $1 as a pattern in which only * is a wildcard (into E2E_GLOB).
e2e_glob() {
  E2E_GLOB=${1//\\/\\\\}
  E2E_GLOB=${E2E_GLOB//\?/\\?}
  E2E_GLOB=${E2E_GLOB//\[/\\[}
}

# Whether a log line after the mark says $1 (the message after the time stamp; * stands for any
# text).
e2e_log_has() {
  [[ -f "$E2E_DATA/frontend.log" ]] || return 1
  e2e_glob "$1"
  local line
  while IFS= read -r line; do
    [[ "${line:11}" == $E2E_GLOB ]] && return 0
  done < <(tail -n +"$((E2E_LOG_MARK + 1))" "$E2E_DATA/frontend.log")
  return 1
}

# Waits (at most $2 seconds) until a log line after the mark says $1.
e2e_wait_log() {
  local deadline=$((SECONDS + ${2:-20}))
  until e2e_log_has "$1"; do
    kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || e2e_fail "the program ended; it never logged: $1"
    ((SECONDS < deadline)) || e2e_fail "no log line '$1' within ${2:-20} s"
    sleep 0.05
  done
}

# Waits (at most $2 seconds) until the file $1 exists.
e2e_wait_file() {
  local deadline=$((SECONDS + ${2:-20}))
  until [[ -f "$1" ]]; do
    ((SECONDS < deadline)) || e2e_fail "$1 did not appear within ${2:-20} s"
    sleep 0.05
  done
}

# --- whole files

# The ROM fingerprint the log reported ("" before a ROM loaded).
e2e_fingerprint() {
  sed -n 's/.*ROM loaded: .* (fingerprint \([0-9A-F]\{8\}\))$/\1/p' "$E2E_DATA/frontend.log" \
    2>/dev/null | head -n 1
}

# Holds the file $1 line by line to the expected lines $2. Log lines must open with a time
# stamp "[HH:MM:SS] ", which is masked. In the expected lines @HOME@ stands for the temporary
# HOME, @FP@ for the ROM fingerprint the log reported, and * for any text.
e2e_check_lines() {
  local actual=$1 expected=$2 what
  what=$(basename "$actual")
  [[ -f "$actual" ]] || e2e_fail "$actual is missing"
  local fingerprint
  fingerprint=$(e2e_fingerprint)
  local -a have want
  mapfile -t have <"$actual"
  mapfile -t want < <(sed -e "s|@HOME@|$HOME|g" -e "s|@FP@|$fingerprint|g" "$expected")
  local i line
  for ((i = 0; i < ${#have[@]} || i < ${#want[@]}; i++)); do
    line=${have[i]-<missing>}
    if [[ "$what" == frontend.log && $i -lt ${#have[@]} ]]; then
      [[ "$line" =~ ^\[[0-9]{2}:[0-9]{2}:[0-9]{2}\]\  ]] ||
        e2e_fail "$what line $((i + 1)) has no time stamp: $line"
      line=${line:11}
    fi
    e2e_glob "${want[i]-<end of file>}"
    [[ "$line" == $E2E_GLOB ]] ||
      e2e_fail "$what line $((i + 1)) is '$line'; expected '${want[i]-<end of file>}'"
  done
}
