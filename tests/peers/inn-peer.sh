#!/usr/bin/env bash
# A real news server for the tests: INN from Debian's packages, unpacked without their install
# scripts, run on free loopback ports in a sandbox of its own.
#
#   inn-peer.sh fetch           download and unpack into $INNROOT (kept between runs)
#   inn-peer.sh start SANDBOX   configure, start, seed the group; writes SANDBOX/ports
#   inn-peer.sh stop SANDBOX    stop every server that start began, by process id
#
# SANDBOX/ports holds NNTP_OPEN_PORT (read and post without login) and NNTP_AUTH_PORT (login
# "tester"/"secret" required). The group is zeltor.test.
set -euo pipefail
INNCACHE=${INNCACHE:-$HOME/.cache/quendel/inn}
# Unpacked outside the home folder: the servers drop to user news, who must read the tree.
INNROOT=${INNROOT:-/tmp/quendel-inn-$(id -u)}
BIN=$INNROOT/usr/lib/news/bin
export LD_LIBRARY_PATH=$INNROOT/usr/lib/news:$INNROOT/usr/lib/x86_64-linux-gnu
cmd=${1:?fetch|start|stop}

if [[ $cmd == fetch ]]; then
    [[ -x $BIN/innd && -x $BIN/nnrpd ]] && exit 0
    mkdir -p "$INNCACHE/debs" "$INNROOT"
    chmod 755 "$INNROOT"
    if ! ls "$INNCACHE"/debs/inn2_*.deb >/dev/null 2>&1; then
        # apt downloads as user _apt, who cannot enter root's home: fetch into a folder of its own.
        fetch=$(mktemp -d)
        chmod 777 "$fetch"
        download() { (cd "$fetch" && apt-get download -q inn2 inn2-inews libcanlock3 libnss-wrapper >/dev/null); }
        download || { apt-get update -qq && download; }
        mv "$fetch"/*.deb "$INNCACHE/debs/"
        rm -rf "$fetch"
    fi
    for deb in "$INNCACHE"/debs/*.deb; do dpkg-deb -x "$deb" "$INNROOT"; done
    missing=$(ldd "$BIN"/innd "$BIN"/nnrpd "$BIN"/makedbz "$BIN"/ctlinnd \
        "$BIN"/auth/passwd/ckpasswd | grep 'not found' | sort -u || true)
    [[ -z $missing ]] || { echo "INN needs libraries: $missing" >&2; exit 1; }
    exit 0
fi

S=${2:?sandbox folder}
export INNCONF=$S/etc/inn.conf

alive() { # running and not a zombie
    [[ -r /proc/$1/stat ]] && [[ $(sed 's/^.*) //' "/proc/$1/stat" | cut -c1) != Z ]]
}

if [[ $cmd == stop ]]; then
    # An idle innd notices SIGTERM only after minutes: shut it down through its control socket.
    [[ -f $S/pids/innd ]] && "$BIN/ctlinnd" -t 10 shutdown "tests done" >/dev/null 2>&1 || true
    for f in "$S"/pids/nnrpd-* "$S"/pids/innd; do
        [[ -f $f ]] || continue
        pid=$(cat "$f")
        if [[ $f == *nnrpd* ]]; then
            for child in $(ps -o pid= --ppid "$pid" 2>/dev/null); do kill -TERM "$child" 2>/dev/null || true; done
            kill -TERM "$pid" 2>/dev/null || true
        fi
        for _ in $(seq 100); do alive "$pid" || break; sleep 0.05; done
        alive "$pid" && kill -KILL "$pid" 2>/dev/null || true
        rm -f "$f"
    done
    exit 0
fi
[[ $cmd == start ]] || { echo "unknown command $cmd" >&2; exit 2; }

# INN's Unix sockets live in the sandbox and their paths are cut silently past 107 characters.
(( ${#S} <= 80 )) || { echo "sandbox path too long: $S" >&2; exit 1; }
[[ -x $BIN/innd ]] || { echo "no $BIN/innd: run '$0 fetch' first" >&2; exit 1; }

read -r INND_PORT OPEN_PORT AUTH_PORT < <(/usr/bin/python3 -c '
import socket
ss = [socket.socket() for _ in range(3)]
for s in ss: s.bind(("127.0.0.1", 0))
print(*[s.getsockname()[1] for s in ss])')

mkdir -p "$S"/{etc,db,run,log,tmp,filter,http,pids} "$S"/spool/{articles,overview,incoming,outgoing,archive}

INND_ENV=()
if [[ $(id -u) == 0 || "$(id -un):$(id -gn)" == news:news ]]; then
    RUNUSER=news RUNGROUP=news # the servers switch to news themselves
else
    # innd insists on running as "news": show it a news account with our own ids.
    RUNUSER=$(id -un) RUNGROUP=$(id -gn)
    NSSW=$INNROOT/usr/lib/x86_64-linux-gnu/libnss_wrapper.so
    { grep -v '^news:' /etc/passwd; echo "news:x:$(id -u):$(id -g):news:$S:/usr/sbin/nologin"; } >"$S/etc/nss.passwd"
    { grep -v '^news:' /etc/group; echo "news:x:$(id -g):"; } >"$S/etc/nss.group"
    INND_ENV=(env LD_PRELOAD="$NSSW" NSS_WRAPPER_PASSWD="$S/etc/nss.passwd" NSS_WRAPPER_GROUP="$S/etc/nss.group")
fi

cat >"$S/etc/inn.conf" <<CONF
domain:        zeltor.invalid
pathhost:      inn.zeltor.invalid
organization:  "Zeltor test peer"
mta:           "/bin/true %s"
runasuser:     $RUNUSER
runasgroup:    $RUNGROUP
hismethod:     hisv6
ovmethod:      tradindexed
enableoverview: true
storeonxref:   true
wireformat:    true
noreader:      true
port:          $INND_PORT
bindaddress:   127.0.0.1
pgpverify:     false
docancels:     none
status:        0
nnrpdloadlimit: 0
timer:         0
pathnews:      $INNROOT/usr/lib/news
pathbin:       $BIN
pathcontrol:   $BIN/control
pathfilter:    $S/filter
pathetc:       $S/etc
pathdb:        $S/db
pathrun:       $S/run
pathlog:       $S/log
pathhttp:      $S/http
pathtmp:       $S/tmp
pathspool:     $S/spool
patharticles:  $S/spool/articles
pathoverview:  $S/spool/overview
pathincoming:  $S/spool/incoming
pathoutgoing:  $S/spool/outgoing
patharchive:   $S/spool/archive
CONF
printf 'method tradspool {\n    newsgroups: *\n    class: 0\n}\n' >"$S/etc/storage.conf"
printf 'ME:*::\n' >"$S/etc/newsfeeds"
: >"$S/etc/incoming.conf"
cat >"$S/etc/readers.conf" <<'CONF'
auth "local" {
    hosts: "127.0.0.1, ::1, localhost"
    default: "<anon>"
}
access "local" {
    users: "<anon>"
    newsgroups: "*"
    access: "RP"
}
CONF
cat >"$S/etc/readers-auth.conf" <<CONF
auth "login" {
    hosts: "*"
    auth: "ckpasswd -f $S/etc/nntp.passwd"
}
access "login" {
    users: "*"
    newsgroups: "*"
    access: "RP"
}
CONF
printf 'tester:%s\n' "$(perl -e 'print crypt("secret", q($6$zeltorsalt$))')" >"$S/etc/nntp.passwd"
cat >"$S/db/active" <<'CONF'
control 0000000000 0000000001 n
control.cancel 0000000000 0000000001 n
junk 0000000000 0000000001 n
zeltor.test 0000000000 0000000001 y
zeltor.empty 0000000000 0000000001 y
CONF
printf 'zeltor.test %s tester\nzeltor.empty %s tester\n' "$(date +%s)" "$(date +%s)" >"$S/db/active.times"
printf 'zeltor.test\tZeltor test group\nzeltor.empty\tAn empty group\n' >"$S/db/newsgroups"
: >"$S/db/history"
[[ $(id -u) == 0 ]] && chown -R news:news "$S"
(cd "$S/db" && "$BIN/makedbz" -i -o)

wait_port() {
    for _ in $(seq 200); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.05
    done
    echo "nothing listens on port $1; see $S/log" >&2
    return 1
}
# The servers must not hold the caller's output open.
"${INND_ENV[@]}" "$BIN/innd" -f -u </dev/null >>"$S/log/innd.out" 2>&1 &
echo $! >"$S/pids/innd"
wait_port "$INND_PORT"
"$BIN/nnrpd" -D -f -b 127.0.0.1 -p "$OPEN_PORT" -c readers.conf </dev/null >>"$S/log/nnrpd.out" 2>&1 &
echo $! >"$S/pids/nnrpd-open"
"$BIN/nnrpd" -D -f -b 127.0.0.1 -p "$AUTH_PORT" -c readers-auth.conf </dev/null >>"$S/log/nnrpd.out" 2>&1 &
echo $! >"$S/pids/nnrpd-auth"
wait_port "$OPEN_PORT"
wait_port "$AUTH_PORT"

# A few hundred articles, some with body lines that begin with ".".
/usr/bin/python3 - "$OPEN_PORT" <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
f = s.makefile("rwb")
def reply():
    return f.readline().decode("latin-1")
reply()
for n in range(1, 301):
    f.write(b"POST\r\n"); f.flush()
    assert reply().startswith("340")
    body = ["Articolo %d" % n, ".punto %d" % n if n % 7 == 0 else "riga %d" % n, "fine"]
    lines = ["Newsgroups: zeltor.test", "Subject: 9999-%03db[e2-e4]Sem-Ina" % n,
             "From: seed%d@zeltor.invalid" % n, ""] + body
    data = "".join(("." + l if l.startswith(".") else l) + "\r\n" for l in lines) + ".\r\n"
    f.write(data.encode("latin-1")); f.flush()
    assert reply().startswith("240")
f.write(b"QUIT\r\n"); f.flush()
PY
printf 'NNTP_OPEN_PORT=%s\nNNTP_AUTH_PORT=%s\n' "$OPEN_PORT" "$AUTH_PORT" >"$S/ports"
cat "$S/ports"
