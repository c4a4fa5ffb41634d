#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; given package names, only
# those (workflows/snakemake/setup.sh asks for its own). Idempotent and quiet when everything is
# already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qtbase5-dev qtscript5-dev libqt5xml5 libqt5network5
  libsqlite3-dev sqlite3 libhts-dev tabix
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 bcftools xvfb xclip chromium
  snakemake
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
