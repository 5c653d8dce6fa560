#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Idempotent: when every package is already there it returns without touching apt.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev nlohmann-json3-dev libcli11-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
