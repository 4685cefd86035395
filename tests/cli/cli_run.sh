#!/usr/bin/env bash
# tarnovex-cli run end to end: a backup through the worker thread, its log on standard output, the stored
# last-run time, exit statuses, and a run stopped by SIGTERM.
set -u
CLI="$1"
HOME_DIR=$(mktemp -d)
trap 'rm -rf "$HOME_DIR"' EXIT
export TARNOVEX_HOME="$HOME_DIR/home"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() { # expected actual what
    [ "$1" = "$2" ] || fail "$3: exit status $2, expected $1"
}

src="$HOME_DIR/my src"
dst="$HOME_DIR/backup"
mkdir -p "$src/sub"
printf 'alpha' > "$src/a.txt"
printf 'beta' > "$src/sub/\$(touch pwned) b;.txt"

id=$("$CLI" new --name "Docs" --source "$src" --dest "$dst" | awk '{print $NF}' | tail -1)
out=$("$CLI" run Docs)
expect_status 0 $? "run"
cmp -s "$src/a.txt" "$dst/a.txt" || fail "a.txt was not copied"
cmp -s "$src/sub/\$(touch pwned) b;.txt" "$dst/sub/\$(touch pwned) b;.txt" || fail "the odd name was not copied"
[ ! -e pwned ] && [ ! -e "$src/sub/pwned" ] || fail "a file name was run as a command"
echo "$out" | grep -q '^Docs - .*: Task started\.$' || fail "no start record printed: $out"
echo "$out" | grep -q '^Docs - .*: Task finished\.$' || fail "no finish record printed: $out"
echo "$out" | tail -1 | grep -q '^Docs: finished (0 errors, 0 warnings)$' || fail "no outcome line: $out"
"$CLI" list | grep "^$id" | grep -qv 'never$' || fail "the last run was not stored: $("$CLI" list)"

# A second run finds nothing to copy; --quiet prints only the outcome.
out=$("$CLI" run --quiet "$id")
expect_status 0 $? "quiet run by ID"
[ "$out" = "Docs: finished (0 errors, 0 warnings)" ] || fail "quiet run printed: $out"

# Unknown task and no task: usage errors, nothing runs.
"$CLI" run Nobody >/dev/null 2>&1
expect_status 2 $? "run of an unknown task"
"$CLI" run >/dev/null 2>&1
expect_status 2 $? "run without a task"

# A source folder that is gone: the run warns, keeps the backup as it is and exits with 3.
mkdir -p "$HOME_DIR/gone"
"$CLI" new --name "Gone" --source "$HOME_DIR/gone" --dest "$dst/2" >/dev/null
rmdir "$HOME_DIR/gone"
out=$("$CLI" run Gone)
expect_status 3 $? "run of a task whose source is missing"
echo "$out" | grep -q "WARNING: Can't read folder" || fail "missing source not reported: $out"
echo "$out" | grep -q "ERROR" && fail "a missing source gave error records: $out"

# SIGTERM stops a run that waits for its before-program; the run ends as aborted with status 1.
"$CLI" show "$id" | sed -e 's/^"Before"=dword:00000000/"Before"=dword:00000001/' \
    -e 's/^"BeforeProgramName"=""/"BeforeProgramName"="sleep 60"/' \
    -e '/RunPrograms\]/,/^$/ s/^"UseDefault"=dword:00000001/"UseDefault"=dword:00000000/' > "$HOME_DIR/slow.reg"
"$CLI" import "$HOME_DIR/slow.reg" >/dev/null || fail "import of the slow task failed"
"$CLI" run Docs > "$HOME_DIR/out.txt" 2>&1 &
pid=$!
for _ in $(seq 1 100); do grep -q 'Task started' "$HOME_DIR/out.txt" 2>/dev/null && break; sleep 0.1; done
sleep 0.5
kill -TERM $pid
for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then
    fail "run did not end after SIGTERM"
    kill -KILL $pid
fi
wait $pid
expect_status 1 $? "run stopped by SIGTERM"
grep -q '^Docs: aborted' "$HOME_DIR/out.txt" || fail "stopped run not reported as aborted: $(cat "$HOME_DIR/out.txt")"
pgrep -f 'sleep 60' >/dev/null && pkill -f '^sleep 60$' && fail "the before-program was left running"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all run checks passed"
