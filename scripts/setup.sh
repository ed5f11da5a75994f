#!/usr/bin/env bash
# Installs the Debian packages that are missing and builds the project (Release, -j2)
# into build/. Sourced by ./run and ./test; PAGEWARDEN_CMAKE_ARGS adds CMake options.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

build_project() {
  # shellcheck disable=SC2086
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release ${PAGEWARDEN_CMAKE_ARGS:-}
  cmake --build "$root/build" -j2
}

install_missing_packages "$root/scripts/packages.txt"
build_project
