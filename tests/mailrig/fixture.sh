#!/bin/bash
# The test suite's mail rig: fixture.sh start | stop, for the folder in $MAILRIG_DIR.
# start picks four free loopback ports at run time (other people's rigs and tests run on the
# same machine) and tries again with new ones if one was taken in between.
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${MAILRIG_DIR:?set MAILRIG_DIR}"
export MAILRIG_DIR

free_ports() {
  /usr/bin/python3 - <<'PY'
import socket
socks = []
for _ in range(4):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    socks.append(s)
print(" ".join(str(s.getsockname()[1]) for s in socks))
for s in socks:
    s.close()
PY
}

case "${1:-}" in
  start)
    "$HERE/stop.sh" --fast >/dev/null 2>&1 || true   # a rig left over by an interrupted run
    for attempt in 1 2 3 4 5; do
      read -r smtp smtps pop3 pop3s < <(free_ports)
      if MAILRIG_SMTP_PORT=$smtp MAILRIG_SMTPS_PORT=$smtps MAILRIG_POP3_PORT=$pop3 MAILRIG_POP3S_PORT=$pop3s \
           "$HERE/start.sh" >/dev/null 2>"$MAILRIG_DIR.start.log"; then
        cat "$MAILRIG_DIR/env"
        exit 0
      fi
      grep -q "already in use" "$MAILRIG_DIR.start.log" || break
    done
    cat "$MAILRIG_DIR.start.log" >&2
    exit 1 ;;
  stop)
    rm -f "$MAILRIG_DIR.start.log"
    exec "$HERE/stop.sh" --fast ;;
  *)
    echo "usage: fixture.sh start|stop" >&2; exit 2 ;;
esac
