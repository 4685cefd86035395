#!/usr/bin/env bash
# End-to-end session of tarnovex-cli against a private store: what a script on a server does.
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

mkdir -p "$HOME_DIR/src1" "$HOME_DIR/src 2" "$HOME_DIR/dst"

# new prints the ID as the last word, and the task is listed.
out=$("$CLI" new --name "Docs" --source "$HOME_DIR/src1" --source "$HOME_DIR/src 2" --dest "$HOME_DIR/dst" --action sync)
expect_status 0 $? "new"
id=$(echo "$out" | awk '{print $NF}' | tail -1)
[[ "$id" =~ ^[0-9A-E]{21}$ ]] || fail "new printed no ID as its last word: $out"
"$CLI" list | grep -q "^$id	Docs	-	Synchronize	never$" || fail "list does not show the new task: $("$CLI" list)"

# The store file is private.
mode=$(stat -c %a "$TARNOVEX_HOME/settings.db")
[ "$mode" = 600 ] || fail "settings.db has mode $mode"

# show prints the task key as a REGEDIT4 fragment.
shown=$("$CLI" show "$id")
expect_status 0 $? "show"
echo "$shown" | head -1 | grep -q "^REGEDIT4" || fail "show does not start with REGEDIT4"
echo "$shown" | grep -q "^\[HKEY_CURRENT_USER\\\\Software\\\\Halvorine\\\\Tarnovex\\\\1.0\\\\Tasks\\\\$id\]" \
    || fail "show lacks the task key header"
echo "$shown" | grep -q '"TaskAction"="taSynchronize"' || fail "show lacks the action"

# A name shared by two tasks is refused, and the message lists both.
id2=$("$CLI" new --name "Docs" --source "$HOME_DIR/src1" --dest "$HOME_DIR/dst2" | awk '{print $NF}')
err=$("$CLI" show Docs 2>&1 >/dev/null)
expect_status 1 $? "show of an ambiguous name"
echo "$err" | grep -q "$id" && echo "$err" | grep -q "$id2" || fail "ambiguous name message does not list both: $err"

# Bad arguments: clear message, status 2, nothing written.
"$CLI" export "$HOME_DIR/before.reg" >/dev/null || fail "export"
"$CLI" new --name X --dest "$HOME_DIR/dst" 2>/dev/null; expect_status 2 $? "new without a source"
"$CLI" new --name X --source "$HOME_DIR/src1" --dest "$HOME_DIR/d" --action copy 2>/dev/null; expect_status 2 $? "new with a bad action"
"$CLI" delete 2>/dev/null; expect_status 2 $? "delete without a task"
"$CLI" frobnicate 2>/dev/null; expect_status 2 $? "unknown command"
# A destination under its own source cannot run: refused before anything is saved.
"$CLI" new --name Loop --source "$HOME_DIR/src1" --dest "$HOME_DIR/src1/backup" 2>/dev/null; expect_status 1 $? "new under source"
"$CLI" export "$HOME_DIR/after.reg" >/dev/null
cmp -s "$HOME_DIR/before.reg" "$HOME_DIR/after.reg" || fail "a refused command changed the store"

# A malformed import is refused with its line number and writes nothing.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Main]\r\n"LastTip"=dword:00000007\r\n"Broken"="no end\r\n' > "$HOME_DIR/bad.reg"
err=$("$CLI" import "$HOME_DIR/bad.reg" 2>&1); expect_status 1 $? "import of a malformed file"
echo "$err" | grep -q "line 5" || fail "import error does not name line 5: $err"
"$CLI" export "$HOME_DIR/after.reg" >/dev/null
cmp -s "$HOME_DIR/before.reg" "$HOME_DIR/after.reg" || fail "a refused import changed the store"

# Export, delete, import: the task is back with every value.
"$CLI" delete "$id2" >/dev/null; expect_status 0 $? "delete"
"$CLI" list | grep -q "$id2" && fail "deleted task still listed"
export TARNOVEX_HOME="$HOME_DIR/other"
"$CLI" import "$HOME_DIR/before.reg" >/dev/null; expect_status 0 $? "import into a fresh store"
"$CLI" export "$HOME_DIR/reimported.reg" >/dev/null
cmp -s "$HOME_DIR/before.reg" "$HOME_DIR/reimported.reg" || fail "export after import differs from the original export"
"$CLI" list | grep -q "^$id2	Docs" || fail "imported store lacks the task"

# demo (what `make run` runs) creates a valid sample task in an empty store, once.
export TARNOVEX_HOME="$HOME_DIR/demo"
HOME="$HOME_DIR/user" "$CLI" demo >/dev/null 2>&1; expect_status 0 $? "demo in an empty store"
HOME="$HOME_DIR/user" "$CLI" demo 2>/dev/null | grep -c "	Documents	" | grep -q '^1$' || fail "demo did not list exactly one sample task"

# Help for the tool and every command.
for c in list show new delete export import demo; do
    "$CLI" "$c" --help | grep -q "Usage: tarnovex-cli $c" || fail "$c --help"
done
"$CLI" --help | grep -q "Commands:" || fail "--help"

if [ $failures -eq 0 ]; then echo "cli session: all checks passed"; exit 0; fi
echo "cli session: $failures failure(s)"; exit 1
