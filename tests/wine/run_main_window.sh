#!/usr/bin/env bash
# Starts ORVIK-OTA-TOOLS.exe under Wine on a private Xvfb display, reads its main window
# with orvik-window-probe, takes a screenshot, closes the window with a click on Cancel
# and waits for the program to end. Every step is bounded by a timeout.
#   usage: run_main_window.sh BIN_DIR OUT_DIR
# BIN_DIR holds the Windows build's executables; the Wine prefix lives beside it.
# Writes OUT_DIR/report.txt, OUT_DIR/main-window.png and OUT_DIR/exit-status.
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
rm -f "$out/report.txt" "$out/main-window.png" "$out/exit-status" "$out/display"

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$bin/../wine-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The size of Wine's virtual desktop, which draws the window's frame without a window manager.
desktop=800x500

xvfb=""
cleanup() {
  timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${desktop}x24" -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$out/display")"

wine_run() { timeout "$1" "$wine" "${@:2}"; }

# A new prefix: boot it once, show every window in the virtual desktop, and let the dialog
# fonts reach a CJK font for the Chinese texts.
mkdir -p "$WINEPREFIX"
exec 4>"$WINEPREFIX.lock"
flock -w 300 4
if [ ! -f "$WINEPREFIX/.orvik-ready" ]; then
  wine_run 180 wineboot -i >/dev/null 2>&1
  wine_run 60 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine_run 60 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f >/dev/null 2>&1
  for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Arial" "Microsoft Sans Serif"; do
    wine_run 60 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  timeout 60 "$wineserver" -w
  touch "$WINEPREFIX/.orvik-ready"
fi

wine_run 90 "$bin/ORVIK-OTA-TOOLS.exe" >/dev/null 2>&1 &
program=$!
windows_path() { echo "Z:${1//\//\\}"; }
wine_run 60 "$bin/orvik-window-probe.exe" report Talvex-Varno "$(windows_path "$out/report.txt")"
import -display "$DISPLAY" -window root "$out/main-window.png"
wine_run 30 "$bin/orvik-window-probe.exe" cancel Talvex-Varno
status=0
wait "$program" || status=$?
echo "$status" >"$out/exit-status"
