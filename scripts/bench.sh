#!/usr/bin/env bash
# Runs the benchmarks of a build (-DKPV_BENCH=ON) and prints what the user waits for beside its goal:
# one bench_list process per list size (1k, 10k, 100k, 300k rows; BENCH_SIZES overrides), the 100-invoice
# print run at 100k, GetNotaFiscal over a Firebird server this script starts, the DPS of the NFS-e
# library, and kpv-nfse exporting 10,000 issued RPS. Every figure is the median of 5 runs or more (the
# export's of 3 runs of 10,000 RPS each), every ratio is taken within the same process. Demo databases are
# kept in <build>/bench-data between runs.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
bin="$build/bin"
data="$build/bench-data"
sizes=${BENCH_SIZES:-"1000 10000 100000 300000"}
print_size=${BENCH_PRINT_SIZE:-100000}
firebird_size=${BENCH_FIREBIRD_SIZE:-100000}
for program in bench_list bench_firebird bench_server bench_nfse bench_nfse_export kpv-appserver kpv-demodata kpv-nfse; do
  if [[ ! -x "$bin/$program" ]]; then
    echo "bench: $bin/$program is missing; build with -DKPV_BENCH=ON first" >&2
    exit 1
  fi
done
command -v sqlite3 >/dev/null || { echo "bench: the sqlite3 shell is missing (scripts/install-deps.sh)" >&2; exit 1; }
mkdir -p "$data"
export QT_QPA_PLATFORM=offscreen KPV_BIN_DIR="$bin"

results=$(mktemp -d)
fbdir="$build/firebird-test-server"
trap 'scripts/firebird-test-server.sh stop "$fbdir" >/dev/null 2>&1 || true; rm -rf "$results"' EXIT

for rows in $sizes; do
  extra=()
  [[ $rows == "$print_size" ]] && extra=(--print)
  echo "bench: list of about $rows rows..." >&2
  "$bin/bench_list" --rows "$rows" --data "$data" "${extra[@]}" >"$results/list-$rows"
done
if [[ -n $firebird_size ]]; then
  echo "bench: Firebird, $firebird_size rows..." >&2
  scripts/firebird-test-server.sh start "$fbdir" >/dev/null
  "$bin/bench_firebird" --rows "$firebird_size" --data "$data" >"$results/firebird"
fi
echo "bench: eight clerks issuing RPS, and a print during a 100k list..." >&2
[[ -f "$fbdir/connection.ini" ]] || scripts/firebird-test-server.sh start "$fbdir" >/dev/null
"$bin/bench_server" --data "$data" >"$results/server"
echo "bench: DPS built, validated and signed..." >&2
"$bin/bench_nfse" >"$results/nfse"
echo "bench: kpv-nfse exporting 10,000 issued RPS..." >&2
"$bin/bench_nfse_export" --data "$data" >"$results/nfse_export"

value() { awk -v k="$2" '$1 == k { print $2 }' "$1"; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "ok" : "MISSED" }'; }

printf '\n%-52s %10s %12s %10s %8s %7s\n' "what the user waits for" "rows" "measured" "raw" "ratio" "goal"
line() {  # label rows measured raw-or-dash ratio-or-value goal unit
  printf '%-52s %10s %12s %10s %8s %7s  %s\n' "$1" "$2" "$3" "$4" "$5" "$6" "$(verdict "$5" "$7")"
}
ratios=()
for rows in $sizes; do
  f="$results/list-$rows"
  n=$(value "$f" rows | cut -d. -f1)
  raw=$(value "$f" raw_select_ms)
  wire=$(value "$f" wire_ms)
  confirm=$(value "$f" confirm_ms)
  wr=$(awk -v a="$wire" -v b="$raw" 'BEGIN { printf "%.2f", a / b }')
  cr=$(awk -v a="$confirm" -v b="$raw" 'BEGIN { printf "%.2f", a / b }')
  ratios+=("$cr")
  line "GetNotaFiscal at the wire ($(value "$f" body_mb) MB), vs sqlite3" "$n" "$wire ms" "$raw ms" "${wr}x" "1.5x" 1.5
  line "confirming the filter until painted, vs sqlite3" "$n" "$confirm ms" "$raw ms" "${cr}x" "2.0x" 2.0
  per_row=$(awk -v a="$confirm" -v n="$n" 'BEGIN { printf "%.2f", 1000 * a / n }')
  printf '%-52s %10s %12s\n' "  confirming, per row" "$n" "$per_row us"
done
for rows in $sizes; do
  f="$results/list-$rows"
  n=$(value "$f" rows | cut -d. -f1)
  rss=$(value "$f" rss_mib)
  goal=$(awk -v n="$n" 'BEGIN { print 60 * (n / 100000 > 1 ? n / 100000 : 1) }')
  line "memory after loading, above the empty screen" "$n" "$rss MiB" "-" "$rss" "$goal" "$goal"
done
for rows in $sizes; do
  f="$results/list-$rows"
  n=$(value "$f" rows | cut -d. -f1)
  line "one tick with Space, repaint included" "$n" "$(value "$f" tick_ms) ms" "-" "$(value "$f" tick_ms)" "0.5" 0.5
  line "tick all by the title click, repaint included" "$n" "$(value "$f" tickall_ms) ms" "-" "$(value "$f" tickall_ms)" "15" 15
  line "untick all by the title click, repaint included" "$n" "$(value "$f" untickall_ms) ms" "-" "$(value "$f" untickall_ms)" "15" 15
  line "repaint of one page (1280x680, 12 columns)" "$n" "$(value "$f" repaint_ms) ms" "-" "$(value "$f" repaint_ms)" "4" 4
done
spread=$(printf '%s\n' "${ratios[@]}" | awk 'NR == 1 { lo = hi = $1 } { if ($1 < lo) lo = $1; if ($1 > hi) hi = $1 } END { printf "%.2f", hi / lo }')
line "cost per row, 1k to 300k: spread of the ratios above" "-" "${ratios[*]}" "-" "${spread}x" "1.3x" 1.3
if [[ -f "$results/list-$print_size" ]] && grep -q print100_ms "$results/list-$print_size"; then
  printf '%-52s %10s %12s\n' "printing 100 invoices, refresh included" "$(value "$results/list-$print_size" rows | cut -d. -f1)" \
    "$(value "$results/list-$print_size" print100_ms) ms"
fi
if [[ -f "$results/firebird" ]]; then
  f="$results/firebird"
  raw=$(value "$f" raw_select_ms)
  wire=$(value "$f" wire_ms)
  fr=$(awk -v a="$wire" -v b="$raw" 'BEGIN { printf "%.2f", a / b }')
  line "Firebird GetNotaFiscal at the wire, vs QIBASE stepping" "$(value "$f" rows | cut -d. -f1)" "$wire ms" "$raw ms" "${fr}x" "1.5x" 1.5
fi
f="$results/server"
# The server's writes as a group per commit: the raw rate is one client's commits straight to the engine on
# the same disk, one commit after the other.
issuing() {  # engine arrangement label rate-goal p99-goal
  local rate p50 p99
  rate=$(value "$f" "issue_$1_$2_per_s")
  [[ -n $rate ]] || return 0
  p50=$(value "$f" "issue_$1_$2_p50_ms")
  p99=$(value "$f" "issue_$1_$2_p99_ms")
  printf '%-52s %10s %12s %10s %8s %7s  %s\n' "PreparaImpressao, $3, $1 (per second)" "-" \
    "$(printf '%.0f/s' "$rate")" "$(printf '%.0f/s' "$(value "$f" "issue_$1_raw_commit_per_s")")" \
    "$(awk -v a="$rate" -v b="$(value "$f" "issue_$1_raw_commit_per_s")" 'BEGIN { printf "%.2fx", a / b }')" \
    ">=$4" "$(awk -v v="$rate" -v g="$4" 'BEGIN { print (v >= g) ? "ok" : "MISSED" }')"
  printf '%-52s %10s %12s\n' "  one call, p50" "-" "$p50 ms"
  line "  one call, p99" "-" "$p99 ms" "-" "$p99" "$5" "$5"
}
issuing sqlite lone "1 client" 0 15
issuing sqlite 8c_1s "8 clients" 4000 15
issuing sqlite 8c_1s_session "8 clients with sessions" 4000 15
issuing firebird lone "1 client" 0 30
issuing firebird 8c_1s "8 clients, 1 server" 1500 30
issuing firebird 8c_1s_session "8 clients with sessions, 1 server" 1500 30
issuing firebird 8c_2s "8 clients, 2 servers" 2000 30
signin=$(value "$f" sign_in_median_ms)
line "signing in (Argon2id, 2 passes over 64 MiB), median" "-" "$signin ms" "-" "$signin" "300" 300
line "  the slowest of 30" "-" "$(value "$f" sign_in_max_ms) ms" "-" "$(value "$f" sign_in_max_ms)" "300" 300
added=$(awk -v a="$(value "$f" call_with_session_ms)" -v b="$(value "$f" call_without_session_ms)" 'BEGIN { printf "%.3f", a - b }')
line "a call with a session, beside one without (median)" "-" "$(value "$f" call_with_session_ms) ms" \
  "$(value "$f" call_without_session_ms) ms" "$added" "0.2" 0.2
for engine in sqlite firebird; do
  d=$(value "$f" "issue_${engine}_duplicates")
  [[ -n $d ]] || continue
  printf '%-52s %10s %12s %10s %8s %7s  %s\n' "  numbers issued, $engine" "-" "dup $(printf '%.0f' "$d")" "-" \
    "gaps $(printf '%.0f' "$(value "$f" "issue_${engine}_gaps")")" "0 0" \
    "$(awk -v a="$d" -v b="$(value "$f" "issue_${engine}_gaps")" 'BEGIN { print (a + b == 0) ? "ok" : "MISSED" }')"
done
p99=$(value "$f" print_during_list_p99_ms)
line "PreparaImpressao p99 while another loads 100k rows" "-" "$p99 ms" "-" "$p99" "100" 100
p99=$(value "$f" dps_during_issue_p99_ms)
line "GeraDPS p99 while 8 clerks issue RPS" "-" "$p99 ms" "-" "$p99" "20" 20
f="$results/nfse"
for alg in sha1 sha256; do
  ms=$(value "$f" "dps_${alg}_ms")
  line "DPS built, validated, signed (rsa-$alg), one core" "-" "$ms ms" "-" "$ms" "2" 2
done
printf '%-52s %10s %12s\n' "  of which building and validating" "-" "$(value "$f" dps_build_validate_ms) ms"
printf '%-52s %10s %12s\n' "DPS per second (rsa-sha1), $(value "$f" dps_cores | cut -d. -f1) cores" "-" \
  "$(printf '%.0f/s' "$(value "$f" dps_per_s_all_cores)")"
f="$results/nfse_export"
s=$(value "$f" nfse_export_s)
line "kpv-nfse export: signed, validated DPS files written" "$(value "$f" nfse_export_rps | cut -d. -f1)" "$s s" "-" "$s" "20" 20
printf '%-52s %10s %12s\n' "  per RPS, and cores kept busy" "-" "$(value "$f" nfse_export_ms_per_rps) ms, $(value "$f" nfse_export_cores_busy)"
