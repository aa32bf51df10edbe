#!/usr/bin/env bash
# Runs a Firebird server of its own for a test run, with Debian's binaries but its own configuration,
# security database (SYSDBA with a known password), lock and temporary folders, on a free port of
# 127.0.0.1. Tests read the connection from DIR/connection.ini. The databases under DIR/databases outlive
# the server: only `purge` removes them. DIR is made by the script and marked as its own; a folder the
# script did not make is refused, and nothing in it is touched.
#
#   firebird-test-server.sh start DIR [PORT]   start (PORT: a given port instead of a free one)
#   firebird-test-server.sh stop DIR           stop; the databases stay
#   firebird-test-server.sh purge DIR          stop and remove DIR with its databases
set -euo pipefail

usage() {
  echo "usage: $0 start DIR [PORT] | stop DIR | purge DIR" >&2
  exit 2
}

[[ $# -ge 2 ]] || usage
action=$1
dir=$(realpath -m "$2")
wanted_port=${3:-}

server=${FIREBIRD_SERVER:-/usr/sbin/firebird}
isql=$(command -v isql-fb || command -v isql || true)
fbroot=${FIREBIRD_ROOT:-/usr/lib/x86_64-linux-gnu/firebird/3.0}
password=kpv-test
user=SYSDBA

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# The mark of a folder this script made; without it, the folder is someone else's.
marker=".kpv-firebird-test-server"

# Makes DIR when it is not there yet, or takes an empty one; refuses any other folder, touching nothing.
claim_dir() {
  if [[ -e "$dir" && ! -d "$dir" ]]; then
    echo "firebird-test-server: $dir não é uma pasta" >&2
    exit 1
  fi
  if [[ -d "$dir" && ! -f "$dir/$marker" && -n $(ls -A "$dir") ]]; then
    echo "firebird-test-server: a pasta $dir não foi criada por este script e não está vazia; nada foi" >&2
    echo "firebird-test-server: alterado nela. Use uma pasta nova (ela será criada)." >&2
    exit 1
  fi
  mkdir -p "$dir"
  echo "Made by scripts/firebird-test-server.sh: stop and purge remove what it wrote here." >"$dir/$marker"
}

# stop and purge only act on a folder the script made.
require_own_dir() {
  if [[ ! -f "$dir/$marker" ]]; then
    echo "firebird-test-server: a pasta $dir não foi criada por este script; nada foi alterado nela" >&2
    exit 1
  fi
}

stop_server() {
  if [[ -f "$dir/firebird.pid" ]]; then
    local pid
    pid=$(cat "$dir/firebird.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/firebird.pid"
  fi
}

# What the script writes under DIR, everything but the databases.
own_files=(lock tmp plugins intl lib UDF firebird.msg plugins.conf firebird.conf databases.conf
  security3.fdb setup.log server.log firebird.log firebird.pid connection.ini)

# The server's root folder: our own configuration files, Debian's plugins, messages and character sets.
# A fresh one at every start; the databases of an earlier start stay.
write_root() {
  local port=$1
  local item
  for item in "${own_files[@]}"; do rm -rf "${dir:?}/$item"; done
  mkdir -p "$dir/lock" "$dir/tmp" "$dir/databases"
  for item in plugins intl lib UDF firebird.msg; do
    [[ -e "$fbroot/$item" ]] && ln -s "$fbroot/$item" "$dir/$item"
  done
  cp "$fbroot/plugins.conf" "$dir/plugins.conf"
  cat >"$dir/firebird.conf" <<EOF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $dir/security3.fdb
ServerMode = Super
AuthServer = Srp
UserManager = Srp
WireCrypt = Enabled
EOF
  # kpv_alias: a database named by an alias, for the tests of aliases. Known from the start, as the
  # server reads a change of this file only when its time stamp moves on by a second.
  cat >"$dir/databases.conf" <<EOF
security.db = $dir/security3.fdb
kpv_alias = $dir/databases/kpv_alias.fdb
EOF
}

with_root() {
  FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" FIREBIRD_TMP="$dir/tmp" "$@"
}

create_security_database() {
  with_root "$isql" -q -b >"$dir/setup.log" 2>&1 <<EOF
CREATE DATABASE '$dir/security3.fdb' USER $user;
EOF
  # The Srp plugin builds its tables on the first user it is asked to create.
  with_root "$isql" -q -b -user "$user" "$dir/security3.fdb" >>"$dir/setup.log" 2>&1 <<EOF
CREATE USER $user PASSWORD '$password' USING PLUGIN Srp;
COMMIT;
EOF
}

start() {
  [[ -x "$server" ]] || { echo "firebird-test-server: $server not found (package firebird3.0-server)" >&2; exit 1; }
  [[ -n "$isql" ]] || { echo "firebird-test-server: isql-fb not found (package firebird3.0-utils)" >&2; exit 1; }
  claim_dir
  stop_server
  local attempt port
  for attempt in $(seq 20); do
    port=${wanted_port:-$((20000 + RANDOM % 30000))}
    if port_in_use "$port"; then
      [[ -n "$wanted_port" ]] && { echo "firebird-test-server: port $port is in use" >&2; exit 1; }
      continue
    fi
    write_root "$port"
    create_security_database || { cat "$dir/setup.log" >&2; exit 1; }
    FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" FIREBIRD_TMP="$dir/tmp" "$server" >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/firebird.pid"
    local pid
    pid=$(cat "$dir/firebird.pid")
    for _ in $(seq 100); do
      if port_in_use "$port"; then
        cat >"$dir/connection.ini" <<EOF
; Written by scripts/firebird-test-server.sh for the tests of this run.
[firebird]
host=127.0.0.1
port=$port
user=$user
password=$password
databases=$dir/databases
EOF
        echo "firebird-test-server: listening on 127.0.0.1:$port (pid $pid, root $dir)"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    # Another process took the port between the check and the bind, or the server failed: next port.
    stop_server
    [[ -n "$wanted_port" ]] && break
  done
  echo "firebird-test-server: the server did not start; its log:" >&2
  cat "$dir/server.log" "$dir/firebird.log" 2>/dev/null >&2 || true
  exit 1
}

case "$action" in
  start) start ;;
  stop)
    require_own_dir
    stop_server
    rm -f "$dir/connection.ini"
    echo "firebird-test-server: stopped; the databases stay in $dir/databases"
    ;;
  purge)
    require_own_dir
    stop_server
    for item in "${own_files[@]}" databases "$marker"; do rm -rf "${dir:?}/$item"; done
    rmdir "$dir" 2>/dev/null || true
    echo "firebird-test-server: stopped and removed its databases"
    ;;
  *) usage ;;
esac
