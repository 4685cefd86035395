#!/usr/bin/env bash
# tarnovex-cli bringing over the tasks of the predecessor program, against a private store.
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
snapshot() { "$CLI" export "$HOME_DIR/$1.reg" >/dev/null || fail "export $1"; }

mkdir -p "$HOME_DIR/old-c/Daten" "$HOME_DIR/own"
"$CLI" new --name Own --source "$HOME_DIR/own" --dest "$HOME_DIR/own-backup" >/dev/null || fail "new"
snapshot empty

# An export of the old computer in its code page (Windows-1252: \xfc is u-umlaut).
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\Tasks\\A]\r\n"Name"="B\xfcro"\r\n"ID"="OLD1"\r\n"TaskType"="ttSynchronize"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\Tasks\\A\\Source]\r\n"Source"="C:\\\\Daten"\r\n"SourceIncludeSubfolders"=dword:00000001\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\Tasks\\A\\Destination]\r\n"DestLocal"="E:\\\\Save"\r\n' >"$HOME_DIR/old.reg"

# Without a code page the file is refused, with a hint, and nothing is written.
err=$("$CLI" import "$HOME_DIR/old.reg" 2>&1 >/dev/null)
expect_status 1 $? "import of a non-UTF-8 file"
echo "$err" | grep -q -- "--codepage" || fail "the refusal does not suggest --codepage: $err"
"$CLI" import-legacy --from 2x >/dev/null 2>&1
expect_status 1 $? "import-legacy before the settings were loaded"

"$CLI" import "$HOME_DIR/old.reg" --codepage windows-1252 >/dev/null
expect_status 0 $? "import with a code page"
# The old keys are not the program's own settings: its export and task list stay empty.
snapshot loaded
cmp -s "$HOME_DIR/empty.reg" "$HOME_DIR/loaded.reg" || fail "old keys leaked into the program's settings"
[ "$("$CLI" list | wc -l)" = 1 ] || fail "old tasks listed as the program's own: $("$CLI" list)"

# A dry run previews with the mapped folders and writes nothing.
out=$("$CLI" import-legacy --from 2x --map "C:\\=$HOME_DIR/old-c/" --dry-run)
expect_status 0 $? "dry run"
echo "$out" | grep -q "^Name: Büro$" || fail "preview lacks the converted name: $out"
echo "$out" | grep -q "^Type: Synchronize$" || fail "preview lacks the type: $out"
echo "$out" | grep -q "^Source folder: $HOME_DIR/old-c/Daten (with sub-folders)$" || fail "preview lacks the mapped folder: $out"
echo "$out" | grep -q '^Not on this machine: E:\\Save$' || fail "preview does not name the missing destination: $out"
echo "$out" | grep -q "Not on this machine: $HOME_DIR/old-c" && fail "an existing folder is listed as missing: $out"
snapshot dry
cmp -s "$HOME_DIR/empty.reg" "$HOME_DIR/dry.reg" || fail "a dry run wrote to the store"

"$CLI" import-legacy --from 2x --select Nobody >/dev/null 2>&1
expect_status 2 $? "an unknown --select name"
"$CLI" import-legacy --from 2x --map "C:\\" >/dev/null 2>&1
expect_status 2 $? "a malformed --map"
"$CLI" import "$HOME_DIR/old.reg" --codepage >/dev/null 2>&1
expect_status 2 $? "--codepage without a value"

# The import, twice: the second copy gets a fresh ID.
"$CLI" import-legacy --from 2x --map "C:\\=$HOME_DIR/old-c/" | grep -q 'Task "Büro" successfuly imported.' \
    || fail "import does not report the task"
"$CLI" list | grep -q "^OLD1	Büro	-	Synchronize	never$" || fail "imported task not listed: $("$CLI" list)"
"$CLI" show OLD1 | grep -qF "\"Folder\"=\"$HOME_DIR/old-c/Daten\"" || fail "the stored folder is not the mapped one"
out=$("$CLI" import-legacy --from 2x)
echo "$out" | grep -q '(new: "OLD1" is taken)' || fail "a taken ID is not replaced: $out"
[ "$("$CLI" list | wc -l)" = 3 ] || fail "three tasks expected: $("$CLI" list)"

# A 1.x projects file: the signature, an empty settings block, one project.
int32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
str() { int32 ${#1}; printf '%s' "$1"; }
{
    printf 'Parvelo Media Ombrisave v. 1\x1b'
    str ""; int32 1
    str "Fotos"; str "P1"; str "btCompress"; str "C:\\Bilder"; printf '\x01'; str "C:\\Save\\fotos.zip"
    int32 0; str "shManual"; int32 0; str "[Options],AdvOptionsZipCompression=9"; str ""; int32 0
} >"$HOME_DIR/Ombrisave.dat"
out=$("$CLI" import-legacy --from 1x "$HOME_DIR/Ombrisave.dat" --map "C:\\=$HOME_DIR/old-c/")
expect_status 0 $? "1.x import"
echo "$out" | grep -q "^Use Compression?: Yes$" || fail "1.x preview: $out"
"$CLI" list | grep -q "^P1	Fotos	" || fail "1.x task not listed"
"$CLI" show P1 | grep -q '"CompressFilename"="fotos.zip"' || fail "1.x archive name not taken: $("$CLI" show P1)"

err=$("$CLI" import-legacy --from 1x "$HOME_DIR/none.dat" 2>&1)
expect_status 1 $? "a missing 1.x file"
echo "$err" | grep -q "Ombrisave projects file \"$HOME_DIR/none.dat\" not found." || fail "not-found message: $err"

if [ "$failures" -gt 0 ]; then
    echo "cli legacy: $failures check(s) failed"
    exit 1
fi
echo "cli legacy: all checks passed"
