# Helpers for running our Windows programs under Wine on a virtual X server.
# Source this file; call start_virtual_display and start_wine PREFIX, and
# stop_wine_and_display when done (a trap does it on every exit).

MELLIFON_XVFB_PID=""

# Starts Xvfb on a free display and exports DISPLAY.
start_virtual_display() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  MELLIFON_XVFB_PID=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

# A 64-bit prefix of our own, a wine server that stays up (so each program
# starts in a fraction of a second), and no debug chatter. Wine's services
# must not inherit our output, or whoever reads it waits for them forever.
# Wine draws the windows' frames itself (Decorated=N), so the program's own
# caption shows; on a virtual X server with no window manager the windows are
# unmanaged too (Managed=N), or Wine waits seconds for a manager at every
# window it takes down.
start_wine() {
  export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local managed=${2:-Y}
  mkdir -p "$WINEPREFIX"
  timeout 20 wineserver -w </dev/null >/dev/null 2>&1 || true # one still shutting down must be gone
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || { echo "wine: the prefix $WINEPREFIX did not start" >&2; return 1; }
  # Wine's own fonts (Tahoma, MS Sans Serif, Marlett for the caption buttons)
  # are found only in the prefix's font folder.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f </dev/null >/dev/null 2>&1 || true
}

stop_wine_and_display() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    timeout 20 wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$MELLIFON_XVFB_PID" ]; then
    kill "$MELLIFON_XVFB_PID" 2>/dev/null || true
    wait "$MELLIFON_XVFB_PID" 2>/dev/null || true
    MELLIFON_XVFB_PID=""
  fi
}
