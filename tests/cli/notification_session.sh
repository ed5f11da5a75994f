#!/bin/sh
# Runs a command in a desktop session of its own, for the notification tests: under the X
# server that xvfb-run gives, on a private session bus (dbus-run-session), with dunst as the
# notification server. Every Notify call on the bus is recorded by dbus-monitor into RECORD.
# Usage: xvfb-run -a dbus-run-session -- notification_session.sh RECORD COMMAND [ARGUMENT...]
set -u
record=$1
shift
dbus-monitor --session \
  "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
  > "$record" 2> /dev/null &
monitor=$!
dunst -config /dev/null > /dev/null 2>&1 &
server=$!
if ! gdbus wait --session --timeout 10 org.freedesktop.Notifications; then
  echo "notification_session.sh: the notification server did not start" >&2
  kill "$server" "$monitor" 2> /dev/null
  exit 3
fi
"$@"
status=$?
# The monitor prints each call as it passes; give it a moment to write the last one.
sleep 0.5
kill "$server" "$monitor" 2> /dev/null
wait
exit "$status"
