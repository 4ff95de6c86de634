#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmark need.
# Only what is missing is installed, through sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # the tray follows X tray managers through xcb; Wayland sessions need Qt's platform
  libxcb1-dev qt6-wayland
  libgtest-dev
  # test-only oracle and benchmark peers; the program never links them
  nettle-dev libgcrypt20-dev libbotan-2-dev libcrypto++-dev
  # a test watches the wipe's system calls
  strace
  # desktop tests: a virtual display, a tray host and tools to drive it
  xvfb xauth xdotool xclip trayer openbox imagemagick x11-utils
  # a desktop test pings the window as a window manager does
  python3-xlib
  # status-notifier tray tests: a private session bus and a stand-in panel
  dbus-daemon python3-dbus python3-gi
  # Wayland tests: a headless compositor
  weston
  # fonts for the offscreen and virtual-display runs
  fonts-dejavu-core
  # the package: icons rendered from the SVG, then the checks of what it
  # installs (lintian, desktop entry, AppStream data, manual pages, file type,
  # completions in each shell)
  librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream man-db shared-mime-info zsh fish
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
