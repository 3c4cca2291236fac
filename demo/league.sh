#!/usr/bin/env bash
# Starts, stops or reports the demo league: its web server (lighttpd) on
# http://127.0.0.1 port 80 and its race servers on UDP ports of 127.0.0.1.
# Everything it writes lies in $ZANT_DEMO_STATE, by default $ZANT_BUILD/demo
# (www/, logs, pid files); a test that runs its own league in a private
# network namespace names a folder of its own there.
# Usage: demo/league.sh start|stop|status
#   start   (re)generates the league's files and (re)starts both servers
#   stop    stops both servers
#   status  says what runs; exits 0 only when both servers run
# Binding port 80 needs root. In a private network namespace:
#   unshare --net bash -c 'ip link set lo up; demo/league.sh start; ...; demo/league.sh stop'
set -euo pipefail
state=${ZANT_DEMO_STATE:+$(realpath -m "$ZANT_DEMO_STATE")}
standin=${ZANT_STANDIN_EXE:+$(realpath -m "$ZANT_STANDIN_EXE")}
cd "$(dirname "$0")/.."
. scripts/env.sh
state=${state:-$ZANT_BUILD/demo}
web_pid=$state/lighttpd.pid
race_pid=$state/raceserver.pid
standin=${standin:-$ZANT_BUILD/win64/demo/zant_standin.exe}

say() { echo "league: $*"; }
fail() { echo "league: $*" >&2; exit 1; }

# A process that has ended but is not yet reaped counts as gone: the servers
# are not our children once this script has ended.
alive() {
  local stat
  stat=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $stat != Z* ]]
}

# The pid in FILE when that process runs, else nothing.
running_pid() {
  local pid
  [ -s "$1" ] || return 1
  pid=$(<"$1")
  [[ $pid =~ ^[0-9]+$ ]] && alive "$pid" && echo "$pid"
}

stop_server() {   # NAME PIDFILE
  local pid
  if pid=$(running_pid "$2"); then
    kill "$pid"
    for _ in $(seq 50); do alive "$pid" || break; sleep 0.1; done
    if alive "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi
    say "stopped the $1 (pid $pid)"
  fi
  rm -f "$2"
}

# Waits up to 10 s for READY_COMMAND to succeed while process PID lives.
wait_until_ready() {   # PID READY_COMMAND...
  local pid=$1; shift
  for _ in $(seq 100); do
    "$@" && return 0
    alive "$pid" || return 1
    sleep 0.1
  done
  return 1
}

web_answers() { curl -sf -o /dev/null --max-time 1 http://127.0.0.1/; }

start() {
  command -v lighttpd >/dev/null || fail "lighttpd is not installed: run scripts/setup.sh"
  command -v python3 >/dev/null || fail "python3 is not installed: run scripts/setup.sh"
  stop_server "web server" "$web_pid"
  stop_server "race servers" "$race_pid"
  if ss -Hltn 'sport = :80' | grep -q .; then
    fail "port 80 is already in use here, so the league's web server cannot start:
$(ss -Hltnp 'sport = :80')
Stop that server, or run the demo in a private network namespace:
  unshare --net bash -c 'ip link set lo up; demo/league.sh start; ...'"
  fi

  mkdir -p "$state"
  python3 demo/league.py "$state" --standin "$standin"

  : > "$state/raceserver.log"
  setsid python3 demo/raceserver.py serve "$state/raceservers.json" --pid-file "$race_pid" \
    --log "$state/raceserver.log" </dev/null >"$state/raceserver.out" 2>&1 &
  local pid=$!
  if ! wait_until_ready "$pid" test -s "$race_pid"; then
    kill "$pid" 2>/dev/null || true
    fail "the race servers did not start: $(cat "$state/raceserver.out")"
  fi

  : > "$state/lighttpd-error.log"; : > "$state/access.log"
  ZANT_DEMO_STATE=$state setsid lighttpd -D -f demo/lighttpd.conf </dev/null >"$state/lighttpd.out" 2>&1 &
  pid=$!
  if ! wait_until_ready "$pid" web_answers; then
    kill "$pid" 2>/dev/null || true
    rm -f "$web_pid"
    stop_server "race servers" "$race_pid"
    local hint=""
    [ "$(id -u)" = 0 ] || hint=" (binding port 80 needs root)"
    fail "the web server did not start$hint:
$(cat "$state/lighttpd.out" "$state/lighttpd-error.log")"
  fi
  [ -s "$web_pid" ] || echo "$pid" > "$web_pid"
  say "web server on http://127.0.0.1/ (pid $(running_pid "$web_pid")), files in $state/www"
  say "race servers on UDP 127.0.0.1 ports $(python3 -c 'import json, sys
print(", ".join(str(s["port"]) for s in json.load(open(sys.argv[1]))))' "$state/raceservers.json") (pid $(running_pid "$race_pid"))"
}

status() {
  local pid result=0
  if pid=$(running_pid "$web_pid"); then say "web server runs (pid $pid) on http://127.0.0.1/"
  else say "web server is not running"; result=1; fi
  if pid=$(running_pid "$race_pid"); then say "race servers run (pid $pid)"
  else say "race servers are not running"; result=1; fi
  return $result
}

case ${1:-} in
  start) start ;;
  stop)
    stop_server "web server" "$web_pid"
    stop_server "race servers" "$race_pid"
    ;;
  status) status ;;
  *) echo "usage: demo/league.sh start|stop|status" >&2; exit 2 ;;
esac
