#!/usr/bin/env bash
# The step of `make run` that gives the demo branches their A1 certificates for the NFS-e: for every branch
# whose certificate, as the configuration's [nfse] group names it, is a file under out/ that is not there
# yet, a self-signed test certificate whose subject carries the branch's CNPJ as ICP-Brasil certificates
# do (CN "NAME:CNPJ"), sealed with the password the configuration gives it. A certificate already there,
# or named anywhere else, is left alone: a real one is never replaced by a test one.
#
#   test-certificates.sh BIN CONFIG     BIN: the folder holding kpv-nfse
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BIN CONFIG" >&2; exit 2; }
bin=$1
config=$2
out=$(cd "$(dirname "$0")/.." && pwd)/out

# The value of a key of the [nfse] group as the file writes it.
nfse_value() {
  sed -n "/^\[nfse\]/,/^\[/{s/^[[:space:]]*$1[[:space:]]*=[[:space:]]*\(.*[^[:space:]]\)[[:space:]]*$/\1/p}" "$config" | head -n 1
}

listing=$("$bin/kpv-nfse" certificates --config "$config")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
made=0
while IFS=$'\t' read -r branch cnpj file name _; do
  [[ $file == "$out"/* && ! -e $file ]] || continue
  mkdir -p "$(dirname "$file")"
  openssl req -x509 -newkey rsa:2048 -nodes -days 730 -utf8 -subj "/C=BR/O=ICP-Brasil/OU=Teste/CN=$name:$cnpj" \
    -keyout "$work/key.pem" -out "$work/certificate.pem" 2>"$work/openssl.log" ||
    { cat "$work/openssl.log" >&2; exit 1; }
  KPV_CERTIFICATE_PASSWORD=$(nfse_value "certificatePassword\.$branch") \
    openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" -out "$file" \
    -passout env:KPV_CERTIFICATE_PASSWORD
  made=$((made + 1))
done <<<"$listing"
if ((made > 0)); then
  echo "run: $made certificados de teste das filiais criados em out/ (README, NFS-e)"
fi
