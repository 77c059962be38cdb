# The Windows program under wine.  The window lives in a wine virtual desktop
# (one X window filling the screen), so it is reached by screen coordinates:
# the window sits at 50,50 and, under wine's default frame metrics, its
# client area starts 3 px right of and 22 px below that corner.
# Also sourced by scripts/test-windows for wine_prefix.

CLICK_PAUSE=0.3  # for the click to be handled
SCREEN_SIZE=640x600x24
SHOT_SUFFIX="-win"
PARK_POINTER="630 590"
CLIENT_X=53
CLIENT_Y=72

# A quiet prefix of our own: no dialogs, no Mono or Gecko downloads, Chinese
# glyphs linked into the system faces the way Windows links them, and a
# virtual desktop so the frame is drawn as on Windows.
wine_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # wine spells Windows file names in the host's character set: UTF-8, so
  # Chinese names reach the disk whole.
  export LC_ALL=C.UTF-8
  # The mark names the desktop height, so a prefix set up for another one is set up again.
  if [ -f "$WINEPREFIX/.pelko-ready-600" ]; then return 0; fi
  mkdir -p "$WINEPREFIX"
  (unset DISPLAY; wineboot -i >/dev/null 2>&1) || { echo "wineboot could not set up $WINEPREFIX" >&2; return 1; }
  local face
  for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d pelko /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v pelko /d 640x600 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.pelko-ready-600"
}

# Defined only when sourced by a test (lib.sh sets TEST_NAME).
if [ -n "${TEST_NAME:-}" ]; then

launcher_prepare() {
  command -v wine >/dev/null || { echo "$TEST_NAME: missing tool 'wine' (run scripts/bootstrap)" >&2; exit 2; }
  command -v import >/dev/null || { echo "$TEST_NAME: missing tool 'import' (imagemagick)" >&2; exit 2; }
  wine_prefix "${WINEPREFIX:-$(dirname "$PROGRAM")/wineprefix}" || exit 1
  cp "$PROGRAM" "$APP_DIR/pelko-monitor.exe"
}

launcher_stop() { wineserver -k 2>/dev/null || true; }

launch_app() {
  # A wine session left from an earlier start (or another display) would
  # take the window.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  (cd "$APP_DIR" && exec wine ./pelko-monitor.exe) >"$WORK/app.log" 2>&1 &
  APP_PID=$!
}

pixel() { import -window root -crop "1x1+$1+$2" txt:- 2>/dev/null | tail -n1 | grep -o '#[0-9A-F]\{6\}'; }

# The window is up once the keyword box has painted white.
wait_window() {
  local i
  for i in $(seq 150); do
    kill -0 "$APP_PID" 2>/dev/null || return 1
    [ "$(pixel $((CLIENT_X + 147)) $((CLIENT_Y + 78)))" = "#FFFFFF" ] && return 0
    sleep 0.2
  done
  return 1
}

# wine keeps its own connection to the display; a refusal shows as no window.
display_refused() { return 1; }

click_at() { xdotool mousemove --sync $((CLIENT_X + $1)) $((CLIENT_Y + $2)) click 1; }

# What answer_time watches and where it clicks (on the screen).
watch_region() { echo "0 $((CLIENT_X + $1)) $((CLIENT_Y + $2)) $3 $4"; }
click_point() { echo "$((CLIENT_X + $1)) $((CLIENT_Y + $2))"; }

# A region of the client area as a picture (PPM: no time stamps inside).
region_shot() { import -window root -crop "${3}x${4}+$((CLIENT_X + $1))+$((CLIENT_Y + $2))" +repage "$5"; }
# The same program without a window, in its folder.
run_headless_once() { (cd "$APP_DIR" && wine ./pelko-monitor.exe --headless --once); }

# The close button of the caption.
close_window() { click_at 356 -11; }

# The whole window with its frame, one pixel of desktop around it.
screenshot() { import -window root -crop 372x519+49+49 +repage "$1"; }

fi
