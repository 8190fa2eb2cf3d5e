#!/usr/bin/env bash
# Checks a built Orvelkit.exe from outside: PE kind, GUI subsystem, imports from Windows only,
# hardening flags, sections, and the resources it must carry.
# Usage: pe_check.sh OBJDUMP WINDRES EXE 32|64
set -uo pipefail
objdump=$1 windres=$2 exe=$3 bits=$4
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }

headers=$("$objdump" -p "$exe")
sections=$("$objdump" -h "$exe")
resources=$("$windres" -i "$exe" -O rc 2>/dev/null)
dll_chars=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
flags=$((16#$dll_chars))

if [ "$bits" = 32 ]; then
  check "PE32 (32-bit) image" 'grep -q "^Magic[[:space:]]*010b" <<<"$headers"'
else
  check "PE32+ (64-bit) image" 'grep -q "^Magic[[:space:]]*020b" <<<"$headers"'
  check "high-entropy ASLR" '(( flags & 0x20 ))'
  base=$(awk '/^ImageBase/ {print $2}' <<<"$headers")
  check "image base above 4 GB ($base)" '(( 16#$base > 0xFFFFFFFF ))'
fi
check "GUI subsystem" 'grep -Eq "^Subsystem[[:space:]]+0*2[[:space:]]" <<<"$headers"'
check "ASLR (dynamic base)" '(( flags & 0x40 ))'
check "DEP (NX compatible)" '(( flags & 0x100 ))'
check "relocations kept" 'grep -q "\.reloc" <<<"$sections"'
# objdump -h marks each section's flags on the line after its name.
wx=$(awk '/^ *[0-9]+ /{name=$2; next} /CODE/ && /READONLY/ {next} /CODE/ {print name}' <<<"$sections")
check "no writable and executable section ${wx}" '[ -z "$wx" ]'

allowed='^(kernel32|user32|gdi32|comctl32|ole32|oleaut32|shell32|advapi32|shlwapi|msvcrt|comdlg32)\.dll$'
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
bad=$(grep -Ev "$allowed" <<<"$imports" || true)
check "imports Windows system DLLs only (${imports//$'\n'/ })" '[ -z "$bad" ]'

check "main icon: 16 and 32 pixels in 16 and 256 colours" '[ "$(grep -Ec "Element no [0-9]" <<<"$resources")" -eq 4 ]'
check "busy clip AVI 152" 'grep -Eq "^152 \"AVI\"" <<<"$resources"'
check "four glyph bitmaps" '[ "$(grep -Ec "^[0-9]+ 2 /\* RT_BITMAP" <<<"$resources")" -eq 4 ]'
check "manifest with common controls 6" 'grep -q "RT_MANIFEST" <<<"$resources" && grep -q "Microsoft.Windows.Common-Controls" <<<"$resources"'
check "manifest asks to run as invoker" 'grep -q "asInvoker" <<<"$resources"'
check "file version 1.3.0.13" 'grep -q "FILEVERSION 1, 3, 0, 13" <<<"$resources"'
check "product version 1.3.0.0" 'grep -q "\"ProductVersion\", \"1.3.0.0\"" <<<"$resources"'
check "string block 040904E4" 'grep -qi "BLOCK \"040904e4\"" <<<"$resources"'
check "product name" 'grep -q "\"ProductName\", \"Orvel for Windows Networks\"" <<<"$resources"'
check "file description" 'grep -q "\"FileDescription\", \"Orvel for Windows Networks\"" <<<"$resources"'
exit $fail
