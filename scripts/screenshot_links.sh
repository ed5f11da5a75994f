#!/usr/bin/env bash
# The README's picture of the link update dialog: the window tests' scene of a few links
# in each state (tests/gui/link_update_dlg_test.cpp), written to docs/link-update-dialog.png.
#
#   scripts/screenshot_links.sh        # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$root/docs"
exec "$root/scripts/screenshot_scene.sh" 'LinkUpdateDlgTest.Screenshot' 'フォルダ更新' \
  "$root/docs/link-update-dialog.png"
