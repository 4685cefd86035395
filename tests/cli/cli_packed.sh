#!/usr/bin/env bash
# Packed runs of tarnovex-cli end to end: one archive, one archive per file, encryption alone, both, for
# backup and for move, the skip of unchanged packed files, and a move whose packing fails keeping its
# sources. The archives are opened with unzip and 7z, the encrypted files with the companion crypt.
set -u
CLI="$1"
CRYPT="$(dirname "$CLI")/crypt"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export TARNOVEX_HOME="$WORK/home"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() { [ "$1" = "$2" ] || fail "$3: exit status $2, expected $1"; }

make_source() { # folder
    rm -rf "$1"
    mkdir -p "$1/sub"
    printf 'alpha alpha alpha' > "$1/a.txt"
    printf 'beta' > "$1/sub/b c.txt"
    printf 'odd' > "$1/sub/-dash \$(touch pwned).txt"
}

# new_task NAME SOURCE DEST SED-SCRIPT: creates a task and changes its stored values with the script.
new_task() {
    "$CLI" new --name "$1" --source "$2" --dest "$3" >/dev/null || fail "new $1"
    "$CLI" show "$1" | sed -e "$4" > "$WORK/$1.reg"
    "$CLI" import "$WORK/$1.reg" >/dev/null || fail "import of $1"
}
compress_one='s/^"CompressUse"=dword:00000000/"CompressUse"=dword:00000001/
s/^"CompressType"=""/"CompressType"="BUILTIN"/
s/^"CompressFilename"=""/"CompressFilename"="all.zip"/
s/^"CompressLevel"=dword:00000000/"CompressLevel"=dword:00000006/'
per_file='s/^"CompressSeparate"=dword:00000000/"CompressSeparate"=dword:00000001/'
encrypt='s/^"CryptUse"=dword:00000000/"CryptUse"=dword:00000001/
s/^"CryptType"=".*"/"CryptType"="AES (256 Bit)"/
s/^"CryptPassword"=""/"CryptPassword"="s3cret pass"/'
zip_password='s/^"CompressPassword"=""/"CompressPassword"="zip pw"/
s/^"CompressEncryption"=".*"/"CompressEncryption"="AES256"/'

# 1. Backup into one archive: every file inside with its relative path; unzip tests it.
make_source "$WORK/s1"
new_task One "$WORK/s1" "$WORK/d1" "$compress_one"
"$CLI" run --quiet One >/dev/null
expect_status 0 $? "one-archive backup"
[ -f "$WORK/d1/all.zip" ] || fail "one-archive backup made no all.zip: $(ls -R "$WORK/d1")"
unzip -tq "$WORK/d1/all.zip" >/dev/null 2>&1 || fail "unzip rejects all.zip"
[ "$(unzip -p "$WORK/d1/all.zip" 'sub/b c.txt')" = beta ] || fail "sub/b c.txt not in all.zip: $(unzip -l "$WORK/d1/all.zip")"
[ "$(unzip -p "$WORK/d1/all.zip" a.txt)" = "alpha alpha alpha" ] || fail "a.txt not in all.zip"
[ ! -e pwned ] && [ ! -e "$WORK/s1/sub/pwned" ] || fail "a file name was run as a command"

# 2. One archive per file, password protected with AES: 7z opens them with the password only.
make_source "$WORK/s2"
new_task PerFile "$WORK/s2" "$WORK/d2" "$compress_one
$per_file
$zip_password"
out=$("$CLI" run PerFile)
expect_status 0 $? "per-file backup"
for f in a.txt "sub/b c.txt" "sub/-dash \$(touch pwned).txt"; do
    [ -f "$WORK/d2/$f.zip" ] || fail "per-file backup: $f.zip missing: $(ls -R "$WORK/d2")"
done
(cd "$WORK" && 7z x -y -p'zip pw' -o"$WORK/x2" "$WORK/d2/a.txt.zip" >/dev/null 2>&1) || fail "7z cannot open the AES archive"
[ "$(cat "$WORK/x2/a.txt" 2>/dev/null)" = "alpha alpha alpha" ] || fail "the AES archive holds the wrong data"
7z x -y -p'wrong' -o"$WORK/x2w" "$WORK/d2/a.txt.zip" >/dev/null 2>&1 && fail "7z opened the AES archive with a wrong password"
# Unchanged files are not packed again: the second run stores nothing.
stamp=$(stat -c %Y.%s "$WORK/d2/a.txt.zip")
sleep 1.1
out=$("$CLI" run PerFile)
expect_status 0 $? "second per-file backup"
[ "$(stat -c %Y.%s "$WORK/d2/a.txt.zip")" = "$stamp" ] || fail "an unchanged file was packed again"
echo "$out" | grep -qi 'compress' && fail "second run compressed something: $out"
# A changed file is packed again.
# Times closer than two seconds count as the same, so the change is dated clearly later.
printf 'alpha 2' > "$WORK/s2/a.txt"
touch -d '+5 seconds' "$WORK/s2/a.txt"
"$CLI" run --quiet PerFile >/dev/null
rm -rf "$WORK/x2"; 7z x -y -p'zip pw' -o"$WORK/x2" "$WORK/d2/a.txt.zip" >/dev/null 2>&1
[ "$(cat "$WORK/x2/a.txt" 2>/dev/null)" = "alpha 2" ] || fail "a changed file was not packed again"

# 3. Encryption alone: every file becomes NAME.crypt, which crypt decrypts with the password only.
make_source "$WORK/s3"
new_task Enc "$WORK/s3" "$WORK/d3" "$encrypt"
"$CLI" run --quiet Enc >/dev/null
expect_status 0 $? "encrypted backup"
[ -f "$WORK/d3/sub/b c.txt.crypt" ] || fail "no encrypted file: $(ls -R "$WORK/d3")"
grep -q beta "$WORK/d3/sub/b c.txt.crypt" && fail "the encrypted file holds the plain text"
"$CRYPT" -ea "$WORK/d3/sub/b c.txt.crypt" "$WORK/b.out" "s3cret pass" >/dev/null 2>&1 || fail "crypt cannot decrypt"
[ "$(cat "$WORK/b.out" 2>/dev/null)" = beta ] || fail "decrypted text differs"
"$CRYPT" -ea "$WORK/d3/sub/b c.txt.crypt" "$WORK/b.bad" "wrong" >/dev/null 2>&1 && fail "crypt accepted a wrong password"
[ -e "$WORK/b.bad" ] && fail "a wrong password left an output file"

# 4. Move into one encrypted archive: the sources go only after the archive is stored.
make_source "$WORK/s4"
new_task MoveBoth "$WORK/s4" "$WORK/d4" "$compress_one
$encrypt
s/^\"TaskAction\"=\"taBackup\"/\"TaskAction\"=\"taMove\"/"
"$CLI" run --quiet MoveBoth >/dev/null
expect_status 0 $? "packed move"
[ -f "$WORK/d4/all.crypt" ] || fail "packed move stored no all.crypt: $(ls -R "$WORK/d4")"
"$CRYPT" -ea "$WORK/d4/all.crypt" "$WORK/all4.zip" "s3cret pass" >/dev/null 2>&1 || fail "cannot decrypt the moved archive"
[ "$(unzip -p "$WORK/all4.zip" 'sub/b c.txt' 2>/dev/null)" = beta ] || fail "moved archive lacks sub/b c.txt"
[ -e "$WORK/s4/a.txt" ] && fail "packed move left its source a.txt"

# 5. A move whose encryptor fails (crypt refuses an empty password) stores nothing, keeps every source
#    and ends with warnings, not as a clean success.
make_source "$WORK/s5"
new_task MoveFail "$WORK/s5" "$WORK/d5" "$compress_one
s/^\"CryptUse\"=dword:00000000/\"CryptUse\"=dword:00000001/
s/^\"CryptType\"=\".*\"/\"CryptType\"=\"AES (256 Bit)\"/
s/^\"TaskAction\"=\"taBackup\"/\"TaskAction\"=\"taMove\"/"
out=$("$CLI" run MoveFail 2>&1)
expect_status 3 $? "a move whose encryptor fails"
echo "$out" | grep -q 'abnormal exit code returned: 2' || fail "the encryptor's failure was not logged: $out"
[ -f "$WORK/s5/a.txt" ] && [ -f "$WORK/s5/sub/b c.txt" ] || fail "a failed packed move deleted its sources"
[ -e "$WORK/d5/all.crypt" ] || [ -e "$WORK/d5/all.zip" ] && fail "a failed packed move stored an archive"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all packed-run checks passed"
