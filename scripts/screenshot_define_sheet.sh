#!/usr/bin/env bash
# The README's pictures of the site definition sheet: the window tests' scene of one watch
# item (tests/gui/define_sheet_screenshot.cpp) on a virtual X server with a window manager,
# one picture a page, written to docs/define-sheet-*.png. Installs what it needs from
# scripts/screenshot-packages.txt.
#
#   scripts/screenshot_define_sheet.sh      # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

if [ "${1:-}" = "--inside" ]; then
  work=$2
  start_screenshot_scene "$work" "$3" 'DefineSheetScreenshot.*'
  for page in 0:page-data 1:timing 2:update-options 4:form-data; do
    number=${page%%:*}
    wait_for_scene "$work" "SCREENSHOT READY $number"
    # The sheet by its title, with the frame the window manager drew around it.
    id=$(xwininfo -root -tree | grep -F 'サイトの定義' | awk '{print $1}' | head -n 1)
    capture_window "$root/docs/define-sheet-${page#*:}.png" -id "$id"
    touch "$work/done$number"
  done
  wait "$scene_pid" || true
  exit 0
fi

install_missing_packages "$root/scripts/packages.txt" "$root/scripts/screenshot-packages.txt"
tests=$(gui_tests_program "$root")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1024x700x24" "$0" --inside "$work" "$tests"
echo "Written: docs/define-sheet-{page-data,timing,update-options,form-data}.png"
