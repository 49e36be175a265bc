# Shared by run.sh and test.sh: the Debian packages Ombrix needs, and the build.
# shellcheck shell=bash

OMBRIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

OMBRIX_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools gstreamer1.0-plugins-base-apps
  gstreamer1.0-plugins-ugly gstreamer1.0-plugins-bad
  libturbojpeg0-dev libicu-dev libcurl4-openssl-dev libsecret-1-dev
  fonts-urw-base35 fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  pure-ftpd openssl curl gnome-keyring dbus dbus-bin
  desktop-file-utils appstream xvfb x11-utils xdotool libsecret-tools libglib2.0-bin gcr
  dpkg-dev lintian python3 systemd openssh-server rclone
)

# Installs what is missing when run as root; otherwise prints the apt-get line and stops.
ombrix_ensure_packages() {
  local missing=() pkg
  for pkg in "${OMBRIX_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Ombrix needs these Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The S3 service the tests start (s3rver), from the npm registry, into .tools/ once.
ombrix_ensure_s3rver() {
  [ -x "$OMBRIX_ROOT/.tools/node_modules/.bin/s3rver" ] && return 0
  if ! command -v npm > /dev/null; then
    [ "$(id -u)" -eq 0 ] || { echo "The tests need npm: sudo apt-get install -y npm" >&2; exit 1; }
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm
  fi
  npm install --prefix "$OMBRIX_ROOT/.tools" --no-save --no-package-lock --no-audit --no-fund --loglevel=error s3rver@3.7.1
}

# ombrix_build DIR [cmake options...] [-- build targets...]
ombrix_build() {
  local dir=$1 options=() targets=()
  shift
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift && targets=(--target "$@")
  cmake -S "$OMBRIX_ROOT" -B "$dir" -G Ninja "${options[@]}"
  cmake --build "$dir" "${targets[@]}"
}
