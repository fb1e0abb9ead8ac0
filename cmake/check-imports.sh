#!/usr/bin/env bash
# Fails when the DLL imports anything but the system's own DLLs (the C and C++
# runtimes and winpthread must be linked in statically).
set -euo pipefail
objdump=$1 dll=$2
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|shell32|comctl32|msvfw32|msvcrt|winmm|comdlg32|shlwapi|version|uxtheme|api-ms-win-crt-[a-z0-9-]+)\.dll$'
names=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$names" ] || { echo "no imports found in $dll"; exit 1; }
bad=$(printf '%s\n' "$names" | grep -Ev "$allowed" || true)
echo "imports: $(echo $names)"
if [ -n "$bad" ]; then
  echo "non-system imports: $bad"
  exit 1
fi
