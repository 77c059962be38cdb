# Shared steps of the window tests, sourced by each test_*.sh.
#
# One vocabulary for both builds of the window; PELKO_WINDOW_LAUNCHER picks
# how the program is started and reached:
#   (unset)  the Linux program, its own X window          (launch_native.sh)
#   wine     the Windows program under wine, in a wine virtual desktop
#                                                          (launch_wine.sh)
# Every test gets its own X server, its own scratch folder with a copy of the
# program (config.ini lives beside the program) and cleans both up on exit.
# Controls are hit by their client-area coordinates, taken from the layout of
# the window (group box offsets added up), so no window manager is needed.

set -euo pipefail

PROGRAM=${1:-}
if [ -z "$PROGRAM" ] || [ ! -f "$PROGRAM" ]; then
  echo "usage: $0 path/to/pelko-monitor[.exe] (got '${PROGRAM}')" >&2
  exit 2
fi
PROGRAM=$(cd "$(dirname "$PROGRAM")" && pwd)/$(basename "$PROGRAM")
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TEST_NAME=$(basename "$0" .sh)
TITLE='Pelko爆料监控'
LAUNCHER=${PELKO_WINDOW_LAUNCHER:-native}
case "$LAUNCHER" in
  native | wine) ;;
  *) echo "$TEST_NAME: unknown PELKO_WINDOW_LAUNCHER '$LAUNCHER' (use wine, or leave it unset)" >&2; exit 2 ;;
esac

for tool in Xvfb xdotool iconv cmp; do
  command -v "$tool" >/dev/null || { echo "$TEST_NAME: missing tool '$tool' (run scripts/bootstrap)" >&2; exit 2; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/pelko-window.XXXXXX")
APP_DIR="$WORK/app"
CONFIG="$APP_DIR/config.ini"
mkdir -p "$APP_DIR"

XVFB_PID=""
APP_PID=""
CLEANUP_HOOKS=()

cleanup() {
  local rc=$?
  local hook
  for hook in "${CLEANUP_HOOKS[@]}"; do "$hook" || true; done
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$APP_PID" ] && wait "$APP_PID" 2>/dev/null || true
  launcher_stop || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
  if [ "$rc" -eq 0 ] && [[ $TEST_NAME == test_* ]]; then echo "$TEST_NAME ($LAUNCHER): passed"; fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs a command when the test ends, before the program and X are stopped.
on_exit() { CLEANUP_HOOKS+=("$1"); }

fail() {
  echo "$TEST_NAME ($LAUNCHER): FAIL: $*" >&2
  if [ -s "$WORK/app.log" ]; then sed 's/^/  program says: /' "$WORK/app.log" >&2; fi
  if [ -f "$CONFIG" ] && [ "$(stat -c %s "$CONFIG")" -lt 100000 ]; then
    echo "  config.ini now (as UTF-8):" >&2
    iconv -f CP936 -t UTF-8 "$CONFIG" 2>/dev/null | sed 's/\r$/\\r/; s/^/    /' >&2 || true
  fi
  exit 1
}

# A scenario that has no meaning for this build ends here, and says why.
skip_under() {
  if [ "$LAUNCHER" = "$1" ]; then
    echo "$TEST_NAME ($LAUNCHER): skipped: $2"
    trap - EXIT
    rm -rf "$WORK"
    exit 0
  fi
}

# Client-area coordinates of the controls (centre points).
declare -A AT=(
  [keywords]="100 100"
  [scan]="140 233"
  [interval]="140 266"
  [separator]="140 299"
  [token]="216 353"
  [sckey]="216 384"
  [secret]="173 415"
  [testpush]="302 415"
  [restore]="286 231"
  [save]="286 265"
  [toggle]="286 299"
)

# shellcheck source=launch_native.sh
. "$HERE/launch_$LAUNCHER.sh"
launcher_prepare

# A private X server on a display number it picks itself (-displayfd).
start_x() {
  : >"$WORK/display"
  Xvfb -displayfd 3 -screen 0 "$SCREEN_SIZE" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 150); do
    [ -s "$WORK/display" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || { cat "$WORK/xvfb.log" >&2; fail "Xvfb did not start"; }
    sleep 0.1
  done
  [ -s "$WORK/display" ] || fail "Xvfb gave no display number within 15 s"
  export DISPLAY=":$(head -n1 "$WORK/display")"
}

# Starts the program from its scratch folder and waits for its window; then
# lets the first expose and the settings load be handled before any input.
# On a busy machine the X server now and then refuses a client for a moment
# (most often right after another one was killed); that is no part of what
# is tested, so such a start is tried again.
start_app() {
  local attempt
  for attempt in 1 2 3; do
    launch_app
    if wait_window; then
      sleep 0.5
      return 0
    fi
    kill -0 "$APP_PID" 2>/dev/null && fail "no window titled '$TITLE' within 30 s"
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=""
    display_refused || fail "the program ended before its window appeared"
    sleep 0.5
  done
  fail "the X server refused the program three times"
}

click() {
  local where=${AT[$1]:?unknown control $1}
  # shellcheck disable=SC2086
  click_at $where
  sleep "$CLICK_PAUSE"
}

type_text() { xdotool type --delay 40 -- "$1"; sleep 0.15; }
press() { xdotool key --delay 40 "$@"; sleep 0.15; }

# Waits up to $2 seconds (default 10) for a condition command to succeed.
wait_for() {
  local cond=$1 limit=${2:-10} i
  for i in $(seq $((limit * 10))); do
    if eval "$cond"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# config.ini as UTF-8 with the CR of each line removed.
config_utf8() { iconv -f CP936 -t UTF-8 "$CONFIG" | tr -d '\r'; }

# One value of section Pelko as the program saved it.
saved_value() { config_utf8 | sed -n "/^\[Pelko\]/,/^\[/ s/^$1=//p" | head -n1; }

# Clicks 保存设置 on a fresh file and waits until all six keys are written
# (the last key, Server酱, is written last).  Reading the boxes back this way
# needs no clipboard tool.
save_fresh() {
  rm -f "$CONFIG"
  click save
  wait_for '[ -f "$CONFIG" ] && config_utf8 2>/dev/null | grep -q "^Server酱="' 10 ||
    fail "保存设置 wrote no complete config.ini within 10 s"
}

# Writes a config.ini from UTF-8 lines (joined with CR LF, as code page 936).
write_config() {
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP936 >"$CONFIG"
}

# Processor time the program has used, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }

# Waits for the program to end; fails unless it ends with code 0 in time.
expect_exit_ok() {
  local limit=${1:-10}
  wait_for '! kill -0 "$APP_PID" 2>/dev/null' "$limit" || fail "the program still runs $limit s after its window was closed"
  local rc=0
  wait "$APP_PID" || rc=$?
  APP_PID=""
  [ "$rc" -eq 0 ] || fail "the program ended with code $rc"
}

# Keeps a picture of the window in $PELKO_WINDOW_SHOTS, when that folder is
# given: window.png, or window-win.png for the Windows build; a NAME given
# is added to the file name (window-win-monitoring.png).
keep_screenshot() {
  [ -n "${PELKO_WINDOW_SHOTS:-}" ] || return 0
  command -v import >/dev/null || fail "missing tool 'import' (imagemagick)"
  # shellcheck disable=SC2086
  xdotool mousemove $PARK_POINTER
  sleep 0.5
  local out="$PELKO_WINDOW_SHOTS/window$SHOT_SUFFIX${1:+-$1}.png"
  screenshot "$out" || fail "could not take $out"
  echo "$TEST_NAME: picture of the window in $out"
}

# The slow loopback services (slow_services.py): list answers after $1
# seconds, DingTalk "ok" or "hold".  Sets PORT; SERVICE_LOG gets the events.
start_slow_services() {
  command -v python3 >/dev/null || fail "python3 is needed for the loopback services"
  SERVICE_LOG="$WORK/services.log"
  : >"$SERVICE_LOG"
  python3 "$HERE/slow_services.py" "$WORK/port" "$SERVICE_LOG" "$1" "$2" 2>"$WORK/services.err" &
  SERVICES_PID=$!
  on_exit stop_slow_services
  wait_for '[ -s "$WORK/port" ]' 10 || fail "the loopback services did not start: $(cat "$WORK/services.err")"
  PORT=$(cat "$WORK/port")
}
stop_slow_services() { kill "$SERVICES_PID" 2>/dev/null; wait "$SERVICES_PID" 2>/dev/null || true; }
service_events() { grep -c " $1" "$SERVICE_LOG" || true; }

# Clicks a control and prints how many milliseconds pass until the keyword
# box changes its look (locked or unlocked by the click's handler); fails
# when it does not within $2 ms.
answer_time() {
  if [ ! -x "$WORK/answer_time" ]; then
    cc -O1 -o "$WORK/answer_time" "$HERE/answer_time.c" -lX11 -ldl 2>"$WORK/cc.log" ||
      { cat "$WORK/cc.log" >&2; fail "cannot build the answer-time helper"; }
  fi
  local where=${AT[$1]:?unknown control $1}
  # shellcheck disable=SC2086
  "$WORK/answer_time" $(watch_region 130 70 40 16) "$2" $(click_point $where) ||
    fail "the window did not answer a click on $1 within $2 ms"
}
