#!/usr/bin/env bash
# Starts the RPS module as a user meets it: the demo database (created on first run), the application
# server on 127.0.0.1 and the host with the emission screen open. Closing the host stops the server.
# Without a display the host renders the screen offscreen, writes a screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
config=${KPV_CONFIG:-config/kpv.ini}
mkdir -p out

database=$(sed -n 's/^path=//p' "$config" | head -n 1)
if [[ -n "$database" && ! -s "$database" ]]; then
  echo "run: creating the demo database $database"
  "$bin/kpv-demodata" --config "$config" --invoices 3000 --seed 1 >/dev/null
fi

"$bin/kpv-appserver" --config "$config" 2>out/kpv-appserver.log &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
sleep 0.5
if ! kill -0 "$server" 2>/dev/null; then
  echo "run: kpv-appserver did not start; see out/kpv-appserver.log" >&2
  exit 1
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  QT_QPA_PLATFORM=offscreen "$bin/kpv-host" --config "$config" --open --screenshot out/emissao-rps.png
else
  "$bin/kpv-host" --config "$config" --open
fi
