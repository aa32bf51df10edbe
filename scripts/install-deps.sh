#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need, and only those missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config libsqlite3-dev clang-format clang-22 libclang-rt-22-dev clang-tidy-22
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqt6sql6-sqlite libqt6sql6-ibase
  firebird3.0-server firebird3.0-server-core firebird3.0-utils libfbclient2
  poppler-utils fonts-dejavu-core python3-sqlglot libsimdjson-dev sqlite3
  firebird-dev libboost-dev libssl-dev libcurl4-openssl-dev openssl curl faketime
  libxml2-dev libxmlsec1-dev libxml2-utils xmlsec1 libsodium-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    SUDO=sudo
  else
    echo "install-deps: these Debian packages are missing and I am not root: ${missing[*]}" >&2
    echo "install-deps: run 'sudo apt-get install ${missing[*]}' and try again." >&2
    exit 1
  fi
else
  SUDO=
fi

export DEBIAN_FRONTEND=noninteractive
# The Firebird server package tries to start its service on install; tests start their own server.
$SUDO apt-get update -qq || true
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "install-deps: apt-get could not install: ${missing[*]}" >&2
  exit 1
fi
