#!/usr/bin/env bash
# Starts the program under a virtual display with a small demo settings store, runs one of its tasks
# from the window, and writes pictures of the window to BUILD/screenshots/. Then ui_gallery, under the
# same display, writes a picture of every window and page, light and dark, to BUILD/screenshots/gallery/.
# Nothing of the user's own settings is touched: the stores live in temporary folders.
#   scripts/screenshots.sh [BUILD]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
out="$build/screenshots"
program="$build/tarnovex"
cli="$build/tarnovex-cli"
gallery="$build/tests/ui_gallery"
for binary in "$program" "$cli" "$gallery"; do
  [[ -x $binary ]] || { echo "screenshots: $binary is missing; build first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "screenshots: Xvfb is missing (package xvfb)" >&2; exit 1; }
if ! command -v import >/dev/null || ! command -v xdotool >/dev/null; then
  sudo=$([[ $(id -u) == 0 ]] || echo sudo)
  $sudo apt-get install -y -qq imagemagick xdotool >/dev/null
fi

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work" TARNOVEX_HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$TARNOVEX_HOME" "$XDG_RUNTIME_DIR" "$out"
chmod 700 "$XDG_RUNTIME_DIR"

# Demo data: a few folders with files, and tasks in two groups.
for folder in Documents Pictures Projects Inbox; do
  mkdir -p "$work/$folder/sub"
  for i in 1 2 3 4 5 6; do
    head -c $((i * 1500)) /dev/urandom >"$work/$folder/file$i.dat"
    echo "note $i" >"$work/$folder/sub/note$i.txt"
  done
done
"$cli" demo >/dev/null 2>&1
"$cli" new --name "Photos" --source "$work/Pictures" --dest "$work/Backup/Photos" --group Home >/dev/null
"$cli" new --name "Project mirror" --source "$work/Projects" --dest "$work/Mirror" --action sync \
  --group Office >/dev/null
"$cli" new --name "Inbox archive" --source "$work/Inbox" --dest "$work/Archive" --action move \
  --group Office >/dev/null
"$cli" run --quiet Photos >/dev/null 2>&1 || true
documents=$("$cli" list | awk -F'\t' '$2 == "Documents" { print $1 }')

# The window settings of a first start on a 1024x700 screen, with the sample task selected.
cat >"$work/view.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Main]
"CurrentGroup"="All Tasks"
"CurrentProject"="$documents"
"FirstStart"=dword:00000000
"WindowNormalPositionLeft"=dword:00000000
"WindowNormalPositionTop"=dword:00000000
"WindowNormalPositionRight"=dword:00000400
"WindowNormalPositionBottom"=dword:000002bc

[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Startup and Shutdown]
"StartupConfirmShutdown"=dword:00000000
REG
"$cli" import "$work/view.reg" >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
  [[ -e /tmp/.X11-unix/X${display#:} ]] && break
  sleep 0.1
done

"$program" >"$work/program.log" 2>&1 &
program_pid=$!
sleep 1
import -window root "$out/splash.png"
echo "screenshots: wrote $out/splash.png"
sleep 3
# A second start hands its switch to the running window, which runs the task: the log panel fills.
"$program" "/RunTask=Documents" >/dev/null 2>&1 || true
sleep 3
import -window root "$out/main-window.png"
echo "screenshots: wrote $out/main-window.png"

# The properties of the selected task, opened as a user would, by a click on the tool bar's Properties
# button (the screen has no window manager, so the dialog has no frame).
xdotool mousemove 86 45 click 1
sleep 2
import -window root "$out/task-properties.png"
echo "screenshots: wrote $out/task-properties.png"
xdotool key --clearmodifiers Escape
sleep 1

kill -TERM "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""

# Every window and page; the gallery keeps its own demo store and ends each dialog it opens.
rm -rf "$out/gallery"
"$gallery" "$out/gallery"
