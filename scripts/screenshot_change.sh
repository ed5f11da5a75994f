#!/usr/bin/env bash
# The README's picture of the change window "変更点": the scene of a changed price list
# (tests/gui/change_window_screenshot.cpp), written to docs/change-window.png.
#
#   scripts/screenshot_change.sh        # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$root/docs"
exec "$root/scripts/screenshot_scene.sh" 'ChangeWindowScreenshot.*' '変更点 - 価格表' \
  "$root/docs/change-window.png"
