#!/usr/bin/env bash
# The program itself, with and without its window: a second start hands /RunTask to the running
# instance, which runs the task; SIGTERM ends the session, and what the program keeps is in the store.
#   program_session.sh TARNOVEX TARNOVEX_CLI
set -uo pipefail
program=$1
cli=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits (bounded) until the command succeeds.
wait_for() {
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

session() {
  local mode=$1
  local work
  work=$(mktemp -d)
  export TARNOVEX_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" HOME="$work"
  mkdir -p "$TARNOVEX_HOME" "$XDG_RUNTIME_DIR" "$work/src/sub"
  chmod 700 "$XDG_RUNTIME_DIR"
  echo one >"$work/src/a.txt"
  echo two >"$work/src/sub/b.txt"
  "$cli" new --name Daily --source "$work/src" --dest "$work/dst" >/dev/null || fail "$mode: new task"
  # A store that has been set up before: the first-start wizard of a new one would wait for a person.
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Main]\n"FirstStart"=dword:00000000\n' \
    >"$work/setup.reg"
  "$cli" import "$work/setup.reg" >/dev/null || fail "$mode: import of the set-up store"

  local -a env_args
  case $mode in
    window) env_args=(env DISPLAY=:tarnovex-test QT_QPA_PLATFORM=offscreen) ;;
    # A display named in the environment that does not exist: the program runs without a window.
    stale-display) env_args=(env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:7391) ;;
    *) env_args=(env -u DISPLAY -u WAYLAND_DISPLAY) ;;
  esac
  "${env_args[@]}" "$program" >"$work/out.txt" 2>&1 &
  local pid=$!
  # A second start waits for the running instance to be there, then hands its switch over.
  wait_for sh -c "find \"$XDG_RUNTIME_DIR\" -type s | grep -q ." || fail "$mode: the program did not start"
  wait_for "${env_args[@]}" "$program" "/RunTask=Daily" || fail "$mode: the second start was not taken"
  wait_for test -f "$work/dst/sub/b.txt" || fail "$mode: the handed-over run copied nothing"
  wait_for sh -c "\"$cli\" list | grep -q 'Daily.*[0-9][0-9]:[0-9][0-9]'" || fail "$mode: no last run stored"

  kill -TERM "$pid"
  local status=0
  wait_for sh -c "! kill -0 $pid 2>/dev/null" || { fail "$mode: SIGTERM did not end the program"; kill -KILL "$pid"; }
  wait "$pid" || status=$?
  [[ $status == 0 ]] || fail "$mode: exit status $status"
  grep -q "Daily" "$work/home/Tarnovex.log" 2>/dev/null || fail "$mode: the run wrote no log file"
  if [[ $mode == window ]]; then
    "$cli" export "$work/all.reg" >/dev/null
    grep -q '"LogPanelHeight"' "$work/all.reg" || fail "window: the window's own settings were not saved at the end"
  else
    grep -q "Task finished." "$work/out.txt" || fail "headless: the log was not printed"
  fi
  rm -rf "$work"
}

session headless
session window
session stale-display

if [[ $failures -gt 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "program sessions: headless, window and stale display passed"
