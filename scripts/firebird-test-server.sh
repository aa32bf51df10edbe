#!/usr/bin/env bash
# Runs a Firebird server of its own for a test run, with Debian's binaries but its own configuration,
# security database (SYSDBA with a known password), lock and temporary folders, on a free port of
# 127.0.0.1. Tests read the connection from DIR/connection.ini.
#
#   firebird-test-server.sh start DIR [PORT]   start (PORT: a given port instead of a free one)
#   firebird-test-server.sh stop DIR           stop and remove its databases
set -euo pipefail

usage() {
  echo "usage: $0 start DIR [PORT] | stop DIR" >&2
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

# The server's root folder: our own configuration files, Debian's plugins, messages and character sets.
write_root() {
  local port=$1
  rm -rf "$dir"
  mkdir -p "$dir/lock" "$dir/tmp" "$dir/databases"
  local item
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
  cat >"$dir/databases.conf" <<EOF
security.db = $dir/security3.fdb
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
    stop_server
    rm -rf "$dir/databases" "$dir/connection.ini"
    echo "firebird-test-server: stopped"
    ;;
  *) usage ;;
esac
