#!/usr/bin/env bash
# The README's pictures of the site definition sheet: the window tests' scene of one watch
# item (tests/gui/define_sheet_screenshot.cpp), one picture a page, written to
# docs/define-sheet-*.png. Installs what it needs from scripts/screenshot-packages.txt.
#
#   scripts/screenshot_define_sheet.sh      # build/tests/gui/gui_tests, built when missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

install_missing_packages "$root/scripts/packages.txt" "$root/scripts/screenshot-packages.txt"
for page in 0:page-data 1:timing 2:update-options 3:check-options 4:form-data; do
  PAGEWARDEN_SHEET_PAGE=${page%%:*} "$root/scripts/screenshot_scene.sh" \
    'DefineSheetScreenshot.*' 'サイトの定義' "$root/docs/define-sheet-${page#*:}.png"
done
