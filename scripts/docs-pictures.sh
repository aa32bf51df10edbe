#!/usr/bin/env bash
# Renews the pictures in docs/ from the demo cycle of `make run` (offscreen, real programs): the emission
# screen with an invoice ticked, the filter dialog, and the first page of the RPS it printed. The cycle runs
# over demo data of its own, made afresh with a fixed seed and date, with the programs' clock stopped at
# that date (faketime), so the same sources give the same pictures and the tree stays clean; the user's
# database is not touched.
#
#   docs-pictures.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
day=2026-12-08
work=out/docs
mkdir -p "$work"
rm -rf "$work/rps" "$work/kpv.db" "$work/kpv.db-wal" "$work/kpv.db-shm"
"$bin/kpv-demodata" --engine sqlite --database "$work/kpv.db" --invoices 3000 --seed 1 --until "$day" >/dev/null
cat >"$work/kpv.ini" <<INI
; Written by scripts/docs-pictures.sh for the pictures of docs/.
[context]
branch=0001
billingBranch=0001
activeModule=15
processingDate=$day
[server]
host=127.0.0.1
port=8419
[reports]
folder=../../reports
output=rps
[database]
engine=sqlite
path=kpv.db
INI
# The wall clock stops at the day's morning (the RPS prints its issue time); the programs' timers keep
# the real monotonic clock.
FAKETIME_DONT_FAKE_MONOTONIC=1 KPV_CONFIG="$work/kpv.ini" KPV_OFFSCREEN=1 \
  faketime "$day 09:30:00" scripts/run.sh "$build" | tee "$work/docs-pictures.log"
pdf=$(sed -n 's/^run: RPS impresso *//p' "$work/docs-pictures.log")
if [[ ! -s "$pdf" ]]; then
  echo "docs: o ciclo não gravou um PDF (há uma impressora instalada?)" >&2
  exit 1
fi
cp out/emissao-rps.png docs/emissao-rps.png
cp out/filtro-emissao-rps.png docs/filtro-emissao-rps.png
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$pdf" docs/rps-impresso
echo "docs: docs/emissao-rps.png docs/filtro-emissao-rps.png docs/rps-impresso.png"
