#!/usr/bin/env bash
# The first-run step of `make run`: gives the database of a configuration its demo data, once. The
# database itself is asked whether it holds data (kpv-demodata --check), so a Firebird alias or a path on
# a server's disk is judged as the engine sees it, on every engine; a database with data is left alone.
#
#   demo-database.sh BIN CONFIG     BIN: the folder holding kpv-demodata
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BIN CONFIG" >&2; exit 2; }
bin=$1
config=$2

status=0
answer=$("$bin/kpv-demodata" --config "$config" --check 2>&1) || status=$?
case $status in
  0) echo "run: ${answer%.}; fica como está" ;;
  3)
    echo "run: ${answer%.}; criando os dados de demonstração"
    # Without --replace: should data have arrived since the check, kpv-demodata refuses and says so.
    "$bin/kpv-demodata" --config "$config" --invoices 3000 --seed 1 >/dev/null
    ;;
  *)
    echo "run: não foi possível perguntar ao banco de dados o que ele contém:" >&2
    echo "$answer" >&2
    exit 1
    ;;
esac
