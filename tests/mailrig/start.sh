#!/bin/bash
# mailrig start: Dovecot POP3/POP3S + aiosmtpd SMTP/STARTTLS/SMTPS on loopback,
# one user, one Maildir, everything under $MAILRIG_DIR. Prints "export ..." lines
# (also written to $MAILRIG_DIR/env) for the test to source.
#
# Needs (Debian 12): dovecot-core dovecot-pop3d python3-aiosmtpd openssl
# Run as root (CI); mail files are owned by MAILRIG_MAIL_USER (default nobody).
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"
RIG=${MAILRIG_DIR:-/tmp/mailrig-run}
LISTEN=${MAILRIG_LISTEN:-127.0.0.1}
SMTP_PORT=${MAILRIG_SMTP_PORT:-2525}
SMTPS_PORT=${MAILRIG_SMTPS_PORT:-2465}
POP3_PORT=${MAILRIG_POP3_PORT:-1110}
POP3S_PORT=${MAILRIG_POP3S_PORT:-1995}
MUSER=${MAILRIG_USER:-regional}
MPASS=${MAILRIG_PASS:-secreto}
MAIL_USER=${MAILRIG_MAIL_USER:-nobody}
KEYTYPE=${MAILRIG_KEY:-ec}            # ec (fast) or rsa
PYTHON=${MAILRIG_PYTHON:-/usr/bin/python3}   # Debian's python: has aiosmtpd
WAIT_S=${MAILRIG_WAIT_S:-15}
SMTPD_ARGS=${MAILRIG_SMTPD_ARGS:-}    # e.g. "--auth-required --max-line 100000"
# Optional second mailbox, the central office's: mail for this local part (e.g. "qal.central")
# is delivered there instead of the regional mailbox, and read by POP3 as its own user.
CENTRAL=${MAILRIG_CENTRAL:-}
CUSER=${MAILRIG_CENTRAL_USER:-central}
CPASS=${MAILRIG_CENTRAL_PASS:-central}

die() { echo "mailrig start: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || die "run as root (Dovecot must switch to uid '$MAIL_USER')"
command -v dovecot >/dev/null || die "dovecot missing: apt-get install dovecot-core dovecot-pop3d"
[ -e /usr/lib/dovecot/pop3 ] || die "dovecot-pop3d missing"
"$PYTHON" -c 'import aiosmtpd' 2>/dev/null || die "$PYTHON lacks aiosmtpd: apt-get install python3-aiosmtpd"
command -v openssl >/dev/null || die "openssl missing"
getent passwd dovecot >/dev/null && getent passwd dovenull >/dev/null \
  || die "users dovecot/dovenull missing (made by dovecot-core's postinst)"
MAIL_UID=$(id -u "$MAIL_USER") || die "no user $MAIL_USER"
MAIL_GID=$(id -g "$MAIL_USER")
case "$RIG" in /|/tmp|/tmp/|/root|/home|"") die "refusing MAILRIG_DIR=$RIG";; esac
[ ${#RIG} -le 60 ] || die "MAILRIG_DIR too long (unix socket paths must stay < 108 bytes)"

# refuse to clobber a running rig; only wipe a folder that start.sh made
if [ -e "$RIG" ]; then
  [ -e "$RIG/.mailrig" ] || die "$RIG exists and is not a mailrig folder"
  for pf in "$RIG/run/master.pid" "$RIG/smtpd.pid"; do
    p=$(cat "$pf" 2>/dev/null || true)
    ours "$p" && die "a rig is still running in $RIG (pid $p); run stop.sh first"
  done
  rm -rf "$RIG"
fi

port_busy() { port_open "$LISTEN" "$1"; }
for p in "$SMTP_PORT" "$SMTPS_PORT" "$POP3_PORT" "$POP3S_PORT"; do
  port_busy "$p" && die "port $LISTEN:$p is already in use"
done

mkdir -p "$RIG"/{run,state,log,tls,sent} "$RIG/home/Maildir"/{cur,new,tmp}
touch "$RIG/.mailrig"
chmod 755 "$RIG" "$RIG/home"        # the mail uid must be able to reach its home
chown -R "$MAIL_UID:$MAIL_GID" "$RIG/home"
chmod 700 "$RIG/home/Maildir"/{cur,new,tmp}
: > "$RIG/userdb"                   # users with a mailbox of their own (the central one)
if [ -n "$CENTRAL" ]; then
  mkdir -p "$RIG/central/Maildir"/{cur,new,tmp}
  chmod 755 "$RIG/central"
  chown -R "$MAIL_UID:$MAIL_GID" "$RIG/central"
  chmod 700 "$RIG/central/Maildir"/{cur,new,tmp}
  printf '%s::%s:%s::%s::userdb_mail=maildir:%s\n' "$CUSER" "$MAIL_UID" "$MAIL_GID" \
    "$RIG/central" "$RIG/central/Maildir" > "$RIG/userdb"
  SMTPD_ARGS="$SMTPD_ARGS --route $CENTRAL=$RIG/central/Maildir"
fi
chmod 644 "$RIG/userdb"

# A throw-away certificate authority and a server certificate it signs, for 127.0.0.1 /
# localhost, valid 2 days. Clients verify the servers with tls/ca.pem.
if [ "$KEYTYPE" = rsa ]; then newkey=(-newkey rsa:2048); else newkey=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1); fi
{
  openssl req -x509 "${newkey[@]}" -nodes -days 2 -subj "/CN=mailrig test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$RIG/tls/ca.key" -out "$RIG/tls/ca.pem" &&
  openssl req "${newkey[@]}" -nodes -subj "/CN=localhost" \
    -keyout "$RIG/tls/key.pem" -out "$RIG/tls/server.csr" &&
  printf 'subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' > "$RIG/tls/server.ext" &&
  openssl x509 -req -in "$RIG/tls/server.csr" -CA "$RIG/tls/ca.pem" -CAkey "$RIG/tls/ca.key" -CAcreateserial \
    -days 2 -extfile "$RIG/tls/server.ext" -out "$RIG/tls/cert.pem"
} 2>"$RIG/log/openssl.log" || die "openssl failed: $(cat "$RIG/log/openssl.log")"
chmod 644 "$RIG/tls/cert.pem" "$RIG/tls/ca.pem"; chmod 600 "$RIG/tls/key.pem" "$RIG/tls/ca.key"

printf '%s:{PLAIN}%s\n' "$MUSER" "$MPASS" > "$RIG/users"
[ -z "$CENTRAL" ] || printf '%s:{PLAIN}%s\n' "$CUSER" "$CPASS" >> "$RIG/users"
chgrp dovecot "$RIG/users"; chmod 640 "$RIG/users"

DEBUG=""
if [ "${MAILRIG_DEBUG:-0}" = 1 ]; then
  DEBUG=$'auth_verbose = yes\nauth_debug = yes\nmail_debug = yes\nverbose_ssl = yes'
fi
sed -e "s|@RIG@|$RIG|g" -e "s|@LISTEN@|$LISTEN|g" \
    -e "s|@POP3_PORT@|$POP3_PORT|g" -e "s|@POP3S_PORT@|$POP3S_PORT|g" \
    -e "s|@MAIL_UID@|$MAIL_UID|g" -e "s|@MAIL_GID@|$MAIL_GID|g" \
    -e "s|@LOGIN_USER@|dovenull|g" -e "s|@INTERNAL_USER@|dovecot|g" \
    "$HERE/dovecot.conf.in" > "$RIG/dovecot.conf"
if [ -n "$DEBUG" ]; then
  "$PYTHON" - "$RIG/dovecot.conf" "$DEBUG" <<'EOF'
import sys; p=sys.argv[1]; s=open(p).read().replace("@DEBUG@", sys.argv[2]); open(p,"w").write(s)
EOF
else
  sed -i -e 's|@DEBUG@||' "$RIG/dovecot.conf"
fi

t0=$(date +%s.%N)
# --- Dovecot: daemonizes after binding its listeners; pid in run/master.pid
dovecot -c "$RIG/dovecot.conf" 2>"$RIG/log/dovecot.start.log" \
  || die "dovecot failed: $(cat "$RIG/log/dovecot.start.log"; tail -5 "$RIG/log/dovecot.log" 2>/dev/null)"
# Disable Dovecot's per-IP auth penalty (after a failed login, the next login from
# 127.0.0.1 - even a correct one - would wait 2..15 s). The auth process opens this
# socket when it first starts (at the first login); if the file is missing (ENOENT)
# it silently runs without penalties. Set MAILRIG_AUTH_PENALTY=1 to keep them.
if [ "${MAILRIG_AUTH_PENALTY:-0}" != 1 ]; then
  rm -f "$RIG/run/anvil-auth-penalty"
fi

# --- SMTP (command saved for ctl.sh smtp-start)
# shellcheck disable=SC2206
SMTPD_CMD=("$PYTHON" "$HERE/smtpd.py" --host "$LISTEN" --port "$SMTP_PORT" --tls-port "$SMTPS_PORT"
  --maildir "$RIG/home/Maildir" --spool "$RIG/sent"
  --cert "$RIG/tls/cert.pem" --key "$RIG/tls/key.pem" --users "$RIG/users"
  --uid "$MAIL_UID" --gid "$MAIL_GID" --pidfile "$RIG/smtpd.pid" $SMTPD_ARGS)
declare -p SMTPD_CMD > "$RIG/smtpd.cmd"
setsid "${SMTPD_CMD[@]}" </dev/null >>"$RIG/log/smtpd.log" 2>&1 &
smtpd_spawn=$!

# --- wait until every port answers (greeting for the plain ports)
greets() { # port expected-prefix; runs in a subshell so a failed connect is harmless
  (
    exec 3<>"/dev/tcp/$LISTEN/$1" || exit 1
    IFS= read -r -t 2 line <&3 || exit 1
    printf 'QUIT\r\n' >&3
    [[ $line == "$2"* ]]
  )
}
deadline=$(( $(date +%s) + WAIT_S ))
until greets "$POP3_PORT" "+OK" 2>/dev/null && greets "$SMTP_PORT" "220" 2>/dev/null \
      && port_busy "$POP3S_PORT" && port_busy "$SMTPS_PORT" && [ -s "$RIG/smtpd.pid" ]; do
  if [ "$(date +%s)" -ge "$deadline" ] || ! alive "$smtpd_spawn" \
     || ! alive "$(cat "$RIG/run/master.pid" 2>/dev/null || echo x)"; then
    echo "--- dovecot.log"; tail -20 "$RIG/log/dovecot.log" 2>/dev/null
    echo "--- smtpd.log"; tail -20 "$RIG/log/smtpd.log" 2>/dev/null
    MAILRIG_KEEP=1 "$HERE/stop.sh" >/dev/null 2>&1 || true   # keep logs for a look
    die "servers did not come up (waited at most ${WAIT_S}s)"
  fi >&2
  sleep 0.05
done
t1=$(date +%s.%N)

cat > "$RIG/env" <<EOF
export MAILRIG_DIR=$RIG
export MAILRIG_HOST=$LISTEN
export MAILRIG_SMTP_PORT=$SMTP_PORT
export MAILRIG_SMTPS_PORT=$SMTPS_PORT
export MAILRIG_POP3_PORT=$POP3_PORT
export MAILRIG_POP3S_PORT=$POP3S_PORT
export MAILRIG_USER=$MUSER
export MAILRIG_PASS=$MPASS
export MAILRIG_MAILDIR=$RIG/home/Maildir
export MAILRIG_SENT=$RIG/sent
export MAILRIG_CA=$RIG/tls/ca.pem
EOF
if [ -n "$CENTRAL" ]; then
  cat >> "$RIG/env" <<EOF
export MAILRIG_CENTRAL=$CENTRAL
export MAILRIG_CENTRAL_USER=$CUSER
export MAILRIG_CENTRAL_PASS=$CPASS
export MAILRIG_CENTRAL_MAILDIR=$RIG/central/Maildir
EOF
fi
cat "$RIG/env"
echo "# mailrig up in $(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.2f", b-a}') s (servers only); dovecot pid $(cat "$RIG/run/master.pid"), smtpd pid $(cat "$RIG/smtpd.pid")" >&2
