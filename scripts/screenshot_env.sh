#!/usr/bin/env bash
# The README's picture of the environment settings dialog: the window tests' scene of the
# dialog with a mail server and a proxy set (tests/gui/env_dlg_test.cpp), written to
# docs/environment-dialog.png.
#
#   scripts/screenshot_env.sh        # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$root/docs"
exec "$root/scripts/screenshot_scene.sh" 'EnvDlg.Screenshot' '環境設定' \
  "$root/docs/environment-dialog.png"
