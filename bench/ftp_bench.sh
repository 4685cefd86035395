#!/usr/bin/env bash
# A backup to an FTP server on this machine (the test server of tests/storage, pyftpdlib), by tarnovex-cli
# and by lftp's reverse mirror, on one generated tree:
#   first backup        tarnovex (backup to FTP)  vs  lftp -e 'mirror -R'
#   nothing changed     tarnovex again: its time and how many files it sent
# Each measurement is the best of RUNS tries (wall seconds from /usr/bin/time). Throughput is the tree's
# size over that time; the ratio is tarnovex's time over lftp's (below 1 tarnovex is faster).
#
# Usage: bench/ftp_bench.sh [path/to/tarnovex-cli]
#   FILES (default 1000), TOTAL_MB (default 100), RUNS (default 3),
#   WORK (default a temporary folder under /tmp, removed at the end).
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${1:-build/tarnovex-cli}
CLI=$(readlink -f "$CLI")
FILES=${FILES:-1000}
TOTAL_MB=${TOTAL_MB:-100}
RUNS=${RUNS:-3}
WORK=${WORK:-$(mktemp -d /tmp/tarnovex-ftp-bench.XXXXXX)}
KEEP_WORK=${KEEP_WORK:-0}
SERVER_SCRIPT="$HERE/../tests/storage/ftp_test_server.py"
USER_NAME=bench
PASSWORD=bench-pw

for tool in lftp /usr/bin/time /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (make deps installs it)" >&2; exit 2; }
done
/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null || { echo "missing: python3-pyftpdlib" >&2; exit 2; }
[ -x "$CLI" ] || { echo "missing: $CLI (make build)" >&2; exit 2; }

SERVER_PID=""
cleanup() {
    if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; wait "$SERVER_PID" 2>/dev/null || true; fi
    [ "$KEEP_WORK" = 1 ] || rm -rf "$WORK"
}
trap cleanup EXIT

export TARNOVEX_HOME="$WORK/home"
mkdir -p "$TARNOVEX_HOME" "$WORK/server"

SRC="$WORK/src"
echo "Generating $FILES files, $TOTAL_MB MiB in all, in $SRC ..."
/usr/bin/python3 - "$SRC" "$FILES" "$TOTAL_MB" <<'EOF'
import os, random, sys
root, count, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]) << 20
rnd = random.Random(7)
weights = [rnd.random() + 0.05 for _ in range(count)]
scale = total / sum(weights)
for i, w in enumerate(weights):
    d = os.path.join(root, "d%02d" % (i % 20), "s%d" % (i % 5))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file %05d.dat" % i), "wb") as f:
        f.write(os.urandom(int(w * scale)))
EOF
BYTES=$(du -sb "$SRC" | cut -f1)
echo "Tree: $(du -sh "$SRC" | cut -f1), $(find "$SRC" -type f | wc -l) files"

# The server runs for the whole benchmark; it prints its port first.
coproc SERVER { exec /usr/bin/python3 "$SERVER_SCRIPT" --root "$WORK/server" --user "$USER_NAME" --password "$PASSWORD"; }
SERVER_PID=$SERVER_PID
read -r -t 30 word PORT <&"${SERVER[0]}" || { echo "the FTP server did not start" >&2; exit 1; }
[ "$word" = PORT ] || { echo "unexpected server output: $word" >&2; exit 1; }
echo "FTP server on 127.0.0.1:$PORT"

# best_of PREPARE CMD...: runs the command RUNS times after PREPARE and prints the best wall seconds.
best_of() {
    local prepare=$1; shift
    local best=""
    for _ in $(seq "$RUNS"); do
        eval "$prepare"
        local status=0
        /usr/bin/time -f "%e" -o "$WORK/time.txt" "$@" >"$WORK/out.txt" 2>&1 || status=$?
        # tarnovex-cli ends with 3 when the run logged warnings only.
        if [ "$status" != 0 ] && [ "$status" != 3 ]; then
            echo "FAILED ($status): $*" >&2; tail -20 "$WORK/out.txt" >&2; exit 1
        fi
        local s; s=$(tail -n 1 "$WORK/time.txt")
        if [ -z "$best" ] || awk "BEGIN{exit !($s < $best)}"; then best=$s; fi
    done
    echo "$best"
}

# An FTP backup task: made as a local one, then pointed at the server through a settings import.
TASK_ID=$("$CLI" new --name "ftp bench" --source "$SRC" --dest "$WORK/unused" | awk '{w=$NF} END{print w}')
cat >"$WORK/ftp-task.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Tasks\\$TASK_ID\\Destination]
"DestType"=hex:01
"DestFTP_Address"="127.0.0.1"
"DestFTP_Port"=dword:$(printf '%08x' "$PORT")
"DestFTP_Login"="$USER_NAME"
"DestFTP_Password"="$PASSWORD"
"DestFTP_Folder"="/tarnovex"
"DestFTP_PassiveMode"=dword:00000001
"DestFTP_ReconnectRetries"=dword:00000002
"DestFTP_PauseBeforeRetry"=dword:00000001
EOF
"$CLI" import "$WORK/ftp-task.reg" >/dev/null

echo
echo "== first backup (server folder empty)"
t_first=$(best_of "rm -rf '$WORK/server/tarnovex'" "$CLI" run "$TASK_ID")
l_first=$(best_of "rm -rf '$WORK/server/lftp'" \
    lftp -u "$USER_NAME,$PASSWORD" -p "$PORT" -e "set ftp:passive-mode on; mirror -R --parallel=1 '$SRC' /lftp; quit" 127.0.0.1)
awk -v b="$BYTES" -v t="$t_first" -v l="$l_first" 'BEGIN{
    printf "tarnovex %7.2f s  %7.1f MiB/s\n", t, b / t / 1048576
    printf "lftp     %7.2f s  %7.1f MiB/s\n", l, b / l / 1048576
    printf "time ratio tarnovex/lftp %5.2f\n", t / l }'

echo "== nothing changed"
t_same=$(best_of ":" "$CLI" run "$TASK_ID")
sent=$(grep -c 'Copying "' "$WORK/out.txt" || true)
skipped=$(grep -c 'Skipping unchanged' "$WORK/out.txt" || true)
l_same=$(best_of ":" \
    lftp -u "$USER_NAME,$PASSWORD" -p "$PORT" -e "set ftp:passive-mode on; mirror -R --only-newer '$SRC' /lftp; quit" 127.0.0.1)
printf "tarnovex %7.2f s, %d files sent, %d skipped | lftp %7.2f s\n" "$t_same" "$sent" "$skipped" "$l_same"

echo
echo "Checking that the backup equals the source ..."
if diff -r -x "*.idx" "$SRC" "$WORK/server/tarnovex" >/dev/null; then echo "backup identical"; else echo "BACKUP DIFFERS" >&2; exit 1; fi
