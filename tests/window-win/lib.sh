# Helpers for driving the Windows build of the window under Xvfb and wine.
# Sourced by the test scripts and by scripts/test-windows.

# The window sits at 50,50 of a 640x520 desktop; under wine's default frame
# metrics its client area starts 3 px right of and 22 px below that corner.
PELKO_CLIENT_X=53
PELKO_CLIENT_Y=72

pelko_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A quiet prefix of our own: no dialogs, no Mono or Gecko downloads, Chinese
# glyphs linked into the system faces the way Windows links them, and a
# virtual desktop so the frame is drawn as on Windows.
pelko_wine_prefix() {
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # wine spells Windows file names in the host's character set: UTF-8, so
    # Chinese names reach the disk whole.
    export LC_ALL=C.UTF-8
    if [ -f "$WINEPREFIX/.pelko-ready" ]; then return 0; fi
    mkdir -p "$WINEPREFIX"
    (unset DISPLAY; wineboot -i >/dev/null 2>&1) || pelko_fail "wineboot could not set up $WINEPREFIX"
    local face
    for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
            /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d pelko /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v pelko /d 640x520 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.pelko-ready"
}

# Starts Xvfb on a free display and exports DISPLAY.
pelko_start_display() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 640x520x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    PELKO_XVFB_PID=$!
    local i
    for i in $(seq 50); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    [ -s "$fdfile" ] || pelko_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}

# Copies the program into a scratch folder of its own (config.ini is written
# beside it) and starts it there; $2, when given, is the config.ini to start
# with, as UTF-8 printf text.
pelko_start_app() {
    local exe="$1"
    PELKO_DIR=$(mktemp -d /tmp/pelko-win-XXXXXX)
    cp "$exe" "$PELKO_DIR/pelko-monitor.exe"
    if [ -n "${2:-}" ]; then pelko_gbk "$2" >"$PELKO_DIR/config.ini"; fi
    # A wine session left from a run without a display would take the window.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    (cd "$PELKO_DIR" && exec wine ./pelko-monitor.exe) &
    PELKO_APP_PID=$!
    pelko_wait_window
}

pelko_pixel() {
    import -window root -crop "1x1+$1+$2" txt:- 2>/dev/null | tail -n1 | grep -o '#[0-9A-F]\{6\}'
}

# The window is up once the keyword box has painted white.
pelko_wait_window() {
    local i
    for i in $(seq 150); do
        [ "$(pelko_pixel 200 150)" = "#FFFFFF" ] && { sleep 0.5; return 0; }
        sleep 0.2
    done
    pelko_fail "the window did not appear"
}

# Clicks at a point given in client coordinates.
pelko_click() {
    xdotool mousemove $((PELKO_CLIENT_X + $1)) $((PELKO_CLIENT_Y + $2)) click 1
    sleep 0.3
}

# Centres of the controls, in client coordinates.
PELKO_RESTORE=(286 231)
PELKO_SAVE=(286 265)
PELKO_TOGGLE=(286 299)
PELKO_COUNT_BOX=(140 233)
PELKO_INTERVAL_BOX=(140 266)
PELKO_CLOSE=(356 -11)  # the close button of the caption

# Waits up to $2 seconds for the file to exist.
pelko_wait_file() {
    local i
    for i in $(seq $(($2 * 10))); do
        [ -f "$1" ] && { sleep 0.3; return 0; }
        sleep 0.1
    done
    return 1
}

# Code page 936 bytes of a UTF-8 text given with printf escapes.
pelko_gbk() {
    printf "$1" | iconv -f UTF-8 -t CP936
}

pelko_cleanup() {
    if [ -n "${PELKO_APP_PID:-}" ]; then kill "$PELKO_APP_PID" 2>/dev/null || true; fi
    wineserver -k 2>/dev/null || true
    if [ -n "${PELKO_XVFB_PID:-}" ]; then kill "$PELKO_XVFB_PID" 2>/dev/null || true; fi
    if [ -n "${PELKO_DIR:-}" ]; then rm -rf "$PELKO_DIR"; fi
}
