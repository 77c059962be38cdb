# The Linux program: a top-level X window of its own, found by its title and
# driven through xdotool's window-relative pointer moves.

CLICK_PAUSE=0.15  # for the click to be handled
SCREEN_SIZE=1024x768x24
SHOT_SUFFIX=""
PARK_POINTER="1000 700"
WIN=""

launcher_prepare() {
  [ -x "$PROGRAM" ] || { echo "$TEST_NAME: $PROGRAM is not executable" >&2; exit 2; }
  cp "$PROGRAM" "$APP_DIR/pelko-monitor"
}

launcher_stop() { :; }

launch_app() {
  (cd "$APP_DIR" && exec ./pelko-monitor) >"$WORK/app.log" 2>&1 &
  APP_PID=$!
  WIN=""
}

# Succeeds once a visible window with the title is there; fails at once when
# the program has ended.
wait_window() {
  local i
  for i in $(seq 150); do
    kill -0 "$APP_PID" 2>/dev/null || return 1
    WIN=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n1 || true)
    [ -n "$WIN" ] && return 0
    sleep 0.2
  done
  return 1
}

display_refused() { grep -q "cannot open the X display" "$WORK/app.log"; }

click_at() { xdotool mousemove --sync --window "$WIN" "$1" "$2" click 1; }

# Sends WM_DELETE_WINDOW, as a window manager's close button does.
close_window() {
  if [ ! -x "$WORK/close_window" ]; then
    cc -O1 -o "$WORK/close_window" "$HERE/close_window.c" -lX11 2>"$WORK/cc.log" ||
      { cat "$WORK/cc.log" >&2; fail "cannot build the close helper"; }
  fi
  "$WORK/close_window" "$WIN" || fail "could not send the close request"
}

# The client area, without a frame: no window manager runs.
screenshot() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
}

# What answer_time watches and where it clicks (window-relative).
watch_region() { echo "$WIN $1 $2 $3 $4"; }
click_point() { echo "$1 $2"; }
# A region of the client area as a picture (PPM: no time stamps inside).
region_shot() { import -window "$WIN" -crop "${3}x${4}+${1}+${2}" +repage "$5"; }
# The same program without a window, in its folder.
run_headless_once() { (cd "$APP_DIR" && ./pelko-monitor --headless --once); }
