#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing.
# Usage: scripts/packages.sh PACKAGE...
set -euo pipefail
need=()
for pkg in "$@"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if ((${#need[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${need[@]}"
fi
