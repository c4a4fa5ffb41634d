#!/usr/bin/env bash
# Installs what the sharded run needs beyond the suite itself: snakemake, and bcftools and
# tabix (bgzip, tabix) to index and cut the VCF. Only this workflow needs them. Idempotent.
set -euo pipefail

packages=(snakemake bcftools tabix)
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
