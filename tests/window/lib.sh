# Shared steps of the window tests, sourced by each test_*.sh.
#
# Every test gets its own X server, its own scratch folder with a copy of the
# program (config.ini lives beside the program) and cleans both up on exit.
# Controls are hit by their client-area coordinates, taken from the layout of
# the window (group box offsets added up), so no window manager is needed.

set -euo pipefail

PROGRAM=${1:-}
if [ -z "$PROGRAM" ] || [ ! -x "$PROGRAM" ]; then
  echo "usage: $0 path/to/pelko-monitor (got '${PROGRAM}')" >&2
  exit 2
fi
PROGRAM=$(cd "$(dirname "$PROGRAM")" && pwd)/$(basename "$PROGRAM")
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TEST_NAME=$(basename "$0" .sh)
TITLE='Pelko爆料监控'

for tool in Xvfb xdotool iconv cmp; do
  command -v "$tool" >/dev/null || { echo "$TEST_NAME: missing tool '$tool' (run scripts/bootstrap)" >&2; exit 2; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/pelko-window.XXXXXX")
APP_DIR="$WORK/app"
CONFIG="$APP_DIR/config.ini"
mkdir -p "$APP_DIR"
cp "$PROGRAM" "$APP_DIR/pelko-monitor"

XVFB_PID=""
APP_PID=""
WIN=""

cleanup() {
  local rc=$?
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "$APP_PID" ] && wait "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
  if [ "$rc" -eq 0 ] && [[ $TEST_NAME == test_* ]]; then echo "$TEST_NAME: passed"; fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "$TEST_NAME: FAIL: $*" >&2
  if [ -s "$WORK/app.log" ]; then sed 's/^/  program says: /' "$WORK/app.log" >&2; fi
  if [ -f "$CONFIG" ]; then
    echo "  config.ini now (as UTF-8):" >&2
    iconv -f CP936 -t UTF-8 "$CONFIG" 2>/dev/null | sed 's/\r$/\\r/; s/^/    /' >&2 || true
  fi
  exit 1
}

# Client-area coordinates of the controls (centre points).
declare -A AT=(
  [keywords]="100 100"
  [scan]="140 233"
  [interval]="140 266"
  [separator]="140 299"
  [token]="216 353"
  [sckey]="216 384"
  [restore]="286 231"
  [save]="286 265"
  [toggle]="286 299"
)

# A private X server on a display number it picks itself (-displayfd).
start_x() {
  : >"$WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
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

# Starts the program from its scratch folder and waits for its window.
start_app() {
  (cd "$APP_DIR" && exec ./pelko-monitor) >"$WORK/app.log" 2>&1 &
  APP_PID=$!
  WIN=""
  local i
  for i in $(seq 150); do
    kill -0 "$APP_PID" 2>/dev/null || fail "the program exited before its window appeared"
    WIN=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n1 || true)
    [ -n "$WIN" ] && break
    sleep 0.2
  done
  [ -n "$WIN" ] || fail "no visible window titled '$TITLE' within 30 s"
  # Let the first expose and the settings load be handled before any input.
  sleep 0.5
}

click() {
  local where=${AT[$1]:?unknown control $1}
  # shellcheck disable=SC2086
  xdotool mousemove --sync --window "$WIN" $where click 1
  sleep 0.15
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

# Sends WM_DELETE_WINDOW, as a window manager's close button does.
close_window() {
  if [ ! -x "$WORK/close_window" ]; then
    cc -O1 -o "$WORK/close_window" "$HERE/close_window.c" -lX11 2>"$WORK/cc.log" ||
      { cat "$WORK/cc.log" >&2; fail "cannot build the close helper"; }
  fi
  "$WORK/close_window" "$WIN" || fail "could not send the close request"
}

# Waits for the program to end; fails unless it ends with code 0 in time.
expect_exit_ok() {
  local limit=${1:-10}
  wait_for '! kill -0 "$APP_PID" 2>/dev/null' "$limit" || fail "the program still runs $limit s after its window was closed"
  local rc=0
  wait "$APP_PID" || rc=$?
  APP_PID=""
  [ "$rc" -eq 0 ] || fail "the program ended with code $rc"
}
