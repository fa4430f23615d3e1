#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config ccache libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
          libsystemd-dev libcups2-dev cups-daemon cups-core-drivers poppler-utils libcairo2-dev
          fonts-dejavu-core iso-codes clang-format clang-tidy xvfb slapd ldap-utils libldap-dev)
if [ "${1:-}" = "--clang" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  # The directory tests start their own slapd: the package must not make a system directory
  # (nor ask for its password).
  echo "slapd slapd/no_configuration boolean true" | $SUDO debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
