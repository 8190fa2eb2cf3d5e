#!/usr/bin/env bash
# Runs a Windows program of the end-to-end tests on a private X screen of a given size, in a copy of
# the build's Wine prefix. Wine takes the screen's size from the display its prefix's server met
# first, so a program in the running tests' prefix cannot be shown on a larger screen; a copy has a
# server of its own. The copy goes at the end, with its server and the screen.
# Usage: own-screen.sh WIDTHxHEIGHT PREFIX WINE STATUS-FILE PROGRAM.exe [ARGS...]
# The program's output goes to standard output, its exit status into STATUS-FILE once everything has
# ended (a Windows caller of this script gets no handle to wait on); ORVEL_E2E_SCREEN names the size.
set -uo pipefail
size=$1 prefix=$2 wine=$3 status_file=$4
shift 4
work=$(mktemp -d "${TMPDIR:-/tmp}/orvel-screen.XXXXXX")
xvfb_pid="" status=1

cleanup() {
  if [ -d "$work/prefix" ]; then
    # The copy's server ends with its last program; one left after a minute is ended with it.
    WINEPREFIX="$work/prefix" timeout 60 wineserver -w 2>/dev/null || WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
  echo "$status" >"$status_file"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Copied, as the server writes the registry files in place; only the system folders' DLLs (most of the
# prefix), which a run never writes, are linked.
mkdir "$work/prefix" &&
  tar -C "$prefix" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 -cf - . |
  tar -C "$work/prefix" -xf - || exit 1
for folder in system32 syswow64; do
  if [ -d "$prefix/drive_c/windows/$folder" ]; then cp -al "$prefix/drive_c/windows/$folder" "$work/prefix/drive_c/windows/" || exit 1; fi
done

# A free display number, taken under the lock the project's other private X servers use.
display=""
exec {lock}>/tmp/.orvel-xvfb.lock
flock "$lock"
for n in $(seq 140 179); do
  [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] || continue
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 {lock}>&- &
  xvfb_pid=$!
  for _ in $(seq 100); do
    kill -0 "$xvfb_pid" 2>/dev/null || break
    if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then display=":$n"; break; fi
    sleep 0.1
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
flock -u "$lock"
exec {lock}>&-
[ -n "$display" ] || { echo "own-screen: no free X display in :140 to :179" >&2; exit 1; }

DISPLAY=$display WINEPREFIX="$work/prefix" ORVEL_E2E_SCREEN=$size timeout -k 10 480 "$wine" "$@" 2>&1
status=$?
