#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, then the npm
# packages of package-lock.json (the Ruffle runtime and playwright-core)
# into node_modules (idempotent).
set -euo pipefail
packages=(
  cmake ninja-build g++ clang clang-tidy libclang-rt-14-dev pkg-config
  libgtest-dev libexpat1-dev libutf8proc-dev libicu-dev libcli11-dev libbenchmark-dev libmpg123-dev
  nlohmann-json3-dev help2man man-db
  ffmpeg flvmeta mpg123
  qt6-base-dev qt6-multimedia-dev qt6-webengine-dev qt6-httpserver-dev qt6-websockets-dev
  libqt6svg6 gstreamer1.0-plugins-base gstreamer1.0-plugins-good xvfb xauth
  nodejs chromium sox lame
)
# Debian's nodejs comes without npm; a node from elsewhere may bring its own.
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm ci again only when the lock file changed since the last install.
cd "$(dirname "$0")/.."
stamp=node_modules/.brelvano-lock.sha256
if ! sha256sum --status -c "$stamp" 2>/dev/null; then
  echo "Installing npm packages from package-lock.json"
  npm ci --no-audit --no-fund --loglevel=error
  sha256sum package-lock.json > "$stamp"
fi
