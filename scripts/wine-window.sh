# Sourced by the Windows scripts: a Windows program's window under 64-bit Wine, on an X
# server of its own (Xvfb), found and answered with the X tools.
#   wine_prefix_prepare PREFIX   the Wine prefix to use, made on first use, with fonts
#   wine_window_start PREFIX     that prefix and the X server
#   wine_window_wait NAME SECS   waits for a visible window of that exact name
#   wine_window_shown NAME       whether one is visible now
#   wine_window_key NAME KEY...  keys typed into the newest window of that name
#   wine_window_shot ID FILE     a picture of one window
#   wine_window_stop             ends every program of the prefix, then the server

wine=/usr/lib/wine/wine64
wine_window_xvfb=

wine_window_start() {
  "$(dirname "${BASH_SOURCE[0]}")/install-deps" xvfb xauth xdotool imagemagick fonts-wine
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  local display
  for display in $(seq $((100 + RANDOM % 300)) 500); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
  done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  wine_window_xvfb=$!
  export DISPLAY=":$display"
  local waited=0
  until xdpyinfo >/dev/null 2>&1; do
    sleep 0.2
    waited=$((waited + 1))
    [ "$waited" -lt 50 ] || { echo "wine-window: Xvfb did not start on $DISPLAY" >&2; return 1; }
  done
  wine_prefix_prepare "$1"
  # A wineserver still up from runs without a display keeps their desktop, which has no
  # X server: the windows opened now would never reach this one. Start afresh.
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
}

# Makes the prefix (Wine does on its first start) and gives the faces a Windows PC has and
# Wine has not the Liberation faces with their measures, as fontconfig does on Linux.
wine_prefix_prepare() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  "$wine" cmd /c exit >/dev/null 2>&1 || true
  # Wine's own faces for its window frames (Marlett for the frame's buttons, Tahoma for
  # captions), where Wine finds them; and with no window manager on the X server, Wine
  # draws each window's frame itself, as Windows does.
  cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma*.ttf \
     "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  local pair
  for pair in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" \
              "Courier New=Liberation Mono"; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /t REG_SZ \
      /d "${pair#*=}" /f >/dev/null 2>&1
  done
}

# wine_window_wait NAME SECONDS [COUNT]: until COUNT windows (1) of that name are visible.
wine_window_wait() {
  local name=$1 limit=$2 count=${3:-1} waited=0
  while [ "$waited" -lt $((limit * 5)) ]; do
    if [ "$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | wc -l)" -ge "$count" ]; then
      return 0
    fi
    sleep 0.2
    waited=$((waited + 1))
  done
  return 1
}

# The id of the newest visible window of that exact name (a box over a window that
# carries the same name is the newer).
wine_window_id() {
  xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | sort -n | tail -n 1
}

# Whether a window of that exact name is visible now.
wine_window_shown() {
  [ -n "$(wine_window_id "$1")" ]
}

# wine_window_key NAME KEY...: the keys, typed into the newest window of that name.
wine_window_key() {
  local id
  id=$(wine_window_id "$1")
  shift
  [ -n "$id" ] && xdotool windowfocus --sync "$id" key "$@"
}

wine_window_shot() {
  import -window "$1" "$2"
}

wine_window_stop() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  if [ -n "$wine_window_xvfb" ]; then
    kill "$wine_window_xvfb" 2>/dev/null || true
    wait "$wine_window_xvfb" 2>/dev/null || true
    wine_window_xvfb=
  fi
}
