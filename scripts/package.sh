#!/usr/bin/env bash
# Builds the Debian package of the programs into build/ (pagewarden_<version>_<arch>.deb)
# and checks it with lintian. The build's install prefix does not matter: the package
# installs below /usr. Prints the package's path as its last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PAGEWARDEN_BUILD:-$root/build}
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"
install_missing_packages "$root/scripts/packages.txt"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2 --target pagewarden pagewarden-cli pw_shipped_files >&2
rm -f "$build"/pagewarden_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/pagewarden_*.deb)
# Errors fail the build; every other tag, down to the pedantic ones, is shown.
lintian -I --pedantic --fail-on error --suppress-tags embedded-library "$package" >&2
echo "$package"
