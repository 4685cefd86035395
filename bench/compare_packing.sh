#!/usr/bin/env bash
# Packing speed beside the usual tools, with warm caches:
#   one Zip archive of a tree at level 6     tarnovex (backup into one archive)  vs  zip -r -6 -q
#   encryption of one large file             crypt -ca (AES-256-GCM)             vs  openssl enc -aes-256-ctr
# Each measurement is the best of RUNS tries (wall seconds and peak memory from /usr/bin/time). The time
# ratios (tarnovex / peer) are what to watch; the crypt line also prints its throughput in MB/s.
#
# Usage: bench/compare_packing.sh [path/to/tarnovex-cli]
#   FILES (default 10000), TREE_MB (default 1024, the tree's total size), CRYPT_MB (default 1024),
#   RUNS (default 3), WORK (default a temporary folder under /tmp, removed at the end).
set -euo pipefail

CLI=${1:-build/tarnovex-cli}
CLI=$(readlink -f "$CLI")
CRYPT="$(dirname "$CLI")/crypt"
FILES=${FILES:-10000}
TREE_MB=${TREE_MB:-1024}
CRYPT_MB=${CRYPT_MB:-1024}
RUNS=${RUNS:-3}
WORK=${WORK:-$(mktemp -d /tmp/tarnovex-pack.XXXXXX)}

for tool in zip openssl /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (make deps installs it)" >&2; exit 2; }
done
[ -x "$CLI" ] && [ -x "$CRYPT" ] || { echo "missing: $CLI or $CRYPT (make build)" >&2; exit 2; }
trap 'rm -rf "$WORK"' EXIT
export TARNOVEX_HOME="$WORK/home"
mkdir -p "$TARNOVEX_HOME"

SRC="$WORK/src"
echo "Generating $FILES files, $TREE_MB MiB in all, in $SRC ..."
# Half of every file is text-like (compresses about 3:1), half random: archivers meet both.
/usr/bin/python3 - "$SRC" "$FILES" "$TREE_MB" <<'PY'
import os, random, sys
root, count, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]) << 20
rnd = random.Random(7)
words = [bytes(rnd.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 9))) for _ in range(2000)]
text = b" ".join(rnd.choice(words) for _ in range(400000))
noise = os.urandom(1 << 22)
each = total // count
for i in range(count):
    d = os.path.join(root, "d%02d" % (i % 50), "s%d" % (i % 5))
    os.makedirs(d, exist_ok=True)
    size = max(1, int(each * rnd.uniform(0.2, 1.8)))
    half = size // 2
    a = rnd.randrange(0, len(text) - half - 1)
    b = rnd.randrange(0, len(noise) - (size - half) - 1)
    with open(os.path.join(d, "file%05d.txt" % i), "wb") as f:
        f.write(text[a:a + half])
        f.write(noise[b:b + size - half])
PY
echo "Tree: $(du -sh "$SRC" | cut -f1), $(find "$SRC" -type f | wc -l) files"

best_of() {  # PREPARE CMD... -> "secs maxkb"
    local prepare=$1; shift
    local best_s="" best_kb=""
    for _ in $(seq "$RUNS"); do
        eval "$prepare"
        /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >"$WORK/out.txt" 2>&1 ||
            { echo "FAILED: $*" >&2; tail -20 "$WORK/out.txt" >&2; exit 1; }
        read -r s kb < <(tail -n 1 "$WORK/time.txt")
        if [ -z "$best_s" ] || awk "BEGIN{exit !($s < $best_s)}"; then best_s=$s; best_kb=$kb; fi
    done
    echo "$best_s $best_kb"
}
report() {  # label ours peer peer-name
    local os ok ps pk
    read -r os ok <<<"$2"; read -r ps pk <<<"$3"
    awk -v l="$1" -v os="$os" -v ok="$ok" -v ps="$ps" -v pk="$pk" -v pn="$4" 'BEGIN{
        printf "%-24s tarnovex %7.2f s %7d KiB | %-8s %7.2f s %7d KiB | time ratio %5.2f\n", l, os, ok, pn, ps, pk, (ps > 0) ? os / ps : 0 }'
}

# The archive task: backup of the tree into one archive at level 6.
"$CLI" new --name "bench zip" --source "$SRC" --dest "$WORK/dest-t" >/dev/null
"$CLI" show "bench zip" | sed -e 's/^"CompressUse"=dword:00000000/"CompressUse"=dword:00000001/' \
    -e 's/^"CompressType"=""/"CompressType"="BUILTIN"/' -e 's/^"CompressFilename"=""/"CompressFilename"="tree.zip"/' \
    -e 's/^"CompressLevel"=dword:00000000/"CompressLevel"=dword:00000006/' > "$WORK/zip.reg"
"$CLI" import "$WORK/zip.reg" >/dev/null

echo
echo "== one archive of the tree, level 6"
t_zip=$(best_of "rm -rf '$WORK/dest-t'" "$CLI" run --quiet "bench zip")
z_zip=$(best_of "rm -f '$WORK/peer.zip'" bash -c "cd '$SRC' && zip -r -6 -q '$WORK/peer.zip' ." )
report "zip archive" "$t_zip" "$z_zip" "zip"
echo "archive sizes: tarnovex $(stat -c %s "$WORK/dest-t/tree.zip") bytes, zip $(stat -c %s "$WORK/peer.zip") bytes"
unzip -tq "$WORK/dest-t/tree.zip" >/dev/null || { echo "THE ARCHIVE DOES NOT TEST CLEAN" >&2; exit 1; }

# The cipher's speed, not the disk's: the file lies in memory (/dev/shm) where the machine has it.
CRYPT_DIR=${CRYPT_DIR:-$( [ -w /dev/shm ] && mktemp -d /dev/shm/tarnovex-crypt.XXXXXX || echo "$WORK")}
trap 'rm -rf "$WORK"; [ "$CRYPT_DIR" = "$WORK" ] || rm -rf "$CRYPT_DIR"' EXIT
echo "== encryption of one ${CRYPT_MB} MiB file in $CRYPT_DIR"
head -c $((CRYPT_MB << 20)) /dev/urandom > "$CRYPT_DIR/big.bin"
c_enc=$(best_of "rm -f '$CRYPT_DIR/big.crypt'" "$CRYPT" -ca "$CRYPT_DIR/big.bin" "$CRYPT_DIR/big.crypt" "bench password")
rm -f "$CRYPT_DIR/big.crypt"
o_enc=$(best_of "rm -f '$CRYPT_DIR/big.ossl'" openssl enc -aes-256-ctr -pbkdf2 -pass pass:bench -in "$CRYPT_DIR/big.bin" -out "$CRYPT_DIR/big.ossl")
report "crypt -ca" "$c_enc" "$o_enc" "openssl"
awk -v mb="$CRYPT_MB" -v s="$(echo "$c_enc" | cut -d' ' -f1)" 'BEGIN{ printf "crypt -ca throughput: %.0f MB/s\n", mb * 1.048576 / s }'
