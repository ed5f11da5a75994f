#!/usr/bin/env bash
# The README's picture of the watch list window: the window tests' scene of a few watch
# items (tests/gui/watch_list_screenshot.cpp) on a virtual X server with a window manager,
# written to docs/watch-list-window.png. Needs the packages of
# scripts/screenshot-packages.txt (scripts/screenshot.sh installs them).
#
#   scripts/screenshot_watch_list.sh        # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

if [ "${1:-}" = "--inside" ]; then
  work=$2
  start_screenshot_scene "$work" "$3" 'WatchListScreenshot.*'
  wait_for_scene "$work" "SCREENSHOT READY"
  # The window by its title, with the frame the window manager drew around it.
  id=$(xwininfo -root -tree | grep -F 'ウォッチリスト' | awk '{print $1}' | head -n 1)
  capture_window "$root/docs/watch-list-window.png" -id "$id"
  touch "$work/done"
  wait "$scene_pid" || true
  exit 0
fi

tests=$(gui_tests_program "$root")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1024x700x24" "$0" --inside "$work" "$tests"
echo "Written: docs/watch-list-window.png"
