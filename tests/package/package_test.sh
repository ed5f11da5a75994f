#!/usr/bin/env bash
# The Debian package as a user gets it: built once, unpacked into a scratch root with
# dpkg -x, its programs started from there (the desktop program under its own virtual X
# server), its desktop entry and metainfo validated.
#   package_test.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
source_folder=$1
build_folder=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

package=$(PAGEWARDEN_BUILD=$build_folder "$source_folder/scripts/package.sh" 2>"$work/package.log" | tail -n 1) ||
  { cat "$work/package.log"; exit 1; }
dpkg -x "$package" "$work/root"
usr=$work/root/usr

fail() { echo "FAIL: $*"; exit 1; }

# The binaries are hardened and the description is one paragraph, as lintian sees them
# (package.sh prints its tags).
if grep -E '^[EWIP]: .*(hardening|description)' "$work/package.log"; then
  fail "lintian tags the hardening or the description"
fi
dpkg-deb -f "$package" Description | tail -n +2 | grep -v '^ [^ ]' &&
  fail "the long description is not one paragraph of lines with one leading blank"

depends=$(dpkg-deb -f "$package" Depends)
[[ "$depends" == *libnotify4* ]] || fail "the package does not depend on libnotify4: $depends"
[[ "$depends" == *libcurl4* ]] || fail "the linked libraries are missing from Depends: $depends"

version=$("$usr/bin/pagewarden-cli" --version)
[ "$version" = "Pagewarden 1.35" ] || fail "pagewarden-cli --version said: $version"
for file in bin/pagewarden share/pagewarden/notify.wav share/icons/hicolor/48x48/apps/pagewarden.png \
  share/icons/hicolor/scalable/apps/pagewarden.svg share/man/man1/pagewarden.1.gz \
  share/man/man1/pagewarden-cli.1.gz share/doc/pagewarden/copyright; do
  [ -s "$usr/$file" ] || fail "the package lacks $file"
done
unit=$usr/lib/systemd/user/pagewarden-cli.service
grep -qx "ExecStart=/usr/bin/pagewarden-cli run" "$unit" ||
  fail "the user unit does not start the installed pagewarden-cli"
grep -q "^After=network-online.target" "$unit" && fail "the user unit waits for a system target"
grep -qx "RestartPreventExitStatus=1" "$unit" ||
  fail "the user unit restarts while the desktop program holds the data folder"
for program in pagewarden pagewarden-cli; do
  env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/$program" --help >/dev/null || fail "$program --help"
  [ "$(env -u DISPLAY "$usr/bin/$program" --version)" = "Pagewarden 1.35" ] || fail "$program --version"
done
grep -q "^Categories=.*WebBrowser" "$usr/share/applications/pagewarden.desktop" &&
  fail "the desktop entry claims to be a web browser"
metainfo=$usr/share/metainfo/org.pagewarden.Pagewarden.metainfo.xml
shots=$(sed -n 's|.*<image[^>]*>\([^<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$shots" ] || fail "the metainfo names no screenshot"
for shot in $shots; do
  [ -s "$source_folder/docs/${shot##*/}" ] || fail "the screenshot $shot is not in docs/"
done
desktop-file-validate "$usr/share/applications/pagewarden.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/org.pagewarden.Pagewarden.metainfo.xml" >/dev/null

# The installed desktop program opens its window and ends on SIGTERM; "State" tells.
mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime" "$work/home"  # a wider folder brings up a notice first
state=$work/config/Velmar/Pageward/State
cat >"$work/desktop.sh" <<INSIDE
XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime "$usr/bin/pagewarden" --home "$work/home" &
pid=\$!
for _ in \$(seq 1 200); do
  [ "\$(cat "$state" 2>/dev/null)" = opened ] && break
  sleep 0.05
done
kill -TERM \$pid
wait \$pid
INSIDE
xvfb-run -a bash "$work/desktop.sh" || fail "the installed desktop program did not end cleanly"
[ "$(cat "$state")" = closed ] || fail "the installed desktop program left State: $(cat "$state" 2>/dev/null)"
echo "package ok: $package"
