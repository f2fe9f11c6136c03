# Sourced by test.sh, run.sh and bench.sh: installs the Debian packages the project needs when missing.
velmora_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libxcb1-dev libjpeg62-turbo-dev libfontconfig-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  xvfb xauth imagemagick xdotool fonts-dejavu-core
  desktop-file-utils appstream
  chromium chromium-driver python3-selenium
)

velmora_ensure_packages() {
  local missing=()
  local p
  for p in "${velmora_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
