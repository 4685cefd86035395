#!/usr/bin/env bash
# make install into a temporary prefix: the programs, crypt beside them, the help pages, the menu entry and
# its icon land where the desktop and the program look for them, and the installed tarnovex-cli runs an
# encrypted backup with the crypt installed beside it (not the one of the build folder).
set -u
BUILD="$1"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PREFIX="$WORK/prefix"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 || { cat "$WORK/install.log"; exit 1; }
for f in bin/tarnovex bin/tarnovex-cli bin/crypt; do
    [ -x "$PREFIX/$f" ] || fail "$f is not installed as a program"
done
for f in share/tarnovex/help/files/contents.html share/tarnovex/help/decrypt.html \
         share/applications/tarnovex.desktop share/icons/hicolor/scalable/apps/tarnovex.svg; do
    [ -s "$PREFIX/$f" ] || fail "$f is not installed"
done
[ -e "$PREFIX/share/tarnovex/desktop" ] && fail "the desktop folder was copied into the data folder"
desktop="$PREFIX/share/applications/tarnovex.desktop"
grep -qx 'Exec=tarnovex' "$desktop" || fail "the menu entry does not start tarnovex"
grep -qx 'Icon=tarnovex' "$desktop" || fail "the menu entry does not name the installed icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "the menu entry is not a valid desktop entry"
fi

# The installed tool, with a PATH that holds no crypt: the encryptor must be found beside the program.
export TARNOVEX_HOME="$WORK/home"
mkdir -p "$WORK/src"
printf 'secret text' > "$WORK/src/a.txt"
cli="$PREFIX/bin/tarnovex-cli"
PATH=/usr/bin:/bin "$cli" new --name Enc --source "$WORK/src" --dest "$WORK/dst" >/dev/null || fail "new task"
PATH=/usr/bin:/bin "$cli" show Enc | sed -e 's/^"CryptUse"=dword:00000000/"CryptUse"=dword:00000001/' \
    -e 's/^"CryptType"=".*"/"CryptType"="AES (256 Bit)"/' -e 's/^"CryptPassword"=""/"CryptPassword"="pw"/' \
    > "$WORK/enc.reg"
PATH=/usr/bin:/bin "$cli" import "$WORK/enc.reg" >/dev/null || fail "import of the encryption settings"
out=$(PATH=/usr/bin:/bin "$cli" run Enc 2>&1) || fail "the installed tool's encrypted run failed: $out"
[ -f "$WORK/dst/a.txt.crypt" ] || fail "no encrypted copy from the installed tool: $out"
"$PREFIX/bin/crypt" -ea "$WORK/dst/a.txt.crypt" "$WORK/a.out" pw >/dev/null 2>&1 || fail "installed crypt cannot decrypt"
[ "$(cat "$WORK/a.out" 2>/dev/null)" = "secret text" ] || fail "decrypted text differs"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all install checks passed"
