#!/usr/bin/env bash
# Whole runs of tarnovex-cli beside the usual tools, on one generated tree, with warm caches:
#   first backup        tarnovex (backup)  vs  cp -a  and  rsync -a
#   nothing changed     tarnovex (backup)  vs  rsync -a
#   10% files changed   tarnovex (backup)  vs  rsync -a
#   two-way sync        tarnovex (sync)    vs  unison -batch
# Each measurement is the best of RUNS tries (wall seconds and peak memory from /usr/bin/time). The
# ratios (tarnovex / peer) are what to watch: below 1 tarnovex is faster.
#
# Usage: bench/compare_runs.sh [path/to/tarnovex-cli]
#   FILES (default 4000 small files), BIG_MB (default 200, one large file), RUNS (default 3),
#   WORK (default a temporary folder under /tmp, removed at the end).
set -euo pipefail

CLI=${1:-build/tarnovex-cli}
CLI=$(readlink -f "$CLI")
FILES=${FILES:-4000}
BIG_MB=${BIG_MB:-200}
RUNS=${RUNS:-3}
WORK=${WORK:-$(mktemp -d /tmp/tarnovex-bench.XXXXXX)}
KEEP_WORK=${KEEP_WORK:-0}

for tool in rsync unison cp /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (make deps installs it)" >&2; exit 2; }
done
[ -x "$CLI" ] || { echo "missing: $CLI (make build)" >&2; exit 2; }
"$CLI" help run >/dev/null 2>&1 || { echo "$CLI has no run command yet" >&2; exit 2; }

cleanup() { [ "$KEEP_WORK" = 1 ] || rm -rf "$WORK"; }
trap cleanup EXIT

export TARNOVEX_HOME="$WORK/home"
export HOME="$WORK/home"  # unison keeps its archives under $HOME/.unison
mkdir -p "$TARNOVEX_HOME"

SRC="$WORK/src"
echo "Generating $FILES files and one ${BIG_MB} MiB file in $SRC ..."
mkdir -p "$SRC"
/usr/bin/python3 - "$SRC" "$FILES" "$BIG_MB" <<'EOF'
import os, random, sys
root, count, big = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rnd = random.Random(42)
for i in range(count):
    d = os.path.join(root, "d%02d" % (i % 40), "s%d" % (i % 7))
    os.makedirs(d, exist_ok=True)
    size = rnd.choice([100, 1000, 4000, 20000, 120000])
    with open(os.path.join(d, "file%05d.dat" % i), "wb") as f:
        f.write(os.urandom(size))
with open(os.path.join(root, "big.bin"), "wb") as f:
    chunk = os.urandom(1 << 20)
    for _ in range(big):
        f.write(chunk)
EOF
echo "Tree: $(du -sh "$SRC" | cut -f1), $(find "$SRC" -type f | wc -l) files"

# best_of CMD...: runs the command RUNS times after PREPARE (a shell snippet) and prints "secs maxkb".
best_of() {
    local prepare=$1; shift
    local best_s="" best_kb=""
    for _ in $(seq "$RUNS"); do
        eval "$prepare"
        # tarnovex-cli ends with 3 when a run logged warnings only (a first sync finds no index yet).
        local status=0
        /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >"$WORK/out.txt" 2>&1 || status=$?
        if [ "$status" != 0 ] && [ "$status" != 3 ]; then
            echo "FAILED ($status): $*" >&2; tail -20 "$WORK/out.txt" >&2; exit 1
        fi
        read -r s kb < <(tail -n 1 "$WORK/time.txt")
        if [ -z "$best_s" ] || awk "BEGIN{exit !($s < $best_s)}"; then best_s=$s; best_kb=$kb; fi
    done
    echo "$best_s $best_kb"
}

new_task() {  # name dest action -> prints the ID
    "$CLI" new --name "$1" --source "$SRC" --dest "$2" --action "$3" | awk '{w=$NF} END{print w}'
}

report() {  # label ours peer peer-name
    local ours_s ours_kb peer_s peer_kb
    read -r ours_s ours_kb <<<"$2"
    read -r peer_s peer_kb <<<"$3"
    awk -v l="$1" -v os="$ours_s" -v ok="$ours_kb" -v ps="$peer_s" -v pk="$peer_kb" -v pn="$4" 'BEGIN{
        r = (ps > 0) ? os / ps : 0;
        printf "%-28s tarnovex %7.2f s %7d KiB | %-7s %7.2f s %7d KiB | time ratio %5.2f\n", l, os, ok, pn, ps, pk, r }'
}

DEST_T="$WORK/dest-tarnovex"; DEST_C="$WORK/dest-cp"; DEST_R="$WORK/dest-rsync"
BACKUP_ID=$(new_task "bench backup" "$DEST_T" backup)

echo
echo "== first backup (destination empty)"
t_first=$(best_of "rm -rf '$DEST_T'" "$CLI" run "$BACKUP_ID")
c_first=$(best_of "rm -rf '$DEST_C'" cp -a "$SRC" "$DEST_C")
r_first=$(best_of "rm -rf '$DEST_R'" rsync -a "$SRC/" "$DEST_R/")
report "first backup" "$t_first" "$c_first" cp
report "first backup" "$t_first" "$r_first" rsync

echo "== nothing changed"
t_same=$(best_of ":" "$CLI" run "$BACKUP_ID")
r_same=$(best_of ":" rsync -a "$SRC/" "$DEST_R/")
report "nothing changed" "$t_same" "$r_same" rsync

echo "== 10% of the files changed"
touch_some='find "$SRC" -name "file*0.dat" -exec touch -d "+$((RANDOM % 1000 + 10)) seconds" {} +'
t_incr=$(best_of "$touch_some" "$CLI" run "$BACKUP_ID")
r_incr=$(best_of "$touch_some" rsync -a "$SRC/" "$DEST_R/")
report "10% changed" "$t_incr" "$r_incr" rsync

echo "== two-way sync, a few files changed on each side"
SYNC_T="$WORK/sync-tarnovex"; SYNC_U="$WORK/sync-unison"
SYNC_ID=$(new_task "bench sync" "$SYNC_T" sync)
"$CLI" run "$SYNC_ID" >/dev/null || [ $? = 3 ]
cp -a "$SRC" "$WORK/src-u"
unison "$WORK/src-u" "$SYNC_U" -batch -silent -times >/dev/null 2>&1 || true
change_both='find "$SRC" "$WORK/src-u" -name "file*7.dat" -exec touch -d "+$((RANDOM % 1000 + 10)) seconds" {} +; find "$SYNC_T" "$SYNC_U" -name "file*3.dat" -exec touch -d "+$((RANDOM % 1000 + 10)) seconds" {} +'
t_sync=$(best_of "$change_both" "$CLI" run "$SYNC_ID")
u_sync=$(best_of "$change_both" unison "$WORK/src-u" "$SYNC_U" -batch -silent -times)
report "two-way sync" "$t_sync" "$u_sync" unison

echo
echo "Checking that the backup equals the source ..."
if diff -r -x "*.idx" "$SRC" "$DEST_T" >/dev/null; then echo "backup identical"; else echo "BACKUP DIFFERS" >&2; exit 1; fi
