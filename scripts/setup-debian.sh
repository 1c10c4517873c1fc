#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (run as root).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev libgif-dev libsqlite3-dev fonts-wine fonts-liberation fonts-urw-base35
          fonts-dejavu-core xvfb xauth poppler-utils libreoffice-writer-nogui cups cups-client acl locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
