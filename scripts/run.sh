#!/usr/bin/env bash
# Starts the RPS module as a user meets it: the demo database (filled on first run, and never again once
# it holds data: scripts/demo-database.sh), the application server on 127.0.0.1 and the host with the
# emission screen open. Closing the host stops the server.
# Without a display the host plays the demo cycle offscreen (scripts/demo-cycle.script): a company, the
# filter confirmed, an invoice ticked and its RPS printed to PDF; it says where the pictures and the PDF are.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
config=${KPV_CONFIG:-config/kpv.ini}
mkdir -p out
[[ -f "$config" ]] || { echo "run: configuration file not found: $config" >&2; exit 1; }

scripts/demo-database.sh "$bin" "$config"

"$bin/kpv-appserver" --config "$config" >out/kpv-appserver.log 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 300); do
  grep -q "listening on" out/kpv-appserver.log 2>/dev/null && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "listening on" out/kpv-appserver.log; then
  # The server says why on its last lines (an address in use, a database it cannot open).
  echo "run: kpv-appserver did not start (out/kpv-appserver.log):" >&2
  grep "^kpv-appserver: " out/kpv-appserver.log >&2 || tail -n 5 out/kpv-appserver.log >&2
  exit 1
fi

# KPV_OFFSCREEN=1 plays the demo cycle even with a display (make docs).
if [[ -z "${KPV_OFFSCREEN:-}" && ( -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ) ]]; then
  exec "$bin/kpv-host" --config "$config" --open
fi

log=out/demo-cycle.log
status=0
QT_QPA_PLATFORM=offscreen "$bin/kpv-host" --config "$config" --open --script scripts/demo-cycle.script \
  >"$log" 2>&1 || status=$?
# The cycle shows no error box; one means it did not do what it says (a report that cannot print).
if [[ $status -eq 0 ]] && grep -q '^message \[erro\]' "$log"; then
  status=1
fi
if [[ $status -ne 0 ]]; then
  echo "run: the demo cycle failed; the session follows ($log)" >&2
  cat "$log" >&2
  exit "$status"
fi
pdf=$(sed -n "s/.*o relatório foi gravado em '\(.*\.pdf\)'.*/\1/p" "$log" | tail -n 1)
echo "run: demo cycle passed (session in $log)"
echo "run: emission screen  out/emissao-rps.png"
echo "run: filter dialog    out/filtro-emissao-rps.png"
echo "run: printed RPS      ${pdf:-(printed on the installed printer)}"
