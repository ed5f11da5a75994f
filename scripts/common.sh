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
