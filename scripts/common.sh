# Shell functions the project's scripts share. Source it; it defines functions only.

# Installs the Debian packages named in the given list files (one a line, # comments)
# that are not installed yet: apt-get update first, as root or through sudo.
install_missing_packages() {
  local wanted=() missing=() package
  mapfile -t wanted < <(grep -h -v -E '^\s*(#|$)' "$@")
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

# Writes a PNG of one window of the X display, with the frame the window manager drew
# around it. $1: the PNG file; the rest: xwininfo's options that name the window
# (-id ID, or -name TITLE).
capture_window() {
  local output=$1 info x y width height frame_x frame_y geometry
  shift
  info=$(xwininfo -frame "$@")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  width=$(sed -n 's/.*Width: *//p' <<<"$info")
  height=$(sed -n 's/.*Height: *//p' <<<"$info")
  frame_x=$(sed -n 's/.*Relative upper-left X: *//p' <<<"$info")
  frame_y=$(sed -n 's/.*Relative upper-left Y: *//p' <<<"$info")
  geometry="$((width + 2 * frame_x))x$((height + frame_y + frame_x))+$((x - frame_x))+$((y - frame_y))"
  xwd -silent -root | convert xwd:- -crop "$geometry" +repage "$output"
}

# The window tests' program under the folder $1, built when missing; prints its path.
gui_tests_program() {
  local root=$1 tests=$1/build/tests/gui/gui_tests
  if [ ! -x "$tests" ]; then
    cmake -S "$root" -B "$root/build" -DPAGEWARDEN_BENCH=OFF >&2
    cmake --build "$root/build" -j2 --target gui_tests >&2
  fi
  echo "$tests"
}

# On the virtual display: a window manager, then the window tests' scenes that match the
# filter $3 of the program $2 in the background, told the file prefix $1/done and writing
# $1/tests.log. Sets scene_pid.
start_screenshot_scene() {
  local work=$1 tests=$2 filter=$3
  openbox >/dev/null 2>&1 &
  sleep 1
  PAGEWARDEN_SCREENSHOT_DONE=$work/done "$tests" --gtest_filter="$filter" >"$work/tests.log" 2>&1 &
  scene_pid=$!
}

# Waits up to 30 seconds for the scene started in the folder $1 to print the text $2.
wait_for_scene() {
  local work=$1 text=$2
  for _ in $(seq 1 300); do
    grep -q "$text" "$work/tests.log" 2>/dev/null && return 0
    sleep 0.1
  done
}
