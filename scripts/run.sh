#!/usr/bin/env bash
# Starts the host with the RPS module. Without a display it renders the screen offscreen, writes a
# screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
config=${KPV_CONFIG:-config/kpv.ini}
mkdir -p out

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  export QT_QPA_PLATFORM=offscreen
  "$bin/kpv-host" --config "$config" --open --screenshot out/emissao-rps.png
else
  exec "$bin/kpv-host" --config "$config" --open
fi
