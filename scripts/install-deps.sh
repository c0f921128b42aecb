#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Orbeko needs,
# asking apt only when something is missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev poppler-utils
          libical-dev libsodium-dev desktop-file-utils dpkg-dev libpq-dev postgresql dbus-daemon)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
