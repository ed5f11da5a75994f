#!/usr/bin/env bash
# A picture of one window from a scene of the window tests: runs the test FILTER of
# build/tests/gui/gui_tests on a virtual X server with a window manager, waits until the
# test prints "SCREENSHOT READY", captures the window whose title holds TITLE (with its
# frame) into OUTPUT (a PNG under docs/), then lets the test end. The test is skipped
# unless PAGEWARDEN_SCREENSHOT_DONE names the file this script creates once it has the
# picture. Needs the packages of scripts/screenshot-packages.txt (scripts/screenshot.sh
# installs them).
#
#   scripts/screenshot_scene.sh FILTER TITLE OUTPUT
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

if [ "${1:-}" = "--inside" ]; then
  work=$2
  tests=$3
  filter=$4
  title=$5
  output=$6
  openbox >/dev/null 2>&1 &
  sleep 1
  PAGEWARDEN_SCREENSHOT_DONE=$work/done "$tests" \
    --gtest_filter="$filter" >"$work/tests.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do
    grep -q "SCREENSHOT READY" "$work/tests.log" 2>/dev/null && break
    sleep 0.1
  done
  # The window by its title, with the frame the window manager drew around it.
  id=$(xwininfo -root -tree | grep -F "$title" | awk '{print $1}' | head -n 1)
  capture_window "$output" -id "$id"
  touch "$work/done"
  wait "$pid" || true
  exit 0
fi

if [ $# -ne 3 ]; then
  echo "usage: $0 FILTER TITLE OUTPUT" >&2
  exit 2
fi
tests=$root/build/tests/gui/gui_tests
if [ ! -x "$tests" ]; then
  cmake -S "$root" -B "$root/build" -DPAGEWARDEN_BENCH=OFF
  cmake --build "$root/build" -j2 --target gui_tests
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"
output=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1024x700x24" "$0" --inside "$work" "$tests" "$1" "$2" "$output"
echo "Written: $3"
