#!/usr/bin/env bash
# The desktop program's own arguments as a user types them: --help and --version answer
# with or without a display and start nothing; a mistyped option is named, with the close
# known one, and ends with status 2.
#   arguments_test.sh PAGEWARDEN
set -uo pipefail
program=$1
fail() { echo "FAIL: $*"; exit 1; }

help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help) || fail "--help without a display: status $?"
for option in --home --resident --version --help; do
  grep -q -- "$option" <<<"$help" || fail "--help does not list $option: $help"
done
# A display that cannot be opened is never touched.
version=$(DISPLAY=:4711 "$program" --home /nonexistent --version) || fail "--version: status $?"
[ "$version" = "Pagewarden 1.35" ] || fail "--version said: $version"
[ "$(env -u DISPLAY "$program" -h | head -n 1)" = "$(head -n 1 <<<"$help")" ] || fail "-h differs from --help"

errors=$(xvfb-run -a "$program" --hmoe /tmp 2>&1 >/dev/null)
status=$?
[ "$status" = 2 ] || fail "a mistyped option ended with status $status: $errors"
[ "$(wc -l <<<"$errors")" = 2 ] || fail "a mistake takes more than two lines: $errors"
grep -q -- "--hmoe (もしかして: --home)" <<<"$errors" || fail "the mistake is not named: $errors"
echo "arguments ok"
