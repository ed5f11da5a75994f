#!/usr/bin/env bash
# Screenshots of the desktop program for the README: starts it under a virtual X server
# (with a window manager for the window frames and a tray host) on a prepared data folder
# and writes PNG files to docs/. Installs what it needs from scripts/screenshot-packages.txt.
#
#   scripts/screenshot.sh            # build/src/gui/pagewarden, built when missing
#   scripts/screenshot.sh --dpi 144  # the same at 144 dpi: docs/main-window-144dpi.png
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

if [ "${1:-}" = "--inside" ]; then
  # Runs on the virtual display: every program started here ends with the display.
  work=$2
  program=$3
  port=$4
  picture=$5
  # A few pages on a loopback server for the prepared watch list.
  /usr/bin/python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$port" \
    >/dev/null 2>&1 &
  server=$!
  openbox >/dev/null 2>&1 &
  trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
  sleep 1
  XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    "$program" --home "$work/home" >"$work/program.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    xwd -silent -frame -name "Pagewarden 1.35" >"$work/main.xwd" 2>/dev/null && break
    sleep 0.1
  done
  sleep 4  # the first checks run and the window finishes drawing
  capture_window "$root/docs/$picture" -name "Pagewarden 1.35"
  kill -TERM "$pid"
  wait "$pid" || true
  kill "$server" 2>/dev/null || true
  exit 0
fi

# 144 dpi as a desktop sets it: GTK draws its fonts half as large again, pixels stay pixels.
picture=main-window.png
screen=1024x700x24
if [ "${1:-}" = "--dpi" ] && [ "${2:-}" = "144" ]; then
  export GDK_DPI_SCALE=1.5
  picture=main-window-144dpi.png
  screen=1536x1050x24
fi

install_missing_packages "$root/scripts/packages.txt" "$root/scripts/screenshot-packages.txt"
program=$root/build/src/gui/pagewarden
if [ ! -x "$program" ]; then
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DPAGEWARDEN_BENCH=OFF
  cmake --build "$root/build" -j2 --target pagewarden
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/runtime" "$work/home" "$work/site" "$root/docs"
chmod 700 "$work/runtime" "$work/home"
port=$((20000 + RANDOM % 20000))

# The prepared data folder: three watched pages, one of which is missing.
printf '<html><body><p>%s</p></body></html>\n' "本日のお知らせ" >"$work/site/news.html"
printf '<html><body><p>%s</p></body></html>\n' "価格は1200円です" >"$work/site/prices.html"
watch_item() {  # name, path: one block of the watch list (CP932, CR LF)
  printf '\t//{{TOP-W\n\t//{{TOP\nTarg: http://127.0.0.1:%s/%s\nName: %s\n\tEND}}//\n' \
    "$port" "$2" "$1"
  printf 'Chec: daily\nTimi: open\nSUse: 0\nPopU: 0\nActv: 1\n\tEND-W}}//\n'
}
{
  watch_item "お知らせ" news.html
  watch_item "価格表" prices.html
  watch_item "移転したページ" moved.html
} | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$work/home/WatchList.pgl"

xvfb-run -a -s "-screen 0 $screen" "$0" --inside "$work" "$program" "$port" "$picture"
echo "Written: docs/$picture"
