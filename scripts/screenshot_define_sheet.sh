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
  tests=$3
  openbox >/dev/null 2>&1 &
  sleep 1
  PAGEWARDEN_SCREENSHOT_DONE=$work/done "$tests" \
    --gtest_filter=DefineSheetScreenshot.* >"$work/tests.log" 2>&1 &
  pid=$!
  for page in 0:page-data 1:timing 2:update-options 4:form-data; do
    number=${page%%:*}
    for _ in $(seq 1 300); do
      grep -q "SCREENSHOT READY $number" "$work/tests.log" 2>/dev/null && break
      sleep 0.1
    done
    # The sheet by its title, with the frame the window manager drew around it.
    id=$(xwininfo -root -tree | grep -F 'サイトの定義' | awk '{print $1}' | head -n 1)
    capture_window "$root/docs/define-sheet-${page#*:}.png" -id "$id"
    touch "$work/done$number"
  done
  wait "$pid" || true
  exit 0
fi

install_missing_packages "$root/scripts/packages.txt" "$root/scripts/screenshot-packages.txt"
tests=$root/build/tests/gui/gui_tests
if [ ! -x "$tests" ]; then
  cmake -S "$root" -B "$root/build" -DPAGEWARDEN_BENCH=OFF
  cmake --build "$root/build" -j2 --target gui_tests
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1024x700x24 ${PAGEWARDEN_SCREENSHOT_DPI:+-dpi $PAGEWARDEN_SCREENSHOT_DPI}" \
  "$0" --inside "$work" "$tests"
echo "Written: docs/define-sheet-{page-data,timing,update-options,form-data}.png"
