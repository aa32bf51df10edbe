#!/usr/bin/env bash
# Starts the RPS module as a user meets it: the demo database (filled on first run, and never again once
# it holds data: scripts/demo-database.sh), test certificates for the branches' DPS where out/ has none
# (scripts/test-certificates.sh), the application server on the address of the configuration
# and the host with the emission screen open. Closing the host stops the server.
# Without a display the host plays the demo cycle offscreen (scripts/demo-cycle.script): a company, the
# filter confirmed, an invoice ticked, its RPS printed to PDF and cancelled again, so that every run finds
# the demo as the first one did; it says where the pictures and the PDF are.
#
#   run.sh [BUILD]      BUILD: the build folder (default build); KPV_CONFIG names another kpv.ini
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help)
    sed -n '2,11s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
  -*)
    echo "run: opção desconhecida: $1 (use: scripts/run.sh [PASTA_DO_BUILD])" >&2
    exit 2
    ;;
esac
build=${1:-build}
bin="$build/bin"
config=${KPV_CONFIG:-config/kpv.ini}
[[ -x "$bin/kpv-appserver" ]] || { echo "run: $bin/kpv-appserver não existe; rode make run" >&2; exit 1; }
[[ -f "$config" ]] || { echo "run: arquivo de configuração não encontrado: $config" >&2; exit 1; }
mkdir -p out/logs

# The port the configuration gives the server ([server] port, 8410 by default): a server already there
# is another run's, or another program's, and this run says so instead of failing half-way.
port=$(sed -n '/^\[server\]/,/^\[/{s/^[[:space:]]*port[[:space:]]*=[[:space:]]*\([0-9]*\).*/\1/p}' "$config" | head -n 1)
port=${port:-8410}
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "run: já há um make run usando a porta $port (ou outro programa a ocupa); feche-o, ou use" >&2
  echo "run: KPV_CONFIG=outro.ini com outra porta em [server] port." >&2
  exit 1
fi

scripts/demo-database.sh "$bin" "$config"
scripts/test-certificates.sh "$bin" "$config"

# Each run has a log of its own: two runs never read each other's lines.
log="out/logs/kpv-appserver-$(date +%Y%m%d-%H%M%S)-$$.log"
"$bin/kpv-appserver" --config "$config" >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 300); do
  grep -aq "listening on" "$log" 2>/dev/null && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if ! grep -aq "listening on" "$log"; then
  # The server says why on its last lines (an address in use, a database it cannot open).
  echo "run: o kpv-appserver não iniciou ($log):" >&2
  grep -a "^kpv-appserver: " "$log" >&2 || tail -n 5 "$log" >&2
  exit 1
fi
echo "run: kpv-appserver na porta $port (registro em $log)"

# KPV_OFFSCREEN=1 plays the demo cycle even with a display (make docs).
if [[ -z "${KPV_OFFSCREEN:-}" && ( -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ) ]]; then
  exec "$bin/kpv-host" --config "$config" --open
fi

session=out/demo-cycle.log
status=0
QT_QPA_PLATFORM=offscreen "$bin/kpv-host" --config "$config" --open --script scripts/demo-cycle.script \
  >"$session" 2>&1 || status=$?
if [[ $status -ne 0 ]] || ! grep -aq '^session: passed$' "$session"; then
  echo "run: o ciclo de demonstração falhou; a sessão ($session):" >&2
  grep -av '^session: passed$' "$session" >&2
  exit $((status == 0 ? 1 : status))
fi
pdf=$(sed -n "s/.*o relatório foi gravado em '\(.*\.pdf\)'.*/\1/p" "$session" | tail -n 1)
echo "run: ciclo de demonstração concluído (sessão em $session); o RPS emitido foi cancelado de novo"
echo "run: tela de emissão   out/emissao-rps.png"
echo "run: filtro            out/filtro-emissao-rps.png"
echo "run: RPS impresso      ${pdf:-(na impressora instalada)}"
