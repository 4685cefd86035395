#!/usr/bin/env bash
# Two real processes of the headless program: the first holds the instance, a second start hands its
# command line over and ends at once; the first runs the task it was given, and quits on a handed-over
# exit switch written in lower case. The lock is then free for the next start.
set -u
TNX="$1"
CLI="$2"
WORK=$(mktemp -d)
export TARNOVEX_HOME="$WORK/home"
export XDG_RUNTIME_DIR="$WORK/run"
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_RUNTIME_DIR" "$WORK/src"
chmod 700 "$XDG_RUNTIME_DIR"
first=""
cleanup() { [ -n "$first" ] && kill -KILL "$first" 2>/dev/null; rm -rf "$WORK"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
wait_for() { # seconds condition...
    local limit=$(($1 * 10)); shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
    return 1
}
has_socket() { [ -n "$(find "$XDG_RUNTIME_DIR" -type s 2>/dev/null)" ]; }

printf 'alpha' > "$WORK/src/a.txt"
"$CLI" new --name "Docs" --source "$WORK/src" --dest "$WORK/dst" >/dev/null || fail "new task"

"$TNX" --headless > "$WORK/first.txt" 2>&1 &
first=$!
wait_for 30 has_socket || fail "the first instance never listened: $(cat "$WORK/first.txt")"

timeout 30 "$TNX" --headless /RunTask=Docs > "$WORK/second.txt" 2>&1
status=$?
[ "$status" = 0 ] || fail "the second start ended with $status: $(cat "$WORK/second.txt")"
kill -0 "$first" 2>/dev/null || fail "the first instance ended when the second started"
wait_for 30 grep -q '^Docs - .*: Task finished\.$' "$WORK/first.txt" ||
    fail "the handed-over task did not run in the first instance: $(cat "$WORK/first.txt")"
cmp -s "$WORK/src/a.txt" "$WORK/dst/a.txt" || fail "the handed-over run copied nothing"
grep -q 'Task started' "$WORK/second.txt" && fail "the second start ran the task itself"

timeout 30 "$TNX" --headless /exit >/dev/null 2>&1 || fail "the exit switch could not be handed over"
if wait_for 30 bash -c "! kill -0 $first 2>/dev/null"; then
    wait "$first"
    status=$?
    [ "$status" = 0 ] || fail "the first instance ended with $status"
    first=""
else
    fail "the first instance did not quit on a handed-over /exit"
fi

# The instance is free again: a new start holds it and quits on its own switch.
timeout 30 "$TNX" --headless /RunTask=Docs /EXIT > "$WORK/third.txt" 2>&1
status=$?
[ "$status" = 0 ] || fail "a start after the first ended gave $status: $(cat "$WORK/third.txt")"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all instance checks passed"
