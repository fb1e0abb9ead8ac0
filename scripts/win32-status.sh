#!/usr/bin/env bash
# Says whether this run of the tests included the 32-bit Windows test programs.
#   win32-status.sh BUILD_DIR   (the win32 preset's build folder)
cache=${1:-build/win32}/CMakeCache.txt
if grep -qx 'ORLOFX_WIN_TEST_PROGRAMS:BOOL=ON' "$cache" 2>/dev/null; then
  echo "win32 test programs: run"
elif /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "win32 test programs: not run, switched off in $cache"
else
  echo "win32 test programs: not run, this kernel cannot start 32-bit programs"
fi
