#!/usr/bin/env bash
# Renews the pictures in docs/ from the demo cycle of `make run` (offscreen, real demo data): the emission
# screen with an invoice ticked, the filter dialog, and the first page of the RPS it printed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p out
KPV_OFFSCREEN=1 scripts/run.sh "$build" | tee out/docs-pictures.log
pdf=$(sed -n 's/^run: printed RPS *//p' out/docs-pictures.log)
if [[ ! -s "$pdf" ]]; then
  echo "docs: the cycle printed no PDF (is a printer installed?)" >&2
  exit 1
fi
cp out/emissao-rps.png docs/emissao-rps.png
cp out/filtro-emissao-rps.png docs/filtro-emissao-rps.png
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$pdf" docs/rps-impresso
echo "docs: docs/emissao-rps.png docs/filtro-emissao-rps.png docs/rps-impresso.png"
