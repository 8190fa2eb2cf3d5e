#!/usr/bin/env bash
# Runs a Windows program of the end-to-end tests on a private X screen of a given size, in a copy of
# the build's Wine prefix. Wine takes the screen's size from the display its prefix's server met
# first, so a program in the running tests' prefix cannot be shown on a larger screen; a copy has a
# server of its own. The copy goes at the end, after its server and with the screen.
# Usage: own-screen.sh WIDTHxHEIGHT PREFIX WINE STATUS-FILE PROGRAM.exe [ARGS...]
# The program's output goes to standard output, its exit status into STATUS-FILE once everything has
# ended (a Windows caller of this script gets no handle to wait on); ORVEL_E2E_SCREEN names the size.
set -uo pipefail
size=$1 prefix=$2 wine=$3 status_file=$4
shift 4
work=$(mktemp -d "${TMPDIR:-/tmp}/orvel-screen.XXXXXX")
status=1
trap 'rm -rf "$work"; echo "$status" >"$status_file"' EXIT
trap 'exit 1' INT TERM

# Copied, as the server writes the registry files in place; only the system folders' DLLs (most of the
# prefix), which a run never writes, are linked.
mkdir "$work/prefix" &&
  tar -C "$prefix" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 -cf - . |
  tar -C "$work/prefix" -xf - || exit 1
for folder in system32 syswow64; do
  if [ -d "$prefix/drive_c/windows/$folder" ]; then cp -al "$prefix/drive_c/windows/$folder" "$work/prefix/drive_c/windows/" || exit 1; fi
done

# The program ends within 8 minutes, the copy's server with its last program (or after one more), both
# before the screen goes.
export WINEPREFIX="$work/prefix" ORVEL_E2E_SCREEN="$size"
xvfb-run -a -s "-screen 0 ${size}x24 -nolisten tcp" bash -c \
  'timeout -k 10 480 "$@" 2>&1; status=$?; timeout 60 wineserver -w || wineserver -k; exit $status' own-screen "$wine" "$@"
status=$?
