#!/usr/bin/env bash
# The README's picture of the link update dialog: the window tests' scene of a few links
# in each state (tests/gui/link_update_dlg_test.cpp) on a virtual X server with a window manager,
# written to docs/link-update-dialog.png. Needs the packages of
# scripts/screenshot-packages.txt (scripts/screenshot.sh installs them).
#
#   scripts/screenshot_links.sh        # build/tests/gui/gui_tests, built when missing
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
    --gtest_filter=LinkUpdateDlgTest.Screenshot >"$work/tests.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do
    grep -q "SCREENSHOT READY" "$work/tests.log" 2>/dev/null && break
    sleep 0.1
  done
  # The window by its title, with the frame the window manager drew around it.
  id=$(xwininfo -root -tree | grep -F 'リンク更新' | awk '{print $1}' | head -n 1)
  capture_window "$root/docs/link-update-dialog.png" -id "$id"
  touch "$work/done"
  wait "$pid" || true
  exit 0
fi

tests=$root/build/tests/gui/gui_tests
if [ ! -x "$tests" ]; then
  cmake -S "$root" -B "$root/build" -DPAGEWARDEN_BENCH=OFF
  cmake --build "$root/build" -j2 --target gui_tests
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1024x700x24" "$0" --inside "$work" "$tests"
echo "Written: docs/link-update-dialog.png"
