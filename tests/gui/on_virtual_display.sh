#!/usr/bin/env bash
# Runs a command on a virtual X server of its own. Xvfb picks a free display number itself
# and reports it on a pipe, so window tests run side by side under `ctest -j` without
# racing for one number as `xvfb-run -a` does. The screen is xvfb-run's default.
set -euo pipefail
work=$(mktemp -d)
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
if ! read -r -t 30 number <"$work/display"; then
  echo "on_virtual_display: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"
unset WAYLAND_DISPLAY
status=0
"$@" || status=$?
exit "$status"
