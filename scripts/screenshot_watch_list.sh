#!/usr/bin/env bash
# The README's picture of the watch list window: the window tests' scene of a few watch
# items (tests/gui/watch_list_screenshot.cpp), written to docs/watch-list-window.png.
#
#   scripts/screenshot_watch_list.sh        # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$root/docs"
exec "$root/scripts/screenshot_scene.sh" 'WatchListScreenshot.*' 'ウォッチリスト' \
  "$root/docs/watch-list-window.png"
