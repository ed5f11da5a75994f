#!/usr/bin/env bash
# Installs the Debian packages that are missing and builds the project (Release, -j2)
# into build/. Sourced by ./run and ./test; PAGEWARDEN_CMAKE_ARGS adds CMake options.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

install_missing_packages() {
  local wanted=() missing=() package
  mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$root/scripts/packages.txt")
  for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 \
    install -y -q --no-install-recommends "${missing[@]}"
}

build_project() {
  # shellcheck disable=SC2086
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release ${PAGEWARDEN_CMAKE_ARGS:-}
  cmake --build "$root/build" -j2
}

install_missing_packages
build_project
